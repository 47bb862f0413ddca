#include "app/qt/trend_view.h"

#include <QAction>
#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QEvent>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QTimer>
#include <QToolBar>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>

#include "app/qt/main_window.h"
#include "app/qt/ui_trend_view.h"

namespace tc24 {

namespace {

// The module's sensors (DS18B20, family 28) convert at most every 750 ms: a refresh a second
// shows every new reading within a second, for half the drawing of two.
constexpr int kRefreshMs = 1000;
// Columns of the chart the store thins to: at most two points each, about one every two pixels
// of the plot at the view's size. Qt Charts strokes and draws every point of every series.
constexpr std::size_t kColumns = 200;
// Pieces of line per channel between gaps; a channel that breaks off more often within the
// span shown has its further pieces drawn as dots, so a flapping sensor cannot pile up series.
constexpr std::size_t kMaxPieces = 32;
constexpr double kRiseSpan = 10;
// Four steps of the sensors' 1/16 degree would still be noise; a sensor warmed in the hand
// rises by degrees.
constexpr double kMinimumRise = 0.5;
constexpr qreal kLineWidth = 1;
constexpr qreal kHighlightWidth = 4;
constexpr qreal kDotSize = 5;
constexpr qreal kHighlightDotSize = 9;

// The time windows in the order of the form's choices.
constexpr std::array<measure::TrendWindow, 3> kWindows = {
    measure::TrendWindow::OneMinute, measure::TrendWindow::TenMinutes, measure::TrendWindow::All};

// 24 colours that neighbours in the legend can tell apart.
QColor channelColor(int channel) {
    const int hue = (channel * 7 % 24) * 15;
    return QColor::fromHsv(hue, 230, channel % 2 == 0 ? 210 : 150);
}

QString channelName(int channel) {
    return QStringLiteral("%1#").arg(channel + 1);
}

}  // namespace

TrendView* TrendView::install(MainWindow& window) {
    auto* view = new TrendView(window);
    QAction* action = window.toolsBar()->addAction(QString());
    action->setObjectName(QStringLiteral("actionTrend"));
    view->action_ = action;
    view->labelTexts();
    QObject::connect(action, &QAction::triggered, view, [view] {
        view->show();
        view->raise();
        view->activateWindow();
    });
    return view;
}

TrendView::TrendView(MainWindow& window)
    : QWidget(&window, Qt::Window),
      ui_(std::make_unique<Ui::TrendView>()),
      steadyOrigin_(std::chrono::steady_clock::now()),
      wallOrigin_(static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000) {
    ui_->setupUi(this);

    // The lines are drawn without antialiasing (the form leaves it to the text): on these
    // mostly level traces it looks the same, and a refresh costs a quarter less.
    chart_ = ui_->trendChart->chart();
    chart_->legend()->setAlignment(Qt::AlignRight);
    chart_->setMargins(QMargins(4, 4, 4, 4));
    timeAxis_ = new QDateTimeAxis;
    timeAxis_->setFormat(QStringLiteral("HH:mm:ss"));
    valueAxis_ = new QValueAxis;
    valueAxis_->setLabelFormat(QStringLiteral("%.1f"));
    chart_->addAxis(timeAxis_, Qt::AlignBottom);
    chart_->addAxis(valueAxis_, Qt::AlignLeft);
    labelTexts();

    connect(ui_->trendWindow, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && static_cast<std::size_t>(index) < kWindows.size()) {
            setTimeWindow(kWindows[static_cast<std::size_t>(index)]);
        }
    });
    connect(ui_->trendClear, &QPushButton::clicked, this, [this] {
        store_.clear();
        refresh();
    });

    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    refreshTimer_->setInterval(kRefreshMs);
    connect(refreshTimer_, &QTimer::timeout, this, &TrendView::refresh);

    // The readings of valid register replies, from the decoder. The view goes away with the
    // main window, after the handlers (and their observers) are gone.
    QPointer<TrendView> self(this);
    window.core().window().readingObservers.push_back([self](const RegisterReading& reading) {
        if (self) {
            self->collect(reading);
        }
    });
    refresh();
}

TrendView::~TrendView() = default;

void TrendView::labelTexts() {
    if (action_ != nullptr) {
        action_->setText(tr("温度曲线"));
        action_->setToolTip(tr("24 路温度随时间的曲线"));
    }
    timeAxis_->setTitleText(tr("时间"));
    valueAxis_->setTitleText(tr("温度 (°C)"));
}

void TrendView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        ui_->retranslateUi(this);
        labelTexts();
        refresh();  // the line above the chart
    }
    QWidget::changeEvent(event);
}

double TrendView::now() const {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - steadyOrigin_;
    return wallOrigin_ + elapsed.count();
}

void TrendView::collect(const RegisterReading& reading) {
    if (!reading.anyFilled()) {
        return;
    }
    store_.add(now(), reading);
    scheduleRefresh();
}

void TrendView::scheduleRefresh() {
    if (isVisible() && !refreshTimer_->isActive()) {
        refreshTimer_->start();
    }
}

void TrendView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

void TrendView::setTimeWindow(measure::TrendWindow window) {
    timeWindow_ = window;
    const auto choice = std::find(kWindows.begin(), kWindows.end(), window);
    ui_->trendWindow->setCurrentIndex(static_cast<int>(choice - kWindows.begin()));
    refresh();
}

void TrendView::createSeries() {
    for (int channel = 0; channel < measure::kValueBoxes; ++channel) {
        auto* dots = new QScatterSeries;
        dots->setName(channelName(channel));
        dots->setColor(channelColor(channel));
        dots->setBorderColor(Qt::transparent);
        dots->setMarkerSize(kDotSize);
        chart_->addSeries(dots);
        dots->attachAxis(timeAxis_);
        dots->attachAxis(valueAxis_);
        for (QLegendMarker* marker : chart_->legend()->markers(dots)) {
            marker->setVisible(false);
        }
        series_[static_cast<std::size_t>(channel)].dots = dots;
        addPiece(channel);
    }
}

QLineSeries* TrendView::addPiece(int channel) {
    ChannelSeries& channelSeries = series_[static_cast<std::size_t>(channel)];
    auto* piece = new QLineSeries;
    piece->setName(channelName(channel));
    QPen pen(channelColor(channel));
    pen.setWidthF(channelSeries.bold ? kHighlightWidth : kLineWidth);
    piece->setPen(pen);
    chart_->addSeries(piece);
    piece->attachAxis(timeAxis_);
    piece->attachAxis(valueAxis_);
    // One legend entry per channel, however many pieces its gaps cut it into.
    for (QLegendMarker* marker : chart_->legend()->markers(piece)) {
        marker->setVisible(channelSeries.pieces.empty());
    }
    channelSeries.pieces.push_back(piece);
    return piece;
}

TrendView::ChannelPoints TrendView::prepare(const std::vector<measure::TrendSegment>& lines,
                                            double& low, double& high) {
    ChannelPoints prepared;
    for (const auto& line : lines) {
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(line.size()));
        for (const auto& point : line) {
            points.append({point.time * 1000, point.value});
            low = std::min(low, point.value);
            high = std::max(high, point.value);
        }
        // A lone reading between gaps is a dot, not a line.
        if (line.size() == 1 || prepared.pieces.size() == kMaxPieces) {
            prepared.dots.append(points);
        } else {
            prepared.pieces.push_back(std::move(points));
        }
    }
    return prepared;
}

void TrendView::emptySeries() {
    for (ChannelSeries& channelSeries : series_) {
        for (std::size_t i = 0; i < channelSeries.piecesInUse; ++i) {
            channelSeries.pieces[i]->clear();
        }
        channelSeries.piecesInUse = 0;
        if (channelSeries.dots != nullptr && channelSeries.dots->count() > 0) {
            channelSeries.dots->clear();
        }
    }
}

void TrendView::fill(int channel, const ChannelPoints& prepared, bool bold) {
    ChannelSeries& channelSeries = series_[static_cast<std::size_t>(channel)];
    if (channelSeries.bold != bold) {
        channelSeries.bold = bold;
        for (QLineSeries* piece : channelSeries.pieces) {
            QPen pen = piece->pen();
            pen.setWidthF(bold ? kHighlightWidth : kLineWidth);
            piece->setPen(pen);
        }
        channelSeries.dots->setMarkerSize(bold ? kHighlightDotSize : kDotSize);
    }
    for (const QList<QPointF>& points : prepared.pieces) {
        const std::size_t index = channelSeries.piecesInUse++;
        QLineSeries* piece =
            index < channelSeries.pieces.size() ? channelSeries.pieces[index] : addPiece(channel);
        piece->replace(points);
    }
    if (!prepared.dots.isEmpty()) {
        channelSeries.dots->replace(prepared.dots);
    }
    // The legend names the channels that have something to show.
    const bool shown = !prepared.pieces.empty() || !prepared.dots.isEmpty();
    for (QLegendMarker* marker : chart_->legend()->markers(channelSeries.pieces.front())) {
        if (marker->isVisible() != shown) {
            marker->setVisible(shown);
        }
    }
}

void TrendView::refresh() {
    refreshTimer_->stop();
    // Qt Charts works out a series' whole geometry again whenever its points or the axes
    // change, but not for an empty series. So the series are emptied first, the axes set, and
    // each series then gets its new points in one call: one pass per series and refresh.
    emptySeries();

    const auto range = store_.range(timeWindow_);
    if (!range) {
        highlighted_.reset();
        ui_->trendLeader->setStyleSheet({});
        ui_->trendLeader->setText(tr("等待温度数据（单次或循环查询）"));
        const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
        timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(nowMs - 60000),
                            QDateTime::fromMSecsSinceEpoch(nowMs));
        valueAxis_->setRange(0, 50);
        if (series_.front().dots != nullptr) {
            for (int channel = 0; channel < measure::kValueBoxes; ++channel) {
                fill(channel, {}, false);
            }
        }
        return;
    }
    if (series_.front().dots == nullptr) {
        createSeries();
    }
    const double to = range->second;
    // A single moment still gets some axis.
    const double from = std::min(range->first, to - 10);
    highlighted_ = store_.fastestRise(to, kRiseSpan, kMinimumRise);
    if (highlighted_) {
        ui_->trendLeader->setStyleSheet(QStringLiteral("QLabel { color: %1; font-weight: bold; }")
                                            .arg(channelColor(highlighted_->channel).name()));
        ui_->trendLeader->setText(tr("最近 %1 秒升温最快：%2（+%3 °C）")
                                      .arg(kRiseSpan)
                                      .arg(channelName(highlighted_->channel))
                                      .arg(highlighted_->rise, 0, 'f', 2));
    } else {
        ui_->trendLeader->setStyleSheet({});
        ui_->trendLeader->setText(tr("最近 %1 秒没有通道明显升温").arg(kRiseSpan));
    }

    const measure::TrendLines lines = store_.lines(from, to, kColumns);
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    std::array<ChannelPoints, measure::kValueBoxes> prepared;
    for (std::size_t channel = 0; channel < prepared.size(); ++channel) {
        prepared[channel] = prepare(lines.channels[channel], low, high);
    }

    timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(from * 1000)),
                        QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::ceil(to * 1000))));
    if (low > high) {
        valueAxis_->setRange(0, 50);
    } else {
        const double margin = std::max(0.5, (high - low) * 0.05);
        valueAxis_->setRange(std::floor(low - margin), std::ceil(high + margin));
        valueAxis_->applyNiceNumbers();
    }

    for (int channel = 0; channel < measure::kValueBoxes; ++channel) {
        fill(channel, prepared[static_cast<std::size_t>(channel)],
             highlighted_ && highlighted_->channel == channel);
    }
}

}  // namespace tc24
