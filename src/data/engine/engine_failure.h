// How the table engine reports a failure: it fills a velt::Failure (general code, the engine's
// own sub-code, the Windows system code, file, operation) and hands it to velt::raiseFailure.
// Failures that may default (a sharing violation on open, a failed append lock) return false to
// the caller when the handler answers with its default; every other failure never returns.
#pragma once

#include <string>

#include "util/failure.h"

namespace velt::engine {

// Layer name carried in every engine failure.
inline constexpr const char* kLayerName = "VELTDB";

// The engine's own sub-codes.
namespace sub {
constexpr int kOpen = 1001;
constexpr int kCreate = 1004;
constexpr int kRead = 1010;
constexpr int kWrite = 1011;
constexpr int kCorrupt = kSubCodeCorrupt;  // 1012
constexpr int kLock = 1013;
constexpr int kArgument = 1020;
constexpr int kDataType = 1021;
constexpr int kDataWidth = 1022;
constexpr int kUnlocked = 1023;
constexpr int kReadOnly = 1024;
constexpr int kExclusive = 1025;
constexpr int kIndexKey = 1026;
constexpr int kIndexExpression = 1027;
constexpr int kNoOrder = 1028;
constexpr int kAppendLock = 1029;
constexpr int kDiskFull = kSubCodeDiskFull;  // 2016
}  // namespace sub

// A failure with the engine's layer name filled in.
Failure engineFailure(int genCode, int subCode, std::string description, std::string fileName,
                      std::string operation = {});

// Raises `failure`; if the handler answers instead of abandoning, the failure is thrown as
// FailureError, because the operation cannot go on.
[[noreturn]] void raiseFatal(Failure failure);

// Raises `failure` marked as able to default; returns when the handler answers (the caller then
// reports failure to its own caller).
void raiseDefaultable(Failure failure);

// A file whose contents do not add up ("Il file NAME risulta corrotto.").
[[noreturn]] void raiseDamaged(const std::string& fileName, const std::string& detail);

// A failed system call on a file: errno is mapped to the Windows code; ENOSPC gets the disk-full
// sub-code so the handler shows the disk message.
[[noreturn]] void raiseSystem(int genCode, int subCode, int err, const std::string& fileName,
                              const std::string& operation);

}  // namespace velt::engine
