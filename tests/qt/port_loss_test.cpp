// The line goes away under the window: the simulator vanishes in the middle of a reply, or
// its device disappears while a read-all or an automatic write runs. The window must show
// the closed port, send nothing into a dead handle, spin no CPU, and work again once the
// operator chooses the port anew.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "app/qt/main_window.h"
#include "core/fakes.h"
#include "link/control_names.h"
#include "qt/process_stats.h"
#include "qt/sim_process.h"

namespace tc24 {
namespace {

using testing::cpuSeconds;

using testing::FakeDialogs;
using testing::SimProcess;
using testing::TempDir;

constexpr const char* kPortClosed = "打开串口出错，请确定串口是否已被占用";

class PortLoss : public ::testing::Test {
protected:
    void start(const QStringList& simArguments) {
        sim = std::make_unique<SimProcess>(dir.path(), 2, simArguments);
        ASSERT_TRUE(sim->ok()) << sim->error();
        std::ofstream(dir.path() / "comm.set", std::ios::binary) << "2,38400\r\n";
        window = std::make_unique<MainWindow>(dir.path(), nullptr, &dialogs);
        window->load();
        window->show();
        ASSERT_TRUE(window->port().isOpen());
    }
    void click(const char* name) { window->findChild<QPushButton*>(name)->click(); }
    bool sawMessage(const std::string& text) {
        for (const auto& box : dialogs.shown) {
            if (box.text == text) {
                return true;
            }
        }
        return false;
    }
    void chooseThePortAgain() {
        auto* ports = window->findChild<QComboBox*>(control::Combo1);
        emit ports->activated(ports->currentIndex());
    }

    TempDir dir;
    FakeDialogs dialogs;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<MainWindow> window;
};

TEST_F(PortLoss, PollingStopsWhenTheLineVanishesAndResumesOnceThePortIsChosenAgain) {
    // The third reply is cut off: the line closes part-way through and comes back 800 ms later.
    start({"--baud", "38400", "--vanish", "every:3", "--vanish-ms", "800"});
    window->controls().setText(control::txtTimerSet, "100");
    click(control::cmdOneM);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sawMessage(kPortClosed); }, 5000));
    EXPECT_FALSE(window->port().isOpen());
    EXPECT_FALSE(window->core().state().CommReady);
    EXPECT_EQ(window->controls().frontImage(), control::imgNotConnected);

    // While the port is closed the ticks send nothing, show nothing more and cost nothing.
    const std::string counter = window->controls().text(control::lblCounter);
    const std::size_t boxes = dialogs.shown.size();
    const double before = cpuSeconds();
    QTest::qWait(500);
#ifndef TC24_SANITIZED
    EXPECT_LT(cpuSeconds() - before, 0.25);  // generous: bench/vanished_port_bench measures it
#else
    static_cast<void>(before);
#endif
    EXPECT_EQ(window->controls().text(control::lblCounter), counter);
    EXPECT_EQ(dialogs.shown.size(), boxes);

    // The simulator is back (under a new device, the link follows it): choose the port anew.
    QTest::qWait(800);
    chooseThePortAgain();
    ASSERT_TRUE(window->port().isOpen()) << window->port().lastError();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return std::stoi(window->controls().text(control::lblCounter)) > std::stoi(counter) + 1;
        },
        3000));
    click(control::cmdStopOnce);
}

TEST_F(PortLoss, ReadAllStopsAtTheFirstTickAfterTheDeviceDisappeared) {
    start({"--baud", "38400"});
    click(control::cmdReadSNAll);
    window->findChild<QTimer*>(control::Timer6)->setInterval(100);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->controls().text(control::txtSensorid2) == "4"; }, 3000));
    sim->stop();  // the adapter is pulled: the device goes away
    ASSERT_TRUE(QTest::qWaitFor([&] { return sawMessage(kPortClosed); }, 3000));
    EXPECT_FALSE(window->port().isOpen());
    EXPECT_FALSE(window->findChild<QTimer*>(control::Timer6)->isActive());
    EXPECT_FALSE(sawMessage("读取完成"));
    EXPECT_EQ(window->controls().frontImage(), control::imgNotConnected);
}

TEST_F(PortLoss, AutomaticWritingStopsAtTheFirstTickAfterTheDeviceDisappeared) {
    start({"--baud", "38400"});
    const auto list = dir.path() / "list.txt";
    std::ofstream(list, std::ios::binary)
        << "3\r\n\"28 FF 6C 32 A1 16 04 5E\"\r\n\"28 FF 6C 32 A1 16 04 5F\"\r\n"
           "\"28 FF 6C 32 A1 16 04 60\"\r\n";
    dialogs.openAnswers.push_back(list.string());
    click(control::cmdOpenFile);
    window->controls().setText(control::txtStationID, "1");
    sim->stop();
    QTest::qWait(100);  // the port notices the vanished device and closes itself
    EXPECT_FALSE(window->port().isOpen());
    click(control::cmdWriteAllSn);
    window->findChild<QTimer*>(control::Timer3)->setInterval(100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sawMessage(kPortClosed); }, 3000));
    EXPECT_FALSE(window->findChild<QTimer*>(control::Timer3)->isActive());
    EXPECT_FALSE(sawMessage("操作结束"));
}

}  // namespace
}  // namespace tc24
