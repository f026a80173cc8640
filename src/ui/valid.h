// The closing check of every dialog (__VALID), and the dialog helpers around controls.
#pragma once

#include <optional>
#include <string>

#include "ui/dialog.h"

namespace velt {

// Answers whether the dialog may close. Cargo 1 (confirmed): clears Cargo, lets the focused
// control finish its editing, then checks the controls in definition order (static texts and
// controls whose when condition answers no passed over; drop-down lists first take the text they
// show): an impossible date fails with "Data non valida.", a number beyond its mask with
// "Numero troppo grande.", a validation rule that answers no with "Campo non valido."; the
// failing control is marked with a red line under it while the message shows, then gets the
// focus. Not confirmed: with lAskIfChanged and a changed form, asks "Annullo le modifiche?"
// (No preselected); No gives the focus back and answers false.
bool __VALID(TDialog& oDlg, bool lAskIfChanged);

// The control whose widget has the keyboard focus, or nullptr.
TControl* focusedControl(TWindow& window);

// Disables a control; a combo box is first emptied (text and value).
void CTLDISABLE(TControl& control);

// The open-file (or with lSave the save-file) dialog through the prompt seam: the filter is
// pairs of description and pattern separated by "|"; answers the chosen path (at most 512
// characters) or empty text when cancelled. nChosenFilter, when given, receives the number of
// the filter in use.
std::string CGETFILE(const std::string& cFilter, const std::string& cTitle, int nFilter = 1,
                     const std::string& cFolder = "", bool lSave = false,
                     const std::string& cProposed = "", int* nChosenFilter = nullptr);

}  // namespace velt
