#include "data/disk.h"

#include <unistd.h>

#include "data/engine/settings.h"
#include "data/engine/work_areas.h"
#include "data/files.h"
#include "data/semaphore.h"
#include "util/messages.h"

namespace velt {

std::string currentFolder() {
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string(".");
}

bool ISREADY(const std::string& cDrive, bool lMessage) {
    if (cDrive.empty()) return true;
    std::uint32_t bits = GETFILEATTRIBUTES(cDrive);
    if (bits != attr::kInvalid && (bits & attr::kDirectory)) return true;
    SUNLOCK();
    if (lMessage) POPMSG(std::string("Disco non pronto."), 1);
    return false;
}

bool ISFULL(const std::string& cDrive, double nBytes) {
    if (cDrive.empty()) return false;
    if (!ISREADY(cDrive)) return true;
    if (DISKFREESPACE(cDrive) >= nBytes) return false;
    SUNLOCK();
    POPMSG(std::string("Spazio sul disco insufficiente."), 1);
    return true;
}

bool NETUSED(const std::string& cFile) {
    std::string path = nativePath(cFile);
    if (CFILEEXT(namePart(path)).empty()) path += ".DBF";
    return fileHeldOpen(path);
}

bool fileHeldOpen(const std::string& path) {
    return engine::isFileInUse(engine::applyNameCase(path));
}

}  // namespace velt
