// What the reference registers share: the register dialog (a table browse in control 101 over
// the register's table, "&Chiudi" 201, "&Aggiungi" 202, "&Modifica" 203, "&Elimina" 204 and any
// further buttons), the entry dialog with "&Conferma" 201 and "&Annulla" 202 closed through the
// form check, and the save of an entry under the locks.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "reference/register_table.h"
#include "ui/browse.h"
#include "ui/dialog.h"

namespace velt::reference {

struct RegisterColumn {
    std::string header;
    int width = 0;  // pixels
    bool right = false;
    std::function<std::string(engine::WorkArea&)> cell;
};

struct RegisterButton {
    int id = 0;
    std::function<void()> action;  // the list is refreshed afterwards
    bool needsRow = true;          // enabled only when the list has a current row
};

struct RegisterSpec {
    std::string templateName;
    std::vector<RegisterColumn> columns;
    // The entry dialog: true adds a row, false edits the current one.
    std::function<void(bool lNew)> entry;
    std::vector<RegisterButton> extraButtons;
};

// Shows the register modally over `table` and returns when it is closed.
void runRegister(RegisterTable& table, const RegisterSpec& spec);

// Shows an entry dialog from its template with the title "Aggiungi" or "Modifica"; `bind`
// binds its fields (their changes mark the form as modified through `markChanged`). Answers
// whether the form was confirmed.
bool runEntry(const std::string& templateName, bool lNew,
              const std::function<void(TDialog& dlg)>& bind);

// Marks the dialog modified on every change of the control.
void markChanged(TDialog& dlg, TControl& control);

enum class SaveResult { Saved, Refused };

// Saves a confirmed entry: disk check, whole-table lock, duplicate test of `keyField` (only when
// adding or when the name was changed, refusing with `duplicateText`), append or row lock and
// undelete, `write` of the fields, flush, re-read, unlock. Refused leaves the table unchanged.
SaveResult saveEntry(RegisterTable& table, bool lNew, const std::string& keyField,
                     const std::string& typedName, const std::string& storedName,
                     const std::string& duplicateText,
                     const std::function<void(engine::WorkArea&)>& write);

// Text of a stored field trimmed of trailing blanks; a number as plain digits.
std::string plainNumber(double value);

}  // namespace velt::reference
