#include "reference/area_source.h"

#include <algorithm>

namespace velt::reference {

long AreaSource::logicLen() {
    return static_cast<long>(area_.keyCount());
}

void AreaSource::goTop() {
    area_.goTop();
}

void AreaSource::goBottom() {
    area_.goBottom();
}

long AreaSource::skip(long n) {
    if (area_.eof()) area_.goBottom();
    if (area_.eof()) return 0;
    long moved = 0;
    const long step = n < 0 ? -1 : 1;
    while (moved != n) {
        const std::uint32_t before = area_.recno();
        area_.skip(step);
        if (area_.eof()) {
            area_.goTo(before);
            break;
        }
        if (area_.bof()) break;
        moved += step;
    }
    return moved;
}

long AreaSource::keyNo() {
    if (area_.eof()) return 0;
    if (area_.order() != 0) return static_cast<long>(area_.keyPosition());
    // Record order: count the visible rows up to the current one.
    const std::uint32_t current = area_.recno();
    long position = 0;
    for (area_.goTop(); !area_.eof(); area_.skip(1)) {
        ++position;
        if (area_.recno() == current) break;
    }
    area_.goTo(current);
    return position;
}

void AreaSource::keyGoto(long n) {
    const long len = logicLen();
    if (len == 0) return;
    n = std::clamp(n, 1L, len);
    if (area_.order() != 0) {
        area_.goToKeyPosition(static_cast<std::uint64_t>(n));
        return;
    }
    area_.goTop();
    area_.skip(n - 1);
}

void AreaSource::resync() {
    // Read the row again: another station may have deleted it.
    if (!area_.eof()) area_.goTo(area_.recno());
    if (!area_.eof() && area_.deleted()) area_.skip(1);
    if (area_.eof()) area_.goBottom();
}

}  // namespace velt::reference
