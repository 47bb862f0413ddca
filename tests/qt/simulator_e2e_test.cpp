// The real window offscreen against tc24-sim over a pseudo-terminal.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QTest>
#include <fstream>

#include <QLineEdit>
#include "app/qt/main_window.h"
#include "core/fakes.h"
#include "link/control_names.h"
#include "qt/sim_process.h"

namespace tc24 {
namespace {

using testing::FakeDialogs;
using testing::SimProcess;
using testing::TempDir;

// Channel i + 1 reads this temperature (hundredths of a degree), some below zero.
int temperatureOf(int i) {
    return i % 5 == 3 ? -125 - 10 * i : 1850 + 37 * i;
}

QString textOf(int hundredths) {
    return QString::asprintf("%s%d.%02d", hundredths < 0 ? "-" : "", std::abs(hundredths) / 100,
                             std::abs(hundredths) % 100);
}

class SimulatorEndToEnd : public ::testing::Test {
protected:
    void startAt(int baud) {
        std::ofstream sensors(dir.path() / "sensors.txt");
        for (int i = 0; i < 24; ++i) {
            sensors << i + 1 << " 28 00 00 00 00 00 "
                    << QString::asprintf("%02X", i + 1).toStdString() << " 00 "
                    << textOf(temperatureOf(i)).toStdString() << "\n";
        }
        sensors.close();
        sim = std::make_unique<SimProcess>(
            dir.path(), 3,
            QStringList{"--baud", QString::number(baud), "--sensors",
                        QString::fromStdString((dir.path() / "sensors.txt").string())});
        ASSERT_TRUE(sim->ok()) << sim->error();
        std::ofstream(dir.path() / "comm.set", std::ios::binary) << "3," << baud << "\r\n";
        window = std::make_unique<MainWindow>(dir.path(), nullptr, &dialogs);
        window->load();
        window->show();
        ASSERT_EQ(window->controls().text(control::txtStationID), "1");
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

TEST_F(SimulatorEndToEnd, SingleQueryShowsTheSimulatorsTemperatures) {
    startAt(19200);
    click(control::comDoOnce);
    ASSERT_TRUE(QTest::qWaitFor([&] { return allBlack(); }, 5000))
        << window->controls().text(control::txtState);
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(box(i)->text(), textOf(temperatureOf(i))) << i;
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(SimulatorEndToEnd, PollingEvery100MsCompletesEveryPollAt38400Baud) {
    startAt(38400);
    window->controls().setText(control::txtTimerSet, "100");
    click(control::cmdOneM);
    QTest::qWait(3000);
    click(control::cmdStopOnce);
    QTest::qWait(300);  // the last reply is still decoded after the stop

    const int polls = std::stoi(window->controls().text(control::lblCounter)) - 1;
    const int events = std::stoi(window->controls().text(control::lblErrCounter)) - 1;
    EXPECT_GE(polls, 25);
    // One data event per poll: no reply abandoned by the next poll, none lost.
    EXPECT_EQ(events, polls);
    EXPECT_TRUE(allBlack());
    EXPECT_TRUE(dialogs.shown.empty());
    const std::string summary = sim->stop();
    EXPECT_NE(summary.find("requests " + std::to_string(polls)), std::string::npos) << summary;
}

}  // namespace
}  // namespace tc24
