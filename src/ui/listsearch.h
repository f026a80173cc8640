// The searches of a list as the operator types: where a table browse meets the tables. They
// work on the current work area (the one the list shows) in its active order.
#pragma once

#include <functional>
#include <string>

#include "data/engine/work_area.h"

namespace velt {

class TWBrowse;

// Incremental search: each printable character (32 to 126) is added, upper-cased, to the typed
// text and `cPrefix` + the text is sought in the active order; Backspace (8) removes the last
// character and seeks again. A text that finds nothing loses its last character and the row
// stays. The text starts afresh when the current row was moved by other means.
void KEYSEARCH(TWBrowse& oList, int nKey, const std::string& cPrefix = "");
// Clears the typed text.
void KEYSEARCH();
// The typed text (tests and the status line).
const std::string& keySearchText();

// Letter jump: to the next row whose key begins with `cPrefix` + the typed letter.
void KEYSEEK(TWBrowse& oList, int nKey, const std::string& cPrefix = "");

// Letter jump by expression: to the next row (wrapping to the first) whose `cExpr`, upper-cased,
// begins with the typed letter, searching row by row.
void KEYLOCATE(TWBrowse& oList, int nKey,
               const std::function<std::string(engine::WorkArea&)>& cExpr);

}  // namespace velt
