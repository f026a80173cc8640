// The keyboard's Num Lock and Caps Lock states as the X server knows them.
#pragma once

namespace velt {

// Answers false when there is no X display to ask (the program then shows both locks off).
bool readX11KeyLocks(bool& numLock, bool& capsLock);

}  // namespace velt
