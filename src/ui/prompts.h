// The small dialogs of the messages: the one-line input box (MSGGET), the short event wait
// (SYSWAIT) and the about box (INFOS).
#pragma once

#include <optional>
#include <string>

namespace velt {

// One-line input box through the prompt seam: answers true when confirmed and then stores the
// edited text into cValue; otherwise cValue is unchanged.
bool MSGGET(const std::string& cCaption, const std::string& cPrompt, std::string& cValue,
            const std::string& cMask = "");
// The dialog behind it (template MSGGET): the edited text, or nothing when cancelled.
std::optional<std::string> runMsgGet(const std::string& cCaption, const std::string& cPrompt,
                                     const std::string& cValue, const std::string& cMask);

// Keeps processing window events for the given time, then answers true.
bool SYSWAIT(double nSeconds = 0.1);

// The about box (template INFOS): logo, title, "Versione: " + version; "&Chiudi" or Escape
// close it.
void INFOS(const std::string& cTitle, const std::string& cVersion, const std::string& cYear = "");

}  // namespace velt
