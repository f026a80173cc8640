// Process start and end: the initialisation that runs before anything else, the removal of
// temporary leftovers of earlier runs, and the exit procedure that runs on every way out.
#pragma once

#include <filesystem>
#include <string>

namespace velt {

// Installs the failure handler, makes the process-wide settings, creates the current-user state
// and removes the leftovers of earlier runs (current folder and TEMP folder).
void initProcess();

// Deletes every file in `folder` whose name begins with the byte 0x7F. Silent.
void removeLeftoverFiles(const std::filesystem::path& folder);
// For every entry of `folder` that is a folder whose name begins with 0x7F: deletes its files
// (no recursion), stopping at the first that cannot be deleted, then tries to remove it. Plain
// files are left alone. Silent.
void removeLeftoverFolders(const std::filesystem::path& folder);

// The TEMP folder: TEMP, else TMPDIR, else /tmp.
std::filesystem::path tempFolder();

// The process exit procedure: closes every table with its temporary view files and ends a
// sign-in. Runs once; later calls do nothing.
void exitProcedure();
// Ends the program at once: the exit procedure, then the end of the process with `code`.
[[noreturn]] void quitProcess(int code);

// Runs the exit procedure when the scope ends: main's guard for every way out.
class ExitGuard {
  public:
    ExitGuard() = default;
    ~ExitGuard() { exitProcedure(); }
    ExitGuard(const ExitGuard&) = delete;
    ExitGuard& operator=(const ExitGuard&) = delete;
};

}  // namespace velt
