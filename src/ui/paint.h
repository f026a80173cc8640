// Brushes, cursors, rectangles, the system background colour of fields, and gradient fills.
// Colours are RGB numbers: red in the low byte, then green, then blue (RGB() of ui/qtext.h).
#pragma once

#include <QColor>
#include <QCursor>
#include <QPainter>
#include <QPixmap>
#include <string>
#include <vector>

namespace velt {

QColor toQColor(int rgb);
int fromQColor(const QColor& color);

class TRect {
  public:
    TRect() = default;
    TRect(int top, int left, int bottom, int right)
        : nTop(top), nLeft(left), nBottom(bottom), nRight(right) {}
    int nTop = 0, nLeft = 0, nBottom = 0, nRight = 0;
    int nWidth() const { return nRight - nLeft; }
    int nHeight() const { return nBottom - nTop; }
    std::vector<int> aRect() const { return {nTop, nLeft, nBottom, nRight}; }
};

// One band of a gradient: the fraction of the full height (or width) it covers, and its colours.
struct GradientBand {
    double fraction = 1.0;
    int nClrFrom = 0;
    int nClrTo = 0;
};

class TBrush {
  public:
    // A solid colour; a hatch style ("HORIZONTAL", "VERTICAL", "FDIAGONAL", "BDIAGONAL",
    // "CROSS", "DIAGCROSS"); a bitmap file or resource; or gradient bands.
    static TBrush solid(int nRGBColor);
    static TBrush hatch(const std::string& cStyle, int nRGBColor);
    static TBrush bitmap(const std::string& cBmpFile, const std::string& cBmpRes = "");
    static TBrush gradient(std::vector<GradientBand> aGrad);

    std::string cStyle;
    int nRGBColor = 0xFFFFFF;
    std::string cBmpFile, cBmpRes;
    int nResizeMode = 0;
    std::vector<GradientBand> aGrad;

    // Fills a rectangle with this brush.
    void paint(QPainter& painter, const QRect& rect) const;
};

class TCursor {
  public:
    // A predefined cursor ("ARROW", "WAIT", "HAND", "IBEAM", "CROSS", "SIZEWE", "SIZENS" ...)
    // or a cursor resource (":/images/NAME" picture, hot spot in its middle).
    explicit TCursor(const std::string& name = "ARROW");
    bool lPredef = true;
    std::string cName;
    QCursor hCursor;
};

// White when the shared-installation marker exists, otherwise the system colour of the index
// (COLOR_WINDOW 5, COLOR_BTNFACE 15, COLOR_WINDOWTEXT 8, COLOR_BTNTEXT 18 ...).
int GETSYSBGCOLOR(int nSysColor = 5);
// The system colour of an index, without the marker rule.
int GETSYSCOLOR(int nSysColor);

// Fills the rectangle with consecutive gradient bands: each band covers its fraction of the full
// height (vertical) or width, cut at the rectangle's end; the last band takes what is left.
void GRADIENTFILL(QPainter& painter, int nTop, int nLeft, int nBottom, int nRight,
                  const std::vector<GradientBand>& aBands, bool lVertical = true);
// One strip from colour A to colour B over n one-pixel lines, each channel advanced in fixed point
// with 10 fractional bits; the colours of the lines, first to last.
std::vector<int> gradientLines(int nClrFrom, int nClrTo, int nLines);

// A picture of the program's resources: ":/images/NAME" with .png, .bmp or .svg, or a file path.
// A null pixmap when there is none.
QPixmap loadPicture(const std::string& name);

}  // namespace velt
