#pragma once

#include <QList>
#include <QPointF>
#include <QPointer>
#include <QWidget>
#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "measure/trend.h"
#include "measure/valid_replies.h"

class QAction;
class QChart;
class QDateTimeAxis;
class QLineSeries;
class QScatterSeries;
class QTimer;
class QValueAxis;

namespace Ui {
class TrendView;
}

namespace tc24 {

class MainWindow;

// "温度曲线" (trend_view.ui): the 24 channels over time in a window of its own. It collects every
// valid register reply from the moment it is installed, shown or not (measure/valid_replies.h);
// drawing happens only while it is shown, at most once a second. The channel that rose most
// in the last 10 seconds is drawn bold and named above the chart, so warming one sensor by
// hand shows which channel it is wired to.
//
// A refresh costs the same however long the history: the store looks only at the span shown
// and gives at most two points per column of the chart, and each channel's series keep
// living; their points are replaced in one call each.
class TrendView : public QWidget {
    Q_OBJECT
public:
    // Creates the view for `window` and puts "温度曲线" on its tool bar.
    static TrendView* install(MainWindow& window);

    explicit TrendView(MainWindow& window);
    ~TrendView() override;

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
    void changeEvent(QEvent* event) override;

private:
    // The tool-bar action's and the axes' texts in the window's language.
    void labelTexts();
    // The series of one channel: the pieces of its line between gaps (the first carries the
    // legend entry), and its lone readings as dots.
    struct ChannelSeries {
        std::vector<QLineSeries*> pieces;
        QScatterSeries* dots = nullptr;
        std::size_t piecesInUse = 0;
        bool bold = false;
    };

    // One channel's points as its series take them.
    struct ChannelPoints {
        std::vector<QList<QPointF>> pieces;
        QList<QPointF> dots;
    };

    void collect(const RegisterReading& reading);
    void scheduleRefresh();
    void createSeries();
    QLineSeries* addPiece(int channel);
    // One channel's lines as points; widens [low, high] to the values in them.
    static ChannelPoints prepare(const std::vector<measure::TrendSegment>& lines, double& low,
                                 double& high);
    void emptySeries();
    // Gives an emptied channel its points.
    void fill(int channel, const ChannelPoints& prepared, bool bold);

    std::unique_ptr<Ui::TrendView> ui_;
    measure::TrendStore store_;
    measure::TrendWindow timeWindow_ = measure::TrendWindow::OneMinute;
    std::optional<measure::TrendRise> highlighted_;
    std::chrono::steady_clock::time_point steadyOrigin_;
    double wallOrigin_ = 0;

    QChart* chart_ = nullptr;  // the chart view's own
    QDateTimeAxis* timeAxis_ = nullptr;
    QValueAxis* valueAxis_ = nullptr;
    QTimer* refreshTimer_ = nullptr;
    QAction* action_ = nullptr;  // on the main window's tool bar
    std::array<ChannelSeries, measure::kValueBoxes> series_;
};

}  // namespace tc24
