#include "ui/dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include "ui/qtext.h"

namespace velt {

// The Qt dialog of a TDialog: Escape and the close box go through End(2).
class DialogWidget : public QDialog {
  public:
    DialogWidget(TDialog& owner, QWidget* parent) : QDialog(parent), owner_(owner) {}
    bool closingForGood = false;

    void reject() override {
        if (closingForGood)
            QDialog::reject();
        else
            owner_.End(2);
    }

  protected:
    void closeEvent(QCloseEvent* e) override {
        if (closingForGood) {
            QDialog::closeEvent(e);
            return;
        }
        e->ignore();
        owner_.End(2);
    }
    void paintEvent(QPaintEvent* e) override {
        QDialog::paintEvent(e);
        QPainter p(this);
        if (owner_.oBrush) owner_.oBrush->paint(p, rect());
        if (owner_.bPainted) owner_.bPainted(p);
        // A dialog without a title bar still has its modal frame.
        if (windowFlags().testFlag(Qt::FramelessWindowHint)) {
            p.setPen(palette().color(QPalette::Dark));
            p.drawRect(rect().adjusted(0, 0, -1, -1));
        }
    }

  private:
    TDialog& owner_;
};

QString labelText(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') out += '&', ++i;
            continue;
        }
        out += text[i];
    }
    QString q = qs(out);
    q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return q;
}

namespace {
Qt::Alignment staticAlignment(const ControlTemplate& c) {
    Qt::Alignment a = Qt::AlignTop;
    if (c.has("SS_CENTERIMAGE")) a = Qt::AlignVCenter;
    if (c.has("SS_RIGHT")) return a | Qt::AlignRight;
    if (c.has("SS_CENTER")) return a | Qt::AlignHCenter;
    return a | Qt::AlignLeft;
}
}  // namespace

QWidget* makeTemplateWidget(const ControlTemplate& c, QWidget* parent) {
    const std::string& k = c.className;
    if (k == "STATIC") {
        if (c.has("SS_ETCHEDHORZ") || c.has("SS_ETCHEDVERT") || c.has("SS_ETCHEDFRAME") ||
            c.has("SS_BLACKFRAME") || c.has("SS_GRAYFRAME") || c.has("SS_BLACKRECT") ||
            c.has("SS_GRAYRECT")) {
            auto* f = new QFrame(parent);
            if (c.has("SS_ETCHEDHORZ"))
                f->setFrameStyle(QFrame::HLine | QFrame::Sunken);
            else if (c.has("SS_ETCHEDVERT"))
                f->setFrameStyle(QFrame::VLine | QFrame::Sunken);
            else
                f->setFrameStyle(QFrame::Box | QFrame::Sunken);
            return f;
        }
        auto* l = new QLabel(parent);
        if (c.has("SS_ICON") || c.has("SS_BITMAP")) {
            QPixmap pm = loadPicture(c.text);
            l->setPixmap(pm);
            l->setScaledContents(c.has("SS_REALSIZEIMAGE") ? false : !pm.isNull());
        } else {
            l->setText(labelText(c.text));
            l->setAlignment(staticAlignment(c));
            l->setWordWrap(!c.has("SS_LEFTNOWORDWRAP") && !c.has("SS_SIMPLE"));
        }
        if (c.has("WS_BORDER") || c.has("SS_SUNKEN"))
            l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        return l;
    }
    if (k == "BUTTON") {
        if (c.has("BS_GROUPBOX")) return new QGroupBox(labelText(c.text), parent);
        if (c.has("BS_CHECKBOX") || c.has("BS_AUTOCHECKBOX") || c.has("BS_3STATE") ||
            c.has("BS_AUTO3STATE")) {
            auto* b = new QCheckBox(qs(c.text), parent);
            if (c.has("BS_LEFTTEXT") || c.has("BS_RIGHTBUTTON"))
                b->setLayoutDirection(Qt::RightToLeft);
            return b;
        }
        if (c.has("BS_RADIOBUTTON") || c.has("BS_AUTORADIOBUTTON")) {
            auto* b = new QRadioButton(qs(c.text), parent);
            b->setAutoExclusive(false);
            return b;
        }
        auto* b = new QPushButton(qs(c.text), parent);
        b->setAutoDefault(true);
        if (c.has("BS_DEFPUSHBUTTON")) b->setDefault(true);
        return b;
    }
    if (k == "EDIT") {
        if (c.has("ES_MULTILINE")) {
            auto* e = new QPlainTextEdit(parent);
            e->setReadOnly(c.has("ES_READONLY"));
            return e;
        }
        auto* e = new QLineEdit(parent);
        e->setReadOnly(c.has("ES_READONLY"));
        if (c.has("ES_RIGHT")) e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (c.has("ES_PASSWORD")) e->setEchoMode(QLineEdit::Password);
        return e;
    }
    if (k == "COMBOBOX") {
        auto* cb = new QComboBox(parent);
        cb->setEditable(c.has("CBS_DROPDOWN") && !c.has("CBS_DROPDOWNLIST"));
        return cb;
    }
    if (k == "LISTBOX") return new QListWidget(parent);
    if (k == "SCROLLBAR")
        return new QScrollBar(c.has("SBS_VERT") ? Qt::Vertical : Qt::Horizontal, parent);
    if (k == "PROGRESS") {
        auto* p = new QProgressBar(parent);
        p->setTextVisible(false);
        return p;
    }
    // A class of our own that nobody bound: an empty place holder.
    return new QWidget(parent);
}

TDialog::TDialog(const std::string& resName, const std::string& title, TWindow* owner)
    : cResName(resName) {
    tpl_ = &loadTemplate(resName);
    std::string t = title;
    while (!t.empty() && t.back() == ' ') t.pop_back();
    cCaption = t.empty() ? tpl_->caption : t;
    oWnd = owner;
    oFont = TFont::ofPoints(tpl_->fontFace, tpl_->fontSize);
    font_ = oFont->qFont();
    units_ = DialogUnits::of(font_);
    lResizable = tpl_->has("WS_THICKFRAME");
}

TDialog::TDialog(const Spec& s) {
    std::string t = s.cTitle;
    while (!t.empty() && t.back() == ' ') t.pop_back();
    cCaption = t;
    oWnd = s.oWnd;
    nTop = s.nTop, nLeft = s.nLeft, nBottom = s.nBottom, nRight = s.nRight;
    oFont = TFont::ofPoints(s.cFontFace, s.nFontSize);
    font_ = oFont->qFont();
    units_ = DialogUnits::of(font_);
    lResizable = s.lResizable;
    lResize16 = false;
}

TDialog::~TDialog() {
    if (hWnd) {
        if (auto* d = dynamic_cast<DialogWidget*>(hWnd.data())) d->closingForGood = true;
        for (auto* c : aControls) c->detach();
        delete hWnd.data();
        hWnd = nullptr;
    }
}

QRect TDialog::toPixels(int x, int y, int cx, int cy) const {
    QRect r = units_.toPixels(x, y, cx, cy);
    if (lResize16 && tpl_) {
        int left = widen(r.left());
        int width = widen(r.width());
        r = QRect(left, r.top(), width, r.height());
    }
    return r;
}

QDialog* TDialog::qDialog() const {
    return qobject_cast<QDialog*>(hWnd.data());
}

QWidget* TDialog::templateWidget(int id) const {
    for (const auto& [pid, w] : plain_)
        if (pid == id) return w.data();
    return nullptr;
}

void TDialog::build() {
    QWidget* parent = nullptr;
    if (oWnd && oWnd->hWnd) parent = oWnd->hWnd->window();
    if (!parent || !parent->isVisible()) parent = activeOwner();
    auto* d = new DialogWidget(*this, parent);
    hWnd = d;
    d->setFont(font_);
    d->setWindowTitle(qs(cCaption));
    Qt::WindowFlags flags =
        Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint;
    if (tpl_ && !tpl_->has("WS_CAPTION")) flags = Qt::Dialog | Qt::FramelessWindowHint;
    if (lResizable) flags |= Qt::WindowMinMaxButtonsHint;
    d->setWindowFlags(flags);
    if (nClrPane >= 0) {
        QPalette pal = d->palette();
        pal.setColor(QPalette::Window, toQColor(nClrPane));
        d->setPalette(pal);
    }

    int width = 0, height = 0;
    if (tpl_) {
        QRect r = units_.toPixels(tpl_->x, tpl_->y, tpl_->cx, tpl_->cy);
        width = lResize16 ? widen(r.width()) : r.width();
        height = r.height();
    } else {
        width = nRight - nLeft;
        height = nBottom - nTop;
    }
    if (lResizable) {
        d->resize(width, height);
    } else {
        d->setFixedSize(width, height);
    }

    plain_.clear();
    std::vector<TControl*> placed;
    if (tpl_) {
        for (const auto& c : tpl_->controls) {
            TControl* bound = nullptr;
            for (auto* ctl : aControls)
                if ((!ctl->templ() || ctl->templ() == &c) && ctl->nId == c.id && c.id > 0 &&
                    std::find(placed.begin(), placed.end(), ctl) == placed.end()) {
                    bound = ctl;
                    break;
                }
            QRect g = toPixels(c.x, c.y, c.cx, c.cy);
            if (c.className == "COMBOBOX") g.setHeight(std::min(g.height(), units_.toPixelsY(13)));
            if (bound) {
                bound->bindTemplate(&c);
                bound->create(d, g);
                placed.push_back(bound);
            } else {
                QWidget* w = makeTemplateWidget(c, d);
                w->setGeometry(g);
                plain_.push_back({c.id, w});
            }
        }
    }
    for (auto* ctl : aControls) {
        if (std::find(placed.begin(), placed.end(), ctl) != placed.end()) continue;
        if (tpl_ && ctl->nId > 0 && !tpl_->control(ctl->nId) && ctl->nBottom == 0 &&
            ctl->nRight == 0) {
            stopProgram("Control " + std::to_string(ctl->nId) + " not found in " + cResName);
        } else {
            ctl->create(d, QRect(ctl->nLeft, ctl->nTop, ctl->nRight - ctl->nLeft,
                                 ctl->nBottom - ctl->nTop));
        }
    }
}

void TDialog::center() {
    QWidget* d = hWnd;
    QRect area;
    if (lCenterInWnd && oWnd && oWnd->hWnd)
        area = oWnd->hWnd->window()->frameGeometry();
    else if (QScreen* s = QApplication::primaryScreen())
        area = s->availableGeometry();
    if (area.isEmpty()) return;
    d->move(area.center() - QPoint(d->width() / 2, d->height() / 2));
}

void TDialog::focusFirst() {
    if (!hWnd) return;
    // The first control that takes the Tab focus, as the posted Tab does.
    for (QWidget* w = hWnd->nextInFocusChain(); w && w != hWnd; w = w->nextInFocusChain()) {
        if (w->isEnabled() && w->isVisibleTo(hWnd) && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

int TDialog::Activate(bool centered, bool modal) {
    lCentered = centered;
    lModal = modal;
    nResult = 0;
    ending_ = false;
    if (hWnd) {  // already open (non-modal): bring it forward
        hWnd->raise();
        return nResult;
    }
    build();
    if (lCentered || lCenterInWnd) center();
    if (bStart) bStart();
    QDialog* d = qDialog();
    if (modal) d->setWindowModality(Qt::ApplicationModal);
    d->show();
    if (bInit) bInit();
    evalWhens();
    // As the Tab posted on opening: processed after init and the when conditions.
    focusFirst();
    if (!modal) return nResult;
    QPointer<QDialog> guard(d);
    d->exec();
    if (guard) {
        onClosed();
        delete guard.data();
    }
    return nResult;
}

bool TDialog::End(int result) {
    if (!hWnd || ending_) return false;
    if (lValidating) return false;
    if (bValid) {
        lValidating = true;
        bool ok = bValid();
        lValidating = false;
        if (!ok) return false;
        if (!hWnd) return true;
    }
    ending_ = true;
    nResult = result;
    // Closing takes the focus away: the field being edited writes its text back.
    for (auto* c : aControls) c->commit();
    auto* d = dynamic_cast<DialogWidget*>(hWnd.data());
    if (d) d->closingForGood = true;
    if (lModal) {
        d->done(result);
    } else {
        QPointer<QWidget> w = hWnd;
        onClosed();
        if (w) {
            w->hide();  // gone now: nothing may take it as a parent before it is deleted
            w->deleteLater();
        }
    }
    return true;
}

void TDialog::onClosed() {
    for (auto* c : aControls) c->detach();
    plain_.clear();
    hWnd = nullptr;
}

TControl* ITEM(TWindow& dialog, int id) {
    for (auto* c : dialog.aControls)
        if (c->nId == id) return c;
    return nullptr;
}

TControl* CTL(TWindow& dialog, const std::string& name) {
    for (auto* c : dialog.aControls)
        if (!name.empty() && c->cVarName == name) return c;
    return nullptr;
}

TControl* CTL(TWindow& dialog, int position) {
    if (position < 1 || position > static_cast<int>(dialog.aControls.size())) return nullptr;
    return dialog.aControls[position - 1];
}

}  // namespace velt
