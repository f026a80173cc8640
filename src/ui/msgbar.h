// The status line along the bottom of a window: a help text (or the default text) on the left
// over a two-band gradient, and items at the right end: "Num" and "Caps" (active while the lock
// is on), the date and the clock, all refreshed by one 200 ms timer.
#pragma once

#include <QPixmap>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/control.h"
#include "ui/font.h"

class QPainter;

namespace velt {

class TMsgBar;
class TTimer;

class TMsgItem {
  public:
    // New(status line, text, width (0: text + 12), font, text colour, disabled colour, active,
    // action, normal picture, second picture, tooltip): appended at the right end.
    TMsgItem(TMsgBar* oMsgBar, const std::string& cMsg, int nSize = 0,
             std::function<void()> bAction = nullptr, const std::string& cToolTip = "");

    void End();
    void Click();
    // Takes the text from bMsg (a timed item) and repaints when it changed.
    void Refresh();
    void Paint(QPainter& painter);
    bool IsOver(int nRow, int nCol) const;
    int nLeft() const;
    void SetText(const std::string& text);
    void SetActive(bool lOnOff);

    TMsgBar* oMsgBar = nullptr;
    std::function<std::string()> bMsg;
    std::function<bool()> bActive;  // for the lock items: whether the lock is on
    std::string cMsg;
    int nSize = 0;
    TFont oFont;
    int nClrText = 0;
    int nClrDisabled = 0;
    QPixmap hBitmap1, hBitmap2;
    std::function<void()> bAction;
    std::string cToolTip;
    bool lTimer = true;
    bool lActive = true;
};

class TMsgBar : public TControl {
  public:
    struct KeyLocks {
        bool num = false;
        bool caps = false;
    };

    // New(window, default text, clock, date, keyboard, font ("Segoe UI" 12 px), text colour
    // (-1: the system window text)). Items come in the order keyboard, date, clock.
    // The line becomes the window's oMsgBar (the window owns it).
    static TMsgBar* New(TWindow& oWnd, const std::string& cMsgDef = "", bool lClock = false,
                        bool lDate = false, bool lKeyb = false, const TFont* oFont = nullptr,
                        int nClrText = -1);
    explicit TMsgBar(TWindow& oWnd);
    ~TMsgBar() override;

    void ClockOn();
    void DateOn();
    void KeybOn();
    // Re-places the line along the bottom of the window's client area, full width.
    void Adjust();
    // Shows a text; an empty text shows the default text again.
    void SetMsg(const std::string& cText);
    std::string GetMsg() const { return cMsg; }
    // The text the line shows now: the current text, or the default when it is empty.
    std::string ShownText() const { return cMsg.empty() ? cMsgDef : cMsg; }
    void Refresh() override;
    void Paint(QPainter& painter);
    TMsgItem* AddItem(std::unique_ptr<TMsgItem> item);
    // Starts the one timer of the line when a timed item exists.
    void CheckTimer();
    // Refreshes every timed item.
    void TimerEval();
    void Destroy();
    void MouseMove(int nRow, int nCol);
    void LButtonDown(int nRow, int nCol);
    // The item under a point of the line, or nothing.
    TMsgItem* ItemAt(int nRow, int nCol);

    int Width() const;

    // Where the lock states come from (default: the X server's keyboard; no display: off).
    static void SetKeyLockReader(std::function<KeyLocks()> reader);
    static KeyLocks ReadKeyLocks();

    bool lLeft = false;
    bool lBorder = true;
    int nHeight = 0;
    std::string cMsgDef;
    std::string cMsg;
    TFont oFont;
    int nClrText = 0;
    std::vector<std::unique_ptr<TMsgItem>> aItems;
    std::unique_ptr<TTimer> oTimer;

    static constexpr int kTimerInterval = 200;

  protected:
    QWidget* createWidget(QWidget* parent) override;
};

// The status line created last (nothing when none exists).
TMsgBar* GETMSGBARDEFAULT();

}  // namespace velt
