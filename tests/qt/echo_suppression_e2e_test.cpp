// "回显抑制" in the real window offscreen: kept in tc24.ini across restarts, and against
// tc24-sim --echo, a line that sends every request back ahead of the reply.

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/platform/tool_settings.h"
#include "app/qt/comm_log_window.h"
#include "app/qt/main_window.h"
#include "core/fakes.h"
#include "diagnostics/echo_filter.h"
#include "diagnostics/traffic_log.h"
#include "link/control_names.h"
#include "link/window_texts.h"
#include "qt/sim_process.h"

namespace tc24 {
namespace {

using testing::FakeDialogs;
using testing::FakeSerialPort;
using testing::SimProcess;
using testing::TempDir;

constexpr const char* kActionName = "actEchoSuppression";

class EchoSuppressionSetting : public ::testing::Test {
protected:
    void start() {
        window.reset();
        window = std::make_unique<MainWindow>(dir.path(), &port, &dialogs);
        window->load();
    }
    QAction* action() { return window->toolsBar()->findChild<QAction*>(kActionName); }
    bool saved() { return readToolSettings(window->settingsLocation()).echoSuppression; }

    TempDir dir;
    FakeSerialPort port;
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

TEST_F(EchoSuppressionSetting, CheckedStateSurvivesARestartThroughTc24Ini) {
    start();
    ASSERT_NE(action(), nullptr);
    EXPECT_EQ(action()->text(), QString::fromUtf8(texts::kEchoSuppression));
    EXPECT_TRUE(action()->isCheckable());
    EXPECT_FALSE(action()->isChecked());
    EXPECT_FALSE(window->echoFilter().enabled());

    action()->trigger();
    EXPECT_TRUE(window->echoFilter().enabled());
    EXPECT_TRUE(saved());
    EXPECT_TRUE(std::filesystem::exists(window->settingsLocation().folder / "tc24.ini"));

    start();
    EXPECT_TRUE(action()->isChecked());
    EXPECT_TRUE(window->echoFilter().enabled());
    action()->trigger();
    EXPECT_FALSE(window->echoFilter().enabled());
    EXPECT_FALSE(saved());

    start();
    EXPECT_FALSE(action()->isChecked());
    EXPECT_FALSE(window->echoFilter().enabled());
}

TEST_F(EchoSuppressionSetting, ASettingThatCannotBeSavedIsSaidSo) {
    start();
    // A folder where the file should be: QSettings cannot replace it.
    std::filesystem::create_directories(window->settingsLocation().folder / "tc24.ini");
    action()->trigger();
    EXPECT_TRUE(window->echoFilter().enabled());  // in force for this run all the same
    EXPECT_TRUE(window->statusBar()->currentMessage().startsWith(
        QString::fromUtf8(texts::kEchoSettingNotSaved)))
        << window->statusBar()->currentMessage().toStdString();
}

// Channel i + 1 reads this temperature (hundredths of a degree), some below zero.
int temperatureOf(int i) {
    return i % 4 == 1 ? -240 - 13 * i : 2115 + 41 * i;
}

QString textOf(int hundredths) {
    return QString::asprintf("%s%d.%02d", hundredths < 0 ? "-" : "", std::abs(hundredths) / 100,
                             std::abs(hundredths) % 100);
}

class EchoingSimulator : public ::testing::Test {
protected:
    void start(bool suppress) {
        std::ofstream sensors(dir.path() / "sensors.txt");
        for (int i = 0; i < 24; ++i) {
            sensors << i + 1 << " 28 00 00 00 00 00 "
                    << QString::asprintf("%02X", i + 1).toStdString() << " 00 "
                    << textOf(temperatureOf(i)).toStdString() << "\n";
        }
        sensors.close();
        sim = std::make_unique<SimProcess>(
            dir.path(), 4,
            QStringList{"--echo", "--baud", "38400", "--sensors",
                        QString::fromStdString((dir.path() / "sensors.txt").string())});
        ASSERT_TRUE(sim->ok()) << sim->error();
        std::ofstream(dir.path() / "comm.set", std::ios::binary) << "4,38400\r\n";
        window = std::make_unique<MainWindow>(dir.path(), nullptr, &dialogs);
        window->load();
        window->show();
        if (suppress) {
            window->toolsBar()->findChild<QAction*>(kActionName)->trigger();
        }
        ASSERT_EQ(window->echoFilter().enabled(), suppress);
    }
    QLineEdit* box(int index) {
        return window->findChild<QLineEdit*>(control::txtValue[static_cast<std::size_t>(index)]);
    }
    void click(const char* name) { window->findChild<QPushButton*>(name)->click(); }
    bool allBlack() {
        for (int i = 0; i < 24; ++i) {
            if (box(i)->palette().color(QPalette::Text) != QColor(0, 0, 0)) {
                return false;
            }
        }
        return true;
    }

    TempDir dir;
    FakeDialogs dialogs;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<MainWindow> window;
};

TEST_F(EchoingSimulator, WithSuppressionTheWindowReadsAll24Temperatures) {
    start(true);
    click(control::comDoOnce);
    ASSERT_TRUE(QTest::qWaitFor([&] { return allBlack(); }, 5000))
        << window->controls().text(control::txtState);
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(box(i)->text(), textOf(temperatureOf(i))) << i;
    }
    EXPECT_TRUE(window->controls().text(control::txtState).starts_with(" 01 03 30 "));
    EXPECT_NE(window->statusBar()->currentMessage(), QString::fromUtf8(texts::kEchoSeen));

    // The log: the request, its echo on a row of its own, the reply judged valid.
    const auto& rows = window->trafficLog()->rows();
    const auto echo = std::find_if(rows.begin(), rows.end(), [](const TrafficRow& row) {
        return row.direction == TrafficDirection::Echo;
    });
    ASSERT_NE(echo, rows.end());
    EXPECT_EQ(echo->bytes, testing::hexBytes("01 03 00 00 00 18 45 C0"));
    const auto& figures = window->trafficLog()->statistics(protocol::RequestKind::ReadRegisters);
    EXPECT_EQ(figures.requests, 1u);
    EXPECT_EQ(figures.valid, 1u);
    // And the log's window shows it as such.
    window->findChild<QAction*>("actCommLog")->trigger();
    auto* logWindow = window->findChild<CommLogWindow*>("frmCommLog");
    ASSERT_NE(logWindow, nullptr);
    TrafficTableModel& model = logWindow->model();
    const int echoRow = static_cast<int>(echo - rows.begin());
    EXPECT_EQ(model.data(model.index(echoRow, 2), Qt::DisplayRole).toString(),
              QString::fromUtf8(texts::kEchoRow));

    // Polling: one serial event per poll, every reply whole. Starting, it sets both counters
    // to 1.
    window->controls().setText(control::txtTimerSet, "100");
    click(control::cmdOneM);
    QTest::qWait(2000);
    click(control::cmdStopOnce);
    QTest::qWait(300);  // the last reply is still decoded after the stop
    const int polls = std::stoi(window->controls().text(control::lblCounter)) - 1;
    // Each event also counts the channels without a reading: none here.
    const int events = std::stoi(window->controls().text(control::lblErrCounter)) - 1;
    EXPECT_GE(polls, 12);
    EXPECT_EQ(events, polls);
    EXPECT_TRUE(allBlack());
    EXPECT_EQ(box(1)->text(), textOf(temperatureOf(1)));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(EchoingSimulator, WithoutSuppressionTheStatusBarNamesTheEcho) {
    start(false);
    click(control::comDoOnce);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return window->statusBar()->currentMessage() == QString::fromUtf8(texts::kEchoSeen);
        },
        5000))
        << window->statusBar()->currentMessage().toStdString();
    // The decoder reads the echo where the reply should be.
    EXPECT_TRUE(window->controls().text(control::txtState).starts_with(" 01 03 00 00 00 18 45 C0"));
}

}  // namespace
}  // namespace tc24
