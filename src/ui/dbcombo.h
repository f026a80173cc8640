// The lookup picker: a drop-down list of a table's rows under an edit field. Moving through the
// list copies the highlighted value into the field; choosing a row keeps it, cancelling puts the
// old value back. This is where the toolkit meets the table access layer and the views.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "data/engine/work_area.h"
#include "data/views.h"
#include "ui/font.h"
#include "util/value.h"

namespace velt {

class TGet;
class TControl;

// The sixteen arguments, in their order; expressions are callbacks on the picker's work area.
struct DbComboArgs {
    std::string cTable;                             // 1 table to list
    std::string cIndex;                             // 2 its index file (the list order)
    std::string cPrefix;                            // 3 only keys beginning with it
    engine::ConditionFunction bFilter;              // 4 only rows satisfying it
    std::optional<ViewKey> cKey;                    // 5 key of the list order
    bool lUnique = false;                           // 6 each key once
    std::function<Value(engine::WorkArea&)> bShow;  // 7 shown and copied value
    std::function<Value(engine::WorkArea&)> bCode;  // 8 the field's code on a choice
    TGet* oGet = nullptr;                           // 9 the edit field
    TControl* oBtn = nullptr;                       // 10 the button that opened it
    int nWidth = 0;              // 11 pixels; 0: field left to button right, less 5
    int nRows = 9;               // 12 visible rows
    std::optional<bool> lRight;  // 13 right-aligned; absent: for numbers
    bool lSearch = false;        // 14 incremental search
    std::function<std::string(engine::WorkArea&)> bLocate;  // 15 letter jump by expression
    std::optional<TFont> oFont;                             // 16 font of the list
};

// Where the pop-up goes (screen pixels) for an edit field whose bottom-left corner is at
// (fieldLeft, fieldBottom) on a screen `screenHeight` high: below the field, or above it when
// it would not fit.
struct PickerPlace {
    int nTop = 0, nLeft = 0, nWidth = 0, nHeight = 0;
};
PickerPlace pickerPlace(int fieldLeft, int fieldBottom, int width, int rows, int screenHeight);

// Opens the picker and returns when it has closed (a choice, Escape or the focus lost).
// Answers whether a row was chosen.
bool DBCOMBO(const DbComboArgs& args);

// The picker now open (tests drive it); null when none is.
class TWBrowse;
TWBrowse* openPickerList();

}  // namespace velt
