#include "data/engine/engine_failure.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace velt::engine {

Failure engineFailure(int genCode, int subCode, std::string description, std::string fileName,
                      std::string operation) {
    Failure f;
    f.severity = Failure::Severity::Error;
    f.genCode = genCode;
    f.subSystem = kLayerName;
    f.subCode = subCode;
    f.description = std::move(description);
    f.fileName = std::move(fileName);
    f.operation = std::move(operation);
    return f;
}

void raiseFatal(Failure failure) {
    failure.canDefault = false;
    Failure copy = failure;
    raiseFailure(std::move(failure));
    throw FailureError(std::move(copy));
}

void raiseDefaultable(Failure failure) {
    failure.canDefault = true;
    raiseFailure(std::move(failure));
}

void raiseDamaged(const std::string& fileName, const std::string& detail) {
    raiseFatal(engineFailure(gen::kCorruption, sub::kCorrupt, "file danneggiato: " + detail,
                             fileName, "lettura"));
}

void raiseSystem(int genCode, int subCode, int err, const std::string& fileName,
                 const std::string& operation) {
    Failure f = engineFailure(genCode, err == ENOSPC ? sub::kDiskFull : subCode, std::strerror(err),
                              fileName, operation);
    f.osCode = osCodeFromErrno(err);
    raiseFatal(std::move(f));
}

}  // namespace velt::engine
