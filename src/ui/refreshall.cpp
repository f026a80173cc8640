#include "ui/refreshall.h"

#include <QApplication>
#include <QEventLoop>
#include <QWidget>

#include "ui/combobox.h"
#include "ui/get.h"

namespace velt {

namespace {

std::string rtrim(std::string s) {
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

// What an edit field would show for its value now.
std::string expectedText(const TGet& get) {
    const Value v = get.VarGet();
    const bool focused = get.hWnd && get.hWnd->hasFocus();
    return focused ? get.rules().focusText(v) : get.rules().displayText(v);
}

void refreshControl(TControl& c) {
    if (!c.bSetGet.isBound() || !c.hWnd) return;
    if (auto* get = dynamic_cast<TGet*>(&c)) {
        if (get->rules().kind() == FieldKind::Date && get->hasBadDate()) return;
        if (rtrim(expectedText(*get)) != rtrim(get->text())) get->Refresh();
    } else if (auto* memo = dynamic_cast<TMultiGet*>(&c)) {
        if (rtrim(memo->VarGet().text()) != rtrim(memo->text())) memo->Refresh();
    } else if (auto* combo = dynamic_cast<TComboBox*>(&c)) {
        if (combo->hWnd->hasFocus()) return;
        if (rtrim(combo->VarGet().text()) != rtrim(combo->shownText())) combo->Refresh();
    } else {
        c.Refresh();
    }
}

}  // namespace

void REFRESHALL(TWindow& oDialog) {
    static bool running = false;
    if (running) return;
    running = true;
    struct Done {
        ~Done() { running = false; }
    } done;
    // A copy: a redraw may add or remove controls.
    const std::vector<TControl*> controls = oDialog.aControls;
    for (TControl* c : controls) {
        if (c) refreshControl(*c);
    }
}

void STOPUNTIL(const std::function<bool()>& bDone) {
    while (!bDone()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

}  // namespace velt
