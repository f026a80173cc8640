// A table opened for one short operation: in a work area of its own, shared, under an alias
// nobody else uses, closed again on every way out (an abandon included) with the caller's work
// area made current again, its record pointer untouched. Also the two steps every accounting
// rule shares: finding a row by name and writing a row under its waiting row lock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/engine/work_area.h"

namespace velt::services {

class OwnTable {
  public:
    // Opens `table` (a bare name of the data folder) shared, waiting out a station that holds
    // it exclusively.
    explicit OwnTable(const std::string& table);
    ~OwnTable();
    OwnTable(const OwnTable&) = delete;
    OwnTable& operator=(const OwnTable&) = delete;

    engine::WorkArea& area() { return *area_; }
    engine::WorkArea* operator->() { return area_; }

  private:
    int callerArea_;
    engine::WorkArea* area_;
};

// Upper-cases the letters a to z only, as the name indexes do.
std::string upperKey(std::string_view text);

// True when the name is empty or only blanks.
bool blankName(std::string_view name);

// The match of a given name in a name-ordered table: the first live row, in the order of the
// upper-cased `field` (ties in record order), whose key begins with the upper-cased name,
// trailing blanks included. A name longer than the field is cut to the field's width, as a seek
// on the index is. Leaves the work area on the match; answers its record number or 0.
std::uint32_t findByName(engine::WorkArea& area, std::string_view field, std::string_view name);

// Takes the row lock of `recno` (releasing the row locked before), waiting as the table layer
// does: 3 seconds of tries without pause, then "Il sistema è momentaneamente occupato..." until
// the lock is had; then reads the row afresh, so that a change is made on what is on disk.
void lockAndReload(engine::WorkArea& area, std::uint32_t recno);

// The whole-table lock, waited for in the same way.
void lockTableWaiting(engine::WorkArea& area);

}  // namespace velt::services
