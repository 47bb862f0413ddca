#pragma once

#include <QObject>

#include "link/ui.h"

class QSocketNotifier;
class QTimer;

namespace tc24 {

// An interval timer for the handlers. Like they expect, it starts enabled with an interval of
// 0 (idle); it ticks while enabled with an interval above 0.
//
// The ticks come from a kernel timer (timerfd) watched by the event loop, not from a QTimer:
// Qt rounds each wait for its own timers up to a whole millisecond, which makes a 50 ms poll
// come 0.2 ms later each tick until it is a millisecond late, then start over. The kernel
// timer runs on an absolute grid and wakes the loop when it is due. Where the system gives no
// such timer, a QTimer stands in.
class QtTimer : public QObject, public Timer {
    Q_OBJECT

public:
    enum class Clock { Kernel, EventLoop };

    explicit QtTimer(QObject* parent = nullptr, Clock clock = Clock::Kernel);
    ~QtTimer() override;

    // Restarts the period; 0 (or less) stops the ticks.
    void setInterval(int milliseconds) override;
    int interval() const override { return interval_; }
    // Enabling an enabled timer keeps its running period.
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return enabled_; }

    // Whether ticks come from the kernel timer (false: from the stand-in QTimer).
    bool usesKernelClock() const { return timerFd_ >= 0; }

signals:
    void timeout();

private:
    void restart();
    void onExpired();

    int timerFd_ = -1;
    QSocketNotifier* expired_ = nullptr;
    QTimer* standIn_ = nullptr;
    int interval_ = 0;
    bool enabled_ = true;
};

}  // namespace tc24
