// A table opened for one short operation: in a work area of its own, shared, under an alias
// nobody else uses, with its name index as the active order; closed again on every way out (an
// abandon included) with the caller's work area made current again, its record pointer
// untouched. Also the two steps every accounting rule shares: finding a row by name and taking
// a row's lock before changing it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/access.h"
#include "data/engine/work_area.h"

namespace velt::services {

class OwnTable {
  public:
    // Opens `table` (a bare name of the data folder) shared and, when given, adds `index`.
    explicit OwnTable(const std::string& table, const std::string& index = {});

    engine::WorkArea& area() { return table_.table(); }
    engine::WorkArea* operator->() { return &table_.table(); }
    // Makes this table's work area current (the access layer's locks work on the current one).
    void select() { table_.select(); }

  private:
    ScopedTable table_;
};

// Upper-cases the letters a to z only, as the name indexes do.
std::string upperKey(std::string_view text);

// True when the name is empty or only blanks.
bool blankName(std::string_view name);

// The match of a given name in a table whose active order is its name index on `field`: the
// first row in that order whose key begins with the upper-cased name, trailing blanks included.
// A name longer than the field is cut to the field's width. Leaves the work area on the match;
// answers its record number, or 0 when nothing matches.
std::uint32_t findByName(engine::WorkArea& area, std::string_view field, std::string_view name);

// Takes the row lock of `recno` in the table's work area, waiting as the table layer does (the
// row locked before is released), then reads the row afresh, so that a change is made on what
// another station may have written meanwhile.
void lockAndReload(OwnTable& table, std::uint32_t recno);

}  // namespace velt::services
