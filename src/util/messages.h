// POPMSG, the one operation behind every message of the program, and the text of the single
// wait box (CURMSG). Drives the prompt seam; knows nothing of windows.
#pragma once

#include <optional>
#include <string>

#include "util/value.h"

namespace velt {

struct PopMsgOptions {
    std::string caption;          // default "Attenzione" (modal) or "Attendere" (wait box)
    bool lUpdate = false;         // replace the text of an open wait box
    std::optional<int> nLow;      // progress range of a new wait box
    std::optional<int> nHigh;
    std::optional<int> nPos;      // move the progress bar of an open wait box
    bool lPrint = false;          // open the wait box in its print form
    bool lNextPage = false;       // add one to the print form's page counter
};

// With a kind (1..6): closes any wait box, beeps for kinds above 1, shows the modal box and
// answers nil (kind 1), a logical (2, 4, 5, 6) or the button number (3). Without a kind: drives
// the wait box. No text and no print flags closes it.
Value POPMSG(const std::optional<std::string>& cText = std::nullopt,
             std::optional<int> nKind = std::nullopt, const PopMsgOptions& options = {});

// The text the wait box shows, or nothing when none is open.
std::optional<std::string> CURMSG();

// The message conventions: DOS accented letters to Windows-1252, ";" to a line break.
std::string messageText(const std::string& text);

}  // namespace velt
