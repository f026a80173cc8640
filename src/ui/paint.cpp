#include "ui/paint.h"

#include <QApplication>
#include <QFile>
#include <QPalette>
#include <QSvgRenderer>
#include <algorithm>
#include <cctype>

#include "ui/qtext.h"
#include "util/marker.h"

namespace velt {

QColor toQColor(int rgb) {
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}
int fromQColor(const QColor& c) {
    return RGB(c.red(), c.green(), c.blue());
}

TBrush TBrush::solid(int nRGBColor) {
    TBrush b;
    b.nRGBColor = nRGBColor;
    return b;
}
TBrush TBrush::hatch(const std::string& cStyle, int nRGBColor) {
    TBrush b;
    b.cStyle = cStyle;
    b.nRGBColor = nRGBColor;
    return b;
}
TBrush TBrush::bitmap(const std::string& cBmpFile, const std::string& cBmpRes) {
    TBrush b;
    b.cBmpFile = cBmpFile;
    b.cBmpRes = cBmpRes;
    return b;
}
TBrush TBrush::gradient(std::vector<GradientBand> aGrad) {
    TBrush b;
    b.aGrad = std::move(aGrad);
    return b;
}

void TBrush::paint(QPainter& painter, const QRect& rect) const {
    if (!aGrad.empty()) {
        GRADIENTFILL(painter, rect.top(), rect.left(), rect.bottom() + 1, rect.right() + 1, aGrad);
        return;
    }
    if (!cBmpFile.empty() || !cBmpRes.empty()) {
        QPixmap pm = loadPicture(cBmpFile.empty() ? cBmpRes : cBmpFile);
        if (!pm.isNull()) {
            painter.drawTiledPixmap(rect, pm);
            return;
        }
    }
    Qt::BrushStyle style = Qt::SolidPattern;
    if (cStyle == "HORIZONTAL") style = Qt::HorPattern;
    if (cStyle == "VERTICAL") style = Qt::VerPattern;
    if (cStyle == "FDIAGONAL") style = Qt::FDiagPattern;
    if (cStyle == "BDIAGONAL") style = Qt::BDiagPattern;
    if (cStyle == "CROSS") style = Qt::CrossPattern;
    if (cStyle == "DIAGCROSS") style = Qt::DiagCrossPattern;
    painter.fillRect(rect, QBrush(toQColor(nRGBColor), style));
}

TCursor::TCursor(const std::string& name) : cName(name) {
    static const struct {
        const char* name;
        Qt::CursorShape shape;
    } shapes[] = {{"ARROW", Qt::ArrowCursor},       {"WAIT", Qt::WaitCursor},
                  {"HAND", Qt::PointingHandCursor}, {"IBEAM", Qt::IBeamCursor},
                  {"CROSS", Qt::CrossCursor},       {"SIZEWE", Qt::SizeHorCursor},
                  {"SIZENS", Qt::SizeVerCursor},    {"SIZEALL", Qt::SizeAllCursor},
                  {"NO", Qt::ForbiddenCursor},      {"HELP", Qt::WhatsThisCursor}};
    for (const auto& s : shapes) {
        if (name == s.name) {
            hCursor = QCursor(s.shape);
            return;
        }
    }
    lPredef = false;
    QPixmap pm = loadPicture(name);
    hCursor = pm.isNull() ? QCursor(Qt::ArrowCursor) : QCursor(pm);
}

int GETSYSCOLOR(int nSysColor) {
    QPalette pal = QApplication::palette();
    switch (nSysColor) {
        case 5:
            return fromQColor(pal.color(QPalette::Base));  // COLOR_WINDOW
        case 8:
            return fromQColor(pal.color(QPalette::Text));  // COLOR_WINDOWTEXT
        case 15:
            return fromQColor(pal.color(QPalette::Button));  // COLOR_BTNFACE
        case 16:
            return fromQColor(pal.color(QPalette::Mid));  // COLOR_BTNSHADOW
        case 18:
            return fromQColor(pal.color(QPalette::ButtonText));  // COLOR_BTNTEXT
        case 13:
            return fromQColor(pal.color(QPalette::Highlight));  // COLOR_HIGHLIGHT
        case 14:
            return fromQColor(pal.color(QPalette::HighlightedText));
        case 17:
            return fromQColor(pal.color(QPalette::Disabled, QPalette::Text));
        case 20:
            return fromQColor(pal.color(QPalette::Light));  // COLOR_BTNHIGHLIGHT
        case 4:
            return fromQColor(pal.color(QPalette::Window));  // COLOR_MENU
        default:
            return fromQColor(pal.color(QPalette::Window));
    }
}

int GETSYSBGCOLOR(int nSysColor) {
    if (whiteFieldBackground()) return RGB(255, 255, 255);
    return GETSYSCOLOR(nSysColor);
}

std::vector<int> gradientLines(int from, int to, int n) {
    std::vector<int> out;
    if (n <= 0) return out;
    out.reserve(n);
    int ch0[3] = {from & 0xFF, (from >> 8) & 0xFF, (from >> 16) & 0xFF};
    int ch1[3] = {to & 0xFF, (to >> 8) & 0xFF, (to >> 16) & 0xFF};
    long acc[3], step[3];
    for (int c = 0; c < 3; ++c) {
        acc[c] = static_cast<long>(ch0[c]) << 10;
        step[c] = (static_cast<long>(ch1[c] - ch0[c]) << 10) / n;
    }
    for (int i = 0; i < n; ++i) {
        int v[3];
        for (int c = 0; c < 3; ++c) v[c] = std::clamp(static_cast<int>(acc[c] >> 10), 0, 255);
        out.push_back(RGB(v[0], v[1], v[2]));
        for (int c = 0; c < 3; ++c) acc[c] += step[c];
    }
    return out;
}

void GRADIENTFILL(QPainter& painter, int nTop, int nLeft, int nBottom, int nRight,
                  const std::vector<GradientBand>& aBands, bool lVertical) {
    int full = lVertical ? nBottom - nTop : nRight - nLeft;
    int start = lVertical ? nTop : nLeft;
    int end = start + full;
    int pos = start;
    for (size_t b = 0; b < aBands.size() && pos < end; ++b) {
        int size =
            (b + 1 == aBands.size()) ? end - pos : static_cast<int>(aBands[b].fraction * full);
        size = std::min(size, end - pos);
        if (size <= 0) continue;
        auto lines = gradientLines(aBands[b].nClrFrom, aBands[b].nClrTo, size);
        for (int i = 0; i < size; ++i) {
            painter.setPen(toQColor(lines[i]));
            if (lVertical)
                painter.drawLine(nLeft, pos + i, nRight - 1, pos + i);
            else
                painter.drawLine(pos + i, nTop, pos + i, nBottom - 1);
        }
        pos += size;
    }
}

QPixmap loadPicture(const std::string& name) {
    if (name.empty()) return {};
    QString base = qs(name);
    QStringList candidates;
    if (base.startsWith(":/") || base.contains('/') || base.contains('.')) candidates << base;
    for (const char* ext : {".png", ".bmp", ".svg", ".ico"})
        candidates << QStringLiteral(":/images/") + base + ext;
    for (const QString& path : candidates) {
        if (!QFile::exists(path)) continue;
        if (path.endsWith(".svg", Qt::CaseInsensitive)) {
            QSvgRenderer svg(path);
            if (!svg.isValid()) continue;
            QSize size = svg.defaultSize();
            QPixmap pm(size);
            pm.fill(Qt::transparent);
            QPainter p(&pm);
            svg.render(&p);
            return pm;
        }
        QPixmap pm(path);
        if (!pm.isNull()) return pm;
    }
    return {};
}

}  // namespace velt
