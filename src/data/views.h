// Filtered views: a temporary index that replaces the active order of a work area and holds
// only the rows of a predicate. The file lives in the temporary folder of the table access
// layer (byte 127, "VIEW", the work area number, ".NTX"); it is deleted when the view is
// cleared and when its work area is closed. The order that was active before a view is kept
// per work area (1 to 249) and made active again when the view is cleared.
#pragma once

#include <optional>
#include <string>

#include "data/engine/work_area.h"

namespace velt {

// A key expression: the text stored in the index and the callback that computes it.
struct ViewKey {
    std::string cText;
    engine::KeyFunction bKey;
};

// Highest work area number that can hold a view.
constexpr int kViewAreas = 249;

// Builds the view of the current work area over the rows that satisfy bFilter (and are not
// deleted), on cKey (absent: the active order's key, or the record number without an order),
// makes it the active order with the old range and goes to its first row. lQuiet absent: quiet
// when a wait box is already up, else "Elaborazione in corso..." is shown meanwhile.
// cFilterText is not used. With lUseCurrent the view walks the active order within its range;
// with lKeepFocus the saved order of the work area is left as it is.
void DBSETVIEW(engine::ConditionFunction bFilter, const std::string& cFilterText = {},
               std::optional<ViewKey> cKey = std::nullopt,
               std::optional<bool> lQuiet = std::nullopt, bool lUnique = false,
               bool lUseCurrent = false, bool lKeepFocus = false);

// Removes the view of the current work area, makes active the saved order (with lKeepFocus: the
// order active now, by name), applies the range of the active order and goes to the first row.
// A failed step starts the clearing again, a few times at most.
void DBCLEARVIEW(bool lKeepFocus = false);

// The tag name of the view index of a work area ("\x7F" "VIEW" + number).
std::string viewTagName(int workArea);
// Whether the current work area has a view open.
bool HASVIEW();

}  // namespace velt
