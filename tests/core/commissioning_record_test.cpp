// The window's commissioning record: what the operations' replies put into it, what they do
// not, the failed polls, the list written and read back, and saving that never loses a record.

#include "diagnostics/commissioning_record.h"

#include <gtest/gtest.h>

#include "diagnostics/bus_scan.h"
#include "fakes.h"
#include "link/control_names.h"
#include "link/files.h"
#include "link/window_texts.h"
#include "programming/serial_write.h"
#include "protocol/replies.h"
#include "protocol/requests.h"
#include "protocol/temperature.h"

using namespace tc24;
using record::CheckId;
using record::CheckState;
using tc24::testing::FakeQuestions;
using tc24::testing::Harness;
using tc24::testing::hexBytes;

namespace {

// Serial numbers whose last byte is their 1-Wire CRC-8.
const protocol::SerialNumber kSensor1 = {0x28, 0xA1, 0x6C, 0x50, 0x07, 0x00, 0x01, 0xB9};
const protocol::SerialNumber kSensor2 = {0x28, 0xA1, 0x6C, 0x50, 0x07, 0x00, 0x02, 0x5B};
const protocol::SerialNumber kSensor3 = {0x28, 0xA1, 0x6C, 0x50, 0x07, 0x00, 0x03, 0x05};

using Clock = std::chrono::system_clock;
const Clock::time_point kFirstMoment = Clock::time_point{} + std::chrono::hours(490000);

class CommissioningRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.startWithOpenPort();
        h.ui.set(control::txtStationID, "1");
    }

    // One serial event with exactly these bytes.
    void chunk(const Bytes& bytes) {
        h.port.waiting = bytes;
        h.port.raise(comm_event::DataReceived);
    }
    void readAddress(std::uint8_t answer) {
        h.frm.cmdReadAdd_Click();
        chunk(protocol::addressReply(answer));
    }
    void searchSensors(std::uint8_t station, std::uint8_t count) {
        h.frm.cmdAutoSearch_Click();
        chunk(protocol::sensorCountReply(station, count));
    }
    void readSerial(int position, const protocol::SerialNumber& answer,
                    std::optional<std::uint8_t> from = std::nullopt) {
        h.ui.set(control::txtSensorid2, std::to_string(position));
        h.frm.cmdReadSensorID_Click();
        chunk(protocol::serialReply(from.value_or(station()), answer,
                                    static_cast<std::uint8_t>(position)));
    }
    void writeSerial(int position, const protocol::SerialNumber& serial) {
        h.ui.set(control::txtObjSensorid, std::to_string(position));
        for (std::size_t i = 0; i < serial.size(); ++i) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", serial[i]);
            h.ui.set(control::txtSenseSn[i], hex);
        }
        ASSERT_TRUE(programming::SendSerialNumber(h.frm.window()));
        chunk(protocol::serialWriteReply(station(), serial));
    }
    // "单次" without its reply.
    void poll() { h.frm.comDoOnce_Click(); }
    // All 24 channels at `centidegrees`.
    void answerPoll(std::uint16_t centidegrees, std::optional<std::uint8_t> from = std::nullopt) {
        const std::vector<std::uint16_t> registers(24, centidegrees);
        chunk(protocol::registerReply(from.value_or(station()), registers));
    }
    std::uint8_t station() {
        return static_cast<std::uint8_t>(std::stoi(h.ui.get(control::txtStationID)));
    }
    CheckState stateOf(CheckId id) { return record.checks()[static_cast<std::size_t>(id)].state; }

    Harness h;
    FakeQuestions questions;
    Clock::time_point now = kFirstMoment;
    int jsonWrites = 0;
    RecordWriters writers{
        [this](const record::Record& r, const std::vector<record::CheckResult>& checks) {
            ++jsonWrites;
            return "address " + std::to_string(r.address.value_or(0)) + " end " + r.end +
                   " verdict " + record::verdictKey(record::verdictOf(checks)) + "\n";
        },
        [this](const record::Record& r, const std::vector<record::CheckResult>&,
               const std::filesystem::path& file) {
            return h.files.replace(file, "pdf of " + r.end);
        }};
    CommissioningRecord record{h.frm.window(), questions,    writers,
                               "1.2.3",        h.dir.path(), [this] { return now; }};
};

TEST_F(CommissioningRecordTest, EveryOperationsReplyLandsInTheRecord) {
    EXPECT_FALSE(record.hasData());
    readAddress(1);
    const auto taken = record.record();
    EXPECT_EQ(taken.address, 1);
    EXPECT_EQ(taken.start, record::isoTimeWithOffset(kFirstMoment));
    EXPECT_EQ(taken.toolName, "tc24");
    EXPECT_EQ(taken.toolVersion, "1.2.3");
    EXPECT_EQ(taken.port, "COM1");
    EXPECT_EQ(taken.baud, 19200);

    now += std::chrono::seconds(5);  // the start stays the first datum's
    searchSensors(1, 23);
    readSerial(1, kSensor1);
    readSerial(2, protocol::kNoSerialNumber);
    h.ui.set(control::txtSensorReadID, "3");
    h.frm.cmdAutoInput_Click();
    chunk(protocol::identifyReply(1, kSensor3));
    poll();
    std::vector<std::uint16_t> registers(24, 2150);
    registers[1] = protocol::kNoReading;
    chunk(protocol::registerReply(1, registers));

    const auto r = record.record();
    EXPECT_EQ(r.start, record::isoTimeWithOffset(kFirstMoment));
    EXPECT_EQ(r.sensorCount, 23);
    EXPECT_EQ(r.serials[0], record::PositionSerial::of(kSensor1));
    EXPECT_EQ(r.serials[1].state, record::PositionSerial::State::Empty);
    EXPECT_EQ(r.serials[2], record::PositionSerial::of(kSensor3));
    EXPECT_EQ(r.serials[3].state, record::PositionSerial::State::NotRead);
    EXPECT_EQ(r.polls, 1);
    EXPECT_EQ(r.failedPolls, 0);
    EXPECT_EQ(r.readings[0].count, 1);
    EXPECT_EQ(r.readings[0].lowest, 2150);
    EXPECT_EQ(r.readings[1].noReading, 1);

    // "Not read" and "empty" are told apart on screen as in the record.
    const auto lines = record.positionLines();
    EXPECT_EQ(lines[0].serial, "28 A1 6C 50 07 00 01 B9");
    EXPECT_EQ(lines[0].mean, "21.50");
    EXPECT_EQ(lines[1].serial, texts::kRecordEmpty);
    EXPECT_EQ(lines[1].mean, "");
    EXPECT_EQ(lines[3].serial, texts::kRecordNotRead);
}

TEST_F(CommissioningRecordTest, AnAddressChangeKeepsTheOldAddressAndMovesTheRecord) {
    readAddress(1);
    h.ui.set(control::txtSetID[0], "1");
    h.ui.set(control::txtSetID[1], "7");
    h.frm.cmdChangeID_Click();
    chunk(protocol::addressChangeReply(7));
    EXPECT_EQ(record.record().address, 7);
    EXPECT_EQ(record.record().oldAddress, 1);
    // The window now talks to station 7, and so does the record.
    readSerial(1, kSensor1);
    EXPECT_TRUE(record.record().serials[0].present());
    EXPECT_EQ(record.status(), "");
}

TEST_F(CommissioningRecordTest, RepliesThatAreNotWholeValidRepliesToTheRequestStayOut) {
    // The search asks station 250: the count of a module other than the one in 设备地址 is not
    // this record's, even before the record knows its module.
    searchSensors(9, 4);
    EXPECT_FALSE(record.hasData());

    readAddress(1);
    const auto before = record.record();
    struct Case {
        const char* what;
        std::vector<Bytes> chunks;
    };
    Bytes corrupted = protocol::serialReply(1, kSensor1, 1);
    corrupted[5] ^= 0x01;
    const Bytes whole = protocol::serialReply(1, kSensor1, 1);
    const Case cases[] = {
        {"another station", {protocol::serialReply(2, kSensor1, 1)}},
        {"a wrong CRC", {corrupted}},
        {"the position not asked for", {protocol::serialReply(1, kSensor1, 2)}},
        {"an exception", {protocol::exceptionReply(1, protocol::kReadSerial, 2)}},
        // The window decodes a first chunk of 11 bytes; the record needs the whole reply.
        {"in two chunks",
         {Bytes(whole.begin(), whole.begin() + 11), Bytes(whole.begin() + 11, whole.end())}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        h.ui.set(control::txtSensorid2, "1");
        h.frm.cmdReadSensorID_Click();
        for (const Bytes& bytes : c.chunks) {
            chunk(bytes);
        }
        EXPECT_EQ(record.record().serials, before.serials);
    }

    // Once per request: a second answer to the same search is not taken.
    searchSensors(1, 23);
    chunk(protocol::sensorCountReply(1, 5));
    EXPECT_EQ(record.record().sensorCount, 23);
}

TEST_F(CommissioningRecordTest, RepliesOfAnotherModuleStayOutAndTheStatusSaysSo) {
    readAddress(1);
    h.ui.set(control::txtStationID, "2");
    readSerial(1, kSensor1);
    poll();
    answerPoll(2000);
    const auto r = record.record();
    EXPECT_EQ(r.address, 1);
    EXPECT_FALSE(r.serials[0].present());
    EXPECT_EQ(r.polls, 0);
    EXPECT_NE(record.status().find("站 2"), std::string::npos) << record.status();
    // "新记录" takes the next module.
    questions.yesNo = {true};
    EXPECT_TRUE(record.startNew());
    readSerial(1, kSensor1);
    EXPECT_EQ(record.record().address, 2);
    EXPECT_TRUE(record.record().serials[0].present());
}

TEST_F(CommissioningRecordTest, TheBusScansTrafficNeverReachesTheRecord) {
    // The window's last request is the very read the scan sends to station 1, still waiting:
    // a reply of the scan that reached the decoder would be taken as its reading.
    h.ui.set(control::txtDataLength, "1");
    poll();
    ASSERT_EQ(h.port.lastWritten(), hexBytes("01 03 00 00 00 01 84 0A"));
    tc24::testing::FakeTimer scanTimer;
    master::TimePoint clock = master::TimePoint{} + std::chrono::hours(1);
    BusScan scan{h.frm.window(), scanTimer, [this] { h.frm.MSComm1_OnComm(); },
                 [&] { return clock; }};
    ASSERT_FALSE(scan.start({1, 2, 100}));
    for (int station = 1; station <= 2 && scan.running(); ++station) {
        clock += std::chrono::milliseconds(scanTimer.interval());
        scan.tick();
        // Station 1 answers the scan's one-register read.
        if (station == 1) {
            h.port.receive(hexBytes("01 03 02 09 E6 3F 9E"));
        }
    }
    while (scan.ownsLine()) {
        clock += std::chrono::milliseconds(scanTimer.interval());
        scan.tick();
    }
    ASSERT_EQ(scan.found(), std::vector<std::uint8_t>{1});
    EXPECT_FALSE(record.hasData());
    EXPECT_EQ(record.record().polls, 0);
}

TEST_F(CommissioningRecordTest, APollWithoutAValidReplyBeforeTheNextRequestFailed) {
    readAddress(1);
    poll();
    answerPoll(2000);
    poll();  // no reply
    poll();
    answerPoll(2000, 2);  // another station's
    poll();
    answerPoll(2000);
    poll();  // still waiting for its reply: not judged yet
    auto r = record.record();
    EXPECT_EQ(r.polls, 4);
    EXPECT_EQ(r.failedPolls, 2);
    EXPECT_EQ(r.readings[0].count, 2);
    EXPECT_EQ(stateOf(CheckId::Readings), CheckState::Failed);

    // Another operation's request ends the wait.
    readSerial(1, kSensor1);
    r = record.record();
    EXPECT_EQ(r.polls, 5);
    EXPECT_EQ(r.failedPolls, 3);
}

TEST_F(CommissioningRecordTest, AListWrittenMatchesOnlyOnceItIsReadBack) {
    readAddress(1);
    readSerial(1, kSensor3);  // before the write: says nothing about the number written
    writeSerial(1, kSensor1);
    writeSerial(2, kSensor2);
    auto r = record.record();
    ASSERT_TRUE(r.list);
    EXPECT_EQ(r.list->size(), 2u);
    EXPECT_TRUE(r.listWritten);
    EXPECT_EQ(r.serials[0].state, record::PositionSerial::State::NotRead);
    EXPECT_EQ(stateOf(CheckId::ListMatch), CheckState::NotRun);
    EXPECT_EQ(record.positionLines()[0].matched, texts::kRecordReadBackDue);

    readSerial(1, kSensor1);
    readSerial(2, kSensor2);
    EXPECT_EQ(stateOf(CheckId::ListMatch), CheckState::Passed);
    EXPECT_EQ(record.positionLines()[1].matched, texts::kRecordMatched);

    // The module kept another number at position 2.
    readSerial(2, kSensor3);
    EXPECT_EQ(stateOf(CheckId::ListMatch), CheckState::Failed);
    EXPECT_EQ(record.positionLines()[1].matched, texts::kRecordNotMatched);
    EXPECT_EQ(record.positionLines()[2].matched, "");  // beyond the list
}

TEST_F(CommissioningRecordTest, LimitsAreTakenWholeOrRefused) {
    readAddress(1);
    searchSensors(1, 2);
    EXPECT_EQ(stateOf(CheckId::SensorCount), CheckState::NotConfigured);
    EXPECT_FALSE(record.setLimits({"2", "1-2", "10", "30.5", "0.5", false}));
    auto limits = record.record().limits;
    EXPECT_EQ(limits.sensors, 2);
    EXPECT_EQ(limits.positions, (std::pair{1, 2}));
    EXPECT_EQ(limits.minCentidegrees, 1000);
    EXPECT_EQ(limits.maxCentidegrees, 3050);
    EXPECT_EQ(limits.spreadCentidegrees, 50);
    EXPECT_FALSE(limits.crcCheck);
    EXPECT_EQ(stateOf(CheckId::SensorCount), CheckState::Passed);

    const struct {
        LimitTexts texts;
        const char* refusal;
    } refused[] = {
        {{"25", "", "", "", "", true}, texts::kRecordBadSensors},
        {{"x", "", "", "", "", true}, texts::kRecordBadSensors},
        {{"", "3-1", "", "", "", true}, texts::kRecordBadPositions},
        {{"", "0-4", "", "", "", true}, texts::kRecordBadPositions},
        {{"", "1-25", "", "", "", true}, texts::kRecordBadPositions},
        {{"", "", "abc", "", "", true}, texts::kRecordBadTemperature},
        {{"", "", "30", "20", "", true}, texts::kRecordMinAboveMax},
        {{"", "", "", "", "-1", true}, texts::kRecordBadSpread},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.refusal);
        EXPECT_EQ(record.setLimits(c.texts), std::optional<std::string>(c.refusal));
        EXPECT_EQ(record.record().limits.sensors, 2);  // as they were
    }
    // Empty fields: not configured.
    EXPECT_FALSE(record.setLimits({"", " ", "", "", "", true}));
    EXPECT_EQ(stateOf(CheckId::SensorCount), CheckState::NotConfigured);
}

TEST_F(CommissioningRecordTest, NothingToSaveBeforeTheFirstReply) {
    EXPECT_FALSE(record.saveJson());
    EXPECT_EQ(h.dialogs.lastText(), texts::kRecordNothingToSave);
    EXPECT_TRUE(questions.proposals.empty());
    EXPECT_TRUE(record.startNew());  // nothing to lose: no question
    EXPECT_TRUE(record.mayClose());
    EXPECT_TRUE(questions.asked.empty());
}

TEST_F(CommissioningRecordTest, SavingWritesUnderTheRecordsNameAndNeverOverAnExistingFile) {
    readAddress(1);
    record.setModuleId("M 7");
    ASSERT_TRUE(record.unsaved());
    questions.paths.push_back(std::filesystem::path());  // the name proposed
    now += std::chrono::minutes(3);
    ASSERT_TRUE(record.saveJson());
    const std::string base = record::recordBaseName(record.record());
    EXPECT_EQ(base.rfind("tc24-1-M_7-", 0), 0u) << base;
    const auto first = h.dir.path() / (base + ".json");
    const std::string end = record::isoTimeWithOffset(kFirstMoment + std::chrono::minutes(3));
    EXPECT_EQ(readWholeFile(first), "address 1 end " + end + " verdict incomplete\n");
    EXPECT_FALSE(record.unsaved());
    EXPECT_NE(record.status().find(first.string()), std::string::npos);

    // The same record as PDF says the same end; the next proposal avoids the file there.
    now += std::chrono::minutes(1);
    questions.paths.push_back(std::filesystem::path());
    ASSERT_TRUE(record.savePdf());
    EXPECT_EQ(questions.proposals.back().filename(), base + ".pdf");
    EXPECT_EQ(readWholeFile(h.dir.path() / (base + ".pdf")), "pdf of " + end);

    // Chosen again, the existing file stays: the record goes under the name with a counter,
    // which the dialog proposes already.
    readSerial(1, kSensor1);
    EXPECT_TRUE(record.unsaved());
    questions.paths.push_back(first);
    ASSERT_TRUE(record.saveJson());
    EXPECT_EQ(questions.proposals.back().filename(), base + "-2.json");
    EXPECT_EQ(readWholeFile(first), "address 1 end " + end + " verdict incomplete\n");
    const auto second = h.dir.path() / (base + "-2.json");
    EXPECT_NE(readWholeFile(second).value_or("").find("end " + record::isoTimeWithOffset(now)),
              std::string::npos);
    EXPECT_NE(record.status().find(base + "-2.json"), std::string::npos) << record.status();

    // A name typed without its ending gets it.
    readSerial(2, kSensor2);
    questions.paths.push_back(h.dir.path() / "module");
    ASSERT_TRUE(record.saveJson());
    EXPECT_TRUE(std::filesystem::exists(h.dir.path() / "module.json"));
}

TEST_F(CommissioningRecordTest, AFailedOrCancelledSaveLeavesTheRecordUnsaved) {
    readAddress(1);
    EXPECT_FALSE(record.saveJson());  // cancelled
    EXPECT_TRUE(record.unsaved());
    h.files.failWith = "disk full";
    questions.paths.push_back(std::filesystem::path());
    EXPECT_FALSE(record.saveJson());
    EXPECT_TRUE(record.unsaved());
    EXPECT_NE(h.dialogs.lastText().find("disk full"), std::string::npos);
    EXPECT_TRUE(h.dialogs.shown.back().exclamation);
    for (const auto& entry : std::filesystem::directory_iterator(h.dir.path())) {
        EXPECT_NE(entry.path().extension(), ".json") << entry.path();
    }
}

TEST_F(CommissioningRecordTest, ANewRecordOrClosingAsksBeforeAnUnsavedRecordIsDropped) {
    record.setOperator("Li");
    EXPECT_FALSE(record.setLimits({"24", "", "", "", "", true}));
    readAddress(1);
    record.setNote("cabinet 3");

    EXPECT_FALSE(record.mayClose());  // answered "no"
    questions.yesNo = {false};
    EXPECT_FALSE(record.startNew());
    ASSERT_EQ(questions.asked.size(), 2u);
    EXPECT_EQ(questions.asked[0].text, texts::kRecordDiscardOnClose);
    EXPECT_EQ(questions.asked[1].text, texts::kRecordDiscardForNew);
    EXPECT_EQ(record.record().address, 1);

    questions.yesNo = {true};
    EXPECT_TRUE(record.startNew());
    const auto next = record.record();
    EXPECT_FALSE(record.hasData());
    EXPECT_FALSE(next.address);
    EXPECT_EQ(next.note, "");
    EXPECT_EQ(next.operatorName, "Li");  // the same engineer, the same product
    EXPECT_EQ(next.limits.sensors, 24);

    // Saved, the record goes without a question. A poll still waiting when it was saved
    // fails when the next request goes out unanswered: the record changed.
    readAddress(1);
    poll();
    questions.paths.push_back(std::filesystem::path());
    ASSERT_TRUE(record.saveJson());
    EXPECT_FALSE(record.unsaved());
    h.frm.cmdAutoSearch_Click();
    EXPECT_TRUE(record.unsaved());
    EXPECT_EQ(record.record().failedPolls, 1);
    questions.paths.push_back(std::filesystem::path());
    ASSERT_TRUE(record.saveJson());
    questions.asked.clear();
    EXPECT_TRUE(record.mayClose());
    EXPECT_TRUE(questions.asked.empty());
}

}  // namespace
