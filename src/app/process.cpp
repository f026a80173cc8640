#include "app/process.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <vector>

#include "app/deferror.h"
#include "data/access.h"
#include "data/engine/settings.h"
#include "data/semaphore.h"
#include "util/access.h"
#include "util/date.h"

namespace velt {
namespace fs = std::filesystem;

namespace {
constexpr char kTempMark = '\x7F';

bool isLeftoverName(const fs::path& p) {
    std::string name = p.filename().string();
    return !name.empty() && name[0] == kTempMark;
}

// The entries of a folder in name order (listing order is not defined), nothing on failure.
std::vector<fs::directory_entry> entriesOf(const fs::path& folder) {
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(*it);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path() < b.path(); });
    return entries;
}

bool& exitDone() {
    static bool done = false;
    return done;
}
}  // namespace

fs::path tempFolder() {
    for (const char* name : {"TEMP", "TMPDIR"}) {
        const char* value = std::getenv(name);
        if (value && *value) return fs::path(value);
    }
    return fs::path("/tmp");
}

void removeLeftoverFiles(const fs::path& folder) {
    for (const auto& entry : entriesOf(folder)) {
        std::error_code ec;
        if (isLeftoverName(entry.path()) && !entry.is_directory(ec)) fs::remove(entry.path(), ec);
    }
}

void removeLeftoverFolders(const fs::path& folder) {
    for (const auto& entry : entriesOf(folder)) {
        std::error_code ec;
        if (!isLeftoverName(entry.path()) || !entry.is_directory(ec) || entry.is_symlink(ec))
            continue;
        // Every entry is tried as a file: a subfolder cannot be deleted that way and stops the
        // clean-up like any other file that cannot be deleted.
        for (const auto& inner : entriesOf(entry.path())) {
            std::error_code removeError;
            bool gone = inner.is_directory(removeError) && !inner.is_symlink(removeError)
                            ? false
                            : fs::remove(inner.path(), removeError);
            if (!gone) break;
        }
        fs::remove(entry.path(), ec);
    }
}

void initProcess() {
    // 1. Every failure not handled where it happens goes to the failure handler, which first
    // lets go of the station semaphore so no other station waits while its message is read.
    installFailureHandler();
    setNetworkLockRelease(SUNLOCK);
    // 2-3. The table engine: lock scheme 4, memo files ".DBT", deleted rows hidden, upper-case
    // file names, dates "dd/mm/yyyy" with four-digit years and two-digit years from 1980 (the
    // one date form Date itself knows).
    engine::Settings& tables = engine::settings();
    tables.lockScheme = 4;
    tables.memoExtension = ".DBT";
    tables.deletedHidden = true;
    tables.upperCaseNames = true;
    tables.dateFormat = "dd/mm/yyyy";
    tables.epoch = Date::kEpoch;
    // 4. Nobody has signed in: "USER" at the administrator level.
    resetAccess();
    // 5-6. Temporary files and user work folders left by earlier runs.
    std::error_code ec;
    fs::path here = fs::current_path(ec);
    if (!ec) removeLeftoverFiles(here);
    removeLeftoverFolders(tempFolder());
    exitDone() = false;
}

void exitProcedure() {
    if (exitDone()) return;
    exitDone() = true;
    // 1. Every open table is closed and the temporary view index files are deleted.
    CLOSEALL();
    // 2. Without a sign-in (this program never calls it) there is no user session to end.
}

void quitProcess(int code) {
    exitProcedure();
    std::fflush(nullptr);
    std::_Exit(code);
}

}  // namespace velt
