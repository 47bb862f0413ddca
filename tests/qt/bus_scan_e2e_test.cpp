// The bus scan and the communication log of the real window, offscreen, against tc24-sim
// playing three modules on one line.

#include <gtest/gtest.h>

#include <QAction>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <fstream>

#include "app/qt/bus_scan_dialog.h"
#include "app/qt/comm_log_window.h"
#include "app/qt/main_window.h"
#include "core/fakes.h"
#include "diagnostics/traffic_log.h"
#include "link/control_names.h"
#include "qt/sim_process.h"

namespace tc24 {
namespace {

using testing::FakeDialogs;
using testing::SimProcess;
using testing::TempDir;

std::size_t sentRows(const TrafficLog& log) {
    std::size_t sent = 0;
    for (const auto& row : log.rows()) {
        sent += row.direction == TrafficDirection::Sent;
    }
    return sent;
}

class BusScanEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        sim = std::make_unique<SimProcess>(dir.path(), 3,
                                           QStringList{"--baud", "19200", "--address", "1,7,200"});
        ASSERT_TRUE(sim->ok()) << sim->error();
        std::ofstream(dir.path() / "comm.set", std::ios::binary) << "3,19200\r\n";
        window = std::make_unique<MainWindow>(dir.path(), nullptr, &dialogs);
        window->load();
        window->show();
        ASSERT_TRUE(window->port().isOpen());

        trigger("actBusScan");
        dialog = window->findChild<BusScanDialog*>("frmBusScan");
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(dialog->isVisible());
    }
    void trigger(const char* action) { window->toolsBar()->findChild<QAction*>(action)->trigger(); }
    template <typename T>
    T* in(QWidget* parent, const char* name) {
        auto* child = parent->findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    void startScan(int first, int last, int timeout) {
        in<QSpinBox>(dialog, "txtScanFirst")->setValue(first);
        in<QSpinBox>(dialog, "txtScanLast")->setValue(last);
        in<QSpinBox>(dialog, "txtScanTimeout")->setValue(timeout);
        in<QPushButton>(dialog, "cmdScanStart")->click();
    }
    std::vector<int> listed() {
        std::vector<int> stations;
        auto* list = in<QListWidget>(dialog, "lstScanFound");
        for (int i = 0; i < list->count(); ++i) {
            stations.push_back(list->item(i)->data(Qt::UserRole).toInt());
        }
        return stations;
    }

    TempDir dir;
    FakeDialogs dialogs;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<MainWindow> window;
    BusScanDialog* dialog = nullptr;
};

TEST_F(BusScanEndToEnd, FindsExactlyTheThreeModulesAndLeavesTheWindowAsItWas) {
    // Cyclic polling runs when the scan starts; the scan pauses it and lets it go on after.
    window->controls().setText(control::txtStationID, "7");
    window->controls().setText(control::txtTimerSet, "500");
    window->findChild<QPushButton*>(control::cmdOneM)->click();
    QTimer* timer2 = window->findChild<QTimer*>(control::Timer2);
    ASSERT_TRUE(timer2->isActive());
    QTest::qWait(700);
    const std::string values = window->controls().text(control::txtValue[0]);
    const std::string errors = window->controls().text(control::lblErrCounter);

    startScan(1, 249, 50);
    EXPECT_FALSE(timer2->isActive());
    EXPECT_FALSE(window->centralWidget()->isEnabled());
    auto* progress = in<QProgressBar>(dialog, "prgScan");
    EXPECT_EQ(progress->maximum(), 249);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog->scan().ownsLine(); }, 60000));

    EXPECT_EQ(listed(), (std::vector<int>{1, 7, 200}));
    EXPECT_EQ(progress->value(), 249);
    EXPECT_TRUE(window->centralWidget()->isEnabled());
    EXPECT_TRUE(timer2->isActive());
    // The scan's replies never reached the decoders, nor the window's counters.
    EXPECT_EQ(window->controls().text(control::lblErrCounter), errors);
    EXPECT_EQ(window->controls().text(control::txtValue[0]), values);
    EXPECT_EQ(window->controls().text(control::txtStationID), "7");
    window->findChild<QPushButton*>(control::cmdStopOnce)->click();

    // The log has every request of the scan, with a verdict for each station.
    const auto log = window->trafficLog();
    std::size_t scanRequests = 0;
    std::size_t valid = 0;
    for (const auto& row : log->rows()) {
        scanRequests += row.text.find("读寄存器 起始 0 数量 1") != std::string::npos;
        valid += row.verdict == TrafficVerdict::Valid && row.bytes.size() == 7;
    }
    EXPECT_EQ(scanRequests, 249u);
    EXPECT_EQ(valid, 3u);

    // The operator takes station 200.
    auto* list = in<QListWidget>(dialog, "lstScanFound");
    list->setCurrentRow(2);
    in<QPushButton>(dialog, "cmdScanTake")->click();
    EXPECT_EQ(window->controls().text(control::txtStationID), "200");
    EXPECT_TRUE(dialogs.shown.empty());

    // The log window shows the same rows.
    trigger("actCommLog");
    auto* logWindow = window->findChild<CommLogWindow*>("frmCommLog");
    ASSERT_NE(logWindow, nullptr);
    EXPECT_EQ(static_cast<std::size_t>(logWindow->model().rowCount()), log->rows().size());

    // Every module answered within the time-out: the scan never talked over a reply.
    EXPECT_NE(sim->stop().find(" collisions 0\n"), std::string::npos) << sim->stop();
}

TEST_F(BusScanEndToEnd, CancelInTheMiddleStopsAtOnce) {
    startScan(1, 249, 100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->scan().done() >= 10; }, 10000));
    in<QPushButton>(dialog, "cmdScanCancel")->click();
    EXPECT_FALSE(dialog->scan().running());
    const std::size_t sent = sentRows(*window->trafficLog());

    QTest::qWait(500);
    EXPECT_EQ(sentRows(*window->trafficLog()), sent);
    EXPECT_FALSE(dialog->scan().ownsLine());
    EXPECT_LT(dialog->scan().done(), 20);
    EXPECT_EQ(listed(), (std::vector<int>{1, 7}));
    EXPECT_TRUE(window->centralWidget()->isEnabled());

    // The window works the line again as before.
    window->controls().setText(control::txtStationID, "200");
    window->findChild<QPushButton*>(control::comDoOnce)->click();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window->trafficLog()->rows().back().verdict == TrafficVerdict::Valid; },
        3000));
    EXPECT_TRUE(dialogs.shown.empty());
}

// The numbers are spin boxes: only stations a module can have, time-outs the scan takes, and
// never an end before the start.
TEST_F(BusScanEndToEnd, TheFieldsOfferOnlyWhatTheScanTakes) {
    auto* first = in<QSpinBox>(dialog, "txtScanFirst");
    auto* last = in<QSpinBox>(dialog, "txtScanLast");
    auto* timeout = in<QSpinBox>(dialog, "txtScanTimeout");
    EXPECT_EQ(std::make_pair(first->minimum(), first->maximum()), std::make_pair(1, 249));
    EXPECT_EQ(last->maximum(), 249);
    EXPECT_EQ(std::make_pair(timeout->minimum(), timeout->maximum()), std::make_pair(10, 10000));
    EXPECT_EQ(std::make_tuple(first->value(), last->value(), timeout->value()),
              std::make_tuple(1, 249, 100));

    first->setValue(7);
    EXPECT_EQ(last->minimum(), 7);
    last->setValue(3);
    EXPECT_EQ(last->value(), 7);
    first->setValue(200);
    EXPECT_EQ(last->value(), 200);
    first->setValue(7);
    EXPECT_EQ(last->value(), 200);  // a lower start leaves the end alone

    // Typed, not yet confirmed with Enter: the scan takes what the field shows.
    last->setFocus();
    QTest::keyClick(last, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(last, "7");
    in<QPushButton>(dialog, "cmdScanStart")->click();
    EXPECT_EQ(in<QProgressBar>(dialog, "prgScan")->maximum(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog->scan().ownsLine(); }, 5000));
    EXPECT_EQ(listed(), (std::vector<int>{7}));
    EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
}  // namespace tc24
