// "通讯记录" in the real window offscreen: opened during polling it shows the newest rows,
// follows them as tail -f does until the operator scrolls up, follows again from the bottom,
// and stands still while paused. The log records every row at once; the table shows them in
// batches a moment later, so each check first waits for the table to catch up.

#include <gtest/gtest.h>

#include <QAction>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <memory>

#include "app/qt/comm_log_window.h"
#include "app/qt/main_window.h"
#include "core/fakes.h"
#include "diagnostics/traffic_log.h"

namespace tc24 {
namespace {

using testing::FakeDialogs;
using testing::FakeSerialPort;

class CommLogFollow : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(std::filesystem::path(dir.path().toStdString()) / "comm.set",
                      std::ios::binary)
            << "1,19200\r\n";
        window = std::make_unique<MainWindow>(dir.path().toStdString(), &port, &dialogs);
        window->load();
        window->show();
        ASSERT_TRUE(port.isOpen());
    }

    // Polls as "循环" does, each answered: a request, a reply and its verdict in the log.
    void poll(int count) {
        for (int i = 0; i < count; ++i) {
            window->core().comDoOnce_Click();
            port.receive(std::vector<std::uint8_t>(53, static_cast<std::uint8_t>(i)));
        }
        QApplication::processEvents();
    }

    CommLogWindow* open() {
        window->findChild<QAction*>("actCommLog")->trigger();
        auto* log = window->findChild<CommLogWindow*>("frmCommLog");
        EXPECT_NE(log, nullptr);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(log));
        QApplication::processEvents();
        return log;
    }

    QTableView* table() { return window->findChild<QTableView*>("tblTraffic"); }

    // Waits until the table shows as many rows as the log holds.
    bool caughtUp() {
        return QTest::qWaitFor(
            [&] {
                return static_cast<std::size_t>(table()->model()->rowCount()) ==
                       window->trafficLog()->rows().size();
            },
            5000);
    }

    // The log's number of the row at the top of the view and of the newest row in view.
    std::uint64_t numberAt(int row) {
        const auto& rows = window->trafficLog()->rows();
        return row < 0 ? 0 : rows.at(static_cast<std::size_t>(row)).number;
    }
    std::uint64_t topNumber() { return numberAt(table()->rowAt(0)); }
    bool newestRowInView() {
        QApplication::processEvents();
        const int last = table()->model()->rowCount() - 1;
        const QRect rect = table()->visualRect(table()->model()->index(last, 0));
        return last >= 0 && rect.top() >= 0 && rect.bottom() <= table()->viewport()->height();
    }

    QTemporaryDir dir;
    FakeSerialPort port;
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> window;  // after the fakes: goes first
};

TEST_F(CommLogFollow, OpenedDuringPollingItShowsAndFollowsTheNewestRows) {
    poll(30);  // 90 rows: more than the table shows
    CommLogWindow* log = open();
    EXPECT_EQ(table()->model()->rowCount(), 90);
    EXPECT_GT(table()->verticalScrollBar()->maximum(), 0);
    EXPECT_TRUE(newestRowInView());
    EXPECT_TRUE(log->following());
    poll(40);
    ASSERT_TRUE(caughtUp());
    EXPECT_EQ(table()->model()->rowCount(), 210);
    EXPECT_TRUE(newestRowInView());

    // Closed and opened again after more polls: the newest rows again.
    log->hide();
    poll(10);
    log->show();
    EXPECT_EQ(table()->model()->rowCount(), 240);
    EXPECT_TRUE(newestRowInView());
}

TEST_F(CommLogFollow, TheLogRecordsEveryRowAtOnceAndTheTableShowsThemInOneBatch) {
    poll(2);
    open();
    ASSERT_TRUE(caughtUp());
    QSignalSpy inserted(table()->model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy scrolled(table()->verticalScrollBar(), &QScrollBar::valueChanged);
    poll(30);
    EXPECT_EQ(window->trafficLog()->rows().size(), 96u);  // nothing waits in the log
    ASSERT_TRUE(caughtUp());
    EXPECT_EQ(inserted.size(), 1);  // 90 rows, one insertion
    EXPECT_LE(scrolled.size(), 1);
    EXPECT_TRUE(newestRowInView());

    // The figures come with the same batch.
    auto* statistics = window->findChild<QTableWidget*>("tblStatistics");
    const int total = statistics->rowCount() - 1;
    EXPECT_EQ(statistics->item(total, 0)->text(), "32");
}

TEST_F(CommLogFollow, ScrolledUpItStaysUntilTheOperatorIsBackAtTheBottom) {
    poll(30);
    CommLogWindow* log = open();
    table()->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_FALSE(log->following());
    const std::uint64_t top = topNumber();
    poll(30);
    ASSERT_TRUE(caughtUp());
    EXPECT_EQ(topNumber(), top);
    EXPECT_FALSE(newestRowInView());

    // Ctrl+End, as an operator goes to the end of a table: it follows again.
    table()->setFocus();
    QTest::keyClick(table(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_TRUE(log->following());
    poll(30);
    ASSERT_TRUE(caughtUp());
    EXPECT_TRUE(newestRowInView());
}

TEST_F(CommLogFollow, PausedItStandsStill) {
    poll(30);
    open();
    window->findChild<QPushButton*>("cmdLogPause")->click();
    const int rows = table()->model()->rowCount();
    const std::uint64_t top = topNumber();
    poll(30);
    QTest::qWait(2 * CommLogWindow::kBatchMs);
    EXPECT_EQ(table()->model()->rowCount(), rows);
    EXPECT_EQ(topNumber(), top);
    window->findChild<QPushButton*>("cmdLogPause")->click();
    poll(1);
    ASSERT_TRUE(caughtUp());
    EXPECT_EQ(table()->model()->rowCount(), rows + 3);
    EXPECT_TRUE(newestRowInView());
}

TEST_F(CommLogFollow, ScrolledUpTheRowsInViewStayWhileOldRowsLeaveTheRing) {
    const int ringPolls = static_cast<int>(TrafficLog::kCapacity / 3);
    poll(ringPolls);  // the ring is full from here on
    CommLogWindow* log = open();
    table()->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    ASSERT_FALSE(log->following());
    const std::uint64_t top = topNumber();
    poll(20);
    EXPECT_EQ(window->trafficLog()->rows().size(), TrafficLog::kCapacity);
    log->model();  // the batch now rather than in a moment
    EXPECT_EQ(topNumber(), top);
}

}  // namespace
}  // namespace tc24
