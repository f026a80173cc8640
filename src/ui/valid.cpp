#include "ui/valid.h"

#include <QApplication>

#include "ui/combobox.h"
#include "ui/get.h"
#include "util/messages.h"
#include "util/prompt.h"

namespace velt {

TControl* focusedControl(TWindow& window) {
    QWidget* f = QApplication::focusWidget();
    for (; f; f = f->parentWidget())
        for (auto* c : window.aControls)
            if (c->hWnd && c->hWnd == f) return c;
    return nullptr;
}

namespace {

// The red one-pixel line under a control while its message shows.
class FailureMark {
  public:
    explicit FailureMark(TControl& c) {
        if (!c.hWnd || !c.hWnd->parentWidget()) return;
        parent_ = c.hWnd->parentWidget();
        QRect g = c.hWnd->geometry();
        strip_ = QRect(g.left(), g.top() + g.height(), g.width(), 2);
        mark_ = new QWidget(parent_);
        mark_->setObjectName(QStringLiteral("validMark"));
        mark_->setAutoFillBackground(true);
        QPalette pal = mark_->palette();
        pal.setColor(QPalette::Window, QColor(255, 0, 0));
        mark_->setPalette(pal);
        mark_->setGeometry(g.left(), g.top() + g.height(), std::max(1, g.width() - 1), 1);
        mark_->show();
        mark_->raise();
        mark_->repaint();
    }
    ~FailureMark() {
        delete mark_.data();
        if (parent_) parent_->update(strip_);
    }
    FailureMark(const FailureMark&) = delete;
    FailureMark& operator=(const FailureMark&) = delete;

  private:
    QPointer<QWidget> parent_;
    QPointer<QWidget> mark_;
    QRect strip_;
};

bool fail(TControl& c, const std::string& message) {
    {
        FailureMark mark(c);
        POPMSG(message, 1);
    }
    c.SetFocus();
    return false;
}

}  // namespace

bool __VALID(TDialog& dlg, bool lAskIfChanged) {
    bool confirmed = dlg.Cargo.isNumber() && dlg.Cargo.num() == 1;
    // The control that had the focus: the last one that is not a push button.
    TControl* focused = focusedControl(dlg);
    if (!focused || focused->isPushButton()) focused = dlg.oCtlFocus;
    if (!confirmed) {
        if (!lAskIfChanged || !dlg.lModify) return true;
        if (POPMSG(std::string("Annullo le modifiche?"), 5).logical()) return true;
        if (focused) focused->SetFocus();
        return false;
    }
    dlg.Cargo = Value();
    // The focused control finishes its editing (the others wrote back when they lost it).
    if (focused) focused->commit();
    std::vector<TControl*> controls = dlg.aControls;
    for (TControl* c : controls) c->commit();
    for (TControl* c : controls) {
        if (c->isStatic()) continue;
        if (auto* combo = dynamic_cast<TComboBox*>(c); combo && !combo->editable())
            combo->takeShownText();
        if (!c->whenOk()) continue;
        if (c->hWnd && !c->hWnd->isEnabled()) continue;
        if (auto* get = dynamic_cast<TGet*>(c)) {
            if (get->hasBadDate()) return fail(*c, "Data non valida.");
            if (get->hasTooBigNumber()) return fail(*c, "Numero troppo grande.");
        }
        if (!c->checkValidRule()) return fail(*c, "Campo non valido.");
    }
    return true;
}

void CTLDISABLE(TControl& control) {
    if (auto* combo = dynamic_cast<TComboBox*>(&control)) combo->clear();
    control.Disable();
}

std::string CGETFILE(const std::string& cFilter, const std::string& cTitle, int nFilter,
                     const std::string& cFolder, bool lSave, const std::string& cProposed,
                     int* nChosenFilter) {
    FileRequest request;
    request.filter = cFilter;
    request.title = cTitle;
    request.save = lSave;
    request.defaultName = cProposed;
    if (!cFolder.empty()) {
        request.defaultName = cFolder;
        if (!cProposed.empty())
            request.defaultName += (cFolder.back() == '/' ? "" : "/") + cProposed;
    }
    request.filterIndex = nFilter;
    auto chosen = prompt().chooseFile(request);
    if (nChosenFilter) *nChosenFilter = request.chosenFilter > 0 ? request.chosenFilter : nFilter;
    if (!chosen) return {};
    std::string path = *chosen;
    if (path.size() > 512) path.resize(512);
    return path;
}

}  // namespace velt
