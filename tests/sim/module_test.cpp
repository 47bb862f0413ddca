// The module's answers to every request the tool sends, byte for byte.

#include <gtest/gtest.h>

#include "protocol/crc16.h"
#include "sim/line.h"
#include "sim/module.h"
#include "tests/sim/hex_bytes.h"

namespace tc24::sim {
namespace {

using testing::hex;

const SerialNumber kSensorA = {0x28, 0xFF, 0x4B, 0x12, 0x03, 0x16, 0x02, 0xF0};
const SerialNumber kSensorB = {0x28, 0xFF, 0x6C, 0x32, 0xA1, 0x16, 0x04, 0x4D};
const SerialNumber kAbsent = {0x28, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x9E};
const SerialNumber kNewSensor = {0x28, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x01, 0x67};

// Address 1: position 1 at 25.34, position 2 at -0.50, position 3 empty, position 4 names a
// sensor that is not on the bus, and one new sensor (21.50) waits to be assigned.
Module testModule(std::uint8_t address = 1) {
    Module module(address);
    module.attach({kSensorA, 2534, 0});
    module.assign(1, kSensorA);
    module.attach({kSensorB, -50, 0});
    module.assign(2, kSensorB);
    module.assign(4, kAbsent);
    module.attach({kNewSensor, 2150, 0});
    return module;
}

class ModuleTest : public ::testing::Test {
protected:
    std::optional<Bytes> ask(const std::string& request) { return module.handle(hex(request)); }
    Module module = testModule();
};

TEST_F(ModuleTest, ReadsHoldingRegistersAsTemperaturesOrNoReading) {
    EXPECT_EQ(ask("01 03 00 00 00 03 05 CB"), hex("01 03 06 09 E6 FF CE FF FF 78 61"));
    // A position naming a sensor that is not on the bus has no reading either.
    EXPECT_EQ(ask("01 03 00 03 00 01 74 0A"), hex("01 03 02 FF FF B9 F4"));

    const auto all = ask("01 03 00 00 00 18 45 C0");
    ASSERT_TRUE(all);
    EXPECT_EQ(all->size(), 53u);
}

TEST_F(ModuleTest, RegisterReadsBeyondTheMapAreRefused) {
    EXPECT_EQ(ask("01 03 00 16 00 03 E4 0F"), hex("01 83 02 C0 F1"));        // 22 + 3 > 24
    EXPECT_EQ(ask("01 03 00 00 00 00 45 CA"), hex("01 83 03 01 31"));        // count 0
    EXPECT_EQ(ask("01 03 00 17 00 01 34 0E"), hex("01 03 02 FF FF B9 F4"));  // last register
}

TEST_F(ModuleTest, AddressReadAndSensorCountAtStation250) {
    EXPECT_EQ(ask("FA 25 02 00 00 01 99 FE"), hex("01 25 02 00 01 72 CC"));
    // Three sensors on the bus: two in positions and the new one.
    EXPECT_EQ(ask("FA 25 05 01 00 02 89 4B"), hex("01 25 01 03 51 82"));
}

TEST_F(ModuleTest, SerialNumberOfAPosition) {
    EXPECT_EQ(ask("01 23 01 01 00 08 95 F7"), hex("01 23 01 28 FF 4B 12 03 16 02 F0 01 41 BB"));
    EXPECT_EQ(ask("01 23 01 03 00 08 34 37"), hex("01 23 01 FF FF FF FF FF FF FF FF 03 68 B1"));
    EXPECT_EQ(ask("01 23 01 19 00 08 15 F0"), hex("01 A3 02 D9 31"));  // position 25
}

TEST_F(ModuleTest, IdentifyTakesTheOneNewSensorIntoThePosition) {
    EXPECT_EQ(ask("01 22 01 05 00 04 E9 F3"), hex("01 22 01 28 AA BB CC DD EE 01 67 B7 E4"));
    EXPECT_EQ(module.assigned(5), kNewSensor);
    EXPECT_TRUE(module.newSensors().empty());
    EXPECT_EQ(module.registerValue(4), 2150);

    // The pool is empty now: the module cannot carry out a second identification.
    EXPECT_EQ(ask("01 22 01 05 00 04 E9 F3"), hex("01 A2 04 58 A3"));
    EXPECT_EQ(ask("01 22 01 00 00 04 F9 F2"), hex("01 A2 02 D8 A1"));  // position 0
}

TEST_F(ModuleTest, IdentifyRefusesWhenSeveralNewSensorsAreAttached) {
    module.attach({kAbsent, 1000, 0});  // position 4's sensor arrives; plus the new one
    module.assign(4, kNoSerialNumber);
    ASSERT_EQ(module.newSensors().size(), 2u);
    EXPECT_EQ(ask("01 22 01 05 00 04 E9 F3"), hex("01 A2 04 58 A3"));
    EXPECT_EQ(module.assigned(5), kNoSerialNumber);
}

TEST_F(ModuleTest, WrittenSerialNumberIsEchoedAndReadBack) {
    EXPECT_EQ(ask("01 22 0C 07 28 FF 6C 32 A1 16 04 4D E3 62"),
              hex("01 22 0C 28 FF 6C 32 A1 16 04 4D CB 6C"));
    EXPECT_EQ(ask("01 23 01 07 00 08 75 F6"), hex("01 23 01 28 FF 6C 32 A1 16 04 4D 07 F9 53"));
    // The sensor is on the bus, so position 7 now reads its temperature too.
    EXPECT_EQ(ask("01 03 00 06 00 01 64 0B"), hex("01 03 02 FF CE 78 20"));
}

TEST_F(ModuleTest, AddressChangeAnswersFromTheNewAddress) {
    EXPECT_EQ(ask("01 06 0B 00 00 02 0A 2F"), hex("02 06 0B 00 00 02 0A 1C"));
    EXPECT_EQ(module.address(), 2);
    EXPECT_FALSE(ask("01 03 00 00 00 01 84 0A"));
    EXPECT_EQ(ask("FA 25 02 00 00 01 99 FE"), hex("02 25 02 00 02 76 CD"));
}

TEST_F(ModuleTest, AddressChangeRefusesAddressesOutsideOneTo249) {
    EXPECT_EQ(ask("01 06 0B 00 00 FA 0B AD"), hex("01 86 03 02 61"));
    EXPECT_EQ(module.address(), 1);
}

TEST_F(ModuleTest, BroadcastsActWithoutReplyButCannotChangeTheAddress) {
    EXPECT_FALSE(ask("00 06 0B 00 00 05 4A 3C"));
    EXPECT_EQ(module.address(), 1);

    Bytes write = hex("00 22 0C 09 28 FF 4B 12 03 16 02 F0");
    write = withCrc(write);
    EXPECT_FALSE(module.handle(write));
    EXPECT_EQ(module.assigned(9), kSensorA);
}

TEST_F(ModuleTest, OtherStationsAndUnknownFunctions) {
    EXPECT_FALSE(ask("07 03 00 00 00 01 84 6C"));
    EXPECT_EQ(ask("01 41 00 00 51 CC"), hex("01 C1 01 B0 50"));
    EXPECT_EQ(ask("01 22 07 05 00 04 E9 7B"), hex("01 A2 01 98 A0"));  // unknown sub-function
}

TEST(SensorReading, NegativeValuesAndTheNoReadingMark) {
    EXPECT_EQ(registerCentidegrees(0xFFCE), -50);
    EXPECT_EQ(registerCentidegrees(20000), 20000);
    EXPECT_EQ(registerCentidegrees(20001), -45535);
    // -0.01 would be sent as 65535 and read as "no sensor": reported as 0.00 instead.
    EXPECT_EQ((Sensor{kSensorA, -1, 0}.centidegrees()), 0);
    EXPECT_EQ((Sensor{kSensorA, 2000, 8}.centidegrees()), 2050);  // half a degree of drift
}

TEST(SensorReading, DriftStaysWithinItsBoundsAndMoves) {
    Module module = testModule();
    std::mt19937 rng(7);
    bool moved = false;
    for (int step = 0; step < 500; ++step) {
        module.drift(rng, 8);
        for (const Sensor& sensor : module.sensors()) {
            ASSERT_LE(std::abs(sensor.driftSixteenths), 8);
            moved = moved || sensor.driftSixteenths != 0;
        }
    }
    EXPECT_TRUE(moved);
}

// Several modules on one line.

TEST(LineTest, EachModuleAnswersItsOwnStation) {
    Line line({testModule(1), testModule(2)});
    const auto answer = line.handle(hex("02 23 01 05 00 08 D4 05"));
    EXPECT_EQ(answer.outcome, Outcome::Answered);
    EXPECT_EQ(answer.reply, hex("02 23 01 FF FF FF FF FF FF FF FF 05 EC B7"));
}

TEST(LineTest, Station250WithSeveralModulesGivesAGarbledReply) {
    Line line({testModule(1), testModule(2)});
    const auto answer = line.handle(hex("FA 25 02 00 00 01 99 FE"));
    EXPECT_EQ(answer.outcome, Outcome::Garbled);
    ASSERT_EQ(answer.reply.size(), 7u);
    EXPECT_EQ(answer.reply[0], 0x03);  // 01 and 02 on the wire at once
    EXPECT_FALSE(hasValidCrc(answer.reply));

    // Identical replies colliding do not make a clean frame either.
    EXPECT_FALSE(hasValidCrc(collide({hex("01 25 01 03 51 82"), hex("01 25 01 03 51 82")})));
}

TEST(LineTest, BadCrcAndUnknownStationsAreIgnored) {
    Line line({testModule(1)});
    EXPECT_EQ(line.handle(hex("01 03 00 00 00 18 45 C1")).outcome, Outcome::BadCrc);
    EXPECT_EQ(line.handle(hex("01 03")).outcome, Outcome::BadCrc);
    const auto other = line.handle(hex("07 03 00 00 00 01 84 6C"));
    EXPECT_EQ(other.outcome, Outcome::NoListener);
    EXPECT_TRUE(other.reply.empty());
    EXPECT_EQ(line.handle(hex("00 06 0B 00 00 05 4A 3C")).outcome, Outcome::Silent);
}

TEST(LineTest, ReportsAnAddressChange) {
    Line line({testModule(1)});
    EXPECT_FALSE(line.handle(hex("01 03 00 00 00 01 84 0A")).addressChanged);
    const auto answer = line.handle(hex("01 06 0B 00 00 02 0A 2F"));
    EXPECT_TRUE(answer.addressChanged);
    EXPECT_EQ(answer.reply, hex("02 06 0B 00 00 02 0A 1C"));
}

}  // namespace
}  // namespace tc24::sim
