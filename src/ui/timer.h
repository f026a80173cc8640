// Interval timers of the windows: each has a running number; a timer event runs the action of
// the active timer with that number. All timers live in one list. The status line's clock uses
// one of 200 ms.
#pragma once

#include <functional>
#include <memory>
#include <vector>

class QObject;
class QTimer;

namespace velt {

class TTimer {
  public:
    // New(interval, action, owner window): created inactive; Activate starts it.
    TTimer(int nInterval, std::function<void()> bAction, QObject* hWndOwner = nullptr);
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    void Activate();
    void DeActivate();
    // Stops the timer and takes it out of the list; it never fires again.
    void End();

    // Runs the action of the active timer numbered `nId`; answers whether one ran.
    static bool Dispatch(int nId);
    // The timers in the list, in the order they were created.
    static const std::vector<TTimer*>& Timers();

    QObject* hWndOwner = nullptr;
    int nId = 0;
    int nInterval = 18;
    bool lActive = false;
    std::function<void()> bAction;

  private:
    std::unique_ptr<QTimer> timer_;
    bool ended_ = false;
};

}  // namespace velt
