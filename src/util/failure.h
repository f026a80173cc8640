// A run-time failure as the layer that fails describes it, and the one hook through which every
// layer hands it to the program's failure handler. The handler (installed at start-up) answers
// with a substitute or default value, or throws `Abandon` to unwind to the nearest recovery
// point, or ends the program. Without an installed handler a failure throws `FailureError`.
#pragma once

#include <exception>
#include <functional>
#include <optional>
#include <source_location>
#include <string>

#include "util/value.h"

namespace velt {

// General codes, common to every layer.
namespace gen {
constexpr int kArgument = 1;
constexpr int kBound = 2;
constexpr int kZeroDivision = 5;
constexpr int kCreate = 20;
constexpr int kOpen = 21;
constexpr int kClose = 22;
constexpr int kRead = 23;
constexpr int kWrite = 24;
constexpr int kPrint = 25;
constexpr int kUnsupported = 30;
constexpr int kLimit = 31;
constexpr int kCorruption = 32;
constexpr int kDataType = 33;
constexpr int kDataWidth = 34;
constexpr int kNoTable = 35;
constexpr int kNoOrder = 36;
constexpr int kShared = 37;
constexpr int kUnlocked = 38;
constexpr int kReadOnly = 39;
constexpr int kAppendLock = 40;
constexpr int kLock = 41;
constexpr int kMessage = 1001;  // a failure whose description is the whole message
}  // namespace gen

// Windows error codes the failure handler knows (mapped from errno in one place).
namespace oscode {
constexpr int kFileNotFound = 2;
constexpr int kPathNotFound = 3;
constexpr int kAccessDenied = 5;
constexpr int kWriteProtect = 19;
constexpr int kNotReady = 21;
constexpr int kSectorNotFound = 27;
constexpr int kGenFailure = 31;
constexpr int kSharingViolation = 32;
constexpr int kCannotMake = 82;
constexpr int kDiskFull = 112;
}  // namespace oscode

constexpr int kSubCodeDiskFull = 2016;
constexpr int kSubCodeCorrupt = 1012;

struct Failure {
    enum class Severity { Warning = 1, Error = 2 };
    Severity severity = Severity::Error;
    int genCode = 0;
    std::string subSystem;           // layer name, may be empty
    std::optional<int> subCode;      // the layer's own number
    int osCode = 0;                  // Windows error code, 0 when none
    std::string description;         // may be empty
    std::string fileName;            // may be empty
    std::string operation;           // may be empty
    bool canDefault = false;
    // Where the program's own code raised it (for the error text).
    std::string function;
    int line = 0;
};

// errno of a failed file operation to the Windows code above (0 when no mapping fits).
int osCodeFromErrno(int err);

// The failure as an exception: thrown when no handler is installed.
class FailureError : public std::exception {
public:
    explicit FailureError(Failure f);
    const Failure& failure() const { return failure_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    Failure failure_;
    std::string what_;
};

// Thrown by the handler for the "abandon" outcome: the nearest recovery point catches it.
struct Abandon : std::exception {
    const char* what() const noexcept override { return "operation abandoned"; }
};

using FailureHandler = std::function<Value(const Failure&)>;

// Installs the handler; returns the previous one. An empty handler restores the default.
FailureHandler setFailureHandler(FailureHandler handler);

// Hands a failure to the handler and returns its answer (substitute or default value).
// Records the caller's function and line when the failure carries none.
Value raiseFailure(Failure failure, std::source_location where = std::source_location::current());

}  // namespace velt
