// The table side of a reference register: its table opened shared in a work area of its own with
// its name index, and the steps of a save and a delete in the order every register follows
// (disk check, whole-table lock, duplicate test, append or row lock and undelete, write, flush,
// re-read, unlock). The register dialogs never touch the engine themselves.
#pragma once

#include <cstdint>
#include <string>

#include "data/engine/work_area.h"
#include "services/own_table.h"

namespace velt::reference {

class RegisterTable {
  public:
    // Opens `table` shared with its index `index` (the active order).
    RegisterTable(const std::string& table, const std::string& index);

    engine::WorkArea& area() { return table_.area(); }
    engine::WorkArea* operator->() { return &table_.area(); }

    // The list has a current row.
    bool hasRow() { return !table_->eof(); }

    // True when the current folder's disk is missing or has less than 8192 bytes free; the
    // operator has been told which ("Disco non pronto." / "Spazio sul disco insufficiente.").
    bool diskFull();
    // The whole-table lock, waited for as long as needed.
    void lockTable();
    // True when the upper-cased `name`, at the full width of `field`, is a key of the name
    // index; the current row is left as it was.
    bool isDuplicate(const std::string& field, const std::string& name);
    // A new blank row, current and locked (the whole-table lock stays held).
    void appendRow();
    // The current row locked and its deleted mark cleared, so that a row another station
    // deleted meanwhile comes back with the new values.
    void lockCurrentForEdit();
    // Writes the row to disk, re-reads it and releases every lock of the table.
    void commitAndUnlock();
    // "Confermi la cancellazione?"; on OK marks the current row deleted under the table lock and
    // moves to the row that followed it. A beep and false when there is no current row.
    bool deleteCurrent();

  private:
    services::OwnTable table_;
};

}  // namespace velt::reference
