// The engine's process-wide settings, made once by the process initialisation before any table
// is opened: deleted rows hidden, upper-case file names, the memo file extension, the date
// format and the epoch for two-digit years.
#pragma once

#include <string>

namespace velt::engine {

struct Settings {
    bool deletedHidden = true;   // navigation passes over rows marked deleted
    bool upperCaseNames = true;  // file names (not folders) upper-cased a-z on open/create
    std::string memoExtension = ".DBT";
    std::string dateFormat = "dd/mm/yyyy";
    int epoch = 1980;  // two-digit years read in epoch .. epoch + 99
    int lockScheme = 4;
};

// The one settings object of the process.
Settings& settings();

// The path with its file-name part (after the last '/') upper-cased a-z when the setting asks
// for it; folders are left as they are.
std::string applyNameCase(const std::string& path);

// Replaces the extension of the file-name part (or adds one when it has none).
std::string withExtension(const std::string& path, const std::string& extension);
// Adds `extension` when the file-name part has no '.'.
std::string withDefaultExtension(const std::string& path, const std::string& extension);
// The file-name part without folder and extension ("/data/PRESTAZI.DBF" -> "PRESTAZI").
std::string baseName(const std::string& path);

}  // namespace velt::engine
