#include "data/semaphore.h"

#include <unistd.h>

#include <memory>

#include "data/engine/dbf_file.h"
#include "data/engine/lock_scheme.h"
#include "data/engine/work_areas.h"
#include "data/files.h"
#include "data/wait.h"
#include "util/failure.h"
#include "util/marker.h"
#include "util/prompt.h"

namespace velt {
namespace {

constexpr const char* kNetFile = "NET";

struct SemaphoreState {
    std::string user;
    // The semaphore table's file has no extension, so it is held as a data file of its own
    // rather than through a work area; the locks are the same.
    std::unique_ptr<engine::DbfFile> table;
};

SemaphoreState& semaphore() {
    static SemaphoreState s;
    return s;
}

}  // namespace

void setSemaphoreUser(const std::string& user) {
    semaphore().user = user;
}
const std::string& semaphoreUser() {
    return semaphore().user;
}

std::string semaphoreFile() {
    return sharedMarkerPresent() ? sharedMarkerPath() : kNetFile;
}

bool SCREATE() {
    if (fileExists(kNetFile) || sharedMarkerPresent()) return true;
    const std::string temp = std::string("\x7F") + kNetFile + std::to_string(::getpid()) + ".DBF";
    try {
        engine::createTable(temp, {{"LOCK", 'C', 1, 0}});
        engine::DbfFile table;
        table.open(temp, false, false);
        table.appendRow(table.blankRow());
        table.close();
    } catch (...) {
        ::unlink(temp.c_str());
        return false;
    }
    if (MOVEFILE(temp, kNetFile)) return true;
    ::unlink(temp.c_str());
    // Another station may have created it meanwhile.
    return fileExists(kNetFile);
}

void SLOCK() {
    SemaphoreState& s = semaphore();
    if (s.user.empty() || s.table) return;
    auto table = std::make_unique<engine::DbfFile>();
    const std::string file = semaphoreFile();
    while (table->open(file, true, false) != engine::DbfFile::OpenResult::Ok) {
        prompt().processEvents();
        pauseBetweenTries();
    }
    waitWhileBusy([&] {
        return table->file().lock(engine::lockscheme::rowOffset(1), engine::lockscheme::kRowLength,
                                  true);
    });
    s.table = std::move(table);
}

void SUNLOCK() {
    SemaphoreState& s = semaphore();
    if (s.user.empty()) return;
    s.table.reset();
}

}  // namespace velt
