#include "app/qt/qt_timer.h"

#include <algorithm>

namespace tc24 {

QtTimer::QtTimer(QTimer* timer) : timer_(timer) {
    timer_->stop();
    timer_->setSingleShot(false);
    timer_->setInterval(0);
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
    timer_->setInterval(interval_);
    if (enabled_ && interval_ > 0) {
        timer_->start();  // (re)starts the period from now
    } else {
        timer_->stop();
    }
}

}  // namespace tc24
