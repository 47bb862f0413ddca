#pragma once

#include <QPointer>
#include <QWidget>
#include <chrono>
#include <optional>

#include "measure/trend.h"

class QChart;
class QChartView;
class QComboBox;
class QDateTimeAxis;
class QLabel;
class QTimer;
class QValueAxis;

namespace tc24 {

class MainWindow;

// "温度曲线": the 24 channels over time in a window of its own. It collects every register
// reply from the moment it is installed, shown or not; drawing happens only while it is shown,
// at most twice a second. The channel that rose most in the last 10 seconds is drawn bold and
// named above the chart, so warming one sensor by hand shows which channel it is wired to.
class TrendView : public QWidget {
    Q_OBJECT
public:
    // Creates the view for `window` and puts "温度曲线" on its tool bar.
    static TrendView* install(MainWindow& window);

    explicit TrendView(MainWindow& window);

    measure::TrendStore& store() { return store_; }
    void setTimeWindow(measure::TrendWindow window);
    // Draws the current samples now.
    void refresh();
    // The channel drawn bold at the last refresh.
    std::optional<measure::TrendRise> highlighted() const { return highlighted_; }
    QChart* chart() const { return chart_; }

    // Seconds on the store's clock: wall-clock time at start-up, then a steady clock, so the
    // line never runs backwards when the system clock is set.
    double now() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void collect(const measure::RegisterReading& reading);
    void scheduleRefresh();

    measure::TrendStore store_;
    measure::TrendWindow timeWindow_ = measure::TrendWindow::OneMinute;
    std::optional<measure::TrendRise> highlighted_;
    std::chrono::steady_clock::time_point steadyOrigin_;
    double wallOrigin_ = 0;

    QChart* chart_ = nullptr;
    QChartView* chartView_ = nullptr;
    QDateTimeAxis* timeAxis_ = nullptr;
    QValueAxis* valueAxis_ = nullptr;
    QComboBox* windowChoice_ = nullptr;
    QLabel* leader_ = nullptr;
    QTimer* refreshTimer_ = nullptr;
};

}  // namespace tc24
