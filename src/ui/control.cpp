#include "ui/control.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "ui/dialog.h"
#include "ui/qtext.h"

namespace velt {

int TControl::nInitID = 20000;  // above every number a template uses

namespace {
// Routes a control widget's events to the control's callbacks.
class EventBridge : public QObject {
  public:
    EventBridge(TControl& c, QObject* parent) : QObject(parent), c_(c) {}

  protected:
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
            case QEvent::FocusIn:
                c_.lFocused = true;
                if (c_.oWnd && !c_.isPushButton()) c_.oWnd->oCtlFocus = &c_;
                showHelp(c_.cMsg);
                if (c_.bGotFocus) c_.bGotFocus();
                break;
            case QEvent::FocusOut:
                c_.lFocused = false;
                if (!c_.cMsg.empty()) showHelp(std::string());
                if (c_.bLostFocus) c_.bLostFocus();
                break;
            case QEvent::KeyPress: {
                auto* k = static_cast<QKeyEvent*>(e);
                c_.nLastKey = k->key();
                if ((k->modifiers() & Qt::AltModifier) && c_.bSysKeyDown &&
                    c_.bSysKeyDown(k->key()))
                    return true;
                if (c_.bKeyDown && c_.bKeyDown(k->key())) return true;
                break;
            }
            case QEvent::MouseButtonPress: {
                auto* m = static_cast<QMouseEvent*>(e);
                auto p = m->position().toPoint();
                if (m->button() == Qt::LeftButton && c_.bLClicked) c_.bLClicked(p.y(), p.x());
                if (m->button() == Qt::RightButton && c_.bRClicked) c_.bRClicked(p.y(), p.x());
                break;
            }
            case QEvent::MouseButtonDblClick: {
                auto* m = static_cast<QMouseEvent*>(e);
                auto p = m->position().toPoint();
                if (m->button() == Qt::LeftButton && c_.bLDblClick) c_.bLDblClick(p.y(), p.x());
                break;
            }
            case QEvent::Resize:
                if (c_.bResized) c_.bResized();
                break;
            default:
                break;
        }
        return false;
    }

  private:
    TControl& c_;
};
}  // namespace

TControl::TControl(TWindow& owner, int id, std::source_location where) {
    oWnd = &owner;
    nId = id;
    for (auto* other : owner.aControls) {
        if (id > 0 && other->nId == id)
            stopProgram("Duplicate id " + std::to_string(id) + ";Function: " +
                        where.function_name() + "  Line: " + std::to_string(where.line()));
    }
    owner.aControls.push_back(this);
}

TControl::~TControl() {
    if (oWnd) {
        auto& list = oWnd->aControls;
        std::erase(list, this);
        if (oWnd->oCtlFocus == this) oWnd->oCtlFocus = nullptr;
    }
}

void TControl::create(QWidget* parent, const QRect& geometry) {
    QWidget* w = createWidget(parent);
    hWnd = w;
    nLeft = geometry.left(), nTop = geometry.top();
    nRight = geometry.left() + geometry.width(), nBottom = geometry.top() + geometry.height();
    w->setGeometry(geometry);
    wireCommon();
    afterCreate();
    if (!lActive) w->setEnabled(false);
    if (!lVisible) w->hide();
}

void TControl::afterCreate() {
    Refresh();
}

void TControl::detach() {
    hWnd = nullptr;
    lFocused = false;
}

void TControl::wireCommon() {
    if (!hWnd) return;
    if (!cToolTip.empty()) hWnd->setToolTip(qs(cToolTip));
    if (oFont) hWnd->setFont(oFont->qFont());
    auto* bridge = new EventBridge(*this, hWnd);
    hWnd->installEventFilter(bridge);
    for (auto* child : hWnd->findChildren<QWidget*>()) child->installEventFilter(bridge);
}

void TControl::setValidRule(std::function<bool()> rule) {
    if (!rule) {
        Cargo = Value();
        return;
    }
    Cargo = Value(Callback{[rule](const ValueList&) { return Value(rule()); }});
}

bool TControl::hasValidRule() const {
    return std::holds_alternative<Callback>(Cargo.variant()) &&
           static_cast<bool>(std::get<Callback>(Cargo.variant()).fn);
}

bool TControl::checkValidRule() const {
    if (!hasValidRule()) return true;
    Value v = std::get<Callback>(Cargo.variant()).fn({});
    return !v.isLogical() || v.logical();
}

void TControl::evalWhen() {
    if (!bWhen) return;
    if (bWhen())
        Enable();
    else
        Disable();
}

void TControl::changed() {
    if (bChange) bChange();
}

void TControl::SetFocus() {
    if (hWnd) hWnd->setFocus(Qt::OtherFocusReason);
}

TDialog* TControl::dialog() const {
    return dynamic_cast<TDialog*>(oWnd);
}

}  // namespace velt
