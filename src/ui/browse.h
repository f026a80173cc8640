// TWBrowse: the scrolling list of rows that fills every register dialog. One line per row of a
// data source (a work area in its active order and view, or a list), one column per value, a
// header line with the column titles and a highlighted current row that follows the source's
// current position. The control paints itself into its own buffer (double-buffered) and moves
// through the source with keys, mouse, wheel and scroll bars.
#pragma once

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
#include "ui/control.h"

class QPainter;
class QScrollBar;
class QWidget;

namespace velt {

class BrowseWidget;
class BrowseMouse;

enum class Justify { Left, Right, Center };

// One cell: text (Windows-1252 bytes) or a picture drawn as it is.
using BrowseCell = std::variant<std::string, QPixmap>;
using BrowseLine = std::vector<BrowseCell>;

// The optional arguments of `New` and `ReDefine`, by name. Colours are RGB numbers, -1 for the
// system colours.
struct BrowseParams {
    std::function<BrowseLine()> bLine;
    std::vector<std::string> aHeaders;
    std::vector<int> aColSizes{0};
    std::function<void()> bChange;
    std::function<void(int nRow, int nCol)> bLDblClick;
    std::function<void(int nRow, int nCol)> bRClicked;
    std::optional<TFont> oFont;
    int nClrFore = -1;
    int nClrBack = -1;
    std::string cMsg;
    std::string cAlias;  // empty: the current work area
    std::function<bool()> bWhen;
    std::function<bool()> bValid;
    std::function<void(int nRow, int nCol)> bLClicked;
    std::vector<std::function<void()>> aActions;
    bool lHScroll = false;
};

class TWBrowse : public TControl {
  public:
    // Binds to control nId of a dialog template; the widget is made when the dialog opens.
    static TWBrowse* ReDefine(int nId, TWindow& oDlg, BrowseParams params);
    // A browse created freely in `oWnd` at (nTop, nLeft), nWidth x nHeight pixels (made at once
    // when the window is already shown).
    static TWBrowse* New(int nTop, int nLeft, int nWidth, int nHeight, TWindow& oWnd,
                         BrowseParams params);
    TWBrowse(TWindow& owner, int nId, BrowseParams params);
    ~TWBrowse() override;

    QWidget* createWidget(QWidget* parent) override;
    void afterCreate() override;
    void detach() override;

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
    // Moves the source by n rows; answers the rows moved (nothing is redrawn).
    long Skip(long n);

    // Resynchronises with the source after the caller moved, added, deleted or searched.
    void Stabilize(bool lFocus = true);
    // Re-reads and repaints every line around the current row.
    void Refresh() override;
    // Redraws after an outside move of the current row by `moved` rows (a search): keeps the
    // row on the screen line it moved to when that is on the screen, else on the first or last
    // line; runs bChange.
    void ShowMoved(long moved);

    void SetFocus() override;
    bool HasFocus() const;

    // --- input (the control's window forwards here)
    bool KeyDown(int nKey, int nChar);
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

    std::string cAlias;
    std::vector<std::string> aHeaders;
    std::vector<int> aColSizes;
    std::vector<std::variant<bool, std::string>> aJustify;  // false left, true right, "C" centred
    std::vector<std::function<void()>> aActions;
    std::function<BrowseLine()> bLine;
    std::function<void()> bColChange;
    std::function<TFont(int nCol)> bFont;
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
    int nClrForeHead;
    int nClrForeFocus;
    int nClrBackFocus;
    std::optional<QPixmap> hBkgBmp;
    // Per-cell colours, called with (column, screen line) when lCellColor.
    std::function<int(int nCol, int nLine)> bClrText;
    std::function<int(int nCol, int nLine)> bClrPane;

    // The colours in use (nClrText / nClrPane, or the system window colours).
    int textColor() const;
    int paneColor() const;

    // Run after Home, End, the arrow and paging keys: the list searches clear their typed text.
    static inline std::function<void(TWBrowse&)> bNavigated;

  private:
    friend class BrowseWidget;
    friend class BrowseMouse;

    Justify justifyOf(int nCol) const;
    QFont fontOf(int nCol) const;
    QFont qFont() const;
    int rowTop(int nLine) const;
    // Draws the row the source stands on at screen line nLine, highlighted or not.
    void drawRow(QPainter& dc, int nLine, bool lSelected);
    void drawHeader(QPainter& dc);
    void drawOrderMark(QPainter& dc, int x, int w);
    void clearLines(QPainter& dc, int nFrom, int nTo);
    void repaintLine(int nLine, bool lSelected);
    void scrollLines(int nLines);  // moves the buffer's data lines up (>0) or down (<0)
    bool ensureBuffer();
    bool hasRows() const;
    void moveToLine(int nLine, int nCol);
    void afterMove(bool lKeyNav);
    void syncScrollBars();
    void layoutScrollBars();
    int clientHeight() const;
    int clientWidth() const;
    void updateWidget();
    void release();

    QPointer<BrowseWidget> widget_;
    QPointer<BrowseMouse> mouse_;
    std::shared_ptr<BrowseSource> oSource;
    std::vector<BrowseLine> aArray;
    QImage bmpBuffer;
    bool bufferValid_ = false;
    bool firstShow_ = true;
    bool syncing_ = false;
    // The current row's position and the number of rows, as last read from the source and
    // kept up to date by the moves (asking the source each time would cost a walk of its order).
    long nKeyPos_ = 0;
    long nLen_ = 0;  // setting the scroll bars from the code, not the operator
    int wheelRest_ = 0;
};

// Resynchronises a browse with its source (see TWBrowse::Stabilize).
void STABILIZE(TWBrowse& oBrw);

}  // namespace velt
