#include "data/wait.h"

#include <optional>
#include <string>
#include <thread>

#include "util/messages.h"
#include "util/prompt.h"

namespace velt {
void pauseBetweenTries() {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void waitWhileBusy(const std::function<bool()>& attempt) {
    std::optional<std::string> noted = CURMSG();
    const auto until = std::chrono::steady_clock::now() + kQuietWait;
    do {
        if (attempt()) return;
        prompt().processEvents();
    } while (std::chrono::steady_clock::now() < until);

    POPMSG();
    POPMSG(std::string("Il sistema \xE8 momentaneamente occupato..."));
    while (!attempt()) {
        prompt().processEvents();
        pauseBetweenTries();
    }
    POPMSG();
    if (noted) POPMSG(*noted);
}

}  // namespace velt
