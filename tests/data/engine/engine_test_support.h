// Shared helpers of the engine tests: a temporary folder, raw file access, failure capture and
// a forked child process that reports through its exit code.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>

#include "util/failure.h"

namespace velt::engine::testing {

class TempDir {
  public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velt-engine-XXXXXX").string();
        char* made = mkdtemp(pattern.data());
        if (!made) throw std::runtime_error("mkdtemp");
        path_ = made;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Runs `body` and returns the failure it raised (none when it returned normally).
inline std::optional<Failure> failureOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const FailureError& e) {
        return e.failure();
    }
    return std::nullopt;
}

// Runs `body` in a forked child; the child's exit code is body's result (0 = success).
// Exceptions in the child give 99.
inline pid_t startChild(const std::function<int()>& body) {
    pid_t pid = fork();
    if (pid == 0) {
        int code = 99;
        try {
            code = body();
        } catch (...) {
            code = 99;
        }
        _exit(code);
    }
    return pid;
}

inline int waitChild(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

inline int runChild(const std::function<int()>& body) {
    return waitChild(startChild(body));
}

// The interop fixtures, used where they are.
inline std::string fixture(const std::string& name) {
    const char* src = std::getenv("VELT_SOURCE_DIR");
    std::string base = src ? src : ".";
    // The shared folder sits beside the checkout; a worktree is one level deeper.
    for (const char* up : {"/../shared", "/../../shared"}) {
        std::string dir = base + up + "/fixtures/interop/";
        if (std::filesystem::exists(dir)) return dir + name;
    }
    return base + "/../shared/fixtures/interop/" + name;
}

}  // namespace velt::engine::testing
