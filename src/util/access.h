// The current-user state: who is signed in and at which access level. Process-wide, set once by
// the process initialisation ("USER", no password, level 1, no work folder); a sign-in changes
// it. Level 1 is the administrator: menu items, bar buttons and register buttons test it.
#pragma once

#include <string>

namespace velt {

struct AccessState {
    std::string ACS_USER = "USER";
    std::string ACS_PASSWD;
    int ACS_LEVEL = 1;
    std::string ACS_TEMP;  // the user's work folder, empty when none
};

inline AccessState& access() {
    static AccessState state;
    return state;
}

// Puts the state back to its initial values (the process initialisation, and tests).
inline void resetAccess() {
    access() = AccessState{};
}

// True while the current user is the administrator.
inline bool isAdministrator() {
    return access().ACS_LEVEL == 1;
}

}  // namespace velt
