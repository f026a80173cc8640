// Edit fields. TGet edits a text, number, date or logical value in place through its picture
// (see ui/picture.h); TMultiGet edits a memo text on several lines.
//
//     std::string cOra = "  :  ";
//     auto* ora = TGet::ReDefine(102, dlg, cOra, "99:99");
//     ora->setValidRule([&] { return ISTIME(cOra); });
//
// The value is shown formatted when the field has no focus; entering selects all of it;
// leaving (or the form check) writes the text back to the variable. Enter moves to the next
// control. A read-only field with lDelete empties its value and cCode on Delete or Backspace.
#pragma once

#include <memory>

#include "ui/control.h"
#include "ui/picture.h"

class QLineEdit;
class QPlainTextEdit;

namespace velt {

class TGet : public TControl {
  public:
    TGet(TWindow& owner, int id, VarRef var, std::string picture = "",
         std::source_location where = std::source_location::current());
    // Binds to the template control `nId`.
    static TGet* ReDefine(int nId, TWindow& oWnd, VarRef var, const std::string& cPicture = "",
                          std::source_location where = std::source_location::current());
    // Made in code at a pixel position.
    static TGet* New(int nRow, int nCol, VarRef var, TWindow& oWnd, int nWidth, int nHeight,
                     const std::string& cPicture = "");

    std::string cPicture;
    std::string cTmpPic;
    bool lReadOnly = false;
    bool lPassword = false;
    bool lDelete = false;
    std::string cCode;  // a hidden code kept beside the shown text
    static bool lMinus;

    QWidget* createWidget(QWidget* parent) override;
    void afterCreate() override;
    // Shows the value again (formatted, or as the focus text while focused).
    void Refresh() override;
    void commit() override;
    // The text the field shows now.
    std::string text() const;
    // Replaces the value and shows it.
    void SetValue(const Value& v);
    // Form-check helpers: an impossible date typed, a number that does not fit.
    bool hasBadDate() const;
    bool hasTooBigNumber() const;
    const FieldRules& rules() const;
    QLineEdit* lineEdit() const;

  private:
    friend class GetEdit;
    void rebuildRules();
    void onFocusIn();
    void onFocusOut();
    std::unique_ptr<FieldRules> rules_;
    std::unique_ptr<EditBuffer> buffer_;
    bool editing_ = false;
};

class TMultiGet : public TControl {
  public:
    TMultiGet(TWindow& owner, int id, VarRef var,
              std::source_location where = std::source_location::current());
    static TMultiGet* ReDefine(int nId, TWindow& oWnd, VarRef var,
                               std::source_location where = std::source_location::current());
    static TMultiGet* New(int nRow, int nCol, VarRef var, TWindow& oWnd, int nWidth, int nHeight);

    bool lReadOnly = false;
    bool lDelete = false;
    int nLen = 0;  // maximum length, 0 = none

    QWidget* createWidget(QWidget* parent) override;
    void Refresh() override;
    void commit() override;
    std::string text() const;  // line breaks as "\r\n"
    QPlainTextEdit* editor() const;

  private:
    bool loading_ = false;
};

}  // namespace velt
