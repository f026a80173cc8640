#include "ui/browse.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyle>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>
#include <utility>

#include "ui/browse_workarea.h"
#include "ui/paint.h"
#include "ui/qtext.h"
#include "util/cp1252.h"

namespace velt {

namespace {

// Width kept free for the vertical scroll bar at the right of the columns.
constexpr int kScrollBarRoom = 21;
// Text stops this many pixels short of a cell's right edge.
constexpr int kCellClip = 3;
constexpr int kTextIndent = 2;
const int kUnfocusedBack = RGB(128, 128, 128);

int systemColor(QPalette::ColorRole role) {
    return fromQColor(QGuiApplication::palette().color(role));
}

QString toQString(const std::string& text) {
    return QString::fromStdString(cp1252ToUtf8(text));
}

std::string trimBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

Qt::Alignment alignmentOf(Justify j) {
    switch (j) {
        case Justify::Right:
            return Qt::AlignRight | Qt::AlignVCenter;
        case Justify::Center:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        case Justify::Left:
            break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

// One vertical strip from colour a to colour b, one line per pixel, channels advanced in fixed
// point with 10 fractional bits.
void gradientStrip(QPainter& dc, int top, int height, int left, int width, QColor a, QColor b) {
    if (height <= 0) return;
    const int steps[3] = {((b.red() - a.red()) * 1024) / height,
                          ((b.green() - a.green()) * 1024) / height,
                          ((b.blue() - a.blue()) * 1024) / height};
    int acc[3] = {a.red() * 1024, a.green() * 1024, a.blue() * 1024};
    for (int i = 0; i < height; ++i) {
        dc.fillRect(left, top + i, width, 1, QColor(acc[0] >> 10, acc[1] >> 10, acc[2] >> 10));
        for (int k = 0; k < 3; ++k) acc[k] += steps[k];
    }
}

}  // namespace

// The window of the control: forwards painting, focus, keys and the wheel to its TWBrowse.
class BrowseWidget : public QWidget {
  public:
    BrowseWidget(TWBrowse& owner, QWidget* parent) : QWidget(parent), owner_(&owner) {
        setFocusPolicy(Qt::WheelFocus);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter dc(this);
        if (owner_) owner_->Paint(dc);
    }
    void resizeEvent(QResizeEvent*) override {
        if (owner_) owner_->ReSize();
    }
    void showEvent(QShowEvent*) override {
        if (owner_ && owner_->firstShow_) {
            owner_->firstShow_ = false;
            owner_->AdjustSize();
        }
    }
    void focusInEvent(QFocusEvent*) override {
        if (owner_) owner_->GotFocus();
    }
    void focusOutEvent(QFocusEvent*) override {
        if (owner_) owner_->LostFocus();
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (!owner_) return e->ignore();
        int nChar = 0;
        if (e->key() == Qt::Key_Backspace) {
            nChar = 8;
        } else if (e->text().size() == 1) {
            const std::string bytes = fromQ(e->text());
            if (bytes.size() == 1) nChar = static_cast<unsigned char>(bytes[0]);
        }
        if (owner_->KeyDown(e->key(), nChar)) {
            e->accept();
        } else {
            e->ignore();  // the dialog gets it (Escape closes, Enter presses the default)
        }
    }
    void wheelEvent(QWheelEvent* e) override {
        if (!owner_) return e->ignore();
        owner_->wheelRest_ += e->angleDelta().y();
        const int steps = owner_->wheelRest_ / 120;
        owner_->wheelRest_ -= steps * 120;
        if (steps != 0) owner_->MouseWheel(steps, (e->buttons() & Qt::MiddleButton) != 0);
        e->accept();
    }

  public:
    TWBrowse* owner_;  // null once the control let go of its window
};

// Takes the clicks before the control's generic callbacks see them: the row moves first, then
// the click callbacks run.
class BrowseMouse : public QObject {
  public:
    BrowseMouse(TWBrowse& owner, QObject* parent) : QObject(parent), owner_(&owner) {}

  protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (!owner_ ||
            (e->type() != QEvent::MouseButtonPress && e->type() != QEvent::MouseButtonDblClick)) {
            return false;
        }
        auto* m = static_cast<QMouseEvent*>(e);
        const QPoint p = m->position().toPoint();
        if (e->type() == QEvent::MouseButtonDblClick) {
            if (m->button() == Qt::LeftButton) owner_->LDblClick(p.y(), p.x());
        } else if (m->button() == Qt::LeftButton) {
            owner_->LButtonDown(p.y(), p.x());
        } else if (m->button() == Qt::RightButton) {
            owner_->RButtonDown(p.y(), p.x());
        }
        return true;
    }

  public:
    TWBrowse* owner_;  // null once the control let go of its window
};

// --- creation

TWBrowse::TWBrowse(TWindow& owner, int nId, BrowseParams params)
    : TControl(owner, nId),
      cAlias(std::move(params.cAlias)),
      aHeaders(std::move(params.aHeaders)),
      aColSizes(std::move(params.aColSizes)),
      aActions(std::move(params.aActions)),
      bLine(std::move(params.bLine)),
      lHScroll(params.lHScroll),
      nClrForeHead(systemColor(QPalette::ButtonText)),
      nClrForeFocus(systemColor(QPalette::HighlightedText)),
      nClrBackFocus(systemColor(QPalette::Highlight)) {
    nClrText = params.nClrFore;
    nClrPane = params.nClrBack;
    bChange = std::move(params.bChange);
    bLDblClick = std::move(params.bLDblClick);
    bLClicked = std::move(params.bLClicked);
    bRClicked = std::move(params.bRClicked);
    bWhen = std::move(params.bWhen);
    bValid = std::move(params.bValid);
    cMsg = std::move(params.cMsg);
    oFont = params.oFont ? *params.oFont : TFont::New("Segoe UI", 0, -13);
    // By default the browse shows a work area: the named one, or the one current now.
    if (cAlias != "ARRAY") oSource = workAreaSource(cAlias);
}

TWBrowse::~TWBrowse() {
    release();
}

void TWBrowse::release() {
    // The window may outlive the control (a dialog deleted later): it must not call back.
    if (widget_) widget_->owner_ = nullptr;
    if (mouse_) mouse_->owner_ = nullptr;
}

TWBrowse* TWBrowse::ReDefine(int nId, TWindow& oDlg, BrowseParams params) {
    return makeControl<TWBrowse>(oDlg, nId, std::move(params));
}

TWBrowse* TWBrowse::New(int nTop, int nLeft, int nWidth, int nHeight, TWindow& oWnd,
                        BrowseParams params) {
    auto* brw = makeControl<TWBrowse>(oWnd, TControl::nInitID++, std::move(params));
    brw->nTop = nTop, brw->nLeft = nLeft;
    brw->nBottom = nTop + nHeight, brw->nRight = nLeft + nWidth;
    if (QWidget* parent = oWnd.clientWidget()) {
        brw->create(parent, QRect(nLeft, nTop, nWidth, nHeight));
        brw->hWnd->show();
    }
    return brw;
}

QWidget* TWBrowse::createWidget(QWidget* parent) {
    release();
    auto* w = new BrowseWidget(*this, parent);
    widget_ = w;
    bmpBuffer = QImage();
    bufferValid_ = false;
    firstShow_ = true;
    return w;
}

void TWBrowse::afterCreate() {
    // The scroll bars are made after the generic event wiring so that clicks on them never
    // count as clicks on a row.
    oVScroll = new QScrollBar(Qt::Vertical, hWnd);
    oVScroll->setFocusPolicy(Qt::NoFocus);
    oVScroll->setRange(1, 1);
    QObject::connect(oVScroll.data(), &QAbstractSlider::actionTriggered, hWnd,
                     [this](int action) { VScroll(action, oVScroll->sliderPosition()); });
    if (lHScroll) {
        oHScroll = new QScrollBar(Qt::Horizontal, hWnd);
        oHScroll->setFocusPolicy(Qt::NoFocus);
        QObject::connect(oHScroll.data(), &QAbstractSlider::actionTriggered, hWnd,
                         [this](int action) { HScroll(action, oHScroll->sliderPosition()); });
    }
    mouse_ = new BrowseMouse(*this, hWnd);
    hWnd->installEventFilter(mouse_);
    hWnd->setFont(qFont());
    layoutScrollBars();
    if (oSource) Stabilize(false);
}

void TWBrowse::detach() {
    TControl::detach();
    release();
    bmpBuffer = QImage();
    bufferValid_ = false;
}

QFont TWBrowse::qFont() const {
    return oFont ? oFont->qFont() : QFont();
}

int TWBrowse::textColor() const {
    return nClrText >= 0 ? nClrText : systemColor(QPalette::Text);
}

int TWBrowse::paneColor() const {
    return nClrPane >= 0 ? nClrPane : systemColor(QPalette::Base);
}

void TWBrowse::SetSource(std::shared_ptr<BrowseSource> source) {
    oSource = std::move(source);
    nRowPos = 1;
    Stabilize(false);
}

void TWBrowse::SetArray(std::vector<BrowseLine> aList) {
    aArray = std::move(aList);
    cAlias = "ARRAY";
    if (!bLine) {
        bLine = [this]() -> BrowseLine {
            if (nAt < 1 || nAt > static_cast<long>(aArray.size())) return {};
            return aArray[static_cast<size_t>(nAt - 1)];
        };
    }
    nAt = aArray.empty() ? 0 : 1;
    SetSource(
        std::make_shared<ArraySource>(nAt, [this] { return static_cast<long>(aArray.size()); }));
}

// --- geometry

int TWBrowse::nLineHeight() const {
    return QFontMetrics(qFont()).height() + 1;
}

int TWBrowse::nHeaderHeight() const {
    return aHeaders.empty() ? 0 : nLineHeight() + 1;
}

int TWBrowse::clientWidth() const {
    if (!hWnd) return 0;
    return hWnd->width() - (oVScroll ? oVScroll->sizeHint().width() : 0);
}

int TWBrowse::clientHeight() const {
    if (!hWnd) return 0;
    return hWnd->height() - (oHScroll ? oHScroll->sizeHint().height() : 0);
}

int TWBrowse::nRowCount() const {
    return std::max(0, (clientHeight() - nHeaderHeight()) / nLineHeight());
}

int TWBrowse::nUsableWidth() const {
    return hWnd ? hWnd->width() - kScrollBarRoom : 0;
}

int TWBrowse::rowTop(int nLine) const {
    return nHeaderHeight() + (nLine - 1) * nLineHeight();
}

std::vector<int> TWBrowse::effectiveSizes() const {
    const size_t nCols = std::max(aHeaders.size(), aColSizes.size());
    std::vector<int> sizes(nCols, 0);
    const QFontMetrics fm(qFont());
    for (size_t i = 0; i < nCols; ++i) {
        if (i < aColSizes.size()) {
            sizes[i] = aColSizes[i];
        } else {  // a title without a width: as wide as its title
            sizes[i] = fm.horizontalAdvance(toQString(aHeaders[i])) + 2 * kTextIndent + kCellClip;
        }
    }
    if (!sizes.empty() && sizes.back() == 0) {
        const bool emptyTitle = aHeaders.size() == nCols && trimBlanks(aHeaders.back()).empty();
        if (emptyTitle) {
            sizes.pop_back();
        } else {
            int others = 0;
            for (size_t i = 0; i + 1 < sizes.size(); ++i) others += sizes[i];
            sizes.back() = std::max(0, nUsableWidth() - others);
        }
    }
    return sizes;
}

namespace {

// The columns in the order they are drawn: the frozen ones, then from nColPos on.
std::vector<int> displayOrder(size_t nCols, int nFreeze, int nColPos) {
    std::vector<int> order;
    const int n = static_cast<int>(nCols);
    for (int c = 1; c <= std::min(nFreeze, n); ++c) order.push_back(c);
    for (int c = std::max(nColPos, nFreeze + 1); c <= n; ++c) order.push_back(c);
    return order;
}

}  // namespace

int TWBrowse::nAtCol(int nX) const {
    const auto sizes = effectiveSizes();
    int x = 0;
    for (int c : displayOrder(sizes.size(), nFreeze, nColPos)) {
        const int w = sizes[static_cast<size_t>(c - 1)];
        if (w <= 1) continue;
        if (x >= nUsableWidth()) break;
        if (nX >= x && nX < x + w) return c;
        x += w;
    }
    return 0;
}

bool TWBrowse::IsColVisible(int nCol) const {
    const auto sizes = effectiveSizes();
    int x = 0;
    for (int c : displayOrder(sizes.size(), nFreeze, nColPos)) {
        const int w = sizes[static_cast<size_t>(c - 1)];
        if (w <= 1) continue;
        if (x >= nUsableWidth()) return false;
        if (c == nCol) return true;
        x += w;
    }
    return false;
}

Justify TWBrowse::justifyOf(int nCol) const {
    const size_t i = static_cast<size_t>(nCol - 1);
    if (i >= aJustify.size()) return Justify::Left;
    if (const bool* right = std::get_if<bool>(&aJustify[i])) {
        return *right ? Justify::Right : Justify::Left;
    }
    const std::string& s = std::get<std::string>(aJustify[i]);
    return (s == "C" || s == "c") ? Justify::Center : Justify::Left;
}

QFont TWBrowse::fontOf(int nCol) const {
    return bFont ? bFont(nCol).qFont() : qFont();
}

// --- painting

bool TWBrowse::ensureBuffer() {
    if (!hWnd) return false;
    const qreal dpr = hWnd->devicePixelRatioF();
    const QSize size(std::max(1, clientWidth()), std::max(1, clientHeight()));
    if (bmpBuffer.isNull() || bmpBuffer.size() != size * dpr) {
        bmpBuffer = QImage(size * dpr, QImage::Format_ARGB32_Premultiplied);
        bmpBuffer.setDevicePixelRatio(dpr);
        bufferValid_ = false;
    }
    return true;
}

void TWBrowse::updateWidget() {
    if (hWnd) hWnd->update(0, 0, clientWidth(), clientHeight());
}

void TWBrowse::Paint(QPainter& dc) {
    if (!ensureBuffer()) return;
    if (!bufferValid_) DrawBrowse();
    dc.drawImage(0, 0, bmpBuffer);
}

void TWBrowse::clearLines(QPainter& dc, int nFrom, int nTo) {
    if (nFrom > nTo) return;
    const int top = rowTop(nFrom);
    const int height = (nTo - nFrom + 1) * nLineHeight();
    if (hBkgBmp) {
        dc.save();
        dc.setClipRect(0, top, clientWidth(), height);
        dc.drawPixmap(0, 0, clientWidth(), clientHeight(), *hBkgBmp);
        dc.restore();
    } else {
        dc.fillRect(0, top, clientWidth(), height, toQColor(paneColor()));
    }
}

void TWBrowse::DrawBrowse() {
    if (!ensureBuffer()) return;
    QPainter dc(&bmpBuffer);
    // Background: the picture when there is one, else the pane colour (also below the lines).
    if (hBkgBmp) {
        dc.drawPixmap(0, 0, clientWidth(), clientHeight(), *hBkgBmp);
    } else {
        dc.fillRect(0, 0, clientWidth(), clientHeight(), toQColor(paneColor()));
    }
    drawHeader(dc);
    const int nLines = nRowCount();
    int line = 0;
    if (oSource && nLines > 0 && oSource->onRow()) {
        nRowPos = std::clamp(nRowPos, 1, nLines);
        // From the row nRowPos - 1 above the current one, as far as there are rows above it.
        const long up = -oSource->skip(-(nRowPos - 1));
        nRowPos = static_cast<int>(up) + 1;
        long offset = -up;
        line = 1;
        for (;;) {
            drawRow(dc, line, line == nRowPos);
            if (line == nLines || oSource->skip(1) != 1) break;
            ++offset;
            ++line;
        }
        oSource->skip(-offset);  // back on the current row
    }
    clearLines(dc, line + 1, nLines);
    bufferValid_ = true;
    updateWidget();
}

void TWBrowse::drawHeader(QPainter& dc) {
    if (aHeaders.empty()) return;
    const int h = nLineHeight();
    const int w = clientWidth();
    const int half = h / 2;
    gradientStrip(dc, 0, half, 0, w, QColor(254, 254, 255), QColor(232, 236, 246));
    gradientStrip(dc, half, h - half, 0, w, QColor(212, 219, 237), QColor(222, 227, 244));
    const QPalette& pal = QGuiApplication::palette();
    const QColor shadow = pal.color(QPalette::Dark);
    const QColor light = pal.color(QPalette::Light);
    dc.fillRect(0, h, w, 1, shadow);  // the line between the header and the rows
    const auto sizes = effectiveSizes();
    int x = 0;
    for (int c : displayOrder(sizes.size(), nFreeze, nColPos)) {
        const int cw = sizes[static_cast<size_t>(c - 1)];
        if (cw <= 1) continue;
        if (x >= nUsableWidth()) break;
        // Sunken outline with a raised inner edge (an etched frame).
        const QRect r(x, 0, cw, h);
        dc.setPen(shadow);
        dc.drawLine(r.left(), r.top(), r.right() - 1, r.top());
        dc.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
        dc.setPen(light);
        dc.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
        dc.drawLine(r.right(), r.top(), r.right(), r.bottom());
        dc.setPen(light);
        dc.drawLine(r.left() + 1, r.top() + 1, r.right() - 2, r.top() + 1);
        dc.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 2);
        dc.setPen(shadow);
        dc.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
        dc.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
        const size_t i = static_cast<size_t>(c - 1);
        if (i < aHeaders.size()) {
            dc.save();
            dc.setClipRect(QRect(x, 0, std::max(0, cw - kCellClip), h));
            dc.setFont(fontOf(c));
            dc.setPen(toQColor(nClrForeHead));
            const QRect text(x + kTextIndent, 0, cw - kTextIndent - kCellClip, h);
            dc.drawText(text, alignmentOf(justifyOf(c)) | Qt::TextSingleLine,
                        toQString(trimBlanks(aHeaders[i])));
            dc.restore();
        }
        if (c == nColOrder) drawOrderMark(dc, x, cw);
        x += cw;
    }
}

void TWBrowse::drawOrderMark(QPainter& dc, int x, int w) {
    const int h = nLineHeight();
    const int cx = x + w - 10;
    const int cy = h / 2;
    const QPoint tri[3] = {QPoint(cx - 4, cy + 2), QPoint(cx + 4, cy + 2), QPoint(cx, cy - 2)};
    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    dc.setPen(Qt::NoPen);
    dc.setBrush(QGuiApplication::palette().color(QPalette::Dark));
    dc.drawPolygon(tri, 3);
    dc.restore();
}

void TWBrowse::drawRow(QPainter& dc, int nLine, bool lSelected) {
    if (!bLine) return;
    const BrowseLine values = bLine();
    const int top = rowTop(nLine);
    const int h = nLineHeight();
    const bool focused = HasFocus();
    const auto sizes = effectiveSizes();
    const QColor grid = QGuiApplication::palette().color(QPalette::Dark);
    int x = 0;
    for (int c : displayOrder(sizes.size(), nFreeze, nColPos)) {
        const int w = sizes[static_cast<size_t>(c - 1)];
        if (w <= 1) continue;
        if (x >= nUsableWidth()) break;
        const bool highlight = lSelected && (!lCellStyle || c == nColAct);
        QColor fore = toQColor(lCellColor && bClrText ? bClrText(c, nLine) : textColor());
        QColor back = toQColor(lCellColor && bClrPane ? bClrPane(c, nLine) : paneColor());
        if (highlight) {
            fore = toQColor(nClrForeFocus);
            back = toQColor(focused ? nClrBackFocus : kUnfocusedBack);
        }
        const int cellRight = std::min(x + w, clientWidth());
        if (highlight || !hBkgBmp) dc.fillRect(x, top, cellRight - x, h, back);
        const size_t i = static_cast<size_t>(c - 1);
        if (i < values.size()) {
            dc.save();
            dc.setClipRect(QRect(x, top, std::max(0, w - kCellClip), h));
            const Justify j = justifyOf(c);
            if (const std::string* text = std::get_if<std::string>(&values[i])) {
                dc.setFont(fontOf(c));
                dc.setPen(fore);
                const std::string shown = j == Justify::Left ? *text : trimBlanks(*text);
                const QRect r(x + kTextIndent, top, w - kTextIndent - kCellClip, h);
                dc.drawText(r, alignmentOf(j) | Qt::TextSingleLine, toQString(shown));
            } else {
                const QPixmap& pic = std::get<QPixmap>(values[i]);
                const QSize ps = pic.deviceIndependentSize().toSize();
                int px = x + kTextIndent;
                if (j == Justify::Right) px = x + w - kCellClip - ps.width();
                if (j == Justify::Center) px = x + (w - ps.width()) / 2;
                dc.drawPixmap(px, top + (h - ps.height()) / 2, pic);
            }
            dc.restore();
        }
        if (lCellLines) {
            dc.fillRect(x + w - 1, top, 1, h, grid);
            dc.fillRect(x, top + h - 1, w, 1, grid);
        }
        x += w;
    }
}

void TWBrowse::repaintLine(int nLine, bool lSelected) {
    if (!ensureBuffer() || nLine < 1 || nLine > nRowCount()) return;
    if (!bufferValid_) return;  // the next paint redraws everything anyway
    QPainter dc(&bmpBuffer);
    clearLines(dc, nLine, nLine);
    drawRow(dc, nLine, lSelected);
    if (hWnd) hWnd->update(0, rowTop(nLine), clientWidth(), nLineHeight());
}

void TWBrowse::scrollLines(int nLines) {
    if (!ensureBuffer() || !bufferValid_) return;
    const int rows = nRowCount();
    const int lh = nLineHeight();
    const int top = rowTop(1);
    const int count = rows - std::abs(nLines);
    if (count <= 0) return;
    const qreal dpr = bmpBuffer.devicePixelRatio();
    const int from = nLines > 0 ? top + nLines * lh : top;
    const int to = nLines > 0 ? top : top - nLines * lh;
    const QImage part =
        bmpBuffer.copy(QRect(QPoint(0, from) * dpr, QSize(clientWidth(), count * lh) * dpr));
    QPainter dc(&bmpBuffer);
    dc.drawImage(QPoint(0, to), part);
    updateWidget();
}

void TWBrowse::GotFocus() {
    if (hasRows()) repaintLine(nRowPos, true);
}

void TWBrowse::LostFocus() {
    if (hasRows()) repaintLine(nRowPos, true);
}

void TWBrowse::ReSize() {
    layoutScrollBars();
    bufferValid_ = false;
    const int rows = nRowCount();
    if (rows > 0 && nRowPos > rows) nRowPos = rows;
    if (hWnd) hWnd->update();
}

void TWBrowse::AdjustSize() {
    if (!hWnd) return;
    const int lh = nLineHeight();
    const int fixed = nHeaderHeight() + (oHScroll ? oHScroll->sizeHint().height() : 0);
    const int rest = (hWnd->height() - fixed) % lh;
    if (hWnd->height() <= fixed || rest < 4) return;
    // Off by 4 pixels or more: to the nearest whole number of lines.
    const int height = rest * 2 >= lh ? hWnd->height() + (lh - rest) : hWnd->height() - rest;
    hWnd->resize(hWnd->width(), height);
}

void TWBrowse::layoutScrollBars() {
    if (!hWnd) return;
    const int w = hWnd->width();
    const int h = hWnd->height();
    const int sbw = oVScroll ? oVScroll->sizeHint().width() : 0;
    const int sbh = oHScroll ? oHScroll->sizeHint().height() : 0;
    if (oVScroll) oVScroll->setGeometry(w - sbw, 0, sbw, h - sbh);
    if (oHScroll) oHScroll->setGeometry(0, h - sbh, w - sbw, sbh);
    if (oHScroll)
        oHScroll->setRange(1, std::max<int>(1, static_cast<int>(effectiveSizes().size())));
}

void TWBrowse::syncScrollBars() {
    syncing_ = true;
    if (oVScroll && oSource) {
        const long pos = nKeyPos_;
        if (pos > oVScroll->maximum()) oVScroll->setMaximum(static_cast<int>(pos));
        oVScroll->setPageStep(std::max(1, nRowCount()));
        oVScroll->setValue(static_cast<int>(std::max(1L, pos)));
        oVScroll->setSliderPosition(static_cast<int>(std::max(1L, pos)));
    }
    if (oHScroll) {
        oHScroll->setValue(nColPos);
        oHScroll->setSliderPosition(nColPos);
    }
    syncing_ = false;
}

void TWBrowse::afterMove(bool lKeyNav) {
    syncScrollBars();
    if (lKeyNav && bNavigated) bNavigated(*this);
    if (bChange) bChange();
}

// --- moving

bool TWBrowse::hasRows() const {
    return oSource && oSource->onRow();
}

long TWBrowse::Skip(long n) {
    return oSource ? oSource->skip(n) : 0;
}

void TWBrowse::GoUp() {
    if (!hasRows() || nRowCount() == 0) return;
    repaintLine(nRowPos, false);
    if (oSource->skip(-1) != -1) {
        repaintLine(nRowPos, true);
        return;
    }
    --nKeyPos_;
    if (nRowPos > 1) {
        --nRowPos;
    } else {
        scrollLines(-1);
    }
    repaintLine(nRowPos, true);
    afterMove(true);
}

void TWBrowse::GoDown() {
    if (!hasRows() || nRowCount() == 0) return;
    repaintLine(nRowPos, false);
    if (oSource->skip(1) != 1) {
        repaintLine(nRowPos, true);
        return;
    }
    ++nKeyPos_;
    if (nRowPos < nRowCount()) {
        ++nRowPos;
    } else {
        scrollLines(1);
    }
    repaintLine(nRowPos, true);
    afterMove(true);
}

void TWBrowse::PageDown() {
    const int lines = std::max(1, nRowCount());
    if (!hasRows()) return;
    const long moved = oSource->skip(lines);
    if (moved == 0) return;
    nKeyPos_ += moved;
    if (moved < lines) nRowPos = std::min(nRowPos + static_cast<int>(moved), lines);
    DrawBrowse();
    afterMove(true);
}

void TWBrowse::PageUp() {
    const int lines = std::max(1, nRowCount());
    if (!hasRows()) return;
    const long moved = oSource->skip(-lines);
    if (moved == 0) return;
    nKeyPos_ += moved;
    if (-moved < lines) nRowPos = 1;
    DrawBrowse();
    afterMove(true);
}

void TWBrowse::GoTop() {
    if (!hasRows()) return;
    if (oSource->skip(-1) == 0 && nRowPos == 1) return;  // already there
    oSource->goTop();
    nKeyPos_ = 1;
    nRowPos = 1;
    DrawBrowse();
    afterMove(true);
}

void TWBrowse::GoBottom() {
    if (!hasRows()) return;
    const long atEnd = oSource->skip(1) == 0;
    const int target = static_cast<int>(std::min<long>(std::max(1, nRowCount()), nLen_));
    if (atEnd && nRowPos == target) return;  // already there
    oSource->goBottom();
    nKeyPos_ = nLen_;
    nRowPos = std::max(1, target);
    DrawBrowse();
    afterMove(true);
}

void TWBrowse::GoLeft() {
    if (!lHScroll) return;
    if (lCellStyle) {
        if (nColAct <= 1) return;
        --nColAct;
        if (!IsColVisible(nColAct) && nColAct > nFreeze) nColPos = nColAct;
    } else {
        if (nColPos <= nFreeze + 1 || nColPos <= 1) return;
        --nColPos;
    }
    DrawBrowse();
    syncScrollBars();
    if (bColChange) bColChange();
}

void TWBrowse::GoRight() {
    if (!lHScroll) return;
    const auto sizes = effectiveSizes();
    const int nCols = static_cast<int>(sizes.size());
    // A trailing stretched column is never the only one shown.
    const bool stretched =
        !aColSizes.empty() && aColSizes.back() == 0 && static_cast<int>(aColSizes.size()) == nCols;
    const int lastFirst = stretched ? nCols - 1 : nCols;
    if (lCellStyle) {
        if (nColAct >= nCols) return;
        ++nColAct;
        while (!IsColVisible(nColAct) && nColPos < std::min(nColAct, lastFirst)) ++nColPos;
    } else {
        if (nColPos >= lastFirst) return;
        ++nColPos;
    }
    DrawBrowse();
    syncScrollBars();
    if (bColChange) bColChange();
}

// Screen line for a current row at position pos of nLen rows: the position itself within the
// first screenful, else the kept line, low enough that the screen is full down to the last row.
static int chooseLine(long pos, long nLen, int nRowPos, int lines) {
    if (nLen <= 0 || lines <= 0) return 1;
    if (pos <= lines || nLen <= lines) return static_cast<int>(std::max(1L, pos));
    const long fill = lines - (nLen - pos);
    return static_cast<int>(std::clamp<long>(std::max<long>(nRowPos, fill), 1, lines));
}

void TWBrowse::Stabilize(bool lFocus) {
    if (!oSource) return;
    oSource->resync();
    const long nLen = oSource->logicLen();
    nLen_ = nLen;
    nKeyPos_ = oSource->keyNo();
    if (oVScroll) {
        syncing_ = true;
        oVScroll->setRange(1, static_cast<int>(std::max(1L, nLen)));
        syncing_ = false;
    }
    nRowPos = chooseLine(nKeyPos_, nLen, nRowPos, nRowCount());
    DrawBrowse();
    syncScrollBars();
    if (bChange) bChange();
    if (lFocus) SetFocus();
}

void STABILIZE(TWBrowse& oBrw) {
    oBrw.Stabilize();
}

void TWBrowse::Refresh() {
    if (oSource && oVScroll) {
        syncing_ = true;
        nLen_ = oSource->logicLen();
        nKeyPos_ = oSource->keyNo();
        oVScroll->setRange(1, static_cast<int>(std::max(1L, nLen_)));
        syncing_ = false;
    }
    DrawBrowse();
    syncScrollBars();
}

void TWBrowse::ShowMoved(long moved) {
    nKeyPos_ = std::max(0L, nKeyPos_ + moved);
    const int lines = std::max(1, nRowCount());
    const long line = nRowPos + moved;
    nRowPos = line >= 1 && line <= lines ? static_cast<int>(line) : (moved > 0 ? lines : 1);
    DrawBrowse();
    afterMove(false);
}

void TWBrowse::SetFocus() {
    TControl::SetFocus();
}

bool TWBrowse::HasFocus() const {
    return hWnd && hWnd->hasFocus();
}

// --- input

bool TWBrowse::KeyDown(int nKey, int nChar) {
    switch (nKey) {
        case Qt::Key_Up:
            GoUp();
            return true;
        case Qt::Key_Down:
            GoDown();
            return true;
        case Qt::Key_PageUp:
            PageUp();
            return true;
        case Qt::Key_PageDown:
            PageDown();
            return true;
        case Qt::Key_Home:
            GoTop();
            return true;
        case Qt::Key_End:
            GoBottom();
            return true;
        case Qt::Key_Left:
            GoLeft();
            return true;
        case Qt::Key_Right:
            GoRight();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (bLDblClick) {
                bLDblClick(0, 0);
                return true;
            }
            return false;
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return false;
        default:
            break;
    }
    if (nChar != 0 && bKeyChar && bKeyChar(nChar)) return true;
    return false;
}

void TWBrowse::LButtonDown(int nRow, int nCol) {
    SetFocus();
    if (nRow < nHeaderHeight()) {
        const int c = nAtCol(nCol);
        if (c > 0 && static_cast<size_t>(c) <= aActions.size() && aActions[c - 1]) {
            aActions[c - 1]();
        }
        return;
    }
    const int line = (nRow - nHeaderHeight()) / nLineHeight() + 1;
    if (hasRows() && line >= 1 && line <= nRowCount()) {
        const int col = nAtCol(nCol);
        const bool cellMoved = lCellStyle && col > 0 && col != nColAct;
        if (line != nRowPos || cellMoved) {
            repaintLine(nRowPos, false);
            const long moved = oSource->skip(line - nRowPos);
            nRowPos += static_cast<int>(moved);
            nKeyPos_ += moved;
            if (cellMoved) nColAct = col;
            repaintLine(nRowPos, true);
            if (moved != 0) afterMove(false);
            if (cellMoved && bColChange) bColChange();
        }
    }
    if (bLClicked) bLClicked(nRow, nCol);
}

void TWBrowse::RButtonDown(int nRow, int nCol) {
    auto clicked = std::move(bLClicked);
    bLClicked = nullptr;
    LButtonDown(nRow, nCol);
    bLClicked = std::move(clicked);
    if (bRClicked) bRClicked(nRow, nCol);
}

void TWBrowse::LDblClick(int nRow, int nCol) {
    if (nRow < nHeaderHeight() || !hasRows()) return;
    // The second press of a double click may come only as the double click: move first.
    int line = (nRow - nHeaderHeight()) / nLineHeight() + 1;
    if (line != nRowPos) {
        auto clicked = std::move(bLClicked);
        bLClicked = nullptr;
        LButtonDown(nRow, nCol);
        bLClicked = std::move(clicked);
    }
    if (line != nRowPos) return;  // below the last row: no row there
    if (bLDblClick) bLDblClick(nRow, nCol);
}

void TWBrowse::MouseWheel(int nSteps, bool lMiddleDown) {
    for (int i = 0; i < std::abs(nSteps); ++i) {
        if (nSteps > 0) {
            lMiddleDown ? PageUp() : GoUp();
        } else {
            lMiddleDown ? PageDown() : GoDown();
        }
    }
}

void TWBrowse::VScroll(int nAction, int nThumbPos) {
    if (syncing_) return;
    switch (nAction) {
        case QAbstractSlider::SliderSingleStepSub:
            GoUp();
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            GoDown();
            break;
        case QAbstractSlider::SliderPageStepSub:
            PageUp();
            break;
        case QAbstractSlider::SliderPageStepAdd:
            PageDown();
            break;
        case QAbstractSlider::SliderToMinimum:
            GoTop();
            break;
        case QAbstractSlider::SliderToMaximum:
            GoBottom();
            break;
        case QAbstractSlider::SliderMove:
            if (hasRows() && nThumbPos != nKeyPos_) {
                oSource->keyGoto(nThumbPos);
                nKeyPos_ = std::clamp<long>(nThumbPos, 1, std::max(1L, nLen_));
                nRowPos = chooseLine(nKeyPos_, nLen_, nRowPos, nRowCount());
                DrawBrowse();
                afterMove(false);
            }
            break;
        default:
            break;
    }
    syncScrollBars();
}

void TWBrowse::HScroll(int nAction, int nThumbPos) {
    if (syncing_) return;
    switch (nAction) {
        case QAbstractSlider::SliderSingleStepSub:
        case QAbstractSlider::SliderPageStepSub:
            GoLeft();
            break;
        case QAbstractSlider::SliderSingleStepAdd:
        case QAbstractSlider::SliderPageStepAdd:
            GoRight();
            break;
        case QAbstractSlider::SliderMove: {
            while (nColPos < nThumbPos) {
                const int before = nColPos;
                GoRight();
                if (nColPos == before) break;
            }
            while (nColPos > nThumbPos) {
                const int before = nColPos;
                GoLeft();
                if (nColPos == before) break;
            }
            break;
        }
        default:
            break;
    }
    syncScrollBars();
}

}  // namespace velt
