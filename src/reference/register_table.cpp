#include "reference/register_table.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <filesystem>

#include "util/messages.h"
#include "util/prompt.h"

namespace velt::reference {

namespace {
constexpr unsigned long long kMinFreeBytes = 8192;
}

RegisterTable::RegisterTable(const std::string& table, const std::string& index) : table_(table) {
    // A missing index file is rebuilt by the structure check at start-up; until then the
    // register lists the rows in record order rather than failing.
    if (std::filesystem::exists(index + ".NTX")) table_->addIndex(index + ".NTX");
}

bool RegisterTable::diskFull() {
    struct statvfs fs {};
    if (::statvfs(".", &fs) != 0) {
        POPMSG(std::string("Disco non pronto."), 1);
        return true;
    }
    const unsigned long long freeBytes =
        static_cast<unsigned long long>(fs.f_bavail) * static_cast<unsigned long long>(fs.f_frsize);
    if (freeBytes < kMinFreeBytes) {
        POPMSG(std::string("Spazio sul disco insufficiente."), 1);
        return true;
    }
    return false;
}

void RegisterTable::lockTable() {
    services::lockTableWaiting(table_.area());
}

bool RegisterTable::isDuplicate(const std::string& field, const std::string& name) {
    engine::WorkArea& a = table_.area();
    const int pos = a.fieldPos(field);
    std::string key = services::upperKey(name);
    key.resize(static_cast<std::size_t>(a.field(pos).width), ' ');
    const std::uint32_t keep = a.recno();
    const bool keptEof = a.eof();
    bool found = false;
    for (a.goTop(); !a.eof() && !found; a.skip(1)) {
        found = services::upperKey(a.get(pos).text()) == key;
    }
    if (keptEof) {
        a.goBottom();
        a.skip(1);
    } else {
        a.goTo(keep);
    }
    return found;
}

void RegisterTable::appendRow() {
    services::lockTableWaiting(table_.area());
    table_->append();
}

void RegisterTable::lockCurrentForEdit() {
    services::lockAndReload(table_.area(), table_->recno());
    table_->recall();
}

void RegisterTable::commitAndUnlock() {
    table_->flush();
    table_->goTo(table_->recno());
    table_->unlockAll();
}

bool RegisterTable::deleteCurrent() {
    if (table_->eof()) {
        prompt().beep(440, 55);
        return false;
    }
    if (!POPMSG(std::string("Confermi la cancellazione?"), 2).logical()) return false;
    engine::WorkArea& a = table_.area();
    services::lockTableWaiting(a);
    const std::uint32_t current = a.recno();
    a.skip(1);
    const bool atEnd = a.eof();
    const std::uint32_t next = a.recno();
    a.goTo(current);
    a.markDeleted();
    a.flush();
    a.goTo(current);
    if (atEnd) {
        a.goBottom();
        a.skip(1);
    } else {
        a.goTo(next);
    }
    a.unlockAll();
    return true;
}

}  // namespace velt::reference
