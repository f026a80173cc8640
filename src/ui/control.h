// TControl: the base of every control. A control is bound to a template control by number
// (ReDefine, the widget is made when the dialog opens, with the template's position, size and
// style flags) or created in code at a pixel position (New). It carries the value link
// (`bSetGet`), a when condition, a validation rule (kept in Cargo, checked when the form is
// confirmed), a change callback, a status-line message and a tooltip.
//
// Writing a new control class: derive, implement createWidget() (make the Qt widget as a child
// of `parent`, wire its signals) and, when it shows a value, Refresh() and commit().
#pragma once

#include <source_location>

#include "ui/template.h"
#include "ui/varref.h"
#include "ui/window.h"

namespace velt {

class TDialog;

class TControl : public TWindow {
  public:
    // Registers the control on `owner` (which owns it). Two controls with the same number on
    // one window stop the program with "Duplicate id N;Function: F  Line: L" naming `where`.
    TControl(TWindow& owner, int id, std::source_location where = std::source_location::current());
    ~TControl() override;

    VarRef bSetGet;
    std::function<void()> bChange;
    std::function<bool(int nKey)> bSysKeyDown;
    bool lCaptured = false;
    bool lTransparent = false;
    static int nInitID;  // next generated control number for controls made in code

    // The template control this one is bound to (nullptr for controls made in code).
    const ControlTemplate* templ() const { return tpl_; }
    void bindTemplate(const ControlTemplate* tpl) { tpl_ = tpl; }
    // Makes the widget as a child of `parent` at `geometry` (pixels); called by the owner when
    // its own widget is made, or at once for controls added to a window already shown.
    void create(QWidget* parent, const QRect& geometry);
    // Widgets are made here; hWnd is set by create().
    virtual QWidget* createWidget(QWidget* parent) = 0;
    // After the widget exists: shows the value (default Refresh()).
    virtual void afterCreate();
    // Forgets the widget (the owner destroyed it).
    virtual void detach();

    // The value link.
    Value VarGet() const { return bSetGet.get(); }
    void VarPut(const Value& v) { bSetGet.set(v); }
    // Writes the text being edited back to the value (an edit field leaving the focus).
    virtual void commit() {}
    // Static texts, frames, pictures: passed over by the form check.
    virtual bool isStatic() const { return false; }
    // Push buttons: taking the focus with a click does not make them the control the form
    // gives the focus back to.
    virtual bool isPushButton() const { return false; }
    // The validation rule kept in Cargo: answers true when the control's value is acceptable.
    void setValidRule(std::function<bool()> rule);
    bool hasValidRule() const;
    bool checkValidRule() const;
    // The when condition (true when there is none).
    bool whenOk() const { return !bWhen || bWhen(); }
    // Enables or disables by the when condition.
    void evalWhen();
    // Runs the change callback (after an accepted edit).
    void changed();

    void Refresh() override {}
    void SetFocus() override;
    // The dialog the control belongs to (nullptr when its owner is not a dialog).
    TDialog* dialog() const;

  protected:
    // Wires focus messages, tooltip and help text; called by create().
    void wireCommon();

  private:
    const ControlTemplate* tpl_ = nullptr;
};

// Makes a control of class T owned by `owner` (T's constructor takes the owner first).
template <class T, class... Args>
T* makeControl(TWindow& owner, Args&&... args) {
    auto control = std::make_unique<T>(owner, std::forward<Args>(args)...);
    T* raw = control.get();
    owner.adopt(std::move(control));
    return raw;
}

}  // namespace velt
