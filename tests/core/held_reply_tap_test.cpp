// Replies whose event comes before their end (the serial-number read at 11 of 14 bytes, the
// address read at 6 of 7): the rest, read when the window next reads or discards its input,
// completes them for the commissioning record. The window itself reads as before.

#include "diagnostics/held_reply_tap.h"

#include <gtest/gtest.h>

#include <fstream>

#include "diagnostics/commissioning_record.h"
#include "fakes.h"
#include "link/control_names.h"
#include "link/files.h"
#include "protocol/hex.h"
#include "protocol/replies.h"
#include "protocol/requests.h"

using namespace tc24;
using tc24::testing::FakeQuestions;

namespace {

const protocol::SerialNumber kSensor1 = {0x28, 0xA1, 0x6C, 0x50, 0x07, 0x00, 0x01, 0xB9};
const protocol::SerialNumber kSensor2 = {0x28, 0xA1, 0x6C, 0x50, 0x07, 0x00, 0x02, 0x5B};

Bytes head(const Bytes& bytes, std::size_t count) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(count));
}

Bytes tail(const Bytes& bytes, std::size_t from) {
    return Bytes(bytes.begin() + static_cast<long>(from), bytes.end());
}

class HeldReplyTapTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(dir.path() / "comm.set", std::ios::binary) << "1,19200\r\n";
        frm.Form_Load();
        ASSERT_TRUE(port.isOpen());
        tap.attach(frm.window());
        ui.set(control::txtStationID, "1");
    }
    void askSerial(int position) {
        ui.set(control::txtSensorid2, std::to_string(position));
        frm.cmdReadSensorID_Click();
    }
    record::PositionSerial::State stateOf(int position) {
        return record.record().serials[static_cast<std::size_t>(position - 1)].state;
    }

    tc24::testing::TempDir dir;
    tc24::testing::FakeControls ui;
    tc24::testing::FakeSerialPort port;
    HeldReplyTap tap{port};
    tc24::testing::FakeDialogs dialogs;
    tc24::testing::FakeTimer timer2, timer3, timer6;
    tc24::testing::DiskFiles files;
    FrmMain frm{ui, tap, dialogs, files, timer2, timer3, timer6, dir.path()};
    FakeQuestions questions;
    RecordWriters writers{[](const record::Record& r, const std::vector<record::CheckResult>&) {
                              return r.serials[0].present() ? std::string("position 1 read")
                                                            : std::string("position 1 not read");
                          },
                          {}};
    CommissioningRecord record{frm.window(), questions, writers, "1", dir.path()};
};

}  // namespace

TEST_F(HeldReplyTapTest, TheRestOfASerialNumbersReplyCompletesItAtTheNextRequest) {
    askSerial(1);
    const Bytes reply = protocol::serialReply(1, kSensor1, 1);
    port.receive(head(reply, 11));  // the event: the window shows the number
    EXPECT_EQ(ui.get(control::txtState), receivedHexText(head(reply, 11)));
    port.receive(tail(reply, 11));  // below the threshold: no event, nobody reads it yet
    EXPECT_EQ(stateOf(1), record::PositionSerial::State::NotRead);

    // The next read discards the waiting input first, as always; the record gets position 1.
    const int discards = port.inputDiscards;
    askSerial(2);
    EXPECT_GT(port.inputDiscards, discards);
    EXPECT_TRUE(port.waiting.empty());
    EXPECT_EQ(record.record().serials[0], record::PositionSerial::of(kSensor1));
    port.receive(protocol::serialReply(1, kSensor2, 2));
    EXPECT_EQ(record.record().serials[1], record::PositionSerial::of(kSensor2));
}

TEST_F(HeldReplyTapTest, ARestThatBreaksTheCrcIsNotTaken) {
    askSerial(1);
    Bytes reply = protocol::serialReply(1, kSensor1, 1);
    reply.back() ^= 0x40;
    port.receive(head(reply, 11));
    port.receive(tail(reply, 11));
    askSerial(2);
    EXPECT_EQ(stateOf(1), record::PositionSerial::State::NotRead);
}

TEST_F(HeldReplyTapTest, TheAddressReadsLastByteCompletesItToo) {
    frm.cmdReadAdd_Click();
    const Bytes reply = protocol::addressReply(1);
    port.receive(head(reply, 6));
    EXPECT_EQ(ui.get(control::txtStationID), "1");
    port.receive(tail(reply, 6));
    EXPECT_FALSE(record.record().address);
    frm.cmdAutoSearch_Click();
    EXPECT_EQ(record.record().address, 1);
}

TEST_F(HeldReplyTapTest, SavingCollectsTheRestOfTheLastRead) {
    askSerial(1);
    const Bytes reply = protocol::serialReply(1, kSensor1, 1);
    port.receive(head(reply, 11));
    port.receive(tail(reply, 11));
    EXPECT_FALSE(record.hasData());  // nothing whole yet
    questions.paths.push_back(dir.path() / "module1.json");
    ASSERT_TRUE(record.saveJson());
    EXPECT_EQ(readWholeFile(dir.path() / "module1.json"), "position 1 read");
}

TEST_F(HeldReplyTapTest, BytesAfterARequestThatIsNotTheWindowsNeverCompleteAReply) {
    askSerial(1);
    const Bytes reply = protocol::serialReply(1, kSensor1, 1);
    port.receive(head(reply, 11));
    // The bus scan takes the line and writes through the same port: what it reads after is
    // the scan's, even bytes that would make the window's reply whole.
    tap.write(protocol::registerReadRequest(1, 0, 1));
    port.threshold = 0;  // the scan's handler reads each chunk itself
    port.receive(reply);
    EXPECT_EQ(tap.readAll(), reply);
    askSerial(2);
    EXPECT_EQ(stateOf(1), record::PositionSerial::State::NotRead);
}
