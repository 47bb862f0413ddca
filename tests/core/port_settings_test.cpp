#include <gtest/gtest.h>

#include <fstream>

#include "app/core/port_settings.h"
#include "app/settings/comm_settings.h"
#include "fakes.h"
#include "link/control_names.h"
#include "link/files.h"

using namespace tc24;
using tc24::testing::Harness;

namespace {

void writeCommSet(const Harness& h, const std::string& content) {
    std::ofstream(h.dir.path() / "comm.set", std::ios::binary) << content;
}

std::string commSet(const Harness& h) {
    return readWholeFile(h.dir.path() / "comm.set").value_or("<missing>");
}

}  // namespace

TEST(CommSet, RoundTripWithCrLf) {
    tc24::testing::TempDir dir;
    tc24::testing::DiskFiles files;
    const SettingsLocation location{dir.path(), dir.path()};
    ASSERT_FALSE(writeCommSettings(location, files, {3, 38400}));
    EXPECT_EQ(*readWholeFile(dir.path() / "comm.set"), "3,38400\r\n");
    const auto read = readCommSettings(location);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->port, 3);
    EXPECT_EQ(read->rate, 38400);
}

TEST(CommSet, MalformedContentIsRefused) {
    EXPECT_FALSE(parseCommSettings(""));
    EXPECT_FALSE(parseCommSettings("3"));
    EXPECT_FALSE(parseCommSettings("3\r\n"));
    EXPECT_FALSE(parseCommSettings("x,9600"));
    EXPECT_FALSE(parseCommSettings("99999,9600"));
    EXPECT_TRUE(parseCommSettings("3\r\n9600\r\n"));  // a line end separates items too
    EXPECT_EQ(parseCommSettings(" 5 , 38400 ,extra")->rate, 38400);
}

TEST(StartUp, OpensTheSavedPortAtTheSavedRate) {
    struct Case {
        const char* content;
        int comboPort;
        int comboRate;
        const char* settings;
    };
    for (const Case& c :
         {Case{"3,19200\r\n", 2, 1, "19200,N,8,1"}, Case{"5,38400\r\n", 4, 2, "38400,N,8,1"},
          Case{"2,0\r\n", 1, 0, "9600,N,8,1"}, Case{"4,57600\r\n", 3, -1, "57600,N,8,1"}}) {
        Harness h;
        writeCommSet(h, c.content);
        h.frm.Form_Load();
        EXPECT_EQ(h.ui.currentIndex(control::Combo1), c.comboPort) << c.content;
        EXPECT_EQ(h.ui.currentIndex(control::Combo2), c.comboRate) << c.content;
        EXPECT_TRUE(h.port.isOpen());
        EXPECT_EQ(h.port.portNumber(), c.comboPort + 1);
        EXPECT_EQ(h.port.settings(), c.settings);
        EXPECT_EQ(h.port.threshold, 1);
        EXPECT_TRUE(h.state().CommReady);
        EXPECT_EQ(h.ui.get(control::txtStationID), "1");
        EXPECT_EQ(h.state().SensorNum, 24);
        EXPECT_TRUE(h.ui.isShown(control::PictureShow));
        EXPECT_FALSE(h.ui.isShown(control::TXTSN));
        EXPECT_TRUE(h.dialogs.shown.empty());
    }
}

TEST(StartUp, MissingOrMalformedCommSetLeavesThePortClosed) {
    for (const char* content : {static_cast<const char*>(nullptr), "", "garbage", "3", "0,9600\r\n",
                                "17,9600\r\n", "-3,9600\r\n"}) {
        Harness h;
        if (content) {
            writeCommSet(h, content);
        }
        h.frm.Form_Load();
        EXPECT_FALSE(h.port.isOpen()) << (content ? content : "missing");
        EXPECT_EQ(h.port.opens, 0);
        EXPECT_EQ(h.ui.currentIndex(control::Combo1), -1);
        // Without a readable file the rate list keeps its design text, "19200" with nothing
        // selected; a file with a port outside the list still names its rate.
        const bool rateSaved =
            content != nullptr && std::string_view(content).ends_with("9600\r\n");
        EXPECT_EQ(h.ui.currentIndex(control::Combo2), rateSaved ? 0 : -1);
        EXPECT_FALSE(h.state().CommReady);
        EXPECT_TRUE(h.dialogs.shown.empty());
        EXPECT_EQ(h.ui.get(control::txtStationID), "1");
    }
}

TEST(StartUp, PortThatCannotBeOpenedShowsTheReasonInTheStatusBar) {
    Harness h;
    writeCommSet(h, "1,9600\r\n");
    h.port.openFails = true;
    h.frm.Form_Load();
    EXPECT_FALSE(h.port.isOpen());
    EXPECT_NE(h.ui.status.find("Permission denied"), std::string::npos);
    EXPECT_NE(h.ui.status.find("dialout"), std::string::npos);
    EXPECT_TRUE(h.dialogs.shown.empty());
}

TEST(SaveSettings, StoresPortAndRateAndConfirms) {
    Harness h;
    h.ui.setCurrentIndex(control::Combo1, 2);
    h.ui.setCurrentIndex(control::Combo2, 2);
    h.frm.cmdCom_Click();
    EXPECT_EQ(commSet(h), "3,38400\r\n");
    EXPECT_TRUE(h.port.isOpen());
    EXPECT_EQ(h.port.settings(), "38400,N,8,1");
    EXPECT_EQ(h.port.threshold, 1);
    EXPECT_TRUE(h.state().CommReady);
    ASSERT_EQ(h.dialogs.shown.size(), 1U);
    EXPECT_EQ(h.dialogs.shown[0].text, "串口设置保存成功");
    EXPECT_EQ(h.dialogs.shown[0].title, "系统提示");
}

TEST(SaveSettings, NoRateSelectedStores9600) {
    Harness h;
    h.ui.setCurrentIndex(control::Combo1, 0);
    h.frm.cmdCom_Click();
    EXPECT_EQ(commSet(h), "1,9600\r\n");
}

TEST(SaveSettings, NoPortSelectedClosesThePortAndAsks) {
    Harness h;
    h.startWithOpenPort();
    const std::string before = commSet(h);
    h.ui.setCurrentIndex(control::Combo1, -1);
    h.frm.cmdCom_Click();
    EXPECT_FALSE(h.port.isOpen());
    EXPECT_EQ(h.dialogs.lastText(), "请选择端口");
    EXPECT_FALSE(h.dialogs.shown.back().title);
    EXPECT_EQ(commSet(h), before);
}

TEST(SaveSettings, PortThatCannotBeOpenedIsNotReportedAsSaved) {
    Harness h;
    h.port.openFails = true;
    h.ui.setCurrentIndex(control::Combo1, 1);
    h.frm.cmdCom_Click();
    EXPECT_EQ(commSet(h), "2,9600\r\n");  // still stored for the next start
    EXPECT_EQ(h.dialogs.texts(), std::vector<std::string>{"打开串口出错，请确定串口是否已被占用"});
    EXPECT_FALSE(h.state().CommReady);
}

TEST(SaveSettings, UnwritableCommSetKeepsTheOldFileAndSaysSo) {
    Harness h;
    writeCommSet(h, "1,9600\r\n");
    h.files.failWith = "No space left on device";
    h.ui.setCurrentIndex(control::Combo1, 2);
    h.frm.cmdCom_Click();
    EXPECT_EQ(commSet(h), "1,9600\r\n");
    ASSERT_EQ(h.dialogs.shown.size(), 1U);
    EXPECT_NE(h.dialogs.shown[0].text.find((h.dir.path() / "comm.set").string()),
              std::string::npos);
    EXPECT_NE(h.dialogs.shown[0].text.find("No space left on device"), std::string::npos);
    EXPECT_NE(h.dialogs.shown[0].text, "串口设置保存成功");
    EXPECT_TRUE(h.port.isOpen());
}

TEST(ChoosePort, ReopensAtTheCurrentRateWithoutTouchingCommSet) {
    Harness h;
    h.startWithOpenPort();
    h.ui.setCurrentIndex(control::Combo1, 6);
    h.ui.setCurrentIndex(control::Combo2, 2);  // takes effect only with "保存设置"
    h.frm.Combo1_Click();
    EXPECT_EQ(h.port.portNumber(), 7);
    EXPECT_EQ(h.state().CommNum, 7);
    EXPECT_EQ(h.port.settings(), "19200,N,8,1");
    EXPECT_EQ(h.port.threshold, 1);
    EXPECT_EQ(commSet(h), "1,19200\r\n");
    EXPECT_TRUE(h.dialogs.shown.empty());
}

TEST(ChoosePort, ReceivedByteRaisesAnEventRightAfterReopening) {
    Harness h;
    h.startWithOpenPort();
    h.frm.Combo1_Click();
    h.port.receive({0x42});
    EXPECT_EQ(h.state().RecCount, 1);
    EXPECT_EQ(h.ui.get(control::txtState), " 42");
}

TEST(UnusedRoutines, ReadModuleReturnsZeroAndCloseOnCommDisarms) {
    EXPECT_EQ(ReadModule(1, 2, 3, 4), 0);
    tc24::testing::FakeSerialPort port;
    OpenOnComm(port);
    EXPECT_EQ(port.threshold, 1);
    CloseOnComm(port);
    EXPECT_EQ(port.threshold, 0);
}
