#include "services/own_table.h"

#include <algorithm>

#include "util/value.h"

namespace velt::services {

OwnTable::OwnTable(const std::string& table, const std::string& index)
    : table_(table, GETNEWALIAS()) {
    if (!index.empty()) ORDADD(index);
}

std::string upperKey(std::string_view text) {
    std::string key(text);
    for (char& c : key) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return key;
}

bool blankName(std::string_view name) {
    return std::all_of(name.begin(), name.end(), [](char c) { return c == ' '; });
}

std::uint32_t findByName(engine::WorkArea& area, std::string_view field, std::string_view name) {
    std::string wanted = upperKey(name);
    const auto width = static_cast<std::size_t>(area.field(area.fieldPos(field)).width);
    if (wanted.size() > width) wanted.resize(width);
    return area.seek(Value(wanted)) ? area.recno() : 0;
}

void lockAndReload(OwnTable& table, std::uint32_t recno) {
    table.select();
    table->goTo(recno);
    DBLOCK(true);
    table->goTo(recno);
}

}  // namespace velt::services
