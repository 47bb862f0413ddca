#include "app/settings/port_device.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace tc24 {
namespace {

namespace fs = std::filesystem;

// Settings kept beside the program, as in a build tree.
SettingsLocation beside(const fs::path& directory) {
    return {directory, directory};
}

// A program directory of its own for each test, removed afterwards.
class PortDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tc24-ports-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        fs::create_directory(dir_ / "ports");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    void link(int number, const fs::path& target) {
        fs::create_symlink(target, dir_ / "ports" / ("COM" + std::to_string(number)));
    }
    fs::path dir_;
};

#ifndef _WIN32

TEST_F(PortDeviceTest, WithoutLinkEntryNOpensTtyUsbNMinusOne) {
    EXPECT_EQ(deviceForPort(beside(dir_), 1), "/dev/ttyUSB0");
    EXPECT_EQ(deviceForPort(beside(dir_), 3), "/dev/ttyUSB2");
    EXPECT_EQ(deviceForPort(beside(dir_), 16), "/dev/ttyUSB15");
    // No ports folder at all is the same as no link.
    EXPECT_EQ(deviceForPort(beside(dir_ / "elsewhere"), 4), "/dev/ttyUSB3");
}

TEST_F(PortDeviceTest, LinkMapsOnlyItsOwnEntry) {
    link(3, "/dev/pts/7");
    EXPECT_EQ(deviceForPort(beside(dir_), 3), "/dev/pts/7");
    EXPECT_EQ(deviceForPort(beside(dir_), 2), "/dev/ttyUSB1");
    EXPECT_EQ(deviceForPort(beside(dir_), 13), "/dev/ttyUSB12");  // COM13 is not COM3 plus a digit
}

TEST_F(PortDeviceTest, DanglingLinkStillNamesItsTarget) {
    link(5, dir_ / "gone" / "ttyACM9");
    EXPECT_EQ(deviceForPort(beside(dir_), 5), (dir_ / "gone" / "ttyACM9").string());
    const std::string tip = portEntryTooltip(beside(dir_), 5);
    EXPECT_NE(tip.find("COM5"), std::string::npos) << tip;
    EXPECT_NE(tip.find((dir_ / "gone" / "ttyACM9").string()), std::string::npos) << tip;
    EXPECT_NE(tip.find("not present"), std::string::npos) << tip;
}

TEST_F(PortDeviceTest, RelativeLinkCountsFromThePortsFolder) {
    std::ofstream(dir_ / "device").put('x');
    link(2, "../device");
    const fs::path device = deviceForPort(beside(dir_), 2);
    ASSERT_TRUE(fs::exists(device)) << device;
    EXPECT_TRUE(fs::equivalent(device, dir_ / "device"));
}

TEST_F(PortDeviceTest, TooltipTellsDeviceAndPresence) {
    std::ofstream(dir_ / "device").put('x');
    link(1, dir_ / "device");
    const std::string present = portEntryTooltip(beside(dir_), 1);
    EXPECT_NE(present.find("COM1"), std::string::npos) << present;
    EXPECT_NE(present.find((dir_ / "device").string()), std::string::npos) << present;
    EXPECT_NE(present.find("(present)"), std::string::npos) << present;

    // COM16 maps to /dev/ttyUSB15, which no test machine has.
    const std::string absent = portEntryTooltip(beside(dir_), 16);
    EXPECT_NE(absent.find("/dev/ttyUSB15"), std::string::npos) << absent;
    EXPECT_NE(absent.find("not present"), std::string::npos) << absent;
}

TEST_F(PortDeviceTest, PortNumbersBelowOneOpenNothing) {
    EXPECT_EQ(deviceForPort(beside(dir_), 0), "");
    EXPECT_EQ(deviceForPort(beside(dir_), -3), "");
    EXPECT_FALSE(portEntryTooltip(beside(dir_), 0).empty());
}

#endif

}  // namespace
}  // namespace tc24
