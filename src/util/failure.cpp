#include "util/failure.h"

#include <cerrno>
#include <utility>

namespace velt {
namespace {
FailureHandler& handlerSlot() {
    static FailureHandler handler;
    return handler;
}
}  // namespace

int osCodeFromErrno(int err) {
    switch (err) {
        case ENOENT: return oscode::kFileNotFound;
        case ENOTDIR: return oscode::kPathNotFound;
        case EACCES:
        case EPERM: return oscode::kAccessDenied;
        case EROFS: return oscode::kWriteProtect;
        case ENODEV:
        case ENXIO: return oscode::kNotReady;
        case EIO: return oscode::kGenFailure;
        case EAGAIN:
        case EBUSY: return oscode::kSharingViolation;
        case ENOSPC: return oscode::kDiskFull;
        default: return 0;
    }
}

FailureError::FailureError(Failure f) : failure_(std::move(f)) {
    what_ = failure_.subSystem + "/" +
            (failure_.subCode ? std::to_string(*failure_.subCode) : std::string("???"));
    if (!failure_.description.empty()) what_ += "  " + failure_.description;
    if (!failure_.fileName.empty()) what_ += ": " + failure_.fileName;
}

FailureHandler setFailureHandler(FailureHandler handler) {
    FailureHandler previous = std::move(handlerSlot());
    handlerSlot() = std::move(handler);
    return previous;
}

Value raiseFailure(Failure failure, std::source_location where) {
    if (failure.function.empty()) {
        failure.function = where.function_name();
        failure.line = static_cast<int>(where.line());
    }
    if (!handlerSlot()) throw FailureError(std::move(failure));
    return handlerSlot()(failure);
}

}  // namespace velt
