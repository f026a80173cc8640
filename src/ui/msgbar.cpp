#include "ui/msgbar.h"

#include <QCursor>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWidget>
#include <algorithm>
#include <ctime>

#include "ui/msgbar_keys.h"
#include "ui/paint.h"
#include "ui/qtext.h"
#include "ui/timer.h"
#include "util/date.h"

namespace velt {
namespace {
constexpr int kColorWindow = 5;
constexpr int kColorWindowText = 8;
constexpr int kColorBtnShadow = 16;
constexpr int kColorBtnHighlight = 20;
constexpr int kTextLeft = 4;
constexpr int kItemPadding = 12;

std::vector<TMsgBar*>& allBars() {
    static std::vector<TMsgBar*> bars;
    return bars;
}

std::function<TMsgBar::KeyLocks()>& keyLockReader() {
    static std::function<TMsgBar::KeyLocks()> reader;
    return reader;
}

std::string clockText() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[16];
    std::strftime(buffer, sizeof buffer, "%H:%M:%S", &local);
    return buffer;
}

// The line's window: paints and takes the mouse for its TMsgBar.
class MsgBarWidget : public QWidget {
  public:
    MsgBarWidget(TMsgBar* bar, QWidget* parent) : QWidget(parent), bar_(bar) {
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        bar_->Paint(painter);
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        bar_->MouseMove(e->position().toPoint().y(), e->position().toPoint().x());
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton)
            bar_->LButtonDown(e->position().toPoint().y(), e->position().toPoint().x());
    }

  private:
    TMsgBar* bar_;
};

// Follows the window's size, so the line always spans the bottom of its client area.
class ResizeWatch : public QObject {
  public:
    ResizeWatch(TMsgBar* bar, QObject* parent) : QObject(parent), bar_(bar) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Resize || e->type() == QEvent::Show) bar_->Adjust();
        return false;
    }

  private:
    TMsgBar* bar_;
};
}  // namespace

// ---- TMsgItem ----

TMsgItem::TMsgItem(TMsgBar* bar, const std::string& text, int size, std::function<void()> action,
                   const std::string& toolTip)
    : oMsgBar(bar),
      cMsg(text),
      oFont(bar ? bar->oFont : TFont::New("Segoe UI", 0, -12)),
      nClrText(bar ? bar->nClrText : GETSYSCOLOR(kColorWindowText)),
      nClrDisabled(GETSYSCOLOR(kColorWindow)),
      bAction(std::move(action)),
      cToolTip(toolTip) {
    nSize =
        size > 0 ? size : QFontMetrics(oFont.qFont()).horizontalAdvance(qs(text)) + kItemPadding;
}

void TMsgItem::End() {
    hBitmap1 = QPixmap();
    hBitmap2 = QPixmap();
    bMsg = nullptr;
    bActive = nullptr;
    bAction = nullptr;
}

void TMsgItem::Click() {
    if (bAction) bAction();
}

void TMsgItem::SetText(const std::string& text) {
    if (text == cMsg) return;
    cMsg = text;
    if (oMsgBar) oMsgBar->Refresh();
}

void TMsgItem::SetActive(bool on) {
    if (on == lActive) return;
    lActive = on;
    if (oMsgBar) oMsgBar->Refresh();
}

void TMsgItem::Refresh() {
    if (bMsg) SetText(bMsg());
    if (bActive) SetActive(bActive());
}

int TMsgItem::nLeft() const {
    if (!oMsgBar) return 0;
    int right = oMsgBar->Width();
    for (auto it = oMsgBar->aItems.rbegin(); it != oMsgBar->aItems.rend(); ++it) {
        right -= (*it)->nSize;
        if (it->get() == this) return right;
    }
    return right;
}

bool TMsgItem::IsOver(int nRow, int nCol) const {
    int left = nLeft();
    return oMsgBar && nRow >= 0 && nRow < oMsgBar->nHeight && nCol >= left && nCol < left + nSize;
}

void TMsgItem::Paint(QPainter& painter) {
    const int left = nLeft();
    const int height = oMsgBar ? oMsgBar->nHeight : 0;
    // The sunken separator in front of the item.
    painter.setPen(toQColor(GETSYSCOLOR(kColorBtnShadow)));
    painter.drawLine(left, 2, left, height - 3);
    painter.setPen(toQColor(GETSYSCOLOR(kColorBtnHighlight)));
    painter.drawLine(left + 1, 2, left + 1, height - 3);
    const QRect area(left + 2, 0, nSize - 2, height);
    const QPixmap& picture = lActive || hBitmap2.isNull() ? hBitmap1 : hBitmap2;
    if (!picture.isNull()) {
        QSize size = picture.deviceIndependentSize().toSize();
        painter.drawPixmap(area.left() + (area.width() - size.width()) / 2,
                           (height - size.height()) / 2, picture);
        return;
    }
    painter.setFont(oFont.qFont());
    painter.setPen(toQColor(lActive ? nClrText : nClrDisabled));
    painter.drawText(area, Qt::AlignCenter, qs(cMsg));
}

// ---- TMsgBar ----

TMsgBar* GETMSGBARDEFAULT() {
    return allBars().empty() ? nullptr : allBars().back();
}

TMsgBar::TMsgBar(TWindow& owner)
    : TControl(owner, 0),
      oFont(TFont::New("Segoe UI", 0, -12)),
      nClrText(GETSYSCOLOR(kColorWindowText)) {
    nHeight = 2 * oFont.nHeight;
}

TMsgBar* TMsgBar::New(TWindow& window, const std::string& defaultText, bool lClock, bool lDate,
                      bool lKeyb, const TFont* font, int textColour) {
    auto bar = std::make_unique<TMsgBar>(window);
    bar->cMsgDef = defaultText;
    if (font) bar->oFont = *font;
    if (textColour >= 0) bar->nClrText = textColour;
    bar->nHeight = 2 * bar->oFont.nHeight;
    TMsgBar* raw = static_cast<TMsgBar*>(window.adopt(std::move(bar)));
    window.oMsgBar = raw;
    allBars().push_back(raw);
    // Controls show their help text here while they have the focus.
    setHelpHook([](const std::string& text) {
        if (TMsgBar* last = GETMSGBARDEFAULT()) last->SetMsg(text);
    });
    if (QWidget* client = window.clientWidget()) {
        raw->create(client, QRect(0, 0, 1, 1));
        client->installEventFilter(new ResizeWatch(raw, raw->hWnd));
    }
    if (lKeyb) raw->KeybOn();
    if (lDate) raw->DateOn();
    if (lClock) raw->ClockOn();
    raw->Adjust();
    if (raw->hWnd) raw->hWnd->show();
    return raw;
}

QWidget* TMsgBar::createWidget(QWidget* parent) {
    return new MsgBarWidget(this, parent);
}

TMsgBar::~TMsgBar() {
    Destroy();
}

void TMsgBar::Destroy() {
    auto& bars = allBars();
    bars.erase(std::remove(bars.begin(), bars.end(), this), bars.end());
    if (bars.empty()) setHelpHook(nullptr);
    if (oTimer) oTimer->End();
    oTimer.reset();
    for (auto& item : aItems) item->End();
    aItems.clear();
    if (oWnd && oWnd->oMsgBar == this) oWnd->oMsgBar = nullptr;
}

int TMsgBar::Width() const {
    return hWnd ? hWnd->width() : 0;
}

void TMsgBar::KeybOn() {
    auto num = std::make_unique<TMsgItem>(this, "Num");
    num->bActive = [] { return ReadKeyLocks().num; };
    num->lActive = ReadKeyLocks().num;
    AddItem(std::move(num));
    auto caps = std::make_unique<TMsgItem>(this, "Caps");
    caps->bActive = [] { return ReadKeyLocks().caps; };
    caps->lActive = ReadKeyLocks().caps;
    AddItem(std::move(caps));
}

void TMsgBar::DateOn() {
    auto item = std::make_unique<TMsgItem>(this, Date::today().toString());
    item->bMsg = [] { return Date::today().toString(); };
    AddItem(std::move(item));
}

void TMsgBar::ClockOn() {
    auto item = std::make_unique<TMsgItem>(this, clockText());
    item->bMsg = clockText;
    AddItem(std::move(item));
}

TMsgItem* TMsgBar::AddItem(std::unique_ptr<TMsgItem> item) {
    item->oMsgBar = this;
    aItems.push_back(std::move(item));
    CheckTimer();
    Refresh();
    return aItems.back().get();
}

void TMsgBar::CheckTimer() {
    if (oTimer) return;
    bool timed = std::any_of(aItems.begin(), aItems.end(), [](const auto& i) { return i->lTimer; });
    if (!timed) return;
    oTimer = std::make_unique<TTimer>(
        kTimerInterval, [this] { TimerEval(); }, hWnd);
    oTimer->Activate();
}

void TMsgBar::TimerEval() {
    for (auto& item : aItems)
        if (item->lTimer) item->Refresh();
}

void TMsgBar::Adjust() {
    QWidget* client = oWnd ? oWnd->clientWidget() : nullptr;
    if (!hWnd || !client) return;
    Move(client->height() - nHeight, 0, client->width(), nHeight);
    hWnd->raise();
}

void TMsgBar::SetMsg(const std::string& text) {
    if (text == cMsg) return;
    cMsg = text;
    Refresh();
}

void TMsgBar::Refresh() {
    if (hWnd) hWnd->update();
}

void TMsgBar::Paint(QPainter& painter) {
    const int width = Width();
    GRADIENTFILL(painter, 0, 0, nHeight, width,
                 {{0.5, RGB(254, 254, 255), RGB(232, 236, 246)},
                  {0.5, RGB(212, 219, 237), RGB(222, 227, 244)}});
    if (lBorder) {
        painter.setPen(toQColor(GETSYSCOLOR(kColorBtnShadow)));
        painter.drawLine(0, 0, width - 1, 0);
    }
    int textRight = aItems.empty() ? width : aItems.front()->nLeft();
    painter.setFont(oFont.qFont());
    painter.setPen(toQColor(nClrText));
    painter.drawText(QRect(kTextLeft, 0, std::max(0, textRight - kTextLeft), nHeight),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, qs(ShownText()));
    for (auto& item : aItems) item->Paint(painter);
}

TMsgItem* TMsgBar::ItemAt(int nRow, int nCol) {
    for (auto& item : aItems)
        if (item->IsOver(nRow, nCol)) return item.get();
    return nullptr;
}

void TMsgBar::MouseMove(int nRow, int nCol) {
    TMsgItem* item = ItemAt(nRow, nCol);
    if (item && item->bAction) {
        hWnd->setCursor(Qt::PointingHandCursor);
        if (!item->cToolTip.empty())
            QToolTip::showText(hWnd->mapToGlobal(QPoint(nCol, nRow)), qs(item->cToolTip), hWnd);
    } else {
        hWnd->unsetCursor();
        QToolTip::hideText();
    }
}

void TMsgBar::LButtonDown(int nRow, int nCol) {
    if (TMsgItem* item = ItemAt(nRow, nCol)) item->Click();
}

void TMsgBar::SetKeyLockReader(std::function<KeyLocks()> reader) {
    keyLockReader() = std::move(reader);
}

TMsgBar::KeyLocks TMsgBar::ReadKeyLocks() {
    if (keyLockReader()) return keyLockReader()();
    KeyLocks locks;
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        readX11KeyLocks(locks.num, locks.caps);
    return locks;
}

}  // namespace velt
