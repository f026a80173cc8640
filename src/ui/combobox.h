// TComboBox: a drop-down list of aItems bound to a text value. When the list is filled or the
// control refreshed, a value (trailing blanks ignored) that is not among the items is inserted as
// the first item, and the item equal to the value is selected. Choosing an item makes it the
// value; typing in an editable combo box (CBS_DROPDOWN) makes the typed text the value, with an
// optional maximum length and a picture ("9" or "@!") that filters the edit text.
#pragma once

#include "ui/control.h"

class QComboBox;

namespace velt {

class TComboBox : public TControl {
  public:
    TComboBox(TWindow& owner, int id, VarRef var, std::vector<std::string> items,
              std::source_location where = std::source_location::current());
    static TComboBox* ReDefine(int nId, TWindow& oWnd, VarRef var, std::vector<std::string> aItems,
                               std::source_location where = std::source_location::current());

    std::vector<std::string> aItems;
    std::string cPicture;
    int nLen = 0;
    std::function<void()> bEChange;  // after the edit text changed
    std::function<void()> bCloseUp;  // after the list closed

    QWidget* createWidget(QWidget* parent) override;
    void Refresh() override;
    // Replaces the items (the value is kept and inserted when missing).
    void SetItems(std::vector<std::string> items);
    // The text the control shows now (the selected item, or the edit text).
    std::string shownText() const;
    // Makes the shown text the value (the form check does this for drop-down lists).
    void takeShownText();
    // Empties the text and the value (CTLDISABLE).
    void clear();
    bool editable() const;
    QComboBox* combo() const;

  private:
    void fill();
    bool loading_ = false;
};

// Filters the edit text of a combo box after a change: "@!" upper-cases it, "9" removes the
// first character that is not a digit (one per change, the caret moving back with it).
void CBPICTURE(TComboBox& combo, const std::string& cPicture);

}  // namespace velt
