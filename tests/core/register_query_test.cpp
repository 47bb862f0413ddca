#include <gtest/gtest.h>

#include "fakes.h"
#include "link/control_names.h"
#include "measure/register_query.h"

using namespace tc24;
using tc24::testing::Harness;
using tc24::testing::hexBytes;

namespace {

constexpr const char* kStation = "你输入的设备地址格式有误!";
constexpr const char* kFunction = "你输入的功能码格式有误!";
constexpr const char* kLength = "你输入的数据长度格式有误!";
constexpr const char* kStart = "你输入的起始地址格式有误!";
constexpr const char* kRange = "你输入的数据长度格式有误,正确的值应该为1-24!";

Bytes replyWithRegisters(const std::string& registerHex) {
    Bytes reply{0x01, 0x03};
    Bytes values = hexBytes(registerHex);
    reply.push_back(static_cast<std::uint8_t>(values.size()));
    reply.insert(reply.end(), values.begin(), values.end());
    reply.push_back(0);
    reply.push_back(0);
    return reply;
}

}  // namespace

TEST(RegisterQuery, StartUpValuesSendTheStandardRequest) {
    Harness h;
    h.startWithOpenPort();
    h.frm.comDoOnce_Click();
    EXPECT_EQ(h.port.lastWritten(), hexBytes("01 03 00 00 00 18 45 C0"));
    EXPECT_EQ(h.ui.get(control::txtCommand), "01 03 00 00 00 18 45 C0 ");
    EXPECT_EQ(h.state().RecLength, 53);
    EXPECT_EQ(h.port.threshold, 53);
    EXPECT_EQ(h.state().CmdMode, 1);
    EXPECT_EQ(h.ui.front, control::ImgYellow);
    EXPECT_EQ(h.ui.redBoxes(), 24);
    EXPECT_TRUE(h.ui.isShown(control::PictureShow));
    EXPECT_FALSE(h.ui.isShown(control::TXTSN));
}

TEST(RegisterQuery, RequestBytesFollowTheFields) {
    struct Case {
        const char *station, *function, *start, *length, *frame;
        int recLength;
    };
    for (const Case& c : {Case{"2", "3", "0", "24", "02 03 00 00 00 18 45 F3", 53},
                          Case{"1", "3", "0", "1", "01 03 00 00 00 01 84 0A", 7},
                          Case{"1", "3", "0", "24.9", "01 03 00 00 00 18 45 C0", 53},
                          Case{"1.9", "2.5", "0", "1", "01 02 00 00 00 01 B9 CA", 7}}) {
        Harness h;
        h.startWithOpenPort();
        h.ui.set(control::txtStationID, c.station);
        h.ui.set(control::txtFunID, c.function);
        h.ui.set(control::txtStartID, c.start);
        h.ui.set(control::txtDataLength, c.length);
        h.frm.comDoOnce_Click();
        EXPECT_EQ(h.port.lastWritten(), hexBytes(c.frame)) << c.frame;
        EXPECT_EQ(h.state().RecLength, c.recLength);
    }
}

TEST(RegisterQuery, RejectsFieldsInOrderAndSendsNothing) {
    struct Case {
        const char *station, *function, *length, *start, *message;
    };
    for (const Case& c :
         {Case{"", "x", "x", "x", kStation}, Case{"1", "", "x", "x", kFunction},
          Case{"1", "3", "abc", "x", kLength}, Case{"1", "3", "24", "", kStart},
          Case{"1", "3", "25", "0", kRange}, Case{"1", "3", "0", "0", kRange},
          Case{"1", "3", "0.9", "0", kRange},
          // Numbers that do not fit their byte are refused, not sent as 0.
          Case{"256", "3", "24", "0", kStation}, Case{"-1", "3", "24", "0", kStation},
          Case{"1", "300", "24", "0", kFunction}, Case{"1", "3", "24", "-1", kStart},
          Case{"1", "3", "24", "256", kStart}}) {
        Harness h;
        h.startWithOpenPort();
        h.ui.set(control::txtCommand, "previous");
        h.ui.set(control::txtStationID, c.station);
        h.ui.set(control::txtFunID, c.function);
        h.ui.set(control::txtDataLength, c.length);
        h.ui.set(control::txtStartID, c.start);
        h.frm.comDoOnce_Click();
        EXPECT_EQ(h.dialogs.texts(), std::vector<std::string>{c.message}) << c.station;
        EXPECT_FALSE(h.dialogs.shown.back().title.has_value());
        EXPECT_TRUE(h.port.written.empty());
        EXPECT_EQ(h.ui.get(control::txtCommand), "previous");
        EXPECT_EQ(h.ui.redBoxes(), 0);
    }
}

TEST(RegisterQuery, ClosedPortIsReportedAndNothingIsWritten) {
    Harness h;
    h.startWithOpenPort();
    h.port.close();
    h.ui.set(control::txtState, " 01");
    h.frm.comDoOnce_Click();
    EXPECT_EQ(h.dialogs.lastText(), "打开串口出错，请确定串口是否已被占用");
    EXPECT_EQ(h.ui.front, control::imgNotConnected);
    EXPECT_FALSE(h.state().CommReady);
    EXPECT_EQ(h.ui.redBoxes(), 24);
    EXPECT_EQ(h.ui.get(control::txtState), "");
    EXPECT_TRUE(h.port.written.empty());
}

TEST(RegisterValue, HundredthsWithTwoDecimalsAndNegativeAbove20000) {
    EXPECT_EQ(measure::registerText(0x09E6), "25.34");
    EXPECT_EQ(measure::registerText(0xFFCE), "-0.50");
    EXPECT_EQ(measure::registerText(0x4E20), "200.00");
    EXPECT_EQ(measure::registerText(0x4E21), "-455.35");
    EXPECT_EQ(measure::registerText(0), "0.00");
    EXPECT_EQ(measure::registerText(5), "0.05");
    EXPECT_EQ(measure::registerText(65534), "-0.02");
}

TEST(RegisterDecoder, FillsBoxesBlackAndCountsMissingReadings) {
    Harness h;
    h.startWithOpenPort();
    h.ui.set(control::txtDataLength, "4");
    h.frm.comDoOnce_Click();
    h.port.receive(replyWithRegisters("09 E6 FF CE FF FF 4E 21"));
    EXPECT_EQ(h.ui.get(control::txtValue[0]), "25.34");
    EXPECT_EQ(h.ui.get(control::txtValue[1]), "-0.50");
    EXPECT_EQ(h.ui.get(control::txtValue[2]), "0");
    EXPECT_EQ(h.ui.get(control::txtValue[3]), "-455.35");
    EXPECT_EQ(h.state().RecCount, 2);  // the event and the channel without a reading
    EXPECT_EQ(h.ui.get(control::lblErrCounter), "2");
    // Boxes the reply did not reach stay red with their old text.
    EXPECT_EQ(h.ui.redBoxes(), 20);
    EXPECT_EQ(h.ui.get(control::txtValue[4]), "0");
    EXPECT_EQ(h.ui.front, control::imgConnected);
}

TEST(RegisterDecoder, FirstBoxFollowsTheStartAddressAtReplyTime) {
    EXPECT_EQ(measure::firstBoxIndex(0), 0);
    EXPECT_EQ(measure::firstBoxIndex(1), 0);
    EXPECT_EQ(measure::firstBoxIndex(2), 2);
    EXPECT_EQ(measure::firstBoxIndex(12), 22);
    EXPECT_EQ(measure::firstBoxIndex(13), 0);
    EXPECT_EQ(measure::firstBoxIndex(-1), -4);
    EXPECT_EQ(measure::firstBoxIndex(1e300), 0);
    EXPECT_LT(measure::firstBoxIndex(-1e300), -1000);

    Harness h;
    h.startWithOpenPort();
    h.ui.set(control::txtStartID, "10");
    h.frm.comDoOnce_Click();
    Bytes reply{0x01, 0x03, 48};
    for (int i = 0; i < 24; ++i) {
        reply.push_back(0);
        reply.push_back(static_cast<std::uint8_t>(i + 1));  // register i holds (i+1)/100
    }
    reply.push_back(0);
    reply.push_back(0);
    h.port.receive(reply);
    for (int box = 0; box < 18; ++box) {
        EXPECT_EQ(h.ui.get(control::txtValue[static_cast<std::size_t>(box)]), "0") << box;
    }
    EXPECT_EQ(h.ui.get(control::txtValue[18]), "0.01");
    EXPECT_EQ(h.ui.get(control::txtValue[23]), "0.06");
    EXPECT_EQ(h.ui.redBoxes(), 18);
}

TEST(RegisterDecoder, NegativeStartDropsTheFirstRegisters) {
    Harness h;
    h.startWithOpenPort();
    h.frm.comDoOnce_Click();
    h.ui.set(control::txtStartID, "-1");  // edited while the reply is on its way
    Bytes reply{0x01, 0x03, 48};
    for (int i = 0; i < 24; ++i) {
        reply.push_back(0);
        reply.push_back(static_cast<std::uint8_t>(i));
    }
    reply.push_back(0);
    reply.push_back(0);
    h.port.receive(reply);
    EXPECT_EQ(h.ui.get(control::txtValue[0]), "0.04");
    EXPECT_EQ(h.ui.get(control::txtValue[19]), "0.23");
    EXPECT_EQ(h.ui.redBoxes(), 4);
}
