#include "app/qt/qt_timer.h"

namespace tc24 {

QtTimer::QtTimer(QObject* parent, const QString& objectName) : timer_(new QTimer(parent)) {
    timer_->setObjectName(objectName);
    // A coarse timer may come up to 5 % of the interval early or late; polling keeps its pace.
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setInterval(0);
}

void QtTimer::setInterval(int milliseconds) {
    if (timer_.isNull()) {
        return;
    }
    // QTimer restarts a running timer on a new interval, as the handlers expect.
    timer_->setInterval(milliseconds > 0 ? milliseconds : 0);
    startOrStop();
}

int QtTimer::interval() const {
    return timer_.isNull() ? 0 : timer_->interval();
}

void QtTimer::setEnabled(bool enabled) {
    enabled_ = enabled;
    startOrStop();
}

void QtTimer::startOrStop() {
    if (timer_.isNull()) {
        return;
    }
    if (enabled_ && timer_->interval() > 0) {
        if (!timer_->isActive()) {
            timer_->start();
        }
    } else {
        timer_->stop();
    }
}

}  // namespace tc24
