// Serial numbers, the sensor table file, generated tables and the state file.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "sim/line.h"
#include "sim/sensor_table.h"
#include "sim/serial_number.h"
#include "sim/state_file.h"
#include "tests/sim/hex_bytes.h"

namespace tc24::sim {
namespace {

using testing::hex;

TEST(SerialNumberTest, OnewireCrc8) {
    // The example ROM code of Maxim's application note 27.
    const Bytes rom = hex("02 1C B8 01 00 00 00");
    EXPECT_EQ(onewireCrc8(rom), 0xA2);
    EXPECT_TRUE(hasValidOnewireCrc({0x28, 0xFF, 0x4B, 0x12, 0x03, 0x16, 0x02, 0xF0}));
    EXPECT_FALSE(hasValidOnewireCrc({0x28, 0xFF, 0x4B, 0x12, 0x03, 0x16, 0x02, 0x9E}));
    EXPECT_EQ(makeSerialNumber({0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x01}),
              (SerialNumber{0x28, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x01, 0x67}));
}

TEST(SerialNumberTest, Text) {
    const SerialNumber serial = {0x28, 0xFF, 0x4B, 0x12, 0x03, 0x16, 0x02, 0x9E};
    EXPECT_EQ(parseSerialNumber("28FF4B120316029E"), serial);
    EXPECT_EQ(parseSerialNumber("28 ff 4b 12 03 16 02 9e"), serial);
    EXPECT_EQ(parseSerialNumber("28-FF-4B-12-03-16-02-9E"), serial);
    EXPECT_FALSE(parseSerialNumber("28FF4B120316029"));     // 15 digits
    EXPECT_FALSE(parseSerialNumber("28FF4B120316029E00"));  // 9 bytes
    EXPECT_FALSE(parseSerialNumber("2 8FF4B120316029E"));   // blank inside a byte
    EXPECT_FALSE(parseSerialNumber("28FF4B120316029G"));
    EXPECT_EQ(serialNumberText(serial), "28 FF 4B 12 03 16 02 9E");
}

TEST(SensorFileTest, TableFromFile) {
    std::istringstream in(
        "# two modules\n"
        "1  28FF4B12031602F0  25.34\r\n"
        "2  28 FF 6C 32 A1 16 04 4D  -0.5   # freezer door\n"
        "3  empty\n"
        "4  28010203040506 9E  -\n"
        "new 28AABBCCDDEE0167 21.50\n"
        "\n"
        "module 2\n"
        "24 2800000000000140 -455.35\n");
    const auto result = parseSensorFile(in);
    ASSERT_TRUE(result.file) << result.error;
    ASSERT_EQ(result.file->modules.size(), 2u);
    Module first = result.file->modules.at(1);
    // What the tool reads: registers 0 to 4 of the first module.
    first.setAddress(1);
    EXPECT_EQ(first.handle(hex("01 03 00 00 00 05 85 C9")),
              hex("01 03 0A 09 E6 FF CE FF FF FF FF FF FF 77 BA"));
    EXPECT_EQ(first.newSensors().size(), 1u);
    EXPECT_EQ(first.sensors().size(), 3u);
    EXPECT_EQ(result.file->modules.at(2).registerValue(23), 20001);
}

TEST(SensorFileTest, MistakesNameTheirLine) {
    auto error = [](const std::string& text) {
        std::istringstream in(text);
        auto result = parseSensorFile(in);
        EXPECT_FALSE(result.file);
        return result.error;
    };
    EXPECT_EQ(error("1 28FF4B12031602F0 20\n25 28FF6C32A116044D 20\n").substr(0, 7), "line 2:");
    EXPECT_EQ(error("1 28FF4B12031602F0 20\n1 28FF6C32A116044D 20\n").substr(0, 7), "line 2:");
    EXPECT_NE(error("1 28FF4B12031602F0 -0.01\n"), "");   // would read as "no sensor"
    EXPECT_NE(error("1 28FF4B12031602F0 200.01\n"), "");  // the tool shows it as negative
    EXPECT_NE(error("1 28FF4B12031602F0 20.125\n"), "");
    EXPECT_NE(error("1 28FF4B12031602 20\n"), "");
    EXPECT_NE(error("1 28FF4B12031602F0 20\n2 28FF4B12031602F0 21\n"), "");  // on the bus twice
    EXPECT_NE(error("module 0\n"), "");
}

TEST(SensorFileTest, Temperatures) {
    EXPECT_EQ(parseCentidegrees("25.34"), 2534);
    EXPECT_EQ(parseCentidegrees("-0.5"), -50);
    EXPECT_EQ(parseCentidegrees("+7"), 700);
    EXPECT_EQ(parseCentidegrees("200.00"), 20000);
    EXPECT_FALSE(parseCentidegrees("1e2"));
    EXPECT_FALSE(parseCentidegrees("."));
    EXPECT_FALSE(parseCentidegrees("3."));
    EXPECT_EQ(centidegreesText(-50), "-0.50");
    EXPECT_EQ(centidegreesText(2534), "25.34");
    EXPECT_EQ(centidegreesText(5), "0.05");
}

TEST(GeneratedTableTest, LooksLikeARealModule) {
    std::mt19937 rng(42);
    const Module module = generateModule(rng, 2);
    EXPECT_EQ(module.sensors().size(), 24u);  // 22 in positions and 2 new
    EXPECT_EQ(module.newSensors().size(), 2u);
    int empty = 0;
    int belowZero = 0;
    std::set<SerialNumber> serials;
    for (const Sensor& sensor : module.sensors()) {
        EXPECT_EQ(sensor.serial[0], 0x28);
        EXPECT_TRUE(hasValidOnewireCrc(sensor.serial));
        serials.insert(sensor.serial);
    }
    EXPECT_EQ(serials.size(), 24u);
    for (int index = 0; index < Module::kPositions; ++index) {
        const std::uint16_t value = module.registerValue(index);
        if (value == kNoReading) {
            ++empty;
            continue;
        }
        const int centidegrees = registerCentidegrees(value);
        belowZero += centidegrees < 0 ? 1 : 0;
        EXPECT_GE(centidegrees, -5500);
        EXPECT_LE(centidegrees, 12500);
    }
    EXPECT_EQ(empty, 2);
    EXPECT_GE(belowZero, 1);

    std::mt19937 again(42);
    EXPECT_EQ(generateModule(again, 2).sensors().front().serial, module.sensors().front().serial);
}

class StateFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("tc24-sim-state-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        path = (dir / "state").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::filesystem::path dir;
    std::string path;
};

TEST_F(StateFileTest, ChangedAddressSurvivesARestart) {
    Line line({Module(1), Module(9)});
    const auto answer = line.handle(hex("01 06 0B 00 00 02 0A 2F"));
    ASSERT_TRUE(answer.addressChanged);
    ASSERT_TRUE(saveAddresses(path, {line.modules()[0].address(), line.modules()[1].address()}));

    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("module 1 address 2\nmodule 2 address 9\n"), std::string::npos);

    const auto loaded = loadAddresses(path);
    EXPECT_EQ(loaded, (std::map<int, std::uint8_t>{{1, 2}, {2, 9}}));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST_F(StateFileTest, MissingOrDamagedFilesGiveNoAddresses) {
    EXPECT_TRUE(loadAddresses(path).empty());
    std::ofstream(path) << "module 1 address 250\nmodule x address 3\nmodule 2 address 17\n";
    EXPECT_EQ(loadAddresses(path), (std::map<int, std::uint8_t>{{2, 17}}));
}

TEST_F(StateFileTest, FailedWriteKeepsTheOldFile) {
    ASSERT_TRUE(saveAddresses(path, {5}));
    EXPECT_FALSE(saveAddresses((dir / "missing-folder" / "state").string(), {6}));
    EXPECT_EQ(loadAddresses(path), (std::map<int, std::uint8_t>{{1, 5}}));
}

}  // namespace
}  // namespace tc24::sim
