#include "ui/timer.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace velt {
namespace {
std::vector<TTimer*>& timerList() {
    static std::vector<TTimer*> list;
    return list;
}
int& lastTimerId() {
    static int id = 0;
    return id;
}
}  // namespace

TTimer::TTimer(int interval, std::function<void()> action, QObject* owner)
    : hWndOwner(owner ? owner : QApplication::activeWindow()),
      nId(++lastTimerId()),
      nInterval(interval > 0 ? interval : 18),
      bAction(std::move(action)),
      timer_(std::make_unique<QTimer>()) {
    timer_->setInterval(nInterval);
    const int id = nId;
    QObject::connect(timer_.get(), &QTimer::timeout, [id] { TTimer::Dispatch(id); });
    timerList().push_back(this);
}

TTimer::~TTimer() {
    End();
}

void TTimer::Activate() {
    if (ended_) return;
    lActive = true;
    timer_->start();
}

void TTimer::DeActivate() {
    lActive = false;
    if (timer_) timer_->stop();
}

void TTimer::End() {
    if (ended_) return;
    DeActivate();
    ended_ = true;
    auto& list = timerList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

bool TTimer::Dispatch(int id) {
    for (TTimer* t : timerList()) {
        if (t->nId == id && t->lActive) {
            if (t->bAction) t->bAction();
            return true;
        }
    }
    return false;
}

const std::vector<TTimer*>& TTimer::Timers() {
    return timerList();
}

}  // namespace velt
