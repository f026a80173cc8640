// TDialog: a dialog built from a template (or in code). Typical use:
//
//     TDialog dlg("MACCHINA", "Aggiungi");
//     auto* name = TGet::ReDefine(101, dlg, cName, "@!");
//     name->setValidRule([&] { return !trim(cName).empty(); });
//     TButton::ReDefine(201, dlg, [&] { dlg.Cargo = 1; dlg.End(1); });
//     TButton::ReDefine(202, dlg, [&] { dlg.Cargo = 2; dlg.End(2); });
//     dlg.bValid = [&] { return __VALID(dlg, true); };
//     dlg.Activate();   // modal: returns when the dialog has ended; answers nResult
//
// Activate makes the Qt dialog from the template (positions in dialog units of the template
// font, widened by 1.16668 when lResize16), binds the declared controls by number, centres the
// dialog, gives the focus to the first control, runs bInit, evaluates the when conditions and,
// when modal, runs until End. Each Activate builds the widgets anew from the values, so a form
// can be shown again after a failed check. Escape and the close box call End(2).
#pragma once

#include <QDialog>

#include "ui/control.h"
#include "ui/template.h"

namespace velt {

class TDialog : public TWindow {
  public:
    // From the template `cResName`; the title (trailing blanks removed) replaces the
    // template's caption when not empty.
    explicit TDialog(const std::string& cResName, const std::string& cTitle = "",
                     TWindow* owner = nullptr);
    // In code: a dialog of that pixel size; controls are made with New.
    struct Spec {
        int nTop = 0, nLeft = 0, nBottom = 600, nRight = 800;
        std::string cTitle;
        TWindow* oWnd = nullptr;
        std::string cFontFace = "MS Sans Serif";
        int nFontSize = 8;
        bool lResizable = false;
    };
    explicit TDialog(const Spec& spec);
    ~TDialog() override;

    std::string cResName;
    bool lModify = false;  // the form was edited (the application's change callbacks set it)
    bool lResize16 = true;
    bool lTransparent = false;
    bool lCentered = true;
    bool lCenterInWnd = false;
    bool lModal = true;
    bool lResizable = false;
    std::function<void()> bStart;

    // Shows the dialog; modal: returns nResult once it has ended; non-modal: returns at once.
    int Activate(bool lCentered = true, bool lModal = true);
    // Asks bValid (the modal dialog's closing check); when it agrees, takes nResult and closes.
    bool End(int nResult = 2) override;
    bool isOpen() const { return hWnd != nullptr; }

    // The template (nullptr for a dialog made in code).
    const DialogTemplate* templ() const { return tpl_; }
    // The dialog base units of the dialog's font.
    DialogUnits units() const { return units_; }
    // A template rectangle in dialog units to pixels in this dialog (with the widening).
    QRect toPixels(int x, int y, int cx, int cy) const;
    QDialog* qDialog() const;
    // The widget of a template control without a bound TControl (labels, frames); nullptr when
    // the dialog is closed or has no such control.
    QWidget* templateWidget(int id) const;

  protected:
    void onClosed() override;

  private:
    void build();
    void center();
    void focusFirst();
    const DialogTemplate* tpl_ = nullptr;
    DialogUnits units_;
    QFont font_;
    bool ending_ = false;
    std::vector<std::pair<int, QPointer<QWidget>>> plain_;
    friend class DialogWidget;
};

// The control of that number on the dialog, or nullptr.
TControl* ITEM(TWindow& dialog, int nId);
// The control whose cVarName is the name, or nullptr.
TControl* CTL(TWindow& dialog, const std::string& cVarName);
// The control at that position (1-based, in definition order), or nullptr.
TControl* CTL(TWindow& dialog, int nPosition);

// A plain Qt widget for a template control no TControl is bound to (labels, frames, buttons
// that do nothing, pictures named by their text).
QWidget* makeTemplateWidget(const ControlTemplate& c, QWidget* parent);
// A template text for a label: the access-key "&" removed ("&&" stays one "&").
QString labelText(const std::string& text);

}  // namespace velt
