// Which received chunks the trend and the CSV recording take: only a whole valid reply to the
// request written last, once.

#include "measure/valid_replies.h"

#include <gtest/gtest.h>

#include <fstream>

#include "fakes.h"

using namespace tc24;
using tc24::testing::hexBytes;

namespace {

// One register of station 1: 01 03 00 00 00 01 84 0A, answered by 25.34 °C or 25.60 °C.
const char* kReply2534 = "01 03 02 09 E6 3F 9E";
const char* kReply2560 = "01 03 02 0A 00 BE E4";

class ValidRepliesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(dir.path() / "comm.set", std::ios::binary) << "1,19200\r\n";
        frm.Form_Load();
        ASSERT_TRUE(port.isOpen());
        ui.set("txtStationID", "1");
        ui.set("txtDataLength", "1");
        frm.window().readingObservers.push_back(
            [this](const RegisterReading& reading) { taken.push_back(reading.channels[0].text); });
    }
    void query() {
        frm.comDoOnce_Click();
        ASSERT_EQ(port.lastWritten(), hexBytes("01 03 00 00 00 01 84 0A"));
    }
    // One serial event with exactly these bytes, whatever the threshold.
    void chunk(const std::string& hex) {
        port.waiting = hexBytes(hex);
        port.raise(comm_event::DataReceived);
    }

    tc24::testing::TempDir dir;
    tc24::testing::FakeControls ui;
    tc24::testing::FakeSerialPort port;
    tc24::testing::FakeDialogs dialogs;
    tc24::testing::FakeTimer timer2, timer3, timer6;
    tc24::testing::DiskFiles files;
    FrmMain frm{ui, port, dialogs, files, timer2, timer3, timer6, dir.path()};
    std::vector<std::string> taken;
};

}  // namespace

TEST_F(ValidRepliesTest, AValidReplyIsTakenOncePerRequest) {
    query();
    chunk(kReply2534);
    EXPECT_EQ(taken, std::vector<std::string>{"25.34"});
    // The same reply again is shown, but it is no new measurement.
    chunk(kReply2534);
    EXPECT_EQ(ui.text("txtValue_0"), "25.34");
    EXPECT_EQ(taken.size(), 1u);
    // The next request's reply is.
    query();
    chunk(kReply2560);
    EXPECT_EQ(taken, (std::vector<std::string>{"25.34", "25.60"}));
}

TEST_F(ValidRepliesTest, ChunksThatAreNotAWholeValidReplyAreShownButNotTaken) {
    struct Case {
        const char* what;
        std::vector<std::string> chunks;
    };
    const Case cases[] = {
        {"corrupted CRC", {"01 03 02 09 E6 3F 9F"}},
        {"corrupted value", {"01 03 02 09 E7 3F 9E"}},
        {"split in two chunks", {"01 03 02 09", "E6 3F 9E"}},
        // The tail of one reply and the head of the next, as a late poll leaves them.
        {"misaligned", {"09 E6 3F 9E 01 03 02"}},
        {"another station", {"02 03 02 09 E6 7B 9E"}},
        {"an exception reply", {"01 83 02 C0 F1 00 00"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        query();
        for (const auto& hex : c.chunks) {
            chunk(hex);
        }
        EXPECT_TRUE(taken.empty());
    }
    // The boxes keep the receive rules: the misaligned chunk was decoded at its fixed places.
    query();
    chunk("09 E6 3F 9E 01 03 02");
    EXPECT_EQ(ui.text("txtValue_0"), "-250.87");
    EXPECT_EQ(ui.textColor("txtValue_0"), TextColor::Black);
    EXPECT_TRUE(taken.empty());
    // A reply to a request that was never written (port closed) is not taken either.
    WindowState fresh;
    fresh.RecLength = 7;
    EXPECT_FALSE(measure::takeAsReading(fresh, ByteView(hexBytes(kReply2534))));
}

TEST_F(ValidRepliesTest, AReplyOfAnotherLengthThanTheDecoderReadIsNotTaken) {
    query();
    // Valid for the request, but the data length was changed before the reply: the decoder
    // then reads the reply by a RecLength it does not have.
    frm.state().RecLength = 9;
    chunk(kReply2534);
    EXPECT_TRUE(taken.empty());
}
