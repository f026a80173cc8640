#include "ui/buttons.h"

#include <QCheckBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

#include "ui/dialog.h"
#include "ui/qtext.h"

namespace velt {

TButton::TButton(TWindow& owner, int id, std::function<void()> action, std::source_location where)
    : TControl(owner, id, where), bAction(std::move(action)) {}

TButton* TButton::ReDefine(int nId, TWindow& oWnd, std::function<void()> bAction,
                           std::source_location where) {
    return makeControl<TButton>(oWnd, nId, std::move(bAction), where);
}

TButton* TButton::New(int nRow, int nCol, const std::string& cCaption, TWindow& oWnd,
                      std::function<void()> bAction, int nWidth, int nHeight, bool lDefault) {
    TButton* b = makeControl<TButton>(oWnd, TControl::nInitID++, std::move(bAction));
    b->cCaption = cCaption;
    b->lDefault = lDefault;
    b->nTop = nRow, b->nLeft = nCol, b->nBottom = nRow + nHeight, b->nRight = nCol + nWidth;
    if (oWnd.hWnd) b->create(oWnd.clientWidget(), QRect(nCol, nRow, nWidth, nHeight));
    return b;
}

QWidget* TButton::createWidget(QWidget* parent) {
    if (templ()) {
        if (cCaption.empty()) cCaption = templ()->text;
        if (templ()->has("BS_DEFPUSHBUTTON")) lDefault = true;
    }
    auto* b = new QPushButton(qs(cCaption), parent);
    b->setAutoDefault(true);
    b->setDefault(lDefault);
    QObject::connect(b, &QPushButton::clicked, b, [this] { Click(); });
    return b;
}

void TButton::Click() {
    if (lProcessing || !whenOk() || (hWnd && !hWnd->isEnabled())) return;
    lProcessing = true;
    TWindow* owner = oWnd;
    auto action = bAction;  // the action may close the dialog and rebuild its controls
    if (action) action();
    lProcessing = false;
    if (owner && owner->hWnd) owner->evalWhens();
}

// The widget of a picture button.
class BmpButton : public QAbstractButton {
  public:
    BmpButton(TBtnBmp& owner, QWidget* parent) : QAbstractButton(parent), owner_(owner) {
        setAttribute(Qt::WA_Hover);
        setMouseTracking(true);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        owner_.lPressed = isDown();
        owner_.paint(p, rect());
    }
    void enterEvent(QEnterEvent* e) override {
        owner_.lMOver = true;
        update();
        QAbstractButton::enterEvent(e);
    }
    void leaveEvent(QEvent* e) override {
        owner_.lMOver = false;
        update();
        QAbstractButton::leaveEvent(e);
    }

  private:
    TBtnBmp& owner_;
};

TBtnBmp::TBtnBmp(TWindow& owner, int id, std::string bmp1, std::string bmp2,
                 std::function<void()> action, std::source_location where)
    : TControl(owner, id, where),
      bAction(std::move(action)),
      cBmp1(std::move(bmp1)),
      cBmp2(std::move(bmp2)) {
    hBitmap1 = loadPicture(cBmp1);
    hBitmap2 = cBmp2.empty() ? QPixmap() : loadPicture(cBmp2);
}

TBtnBmp* TBtnBmp::ReDefine(int nId, TWindow& oWnd, const std::string& cBmp1,
                           const std::string& cBmp2, std::function<void()> bAction,
                           std::source_location where) {
    return makeControl<TBtnBmp>(oWnd, nId, cBmp1, cBmp2, std::move(bAction), where);
}

TBtnBmp* TBtnBmp::New(int nRow, int nCol, int nWidth, int nHeight, const std::string& cBmp1,
                      const std::string& cBmp2, TWindow& oWnd, std::function<void()> bAction,
                      const std::string& cCaption) {
    TBtnBmp* b = makeControl<TBtnBmp>(oWnd, TControl::nInitID++, cBmp1, cBmp2, std::move(bAction));
    b->cCaption = cCaption;
    b->nTop = nRow, b->nLeft = nCol, b->nBottom = nRow + nHeight, b->nRight = nCol + nWidth;
    if (oWnd.hWnd) b->create(oWnd.clientWidget(), QRect(nCol, nRow, nWidth, nHeight));
    return b;
}

QWidget* TBtnBmp::createWidget(QWidget* parent) {
    auto* b = new BmpButton(*this, parent);
    if (templ() && cCaption.empty() && !templ()->text.empty() && hBitmap1.isNull()) {
        hBitmap1 = loadPicture(templ()->text);
    }
    b->setFocusPolicy(Qt::TabFocus);
    QObject::connect(b, &QAbstractButton::clicked, b, [this] { Click(); });
    return b;
}

void TBtnBmp::Click() {
    if (!whenOk() || (hWnd && !hWnd->isEnabled())) return;
    TWindow* owner = oWnd;
    auto action = bAction;
    if (action) action();
    if (owner && owner->hWnd) owner->evalWhens();
}

void TBtnBmp::paintBackground(QPainter& p, const QRect& r) {
    QStyleOptionButton opt;
    opt.rect = r;
    opt.state = QStyle::State_Raised;
    if (hWnd && hWnd->isEnabled()) opt.state |= QStyle::State_Enabled;
    if (lPressed) opt.state |= QStyle::State_Sunken;
    if (lMOver) opt.state |= QStyle::State_MouseOver;
    if (lBorder && hWnd)
        hWnd->style()->drawControl(QStyle::CE_PushButtonBevel, &opt, &p, hWnd);
    else
        p.fillRect(r, hWnd ? hWnd->palette().button() : QBrush(Qt::lightGray));
}

void TBtnBmp::paint(QPainter& p, const QRect& r) {
    paintBackground(p, r);
    bool enabled = hWnd && hWnd->isEnabled();
    const QPixmap& pm = lPressed && !hBitmap2.isNull() ? hBitmap2 : hBitmap1;
    int captionHeight = 0;
    if (!cCaption.empty()) captionHeight = p.fontMetrics().height() + 2;
    if (!pm.isNull()) {
        QPixmap shown = pm;
        if (!enabled) {
            // Drawn grey when disabled.
            QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < img.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
                for (int x = 0; x < img.width(); ++x) {
                    int g = qGray(line[x]);
                    g = 128 + g / 2;
                    line[x] = qRgba(g, g, g, qAlpha(line[x]));
                }
            }
            shown = QPixmap::fromImage(img);
        }
        QSize avail(r.width() - 4, r.height() - 4 - captionHeight);
        QSize size = shown.size();
        if (size.width() > avail.width() || size.height() > avail.height())
            size.scale(avail, Qt::KeepAspectRatio);
        int x = r.left() + (r.width() - size.width()) / 2;
        int y = r.top() + (r.height() - captionHeight - size.height()) / 2;
        if (lPressed) ++x, ++y;
        p.drawPixmap(QRect(QPoint(x, y), size), shown);
    }
    if (!cCaption.empty()) {
        p.setPen(enabled ? QColor(Qt::black) : QColor(Qt::gray));
        QRect tr(r.left(), r.bottom() - captionHeight, r.width(), captionHeight);
        p.drawText(tr, Qt::AlignHCenter | Qt::AlignVCenter, labelText(cCaption));
    }
}

TCheckBox::TCheckBox(TWindow& owner, int id, VarRef var, std::source_location where)
    : TControl(owner, id, where) {
    bSetGet = std::move(var);
}

TCheckBox* TCheckBox::ReDefine(int nId, TWindow& oWnd, VarRef var, std::source_location where) {
    return makeControl<TCheckBox>(oWnd, nId, std::move(var), where);
}

QWidget* TCheckBox::createWidget(QWidget* parent) {
    auto* b = new QCheckBox(parent);
    if (templ()) {
        b->setText(qs(templ()->text));
        if (templ()->has("BS_LEFTTEXT") || templ()->has("BS_RIGHTBUTTON"))
            b->setLayoutDirection(Qt::RightToLeft);
    } else {
        b->setText(qs(cCaption));
    }
    QObject::connect(b, &QCheckBox::clicked, b, [this](bool on) {
        VarPut(Value(on));
        changed();
    });
    return b;
}

void TCheckBox::Refresh() {
    if (auto* b = qobject_cast<QCheckBox*>(hWnd.data())) b->setChecked(VarGet().logical());
}

bool TCheckBox::checked() const {
    auto* b = qobject_cast<QCheckBox*>(hWnd.data());
    return b ? b->isChecked() : VarGet().logical();
}

TRadio::TRadio(TWindow& owner, int id, TRadMenu& menu, int pos, std::source_location where)
    : TControl(owner, id, where), oRadMenu(&menu), nPos(pos) {}

QWidget* TRadio::createWidget(QWidget* parent) {
    auto* b = new QRadioButton(parent);
    b->setAutoExclusive(false);
    if (templ()) b->setText(qs(templ()->text));
    QObject::connect(b, &QRadioButton::clicked, b, [this] {
        oRadMenu->SetOption(nPos);
        oRadMenu->changed();
    });
    return b;
}

void TRadio::Refresh() {
    lChecked = oRadMenu->nOption() == nPos;
    if (auto* b = qobject_cast<QRadioButton*>(hWnd.data())) b->setChecked(lChecked);
}

TRadMenu::TRadMenu(TWindow& owner, VarRef var, std::source_location where)
    : TControl(owner, 0, where) {
    bSetGet = std::move(var);
}

TRadMenu* TRadMenu::ReDefine(VarRef var, TWindow& oWnd, const std::vector<int>& aIds,
                             std::source_location where) {
    TRadMenu* m = makeControl<TRadMenu>(oWnd, std::move(var), where);
    int pos = 1;
    for (int id : aIds) m->aItems.push_back(makeControl<TRadio>(oWnd, id, *m, pos++, where));
    return m;
}

int TRadMenu::nOption() const {
    return static_cast<int>(VarGet().num());
}

void TRadMenu::SetOption(int n) {
    VarPut(Value(n));
    for (auto* r : aItems) r->Refresh();
}

QWidget* TRadMenu::createWidget(QWidget* parent) {
    auto* w = new QWidget(parent);
    w->setFocusPolicy(Qt::NoFocus);
    w->hide();
    lVisible = false;
    return w;
}

void TRadMenu::Refresh() {
    for (auto* r : aItems) r->Refresh();
}

void TRadMenu::Enable() {
    lActive = true;
    for (auto* r : aItems) r->Enable();
}

void TRadMenu::Disable() {
    lActive = false;
    for (auto* r : aItems) r->Disable();
}

}  // namespace velt
