// TWindow: every window of the toolkit (the main window, dialogs, controls). The toolkit classes
// are the only code that talks to Qt widgets: a window handle (`hWnd`) is a Qt widget.
//
// Ownership: a window owns the controls defined on it (`aControls`, in the order they were
// defined); they live as long as the window object, their widgets as long as its widget.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/font.h"
#include "ui/paint.h"
#include "util/value.h"

class QMainWindow;
class QPainter;

namespace velt {

class TControl;
class TMenu;

class TWindow {
  public:
    TWindow();
    virtual ~TWindow();
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;

    struct Spec {
        int nTop = 0, nLeft = 0, nBottom = 600, nRight = 800;
        std::string cTitle;
        std::string cIcon;  // picture file or resource name
        TWindow* oWnd = nullptr;
        int nClrText = -1, nClrPane = -1;  // RGB; -1 = system colours
        bool lVScroll = false, lHScroll = false;
        std::string cBorder = "SINGLE";
        bool lSysMenu = true, lCaption = true, lMinimize = true, lMaximize = true;
        bool lNoStatusLine = false;  // the creator adds the status line (TMsgBar) otherwise
    };
    // A top-level window (a Qt main window with a client area that calls bPainted).
    static std::unique_ptr<TWindow> New(const Spec& spec);

    // Shows the window ("HIDDEN", "NORMAL", "ICONIZED", "MAXIMIZED"): evaluates the controls'
    // when conditions, runs bInit once, and when no other top-level window is running an event
    // loop, runs one until this window closes.
    virtual void Activate(const std::string& cShow = "NORMAL");
    // Closes the window when bValid (if any) agrees; answers whether it closed.
    virtual bool End(int nResult = 2);

    // The Qt main window behind a top-level TWindow (nullptr for dialogs and controls).
    QMainWindow* mainWindow() const;
    // The widget that receives controls and paints the background (a main window's central
    // widget, otherwise hWnd itself).
    QWidget* clientWidget() const;

    virtual void Enable();
    virtual void Disable();
    virtual void Refresh();
    virtual void SetFocus();
    virtual void Hide();
    virtual void Show();
    void SetText(const std::string& text);
    std::string GetText() const;
    void SetFont(const TFont& font);
    // Moves and resizes in pixels relative to the parent.
    void Move(int nTop, int nLeft, int nWidth, int nHeight);
    bool isEnabled() const;

    // Re-evaluates every control's when condition (false disables, true enables).
    void evalWhens();
    // Takes a control it owns from now on; answers it.
    TControl* adopt(std::unique_ptr<TControl> control);

    QPointer<QWidget> hWnd;
    std::function<void()> bInit;
    std::function<void()> bMoved;
    std::function<void(int nRow, int nCol)> bLClicked, bLButtonUp, bRClicked, bRButtonUp,
        bLDblClick, bMButtonDown, bMButtonUp, bMMoved;
    std::function<bool(int nKey)> bKeyDown;  // Qt key code; true = handled, stop there
    std::function<bool(int nKey)> bKeyChar;
    std::function<void(QPainter& painter)> bPainted;
    std::function<void(int nDelta)> bMouseWheel;
    std::function<void()> bResized;
    std::function<bool()> bWhen;   // enabling condition
    std::function<bool()> bValid;  // closing check (windows, dialogs)
    std::function<void()> bGotFocus, bLostFocus, bMLeave;

    std::string cCaption;
    std::string cVarName;  // the name the code finds the control by (CTL)
    std::string cMsg;      // status-line text while it has the focus
    std::string cToolTip;
    Value Cargo;  // free value; a control keeps its validation rule here
    int nId = 0;  // control number
    bool lActive = true, lCancel = false, lFocused = false, lVisible = true, lValidating = false;
    int nTop = 0, nLeft = 0, nBottom = 0, nRight = 0;  // pixels, relative to the owner
    int nStyle = 0, nExStyle = 0;
    int nLastKey = 0;
    int nClrText = -1, nClrPane = -1;  // RGB; -1 = the default colours
    int nResult = 0;
    std::vector<TControl*> aControls;
    std::optional<TFont> oFont;
    std::optional<TBrush> oBrush;
    std::optional<TCursor> oCursor;
    std::string cIcon;
    TMenu* oMenu = nullptr;       // the window's menu (not owned)
    TControl* oBar = nullptr;     // button bar (owned as a control)
    TControl* oMsgBar = nullptr;  // status line (owned as a control)
    TWindow* oWnd = nullptr;      // owner
    TControl* oCtlFocus = nullptr;

    // The top-level window whose event loop runs the program (the first one activated).
    static TWindow* mainLoopWindow();

  protected:
    // Called when the widget closes for good (the window forgets its widget).
    virtual void onClosed();
    bool lInitDone_ = false;

  private:
    std::vector<std::unique_ptr<TControl>> owned_;
    friend class WindowWidget;
};

// The window a new dialog or message box belongs to: the active window when it is shown,
// else the window running the program's event loop, else none.
QWidget* activeOwner();

// The help text of the focused control goes to the status line through this hook (installed by
// the status line); an empty text means "show the default text".
void setHelpHook(std::function<void(const std::string& cMsg)> hook);
void showHelp(const std::string& cMsg);

}  // namespace velt
