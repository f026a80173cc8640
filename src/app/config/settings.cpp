#include "app/config/settings.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

#include "app/config/ini.h"
#include "util/format.h"

namespace velt {
namespace {

struct Setting {
    std::string name;  // upper case
    std::optional<Value> value;
};

struct SettingsSet {
    const ConfigScope* owner = nullptr;  // nullptr: the process's own set, below every scope
    std::vector<Setting> settings;

    Setting* find(std::string_view upperName) {
        for (auto& s : settings)
            if (s.name == upperName) return &s;
        return nullptr;
    }
};

// The sets from the outermost (the process's) to the innermost. The program has one thread of
// operations, the user-interface thread.
std::vector<SettingsSet>& sets() {
    static std::vector<SettingsSet> stack(1);
    return stack;
}

std::string upperName(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

Setting* visible(std::string_view name) {
    std::string upper = upperName(name);
    auto& stack = sets();
    for (auto it = stack.rbegin(); it != stack.rend(); ++it)
        if (Setting* s = it->find(upper)) return s;
    return nullptr;
}

SettingsSet* setOf(const ConfigScope* owner) {
    for (auto& set : sets())
        if (set.owner == owner) return &set;
    return nullptr;
}

std::string trimRight(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// The number the leading numeric part of the text spells (blanks, sign, digits, point, digits),
// 0 when there is none; it carries as many decimals as the text shows.
Number leadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    size_t start = i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    size_t digits = 0, decimals = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    bool point = i < text.size() && text[i] == '.';
    if (point) {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++decimals;
    }
    if (digits + decimals == 0) return Number{0};
    std::string spelled(text.substr(start, i - start));
    return Number{std::strtod(spelled.c_str(), nullptr), Number::kDefaultWidth,
                  point ? static_cast<int>(decimals) : Number::kAnyDecimals};
}

bool fileExists(const char* path) {
    struct stat st {};
    return ::stat(path, &st) == 0;
}

}  // namespace

std::string encodeSetting(const Value& value) {
    if (value.isText()) return "C" + trimRight(value.text());
    if (value.isNumber()) return "N" + numberText(value.number());
    if (value.isDate()) return "D" + trimRight(value.date().toString());
    if (value.isLogical()) return value.logical() ? "L.T." : "L.F.";
    return {};
}

Value decodeSetting(std::string_view text) {
    if (text.empty()) return Value();
    std::string_view rest = text.substr(1);
    switch (text.front()) {
        case 'C':
            return Value(std::string(rest));
        case 'N':
            return Value(leadingNumber(rest));
        case 'D':
            return Value(Date::parse(rest));
        case 'L':
            return Value(rest.substr(0, 3) == ".T.");
        default:
            return Value();
    }
}

ConfigScope::ConfigScope() {
    sets().push_back(SettingsSet{this, {}});
}

// Delegating to the plain constructor makes the object complete before loading starts, so an
// exception out of the loading runs the destructor and takes the set away.
ConfigScope::ConfigScope(LoadTag, const std::string& file) : ConfigScope() {
    for (const auto& key : GETPVPROFSECTION(kConfigSection, FULLNAME(file))) declare(key);
    RESTOREINI(file);
    // A file edited by hand may lack the voucher value; the operation then works with 0.
    SettingsSet* own = setOf(this);
    Setting* prezzo = own->find("CFG_PREZZO");
    if (!prezzo)
        own->settings.push_back(Setting{"CFG_PREZZO", Value(0)});
    else if (!prezzo->value || !prezzo->value->isNumber())
        prezzo->value = Value(0);
}

ConfigScope::~ConfigScope() {
    auto& stack = sets();
    stack.erase(std::remove_if(stack.begin(), stack.end(),
                               [this](const SettingsSet& s) { return s.owner == this; }),
                stack.end());
}

void ConfigScope::declare(std::string_view name) {
    SettingsSet* own = setOf(this);
    std::string upper = upperName(name);
    if (Setting* s = own->find(upper))
        s->value.reset();
    else
        own->settings.push_back(Setting{upper, std::nullopt});
}

ConfigScope LoadConfig(const std::string& file) {
    return ConfigScope(ConfigScope::LoadTag{}, file);
}

void MKCFG() {
    if (fileExists(kConfigFile)) return;
    ConfigScope scope;
    scope.declare("CFG_PREZZO");
    SETCFG("CFG_PREZZO", 0);
    SAVEINI("CFG_*", kConfigFile);
}

Value CFG(std::string_view name) {
    Setting* s = visible(name);
    return s && s->value ? *s->value : Value();
}

bool CFGEXISTS(std::string_view name) {
    return visible(name) != nullptr;
}

void SETCFG(std::string_view name, const Value& value) {
    if (Setting* s = visible(name)) {
        s->value = value;
        return;
    }
    sets().back().settings.push_back(Setting{upperName(name), value});
}

void SAVEINI(const std::string& pattern, const std::string& file) {
    std::string prefix =
        upperName(pattern.empty() ? pattern : pattern.substr(0, pattern.size() - 1));
    // Every visible name once, in the order the sets and their settings were made.
    std::vector<std::string> names;
    for (const auto& set : sets())
        for (const auto& s : set.settings)
            if (s.name.compare(0, prefix.size(), prefix) == 0 &&
                std::find(names.begin(), names.end(), s.name) == names.end())
                names.push_back(s.name);
    std::string full = FULLNAME(file);
    for (const auto& name : names) {
        Setting* s = visible(name);
        if (!s->value) continue;
        std::string text = encodeSetting(*s->value);
        if (!text.empty()) WRITEPPROSTRING(kConfigSection, name, text, full);
    }
}

void RESTOREINI(const std::string& file) {
    std::string full = FULLNAME(file);
    for (const auto& key : GETPVPROFSECTION(kConfigSection, full)) {
        Setting* s = visible(key);
        if (!s) continue;
        Value value = decodeSetting(GETPVPROFSTRING(kConfigSection, key, "", full));
        if (!value.isNil()) s->value = value;
    }
}

}  // namespace velt
