// Kept apart from the Qt code: the X11 headers define macros (None, Bool, Status) that clash
// with Qt's names. libX11 is loaded when first needed, so the program runs without it too.
#include "ui/msgbar_keys.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>
#include <dlfcn.h>

namespace velt {
namespace {
struct X11Keyboard {
    using OpenDisplay = Display* (*)(const char*);
    using GetState = Status (*)(Display*, unsigned int, XkbStatePtr);
    using KeysymToModifiers = unsigned int (*)(Display*, KeySym);

    Display* display = nullptr;
    GetState getState = nullptr;
    unsigned int numMask = Mod2Mask;

    X11Keyboard() {
        void* lib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
        if (!lib) return;
        auto open = reinterpret_cast<OpenDisplay>(dlsym(lib, "XOpenDisplay"));
        getState = reinterpret_cast<GetState>(dlsym(lib, "XkbGetState"));
        auto toMods = reinterpret_cast<KeysymToModifiers>(dlsym(lib, "XkbKeysymToModifiers"));
        if (!open || !getState) return;
        display = open(nullptr);
        if (display && toMods) {
            unsigned int mask = toMods(display, XK_Num_Lock);
            if (mask) numMask = mask;
        }
    }
};
}  // namespace

bool readX11KeyLocks(bool& numLock, bool& capsLock) {
    static X11Keyboard keyboard;
    numLock = capsLock = false;
    if (!keyboard.display) return false;
    XkbStateRec state{};
    if (keyboard.getState(keyboard.display, XkbUseCoreKbd, &state) != Success) return false;
    numLock = (state.locked_mods & keyboard.numMask) != 0;
    capsLock = (state.locked_mods & LockMask) != 0;
    return true;
}

}  // namespace velt
