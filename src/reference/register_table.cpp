#include "reference/register_table.h"

#include "data/access.h"
#include "data/disk.h"

namespace velt::reference {

RegisterTable::RegisterTable(const std::string& table, const std::string& index)
    : table_(table, index) {}

bool RegisterTable::diskFull() {
    return ISFULL(currentFolder());
}

void RegisterTable::lockTable() {
    table_.select();
    DBLOCK(false);
}

bool RegisterTable::isDuplicate(const std::string& field, const std::string& name) {
    // The name at its full width, so that only that very name is found, not longer ones.
    std::string key = name;
    key.resize(static_cast<std::size_t>(table_->field(table_->fieldPos(field)).width), ' ');
    table_.select();
    return ISDUP(key);
}

void RegisterTable::appendRow() {
    table_.select();
    DBAPP();
}

void RegisterTable::lockCurrentForEdit() {
    services::lockAndReload(table_, table_->recno());
    table_->recall();
}

void RegisterTable::commitAndUnlock() {
    table_->flush();
    table_->goTo(table_->recno());
    table_->unlockAll();
}

bool RegisterTable::deleteCurrent() {
    table_.select();
    return DELREC();
}

}  // namespace velt::reference
