// Address, serial-number readout, save, import and automatic writing, end to end: the real
// window offscreen against tc24-sim over pseudo-terminals. Timer intervals are shortened
// after the clicks so a full sequence takes a second or two.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "app/qt/main_window.h"
#include "core/fakes.h"
#include "link/control_names.h"
#include "link/files.h"
#include "qt/sim_process.h"

namespace tc24 {
namespace {

using testing::FakeDialogs;
using testing::SimProcess;
using testing::TempDir;

constexpr int kFastTicks = 150;  // ms; a read or write with its reply takes about 20 ms

std::string serialOf(int module, int position) {
    char text[32];
    std::snprintf(text, sizeof text, "28 %02X 20 30 40 50 %02X 0%d", 0x10 * module, position,
                  module);
    return text;
}

void writeSensorTable(const std::filesystem::path& file, int module) {
    std::ofstream out(file);
    for (int position = 1; position <= 24; ++position) {
        out << position << " " << serialOf(module, position) << " 21.50\n";
    }
}

std::string savedList(int module) {
    std::string text = "24\r\n";
    for (int position = 1; position <= 24; ++position) {
        text += "\"" + serialOf(module, position) + "\"\r\n";
    }
    return text;
}

class SensorsEndToEnd : public ::testing::Test {
protected:
    std::unique_ptr<SimProcess> startSimulator(int module, int portNumber) {
        const auto table = dir.path() / ("sensors" + std::to_string(module) + ".txt");
        writeSensorTable(table, module);
        auto sim = std::make_unique<SimProcess>(
            dir.path(), portNumber,
            QStringList{"--baud", "19200", "--sensors", QString::fromStdString(table.string()),
                        "--state",
                        QString::fromStdString(
                            (dir.path() / ("state" + std::to_string(module))).string())});
        EXPECT_TRUE(sim->ok()) << sim->error();
        return sim;
    }
    void openWindow(int portNumber) {
        std::ofstream(dir.path() / "comm.set", std::ios::binary) << portNumber << ",19200\r\n";
        window = std::make_unique<MainWindow>(dir.path(), nullptr, &dialogs);
        window->load();
        window->show();
    }
    void click(const char* name) { window->findChild<QPushButton*>(name)->click(); }
    std::string text(const char* name) { return window->controls().text(name); }
    void speedUp(const char* timerName) {
        window->findChild<QTimer*>(timerName)->setInterval(kFastTicks);
    }
    bool waitForMessage(const std::string& message, int timeoutMs) {
        return QTest::qWaitFor(
            [&] {
                for (const auto& box : dialogs.shown) {
                    if (box.text == message) {
                        return true;
                    }
                }
                return false;
            },
            timeoutMs);
    }
    int lines(const std::string& text) {
        return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    }
    // Reads all 24 positions and saves them to `file`.
    void readAllAndSave(const std::filesystem::path& file) {
        dialogs.shown.clear();
        click(control::cmdReadSNAll);
        speedUp(control::Timer6);
        ASSERT_TRUE(waitForMessage("读取完成", 10000)) << text(control::TXTSN);
        EXPECT_EQ(lines(text(control::TXTSN)), 24) << text(control::TXTSN);
        dialogs.saveAnswers.push_back(file.string());
        click(control::cmdSaveSn);
    }

    TempDir dir;
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

TEST_F(SensorsEndToEnd, ReadAndChangeTheAddressThenReadAndSaveAllSerialNumbers) {
    auto sim = startSimulator(1, 3);
    openWindow(3);

    click(control::cmdReadAdd);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !text(control::TXTSN).empty(); }, 3000));
    EXPECT_EQ(text(control::TXTSN), "设备当前地址为:\n1");

    window->controls().setText(control::txtSetID[0], "1");
    window->controls().setText(control::txtSetID[1], "7");
    click(control::cmdChangeID);
    ASSERT_TRUE(QTest::qWaitFor([&] { return text(control::txtStationID) == "7"; }, 3000));
    EXPECT_EQ(text(control::txtSetID[0]), "7");

    const auto file = dir.path() / "module1.txt";
    readAllAndSave(file);
    EXPECT_EQ(readWholeFile(file).value_or("<missing>"), savedList(1));
    EXPECT_EQ(text(control::txtSensorid2), "24");

    // The module keeps its new address across a restart of the simulator.
    sim->stop();
    EXPECT_NE(readWholeFile(dir.path() / "state1").value_or("").find("address 7"),
              std::string::npos);
}

TEST_F(SensorsEndToEnd, ListReadFromOneModuleIsWrittenIntoAnotherAndReadsBackIdentical) {
    auto source = startSimulator(1, 3);
    auto target = startSimulator(2, 4);
    openWindow(3);
    const auto sourceList = dir.path() / "source.txt";
    readAllAndSave(sourceList);
    ASSERT_EQ(readWholeFile(sourceList).value_or(""), savedList(1));

    // Choose the second module's port as the operator would.
    auto* ports = window->findChild<QComboBox*>(control::Combo1);
    ports->setCurrentIndex(3);
    emit ports->activated(3);
    ASSERT_EQ(window->core().state().CommNum, 4);

    dialogs.openAnswers.push_back(sourceList.string());
    click(control::cmdOpenFile);
    ASSERT_EQ(window->core().state().ChennelNum, 24);
    EXPECT_EQ(text(control::txtSenseSn[0]), "28");

    dialogs.shown.clear();
    click(control::cmdWriteAllSn);
    speedUp(control::Timer3);
    ASSERT_TRUE(waitForMessage("操作结束", 10000));
    // The listing of the import stays above the confirmations.
    auto confirmations = [&] {
        const std::string all = text(control::TXTSN);
        int count = 0;
        for (auto at = all.find("成功将编号为:"); at != std::string::npos;
             at = all.find("成功将编号为:", at + 1)) {
            ++count;
        }
        return count;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return confirmations() == 24; }, 3000))
        << text(control::TXTSN);
    EXPECT_NE(
        text(control::TXTSN).find("成功将编号为:24的传感器序列号写为：" + serialOf(1, 24) + " "),
        std::string::npos)
        << text(control::TXTSN);

    const auto readBack = dir.path() / "readback.txt";
    readAllAndSave(readBack);
    EXPECT_EQ(readWholeFile(readBack).value_or("<missing>"), savedList(1));
}

}  // namespace
}  // namespace tc24
