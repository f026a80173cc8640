// The table layer's network-error flag: set by the failure handler when a shared open meets a
// sharing violation or an append lock fails and the failing operation may simply fail; the table
// layer reads it to decide whether to retry, and clears it before each attempt.
#pragma once

namespace velt {

inline bool& networkErrorFlag() {
    static bool flag = false;
    return flag;
}

// The flag as it stands.
inline bool NETERR() {
    return networkErrorFlag();
}
// Sets the flag; answers its former state.
inline bool NETERR(bool lNew) {
    bool old = networkErrorFlag();
    networkErrorFlag() = lNew;
    return old;
}

}  // namespace velt
