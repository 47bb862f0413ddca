#pragma once

#include <QPointer>
#include <QString>
#include <QTimer>

#include "link/control_names.h"
#include "link/ui.h"

namespace tc24 {

// The handlers' interval timer over a QTimer that is a named child of the window, so that
// findChild<QTimer*>(control::Timer2) finds it. Like the handlers expect, it starts enabled with an
// interval of 0 (idle) and ticks while enabled with an interval above 0; the QTimer is
// active exactly then.
class QtTimer : public Timer {
public:
    QtTimer(QObject* parent, const QString& objectName);

    QTimer* timer() const { return timer_; }

    // Restarts the period; 0 (or less) stops the ticks.
    void setInterval(int milliseconds) override;
    int interval() const override;
    // Enabling an enabled timer keeps its running period.
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return enabled_; }

private:
    void startOrStop();

    QPointer<QTimer> timer_;
    bool enabled_ = true;
};

}  // namespace tc24
