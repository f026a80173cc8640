#include "ui/bar_btnbmp.h"

#include <QEnterEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include "ui/bar.h"
#include "ui/menu.h"
#include "ui/paint.h"
#include "ui/qtext.h"
#include "util/failure.h"

namespace velt {
namespace {
constexpr int kColorBtnText = 18;
constexpr int kColorGrayText = 17;

class BtnWidget : public QWidget {
  public:
    BtnWidget(TBarBtnBmp& button, QWidget* parent) : QWidget(parent), button_(button) {
        setMouseTracking(true);
        setAttribute(Qt::WA_Hover);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        button_.paint(painter, rect());
    }
    void enterEvent(QEnterEvent* e) override {
        button_.MouseMove(e->position().toPoint().y(), e->position().toPoint().x());
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        button_.MouseMove(e->position().toPoint().y(), e->position().toPoint().x());
    }
    void leaveEvent(QEvent*) override { button_.MouseLeave(); }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) button_.GoDown();
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        QPoint p = e->position().toPoint();
        // The window's event loop is the last place an abandoned operation can stop.
        try {
            button_.LButtonUp(p.y(), p.x());
        } catch (const Abandon&) {
        }
    }

  private:
    TBarBtnBmp& button_;
};

}  // namespace

TBarBtnBmp::TBarBtnBmp(TWindow& owner, const BarSpec& s)
    : TBtnBmp(owner, 0, s.cBmp1, s.cBmp2, s.bAction),
      oCaptionFont(s.oFont ? *s.oFont : TFont::New("Segoe UI", 0, -12)) {
    lGroup = s.lGroup;
    lBorder = false;
    bWhen = s.bWhen;
    cToolTip = s.cToolTip;
    cCaption = s.cCaption;
    oPopup = s.oPopup;
}

TBarBtnBmp* TBarBtnBmp::NewBar(TBar& bar, const BarSpec& s) {
    TBarBtnBmp* raw = bar.Add(std::make_unique<TBarBtnBmp>(bar, s));
    const int n = static_cast<int>(bar.aButtons.size()) - 1;
    if (bar.hWnd) {
        raw->create(bar.hWnd,
                    QRect(bar.GetBtnLeft(n), bar.GetBtnTop(n), raw->Width(), bar.nBtnHeight));
        raw->hWnd->show();
    }
    if (raw->bWhen && !raw->bWhen()) raw->Disable();
    return raw;
}

QWidget* TBarBtnBmp::createWidget(QWidget* parent) {
    return new BtnWidget(*this, parent);
}

int TBarBtnBmp::Width() const {
    int base = oBar ? oBar->nBtnWidth : (nRight - nLeft);
    return base + (oPopup ? kArrowWidth : 0);
}

int TBarBtnBmp::PictureAreaWidth() const {
    return Width() - (oPopup ? kArrowWidth : 0);
}

QRect TBarBtnBmp::PictureRect() const {
    const int height = oBar ? oBar->nBtnHeight : (nBottom - nTop);
    QSize size = hBitmap1.isNull() ? QSize(0, 0) : hBitmap1.deviceIndependentSize().toSize();
    int x = (PictureAreaWidth() - size.width()) / 2;
    int y = (height - size.height()) / 2;
    if (!cCaption.empty()) {
        int textHeight = QFontMetrics(oCaptionFont.qFont()).height();
        y -= static_cast<int>(textHeight / kCaptionLift);
    }
    return QRect(x, y, size.width(), size.height());
}

void TBarBtnBmp::Press() {
    if (isEnabled() && bAction) bAction();
}

void TBarBtnBmp::GoDown() {
    if (!isEnabled()) return;
    lPressed = true;
    Refresh();
}

void TBarBtnBmp::GoUp() {
    lPressed = false;
    Refresh();
}

void TBarBtnBmp::LButtonUp(int nRow, int nCol) {
    const bool wasPressed = lPressed;
    GoUp();
    if (!wasPressed || !isEnabled()) return;
    if (nRow < 0 || nCol < 0 || nCol >= Width() || (hWnd && nRow >= hWnd->height())) return;
    if (oPopup && nCol >= PictureAreaWidth())
        ShowPopup();
    else
        Press();
}

void TBarBtnBmp::MouseMove(int, int) {
    if (lMOver || !isEnabled()) return;
    lMOver = true;
    Refresh();
}

void TBarBtnBmp::MouseLeave() {
    lMOver = false;
    lPressed = false;
    Refresh();
}

void TBarBtnBmp::ShowPopup() {
    if (Popup() && hWnd) Popup()->Activate(hWnd->height(), 0, hWnd);
}

void TBarBtnBmp::Enable() {
    TControl::Enable();
    Refresh();
}

void TBarBtnBmp::Disable() {
    lMOver = false;
    lPressed = false;
    TControl::Disable();
    Refresh();
}

void TBarBtnBmp::Refresh() {
    if (hWnd) hWnd->update();
}

void TBarBtnBmp::paintBackground(QPainter& painter, const QRect& r) {
    painter.fillRect(r, toQColor(lMOver && isEnabled() ? TBar::kHover : TBar::kBackground));
}

void TBarBtnBmp::paint(QPainter& painter, const QRect& r) {
    const bool enabled = isEnabled();
    paintBackground(painter, r);
    const QPixmap& normal = lPressed && !hBitmap2.isNull() ? hBitmap2 : hBitmap1;
    if (!normal.isNull()) {
        QRect at = PictureRect();
        if (lPressed && hBitmap2.isNull()) at.translate(1, 1);
        if (enabled) {
            painter.drawPixmap(at, normal);
        } else {
            QIcon icon(normal);
            painter.drawPixmap(
                at, icon.pixmap(normal.deviceIndependentSize().toSize(), QIcon::Disabled));
        }
    }
    if (!cCaption.empty()) {
        painter.setFont(oCaptionFont.qFont());
        painter.setPen(toQColor(GETSYSCOLOR(enabled ? kColorBtnText : kColorGrayText)));
        painter.drawText(QRect(0, 0, PictureAreaWidth(), r.height() - 2),
                         Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine, qs(cCaption));
    }
    if (oPopup) {
        // The drop-down arrow, centred in the rightmost 13 pixels.
        const int cx = PictureAreaWidth() + kArrowWidth / 2;
        const int cy = r.height() / 2;
        QPolygon arrow;
        arrow << QPoint(cx - 3, cy - 1) << QPoint(cx + 3, cy - 1) << QPoint(cx, cy + 2);
        painter.setPen(Qt::NoPen);
        painter.setBrush(toQColor(GETSYSCOLOR(enabled ? kColorBtnText : kColorGrayText)));
        painter.drawPolygon(arrow);
    }
}

}  // namespace velt
