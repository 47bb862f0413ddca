#pragma once

#include <QTimer>

#include "link/ui.h"

namespace tc24 {

// An interval timer over a QTimer owned by the window. Like the handlers expect, it starts
// enabled with an interval of 0 (idle); it ticks while enabled with an interval above 0.
class QtTimer : public Timer {
public:
    explicit QtTimer(QTimer* timer);

    // Restarts the period; 0 (or less) stops the ticks.
    void setInterval(int milliseconds) override;
    int interval() const override { return interval_; }
    // Enabling an enabled timer keeps its running period.
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return enabled_; }

private:
    void restart();

    QTimer* timer_;
    int interval_ = 0;
    bool enabled_ = true;
};

}  // namespace tc24
