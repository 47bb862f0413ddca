#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <memory>

#include "diagnostics/traffic_log.h"

class QAction;
class QTimer;

namespace Ui {
class CommLogWindow;
}

namespace tc24 {

class MainWindow;

// The log's rows as a table; follows the log as rows are added and old ones leave the ring.
class TrafficTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TrafficTableModel(std::shared_ptr<TrafficLog> log, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Brings the table in line with the log's rows; the number of rows that left at the top
    // (0 when the table was reset).
    int sync();

    // How many characters of hex the data column shows (0: all). A longer frame is shown by
    // whole bytes up to that width and ends in " …"; its tooltip has every byte. The view
    // would otherwise lay out all 159 characters of a 53-byte frame, several times a paint,
    // to elide them to the column: half the table's drawing at 20 polls a second.
    void setDataColumnChars(int chars);

private:
    // "12:03:04.567" for the time column.
    QString wallTime(std::int64_t wallMs) const;

    std::shared_ptr<TrafficLog> log_;
    mutable std::int64_t cachedSecond_ = 0;  // the second cachedClock_ shows, "12:03:04."
    mutable QString cachedClock_;
    std::uint64_t firstNumber_ = 0;
    int count_ = 0;
    int dataChars_ = 0;
};

// "通讯记录" (comm_log_window.ui): every request and received chunk with its time, the verdict
// of each reply and the statistics per kind of request; pause, clear and save as text or CSV.
// The table follows the newest rows as `tail -f` does: opened it shows them, and it stays at
// the bottom as rows come until the operator scrolls up; then the rows in view stay in view,
// until the operator is back at the bottom.
//
// The log records every row at once; the window shows them in batches, at most kBatchMs
// after they were recorded: one insertion, one scroll and one redraw of the figures per batch
// rather than per received chunk. A hidden window does no table work at all.
class CommLogWindow : public QWidget {
    Q_OBJECT
public:
    CommLogWindow(std::shared_ptr<TrafficLog> log, QWidget* parent = nullptr);
    ~CommLogWindow() override;

    // Adds the window's action to the main window's tool bar.
    static void install(MainWindow& main);
    // The action's caption in the window's language.
    static void labelAction(QAction& action);

    // How late the table may show a row: a batch timer's interval (a coarse timer may fire
    // 5 % late).
    static constexpr int kBatchMs = 90;

    // The table model, brought up to date with the log.
    TrafficTableModel& model();
    // Whether the table shows the newest rows and keeps doing so.
    bool following() const { return following_; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The statistics' rows: the kinds of request and the total.
    void labelKinds();
    void onLogChanged();
    // "123 / 10000 行", and whether the log is paused.
    QString rowsText(std::size_t rows, bool paused) const;
    // Gives the count of rows a fixed size, the size of the widest count.
    void fitRowsLabel();
    // Tells the model how much hex the data column has room for.
    void fitDataColumn(int width);
    // Shows what the log recorded since the last batch.
    void showBatch();
    void refreshStatistics();
    void save();

    std::unique_ptr<Ui::CommLogWindow> ui_;
    std::shared_ptr<TrafficLog> log_;
    TrafficTableModel* model_ = nullptr;
    QTimer* batchTimer_ = nullptr;
    bool stale_ = false;  // the log changed since the last batch
    bool sized_ = false;  // the panes were given their sizes
    bool following_ = true;
};

}  // namespace tc24
