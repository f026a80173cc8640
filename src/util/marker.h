// The shared-installation marker: a file whose presence says that this station runs in a shared
// installation. Its path is one constant of the platform layer (tests point it elsewhere with
// setSharedMarkerPath). Four behaviours follow it, each asked through its own switch below.
#pragma once

#include <sys/stat.h>

#include <string>

namespace velt {

inline constexpr const char* kDefaultSharedMarkerPath = "/etc/zark/NET";

inline std::string& sharedMarkerPathSlot() {
    static std::string path = kDefaultSharedMarkerPath;
    return path;
}

// The marker's path, and the way to point it elsewhere (answers the former path).
inline const std::string& sharedMarkerPath() {
    return sharedMarkerPathSlot();
}
inline std::string setSharedMarkerPath(std::string path) {
    std::string old = sharedMarkerPathSlot();
    sharedMarkerPathSlot() = std::move(path);
    return old;
}

// Whether the marker file exists now.
inline bool sharedMarkerPresent() {
    struct stat st;
    return ::stat(sharedMarkerPath().c_str(), &st) == 0;
}

// Table conversion copies the converted files instead of renaming them.
inline bool conversionCopiesFiles() {
    return sharedMarkerPresent();
}
// The semaphore table is the marker file itself instead of NET in the data folder.
inline bool semaphoreIsMarker() {
    return sharedMarkerPresent();
}
// Edit fields and lists get a white background instead of the system window colour.
inline bool whiteFieldBackground() {
    return sharedMarkerPresent();
}
// Mail goes through the external mail program instead of the system mail interface.
inline bool externalMailProgram() {
    return sharedMarkerPresent();
}

}  // namespace velt
