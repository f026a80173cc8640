// The configuration settings (CFG_ names) and VELT.CFG, where they are kept.
//
// Settings live in sets: each running operation that loads the configuration owns one set, which
// hides the settings of the same names of outer operations until the operation ends, by return or
// by an exception. A set is a ConfigScope object; nothing survives it.
//
// In the file each setting is the line NAME=<kind letter><text> of the section "Vars":
// C text, N number ("2.50"), D date ("25/12/2024"), L logical (".T."/".F."). A value of any other
// kind letter is not assigned when read back: the setting exists without a value.
#pragma once

#include <string>
#include <string_view>

#include "util/value.h"

namespace velt {

inline constexpr const char* kConfigFile = "VELT.CFG";
inline constexpr const char* kConfigSection = "Vars";

class ConfigScope {
  public:
    // An empty set of this operation's own.
    ConfigScope();
    ~ConfigScope();
    ConfigScope(const ConfigScope&) = delete;
    ConfigScope& operator=(const ConfigScope&) = delete;

    // Creates a setting of this set without a value (forgetting a value it had in this set).
    void declare(std::string_view name);

  private:
    struct LoadTag {};
    ConfigScope(LoadTag, const std::string& file);
    friend ConfigScope LoadConfig(const std::string& file);
};

// Loads the configuration for the calling operation: one setting per key of the section "Vars"
// of `file`, assigned from the file. The settings live until the returned scope ends. When the
// file lacks CFG_PREZZO, or holds no number under it, CFG_PREZZO is 0 (the value of a new file),
// because every user of it divides by it or compares with it. A failure while loading (an
// exception) leaves no set behind.
[[nodiscard]] ConfigScope LoadConfig(const std::string& file = kConfigFile);

// Creates VELT.CFG in the current folder, holding CFG_PREZZO = 0, when it does not exist.
void MKCFG();

// The setting visible to the caller (innermost set first); no value when none exists or it holds
// none. Names are compared without regard to case.
Value CFG(std::string_view name);
bool CFGEXISTS(std::string_view name);
// Assigns the visible setting; creates it in the innermost set when none exists.
void SETCFG(std::string_view name, const Value& value);

// Writes every visible setting whose name begins with the pattern's prefix (the pattern less its
// last character, the wildcard: "CFG_*") into the section "Vars" of `file`, one key at a time.
// Settings without a value, or of a kind the file cannot hold, are left as the file has them.
// Write failures are not reported; the file then keeps its former content.
void SAVEINI(const std::string& pattern, const std::string& file);

// Assigns, from the section "Vars" of `file`, every key for which a setting is visible.
void RESTOREINI(const std::string& file);

// The file form of a value (kind letter + text), or empty text for a kind the file cannot hold;
// and the value a file text reads back as (no value for an unknown kind letter).
std::string encodeSetting(const Value& value);
Value decodeSetting(std::string_view text);

}  // namespace velt
