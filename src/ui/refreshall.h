// Bringing a dialog's controls up to date with their values after the code changed them
// (REFRESHALL), and waiting for a condition while the window messages keep flowing (STOPUNTIL).
#pragma once

#include <functional>

namespace velt {

class TWindow;

// Redraws every control of the dialog whose shown text no longer matches its value: edit
// fields, memo fields and combo boxes (not the one with the focus) only when the texts differ,
// trailing blanks ignored; other controls with a value always. Controls without a value are
// left alone. A call made while another one runs (from inside a redraw) returns at once.
void REFRESHALL(TWindow& oDialog);

// Processes window messages, waiting for each, until bDone answers true.
void STOPUNTIL(const std::function<bool()>& bDone);

}  // namespace velt
