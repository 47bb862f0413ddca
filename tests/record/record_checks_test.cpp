// The record's checks at their edges, and the verdict they make.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "protocol/codes.h"
#include "record/record.h"
#include "app/platform/record_json.h"

namespace tc24::record {
namespace {

using protocol::SerialNumber;

// Serial numbers chosen with a valid 1-Wire CRC-8 in their last byte (family 0x28).
constexpr SerialNumber kGood1 = {0x28, 0xFF, 0x4B, 0x12, 0x03, 0x16, 0x02, 0xF0};
constexpr SerialNumber kGood2 = {0x28, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x9E};
// The same id with a last byte that is not its CRC-8.
constexpr SerialNumber kBadCrc = {0x28, 0xFF, 0x4B, 0x12, 0x03, 0x16, 0x02, 0x9E};

// A module with sensors at positions 1 and 2, the rest read and empty, 2 sensors reported,
// and `polls` readings of 25.00 and 26.00.
Record twoSensors(int polls = 3) {
    Record record;
    record.address = 1;
    record.sensorCount = 2;
    for (auto& position : record.serials) {
        position = PositionSerial::of(protocol::kNoSerialNumber);
    }
    record.serials[0] = PositionSerial::of(kGood1);
    record.serials[1] = PositionSerial::of(kGood2);
    std::vector<std::uint16_t> registers(24, 0xFFFF);
    registers[0] = 2500;
    registers[1] = 2600;
    for (int i = 0; i < polls; ++i) {
        record.addReading(registers);
    }
    return record;
}

const CheckResult& check(const std::vector<CheckResult>& checks, CheckId id) {
    for (const auto& c : checks) {
        if (c.id == id) {
            return c;
        }
    }
    throw std::logic_error("no such check");
}

CheckState stateOf(const Record& record, CheckId id) {
    return check(evaluate(record, Language::English), id).state;
}

TEST(RecordChecks, AGoodModuleWithNothingConfiguredPasses) {
    const Record record = twoSensors();
    const auto checks = evaluate(record, Language::English);
    ASSERT_EQ(checks.size(), kAllChecks.size());
    for (const auto& c : checks) {
        const bool configured = c.id != CheckId::SensorCount && c.id != CheckId::ListMatch &&
                                c.id != CheckId::Limits && c.id != CheckId::Spread;
        EXPECT_EQ(c.state, configured ? CheckState::Passed : CheckState::NotConfigured)
            << checkKey(c.id) << ": " << c.reason;
    }
    EXPECT_EQ(verdictOf(checks), Verdict::Pass);
}

TEST(RecordChecks, LimitsAreInclusiveInHundredths) {
    Record record = twoSensors();
    record.limits.minCentidegrees = 2500;
    record.limits.maxCentidegrees = 2600;
    EXPECT_EQ(stateOf(record, CheckId::Limits), CheckState::Passed);
    record.limits.maxCentidegrees = 2599;
    const auto checks = evaluate(record, Language::English);
    EXPECT_EQ(check(checks, CheckId::Limits).state, CheckState::Failed);
    EXPECT_EQ(check(checks, CheckId::Limits).positions, std::vector<int>{2});
    EXPECT_EQ(check(checks, CheckId::Limits).reason, "channel 2 read 26.00, above the limit");
    EXPECT_EQ(verdictOf(checks), Verdict::Fail);
    record.limits = {};
    record.limits.minCentidegrees = 2501;
    EXPECT_EQ(check(evaluate(record, Language::English), CheckId::Limits).positions,
              std::vector<int>{1});
}

TEST(RecordChecks, ASensorChannelWithoutAReadingFailsTheLimits) {
    Record record = twoSensors(0);
    record.limits.maxCentidegrees = 4000;
    EXPECT_EQ(stateOf(record, CheckId::Limits), CheckState::NotRun);  // nothing read yet
    std::vector<std::uint16_t> registers(24, 0xFFFF);
    registers[0] = 2500;  // channel 2 has a sensor but reads "no reading"
    record.addReading(registers);
    const auto checks = evaluate(record, Language::Chinese);
    EXPECT_EQ(check(checks, CheckId::Limits).state, CheckState::Failed);
    EXPECT_EQ(check(checks, CheckId::Limits).reason, "通道 2 无读数");
}

TEST(RecordChecks, SpreadTakesTheLowerMiddleOfAnEvenCountAndRoundsMeansHalfToEven) {
    Record record = twoSensors(0);
    record.serials[2] = PositionSerial::of({0x28, 3, 0, 0, 0, 0, 0, 0});
    record.serials[3] = PositionSerial::of({0x28, 4, 0, 0, 0, 0, 0, 0});
    record.limits.crcCheck = false;
    // Means 20.00, 20.10, 20.30 and 20.005 → 20.00 (half to even): sorted 20.00, 20.00, 20.10,
    // 20.30, the median the lower middle 20.00.
    record.addReading({2000, 2010, 2030, 2000});
    record.addReading({2000, 2010, 2030, 2001});
    EXPECT_EQ(record.readings[3].mean(), 2000);
    record.limits.spreadCentidegrees = 30;
    EXPECT_EQ(stateOf(record, CheckId::Spread), CheckState::Passed);
    record.limits.spreadCentidegrees = 29;
    const auto checks = evaluate(record, Language::English);
    EXPECT_EQ(check(checks, CheckId::Spread).positions, std::vector<int>{3});
    EXPECT_EQ(check(checks, CheckId::Spread).reason,
              "channel 3 mean 20.30 is off the median 20.00");
}

TEST(RecordChecks, PositionsCountAndAssignment) {
    Record record = twoSensors();
    record.limits.sensors = 3;  // positions 1-3 expected, three sensors
    auto checks = evaluate(record, Language::English);
    EXPECT_EQ(check(checks, CheckId::SensorCount).state, CheckState::Failed);
    EXPECT_EQ(check(checks, CheckId::SensorCount).reason,
              "the module reports 2 sensors, 3 expected");
    EXPECT_EQ(check(checks, CheckId::Positions).positions, std::vector<int>{3});
    EXPECT_EQ(check(checks, CheckId::Assigned).state, CheckState::Passed);

    record.limits = {};
    record.sensorCount = 3;  // a sensor on the bus that no position holds
    checks = evaluate(record, Language::English);
    EXPECT_EQ(check(checks, CheckId::Assigned).state, CheckState::Failed);
    EXPECT_EQ(check(checks, CheckId::Assigned).reason,
              "3 sensors on the bus, but 2 positions hold a serial number");

    record.limits.positions = std::pair{2, 4};
    EXPECT_EQ(check(evaluate(record, Language::English), CheckId::Positions).positions,
              (std::vector<int>{3, 4}));
}

TEST(RecordChecks, DuplicatesCrcAndTheList) {
    Record record = twoSensors();
    record.serials[5] = PositionSerial::of(kGood1);
    auto checks = evaluate(record, Language::English);
    EXPECT_EQ(check(checks, CheckId::Duplicates).positions, (std::vector<int>{1, 6}));
    EXPECT_EQ(check(checks, CheckId::Duplicates).reason,
              "28 FF 4B 12 03 16 02 F0 appears at positions 1, 6");

    record = twoSensors();
    record.serials[1] = PositionSerial::of(kBadCrc);
    EXPECT_EQ(check(evaluate(record, Language::English), CheckId::Crc8).positions,
              std::vector<int>{2});
    record.limits.crcCheck = false;
    EXPECT_EQ(stateOf(record, CheckId::Crc8), CheckState::NotConfigured);

    record = twoSensors();
    record.list = std::vector<std::optional<SerialNumber>>{kGood1, kGood2, std::nullopt};
    EXPECT_EQ(stateOf(record, CheckId::ListMatch), CheckState::Passed);
    (*record.list)[1] = kBadCrc;
    (*record.list)[2] = kGood2;  // expected at 3, which is empty
    EXPECT_EQ(check(evaluate(record, Language::English), CheckId::ListMatch).positions,
              (std::vector<int>{2, 3}));
}

TEST(RecordChecks, AConfiguredCheckThatCouldNotRunBlocksThePass) {
    Record record = twoSensors();
    record.sensorCount.reset();
    record.limits.sensors = 2;
    record.failures.push_back({"sensor_count", "no reply within 1000 ms"});
    const auto checks = evaluate(record, Language::English);
    EXPECT_EQ(check(checks, CheckId::SensorCount).state, CheckState::NotRun);
    EXPECT_EQ(check(checks, CheckId::SensorCount).reason,
              "could not be done: no reply within 1000 ms");
    EXPECT_EQ(verdictOf(checks), Verdict::Incomplete);

    Record unread = twoSensors();
    unread.serials[7] = {};
    EXPECT_EQ(check(evaluate(unread, Language::English), CheckId::Assigned).reason,
              "positions 8 were not read");

    // A step that could not be done leaves the job incomplete, though no check needed it.
    Record unchanged = twoSensors();
    unchanged.failures.push_back({"set_address", "no reply within 1000 ms"});
    EXPECT_EQ(verdictOf(evaluate(unchanged, Language::English)), Verdict::Pass);
    EXPECT_EQ(verdictOf(unchanged, evaluate(unchanged, Language::English)), Verdict::Incomplete);
    unchanged.failures.clear();
    unchanged.interrupted = true;
    EXPECT_EQ(verdictOf(unchanged, evaluate(unchanged, Language::English)), Verdict::Incomplete);

    Record failed = twoSensors();
    failed.addFailedPoll();
    EXPECT_EQ(verdictOf(evaluate(failed, Language::English)), Verdict::Fail);
}

TEST(RecordLog, OneLineWithTheFailedChecksInOneField) {
    Record record = twoSensors();
    record.start = "2026-12-09T01:02:03.456+01:00";
    record.end = "2026-12-09T01:02:09.000+01:00";
    record.operatorName = "Li, Wei";
    record.toolVersion = "0.1.0";
    record.limits.sensors = 3;
    const std::string line = logLine(record, evaluate(record, Language::English), "r.json");
    EXPECT_EQ(line.substr(0, 89),
              "2026-12-09T01:02:09.000+01:00,1,fail,\"sensor_count;positions\",\"Li, Wei\",,"
              "r.json,0.1.0,28 ");
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
    const std::string header = logHeader();
    EXPECT_EQ(std::count(header.begin(), header.end(), ','), 7 + 24);
}

TEST(RecordTimes, CarryTheUtcOffset) {
    const std::string time = isoTimeWithOffset(std::chrono::system_clock::time_point{});
    ASSERT_EQ(time.size(), 29u) << time;
    EXPECT_TRUE(time[23] == '+' || time[23] == '-') << time;
    EXPECT_EQ(time[26], ':');
    EXPECT_EQ(recordBaseName([] {
                  Record record;
                  record.address = 7;
                  record.moduleId = "A/12 b";
                  record.start = "2026-12-09T01:02:03.456+01:00";
                  return record;
              }()),
              "tc24-7-A_12_b-2026-12-09T01-02-03");
}

TEST(RecordJson, HoldsEveryFieldUnderItsFixedKey) {
    Record record = twoSensors();
    record.toolName = "tc24-cli";
    record.limits.minCentidegrees = -50;
    record.oldAddress = 3;
    const auto checks = evaluate(record, Language::English);
    const QJsonObject json =
        QJsonDocument::fromJson(QByteArray::fromStdString(recordJsonText(record, checks)))
            .object();
    EXPECT_EQ(json["format"].toString(), "tc24-record/1");
    EXPECT_EQ(json["module"].toObject()["old_address"].toInt(), 3);
    EXPECT_EQ(json["module"].toObject()["sensor_count"].toInt(), 2);
    const QJsonArray positions = json["positions"].toArray();
    ASSERT_EQ(positions.size(), 24);
    EXPECT_EQ(positions[0].toObject()["serial"].toString(), "28 FF 4B 12 03 16 02 F0");
    EXPECT_EQ(positions[2].toObject()["state"].toString(), "empty");
    EXPECT_TRUE(positions[2].toObject()["serial"].isNull());
    EXPECT_EQ(positions[1].toObject()["readings"].toObject()["mean"].toDouble(), 26.0);
    const QJsonArray checkArray = json["checks"].toArray();
    ASSERT_EQ(checkArray.size(), 9);
    EXPECT_EQ(checkArray[6].toObject()["id"].toString(), "limits");
    EXPECT_EQ(checkArray[6].toObject()["limits"].toObject()["min"].toDouble(), -0.5);
    EXPECT_EQ(checkArray[6].toObject()["result"].toString(), "pass");
    EXPECT_EQ(json["verdict"].toString(), "pass");
}

}  // namespace
}  // namespace tc24::record
