#include <gtest/gtest.h>

#include "fakes.h"
#include "link/control_names.h"

using namespace tc24;
using tc24::testing::Harness;
using tc24::testing::hexBytes;

namespace {
constexpr const char* kRange = "请指定正确的设备地址，正确值范围为1-249!";
constexpr const char* kMalformed = "你输入的设备地址格式有误!";
}  // namespace

TEST(ReadAddress, SendsTheFixedRequestToStation250) {
    Harness h;
    h.startWithOpenPort();
    h.ui.set(control::TXTSN, "old");
    h.ui.set(control::txtState, " 01");
    h.frm.cmdReadAdd_Click();
    EXPECT_EQ(h.port.lastWritten(), hexBytes("FA 25 02 00 00 01 99 FE"));
    EXPECT_EQ(h.ui.get(control::txtCommand), "FA 25 02 00 00 01 99 FE ");
    EXPECT_EQ(h.state().RecLength, 7);
    EXPECT_EQ(h.port.threshold, 6);
    EXPECT_EQ(h.state().CmdMode, 5);
    EXPECT_EQ(h.ui.get(control::TXTSN), "");
    EXPECT_TRUE(h.ui.isShown(control::TXTSN));
    EXPECT_EQ(h.ui.get(control::txtState), "");
    EXPECT_EQ(h.ui.front, control::imgConnected);
    // Boxes 0 … 19 turn red, 20 … 23 keep their colour.
    EXPECT_EQ(h.ui.redBoxes(), 20);
    EXPECT_EQ(h.ui.textColor(control::txtValue[20]), TextColor::Black);
}

TEST(ReadAddress, ReplyPointsTheWindowAtTheModule) {
    Harness h;
    h.startWithOpenPort();
    h.frm.cmdReadAdd_Click();
    h.port.receive(hexBytes("03 25 02 00 03 00 00"));
    EXPECT_EQ(h.ui.get(control::txtSetID[0]), "3");
    EXPECT_EQ(h.ui.get(control::txtStationID), "3");
    EXPECT_EQ(h.ui.get(control::TXTSN), "设备当前地址为:\r\n3");
    h.port.receive(hexBytes("F9 25 02 00 F9 00"));  // any later burst is decoded the same way
    EXPECT_EQ(h.ui.get(control::txtStationID), "249");
}

TEST(ReadAddress, ClosedPortShowsTheFrameAndSendsNothing) {
    Harness h;
    h.startWithOpenPort();
    h.port.close();
    h.frm.cmdReadAdd_Click();
    EXPECT_TRUE(h.port.written.empty());
    EXPECT_EQ(h.ui.front, control::imgNotConnected);
    EXPECT_EQ(h.ui.get(control::txtCommand), "FA 25 02 00 00 01 99 FE ");
    EXPECT_TRUE(h.dialogs.shown.empty());
}

TEST(ChangeAddress, SendsFromCurrentToNewAddress) {
    struct Case {
        const char *current, *wanted, *frame;
    };
    for (const Case& c :
         {Case{"1", "2", "01 06 0B 00 00 02 0A 2F"}, Case{"1", "249.7", "01 06 0B 00 00 F9 4B AC"},
          Case{"0", "5", "00 06 0B 00 00 05 4A 3C"}}) {
        Harness h;
        h.startWithOpenPort();
        h.ui.set(control::txtSetID[0], c.current);
        h.ui.set(control::txtSetID[1], c.wanted);
        h.frm.cmdChangeID_Click();
        EXPECT_EQ(h.port.lastWritten(), hexBytes(c.frame)) << c.frame;
        EXPECT_EQ(h.port.threshold, 8);
        EXPECT_EQ(h.state().CmdMode, 5);
        EXPECT_EQ(h.ui.redBoxes(), 2);
        EXPECT_TRUE(h.ui.isShown(control::TXTSN));
        EXPECT_TRUE(h.dialogs.shown.empty());
    }
}

TEST(ChangeAddress, ReplyFromTheNewAddressIsShown) {
    Harness h;
    h.startWithOpenPort();
    h.ui.set(control::txtSetID[1], "7");
    h.frm.cmdChangeID_Click();
    h.port.receive(hexBytes("07 06 0B 00 00 07 00 00"));
    EXPECT_EQ(h.ui.get(control::txtSetID[0]), "7");
    EXPECT_EQ(h.ui.get(control::txtStationID), "7");
}

TEST(ChangeAddress, RefusesBadAddressesAndSendsNothing) {
    struct Case {
        const char *current, *wanted, *message;
    };
    for (const Case& c :
         {Case{"1", "250", kRange}, Case{"1", "0", kRange}, Case{"1", "-3", kRange},
          Case{"1", "", kMalformed}, Case{"1", "abc", kMalformed}, Case{"x", "2", kMalformed},
          Case{"256", "2", kMalformed}, Case{"-1", "2", kMalformed}}) {
        Harness h;
        h.startWithOpenPort();
        h.ui.set(control::txtCommand, "previous");
        h.ui.set(control::txtSetID[0], c.current);
        h.ui.set(control::txtSetID[1], c.wanted);
        h.frm.cmdChangeID_Click();
        EXPECT_EQ(h.dialogs.texts(), std::vector<std::string>{c.message})
            << c.current << " -> " << c.wanted;
        EXPECT_TRUE(h.port.written.empty());
        EXPECT_EQ(h.ui.get(control::txtCommand), "previous");
        EXPECT_EQ(h.state().CmdMode, 5);  // set before the checks
        EXPECT_EQ(h.state().CmdText, "");
        EXPECT_EQ(h.ui.redBoxes(), 2);
    }
}

TEST(AddressDecoder, EmptyChunkChangesNothing) {
    Harness h;
    h.startWithOpenPort();
    h.frm.cmdReadAdd_Click();
    h.ui.set(control::txtStationID, "9");
    h.port.raise(comm_event::DataReceived);  // an event with nothing waiting
    EXPECT_EQ(h.ui.get(control::txtStationID), "9");
    EXPECT_EQ(h.ui.get(control::TXTSN), "");
}
