#include "app/qt/qt_timer.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace tc24 {

QtTimer::QtTimer(QObject* parent, Clock clock) : QObject(parent) {
    if (clock == Clock::Kernel) {
        timerFd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    }
    if (timerFd_ >= 0) {
        expired_ = new QSocketNotifier(timerFd_, QSocketNotifier::Read, this);
        connect(expired_, &QSocketNotifier::activated, this, &QtTimer::onExpired);
    } else {
        standIn_ = new QTimer(this);
        standIn_->setTimerType(Qt::PreciseTimer);
        connect(standIn_, &QTimer::timeout, this, &QtTimer::timeout);
    }
}

QtTimer::~QtTimer() {
    if (timerFd_ >= 0) {
        delete expired_;  // before its descriptor goes
        ::close(timerFd_);
    }
}

void QtTimer::setInterval(int milliseconds) {
    interval_ = std::max(milliseconds, 0);
    restart();
}

void QtTimer::setEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    restart();
}

void QtTimer::restart() {
    const bool ticking = enabled_ && interval_ > 0;
    if (standIn_ != nullptr) {
        standIn_->setInterval(interval_);
        if (ticking) {
            standIn_->start();  // (re)starts the period from now
        } else {
            standIn_->stop();
        }
        return;
    }
    // Setting the kernel timer, armed or not, also forgets expiries not read yet, so no tick
    // from the old period can follow.
    itimerspec period{};
    if (ticking) {
        period.it_interval.tv_sec = interval_ / 1000;
        period.it_interval.tv_nsec = static_cast<long>(interval_ % 1000) * 1000000L;
        period.it_value = period.it_interval;  // the first tick one period from now
    }
    ::timerfd_settime(timerFd_, 0, &period, nullptr);
}

void QtTimer::onExpired() {
    std::uint64_t expiries = 0;
    ssize_t got;
    do {
        got = ::read(timerFd_, &expiries, sizeof expiries);
    } while (got < 0 && errno == EINTR);
    // Nothing to read: the timer was set anew after it had woken the event loop. Several
    // expiries (the loop was held up longer than a period) make one tick, as with QTimer.
    if (got == static_cast<ssize_t>(sizeof expiries) && expiries > 0) {
        emit timeout();
    }
}

}  // namespace tc24
