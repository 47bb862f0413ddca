#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <memory>

#include "diagnostics/traffic_log.h"

class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;
class QTimer;

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

private:
    std::shared_ptr<TrafficLog> log_;
    std::uint64_t firstNumber_ = 0;
    int count_ = 0;
};

// "通讯记录": every request and received chunk with its time, the verdict of each reply and
// the statistics per kind of request; pause, clear and save as text or CSV. The table follows
// the newest rows as `tail -f` does: opened it shows them, and it stays at the bottom as rows
// come until the operator scrolls up; then the rows in view stay in view, until the operator
// is back at the bottom.
class CommLogWindow : public QWidget {
    Q_OBJECT
public:
    CommLogWindow(std::shared_ptr<TrafficLog> log, QWidget* parent = nullptr);
    ~CommLogWindow() override;

    // Adds the window's action to the main window's tool bar.
    static void install(MainWindow& main);

    // The table model, brought up to date with the log.
    TrafficTableModel& model();
    // Whether the table shows the newest rows and keeps doing so.
    bool following() const { return following_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void onLogChanged();
    // A hidden window does not follow the log; it catches up when it is shown.
    void catchUp();
    void refreshStatistics();
    void save();

    std::shared_ptr<TrafficLog> log_;
    TrafficTableModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QTableWidget* statistics_ = nullptr;
    QPushButton* pause_ = nullptr;
    QLabel* rowsLabel_ = nullptr;
    QTimer* statisticsTimer_ = nullptr;
    bool stale_ = false;
    bool following_ = true;
};

}  // namespace tc24
