// TWBrowse: the scrolling list of rows that fills every register dialog. One line per row of a
// data source (a work area in its active order and view, or a list), one column per value, a
// header line with the column titles and a highlighted current row that follows the source's
// current position. The control paints itself into its own buffer (double-buffered) and moves
// through the source with keys, mouse, wheel and scroll bars.
#pragma once

#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "ui/browse_source.h"

class QPainter;
class QScrollBar;
class QWidget;

namespace velt {

class BrowseWidget;

// A colour as an RGB number (red in the low byte, as the program's colour numbers are).
using Rgb = unsigned long;
constexpr Rgb RGBCOLOR(int r, int g, int b) {
    return static_cast<Rgb>(r & 0xFF) | (static_cast<Rgb>(g & 0xFF) << 8) |
           (static_cast<Rgb>(b & 0xFF) << 16);
}

enum class Justify { Left, Right, Center };

// One cell: text (Windows-1252 bytes) or a picture drawn as it is.
using BrowseCell = std::variant<std::string, QPixmap>;
using BrowseLine = std::vector<BrowseCell>;

// The optional arguments of `New` and `ReDefine`, by name.
struct BrowseParams {
    std::function<BrowseLine()> bLine;
    std::vector<std::string> aHeaders;
    std::vector<int> aColSizes{0};
    std::function<void()> bChange;
    std::function<void(int nRow, int nCol)> bLDblClick;
    std::function<void(int nRow, int nCol)> bRClicked;
    std::optional<QFont> oFont;
    std::optional<Rgb> nClrFore;
    std::optional<Rgb> nClrBack;
    std::string cMsg;
    std::string cAlias;  // empty: the current work area
    std::function<bool()> bWhen;
    std::function<bool()> bValid;
    std::function<void(int nRow, int nCol)> bLClicked;
    std::vector<std::function<void()>> aActions;
    bool lHScroll = false;
};

class TWBrowse {
  public:
    // A browse created freely in `oWnd` at (nTop, nLeft), nWidth x nHeight pixels.
    static std::unique_ptr<TWBrowse> New(int nTop, int nLeft, int nWidth, int nHeight,
                                         QWidget* oWnd, BrowseParams params);
    explicit TWBrowse(BrowseParams params);
    ~TWBrowse();
    TWBrowse(const TWBrowse&) = delete;
    TWBrowse& operator=(const TWBrowse&) = delete;

    // Creates the window of the control in `oWnd` with the given geometry (pixels).
    void Initiate(QWidget* oWnd, int nTop, int nLeft, int nWidth, int nHeight);

    // --- data source
    void SetSource(std::shared_ptr<BrowseSource> source);
    BrowseSource* source() const { return oSource.get(); }
    // Shows a list: `bLine` (unless one was given) returns element nAt; moving is clamped.
    void SetArray(std::vector<BrowseLine> aList);
    const std::vector<BrowseLine>& array() const { return aArray; }

    // --- geometry
    int nLineHeight() const;
    int nHeaderHeight() const;  // 0 without titles
    int nRowCount() const;      // visible data lines
    int nUsableWidth() const;   // control width less the 21 pixels left to the scroll bar
    // Column under pixel x (1-based), 0 when none.
    int nAtCol(int nX) const;
    bool IsColVisible(int nCol) const;
    // The widths actually used: the trailing width-0 column dropped or stretched.
    std::vector<int> effectiveSizes() const;

    // --- moving (each redraws what changed, keeps the scroll bar and runs bChange)
    void GoUp();
    void GoDown();
    void PageUp();
    void PageDown();
    void GoTop();
    void GoBottom();
    void GoLeft();
    void GoRight();
    // Moves the current row by n lines on the screen (clicks); answers the rows moved.
    long Skip(long n);

    // Resynchronises with the source after the caller moved, added, deleted or searched.
    void Stabilize(bool lFocus = true);
    // Re-reads and repaints every line around the current row.
    void Refresh();
    // Redraws every line from the current row's screen line (after an outside move of the
    // current row by `moved` rows, such as a search): keeps the line when the row is still on
    // the screen, else puts it on line 1.
    void ShowMoved(long moved);

    void SetFocus();
    bool HasFocus() const;
    QWidget* hWnd() const;

    // --- input (the control's window forwards here; tests may call them too)
    bool KeyDown(int nKey, Qt::KeyboardModifiers mods, int nChar);
    void LButtonDown(int nRow, int nCol);
    void RButtonDown(int nRow, int nCol);
    void LDblClick(int nRow, int nCol);
    void MouseWheel(int nSteps, bool lMiddleDown);
    void VScroll(int nAction, int nThumbPos);
    void HScroll(int nAction, int nThumbPos);

    // --- painting into the buffer
    void Paint(QPainter& dc);  // blits the buffer (redrawing it first when needed)
    void DrawBrowse();         // background, header and every line
    void GotFocus();
    void LostFocus();
    void ReSize();
    void AdjustSize();  // the height correction made when the control is first shown
    const QImage& buffer() const { return bmpBuffer; }

    // Fields (see the class comment)
    std::string cAlias;
    std::vector<std::string> aHeaders;
    std::vector<int> aColSizes;
    std::vector<std::variant<bool, std::string>> aJustify;  // false left, true right, "C" centred
    std::vector<std::function<void()>> aActions;
    std::function<BrowseLine()> bLine;
    std::function<void()> bColChange;
    std::function<QFont(int nCol)> bFont;
    int nRowPos = 1;
    long nAt = 0;
    bool lHScroll = false;
    QPointer<QScrollBar> oVScroll;
    QPointer<QScrollBar> oHScroll;
    int nColPos = 1;
    int nColAct = 1;
    int nColOrder = 0;
    int nFreeze = 0;
    bool lCellStyle = false;
    bool lCellColor = false;
    bool lCellLines = true;
    Rgb nClrForeHead;
    Rgb nClrForeFocus;
    Rgb nClrBackFocus;
    std::optional<QPixmap> hBkgBmp;

    // From the control: colours, font, callbacks, status message, when and valid.
    Rgb nClrText;
    Rgb nClrPane;
    // Per-cell colours, called with (column, screen line) when lCellColor.
    std::function<Rgb(int nCol, int nLine)> bClrText;
    std::function<Rgb(int nCol, int nLine)> bClrPane;
    QFont oFont;
    std::function<void()> bChange;
    std::function<void(int nRow, int nCol)> bLDblClick;
    std::function<void(int nRow, int nCol)> bLClicked;
    std::function<void(int nRow, int nCol)> bRClicked;
    std::function<void(int nKey)> bKeyChar;
    std::function<bool()> bWhen;
    std::function<bool()> bValid;
    std::string cMsg;
    // Run after Home, End, the arrow and paging keys: the list searches clear their typed text.
    static inline std::function<void(TWBrowse&)> bNavigated;

  private:
    friend class BrowseWidget;

    Justify justifyOf(int nCol) const;
    QFont fontOf(int nCol) const;
    int rowTop(int nLine) const;
    // Draws the row the source stands on at screen line nLine, highlighted or not.
    void drawRow(QPainter& dc, int nLine, bool lSelected);
    void drawHeader(QPainter& dc);
    void drawOrderMark(QPainter& dc, int x, int w);
    void clearLines(QPainter& dc, int nFrom, int nTo);
    // Line of the current row redrawn plain before a move, highlighted after it.
    void repaintLine(int nLine, bool lSelected);
    void scrollLines(int nLines);  // moves the buffer's data lines up (>0) or down (<0)
    bool ensureBuffer();
    void afterMove(bool lKeyNav);
    void syncScrollBars();
    void layoutScrollBars();
    int clientHeight() const;
    int clientWidth() const;
    void updateWidget();

    BrowseWidget* widget_ = nullptr;
    QPointer<QWidget> guard_;
    std::shared_ptr<BrowseSource> oSource;
    std::vector<BrowseLine> aArray;
    QImage bmpBuffer;
    bool bufferValid_ = false;
    bool firstShow_ = true;
    bool syncing_ = false;  // setting the scroll bars from the code, not the operator
    int wheelRest_ = 0;
    friend void STABILIZE(TWBrowse& oBrw);
};

// Resynchronises a browse with its source (see TWBrowse::Stabilize).
void STABILIZE(TWBrowse& oBrw);

}  // namespace velt
