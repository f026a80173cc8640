// The waits of the table layer: an attempt (a lock, an append) repeated without pause for 3
// seconds, then under the wait box "Il sistema \xE8 momentaneamente occupato..." until it
// succeeds, with the wait text that was showing before brought back. Window events keep being
// processed through the prompt seam. The waits never give up.
#pragma once

#include <chrono>
#include <functional>

namespace velt {

// Runs `attempt` until it answers true.
void waitWhileBusy(const std::function<bool()>& attempt);

// How long the first phase of a wait tries without showing anything.
inline constexpr std::chrono::milliseconds kQuietWait{3000};

// The short rest between two tries once a wait box shows, so a waiting station leaves the
// processor to the others.
void pauseBetweenTries();

}  // namespace velt
