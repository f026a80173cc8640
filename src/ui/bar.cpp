#include "ui/bar.h"

#include <QEvent>
#include <QMainWindow>
#include <QPainter>
#include <QWidget>

#include "ui/bar_btnbmp.h"
#include "ui/paint.h"

namespace velt {
namespace {
constexpr int kColorBtnShadow = 16;
constexpr int kColorBtnHighlight = 20;
constexpr int kColorFrame = 16;  // the button-shadow colour frames the bar

class BarWidget : public QWidget {
  public:
    BarWidget(TBar& bar, QWidget* parent) : QWidget(parent), bar_(bar) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        bar_.Paint(painter);
    }

  private:
    TBar& bar_;
};

// Keeps the bar along the edge of the client area when the window changes size.
class BarResizeWatch : public QObject {
  public:
    BarResizeWatch(TBar& bar, QObject* parent) : QObject(parent), bar_(bar) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Resize) bar_.Adjust();
        return false;
    }

  private:
    TBar& bar_;
};
}  // namespace

TBar::TBar(TWindow& owner) : TControl(owner, 0) {}

TBar* TBar::New(TWindow& oWnd, int btnWidth, int btnHeight, const std::string& position,
                bool border, int barHeight) {
    auto bar = std::make_unique<TBar>(oWnd);
    bar->nBtnWidth = btnWidth;
    bar->nBtnHeight = btnHeight;
    bar->nBarHeight = barHeight > 0 ? barHeight : btnHeight;
    bar->lBorder = border;
    if (position == "LEFT") bar->nMode = kLeft;
    if (position == "RIGHT") bar->nMode = kRight;
    if (position == "BOTTOM") bar->nMode = kBottom;
    TBar* raw = static_cast<TBar*>(oWnd.adopt(std::move(bar)));
    oWnd.oBar = raw;
    if (QWidget* client = oWnd.clientWidget()) {
        raw->create(client, QRect(0, 0, 1, 1));
        client->installEventFilter(new BarResizeWatch(*raw, raw->hWnd));
        raw->Adjust();
        raw->hWnd->show();
    }
    return raw;
}

QWidget* TBar::createWidget(QWidget* parent) {
    return new BarWidget(*this, parent);
}

bool TBar::HasMenu() const {
    if (!oWnd) return false;
    if (oWnd->oMenu) return true;
    QMainWindow* mw = oWnd->mainWindow();
    return mw && mw->menuWidget();
}

int TBar::Height() const {
    return nBarHeight + (HasMenu() ? 1 : 0) + 2;
}

int TBar::GetBtnTop(int) const {
    return nMode == kTop || nMode == kBottom ? -1 : 0;
}

int TBar::GetBtnLeft(int n) const {
    int left = 0;
    for (int i = 0; i < n && i < static_cast<int>(aButtons.size()); ++i) {
        if (aButtons[i]->lGroup) left += nGroupSep;
        left += aButtons[i]->Width();
    }
    bool group = n < static_cast<int>(aButtons.size()) ? aButtons[n]->lGroup : lNextGroup_;
    return left + (group ? nGroupSep : 0);
}

std::vector<int> TBar::SeparatorLefts() const {
    std::vector<int> lefts;
    int right = 0;
    for (const TBarBtnBmp* b : aButtons) {
        if (b->lGroup) {
            lefts.push_back(right + nGroupSep / 2 - 1);
            right += nGroupSep;
        }
        right += b->Width();
    }
    return lefts;
}

TBarBtnBmp* TBar::Add(std::unique_ptr<TBarBtnBmp> button) {
    if (lNextGroup_) {
        button->lGroup = true;
        lNextGroup_ = false;
    }
    if (aButtons.empty() || button->lGroup) ++nGroups;
    button->oBar = this;
    TBarBtnBmp* raw = static_cast<TBarBtnBmp*>(adopt(std::move(button)));
    aButtons.push_back(raw);
    return raw;
}

void TBar::Adjust() {
    if (!hWnd || !oWnd) return;
    QWidget* client = oWnd->clientWidget();
    if (!client) return;
    const int w = client->width(), h = client->height();
    switch (nMode) {
        case kTop:
            // The border falls outside the client area on the left, right and (without a menu)
            // top sides.
            Move(HasMenu() ? 0 : -1, -1, w + 3, Height());
            break;
        case kBottom:
            Move(h - Height() + 1, -1, w + 3, Height());
            break;
        case kLeft:
            Move(-1, -1, nBtnWidth + 3, h + 2);
            break;
        case kRight:
            Move(-1, w - nBtnWidth - 2, nBtnWidth + 3, h + 2);
            break;
        default:
            break;
    }
    int top = 0;
    for (std::size_t i = 0; i < aButtons.size(); ++i) {
        TBarBtnBmp* b = aButtons[i];
        if (nMode == kTop || nMode == kBottom) {
            b->Move(GetBtnTop(static_cast<int>(i)), GetBtnLeft(static_cast<int>(i)), b->Width(),
                    nBtnHeight);
        } else {
            if (b->lGroup) top += nGroupSep;
            b->Move(top, 0, b->Width(), nBtnHeight);
            top += nBtnHeight;
        }
    }
    hWnd->raise();
}

void TBar::Refresh() {
    if (hWnd) hWnd->update();
    for (TBarBtnBmp* b : aButtons) b->Refresh();
}

void TBar::Paint(QPainter& painter) {
    if (!hWnd) return;
    const QRect r = hWnd->rect();
    if (aGrad.empty())
        painter.fillRect(r, toQColor(kBackground));
    else
        GRADIENTFILL(painter, 0, 0, r.height(), r.width(), aGrad);
    if (lBorder) {
        painter.setPen(toQColor(GETSYSCOLOR(kColorFrame)));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
    }
    if (nMode == kTop || nMode == kBottom) {
        for (int x : SeparatorLefts()) {
            painter.setPen(toQColor(GETSYSCOLOR(kColorBtnShadow)));
            painter.drawLine(x, 2, x, r.height() - 1 - 3);
            painter.setPen(toQColor(GETSYSCOLOR(kColorBtnHighlight)));
            painter.drawLine(x + 1, 2, x + 1, r.height() - 1 - 3);
        }
    }
    if (bPainted) bPainted(painter);
}

}  // namespace velt
