#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/core/port_settings.h"
#include "app/settings/comm_settings.h"
#include "fakes.h"
#include "link/control_names.h"
#include "link/files.h"
#include "link/window_texts.h"

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

// tc24-cli names a comm.set the window's reader refuses before it falls back to COM1.
TEST(CommSet, ReportingNamesTheFileAndWhyItWasRefused) {
    struct Case {
        const char* content;  // nullptr: no comm.set
        const char* problem;  // "": read, or simply missing
    };
    for (const Case& c : {
             Case{nullptr, ""},
             Case{"3,19200\r\n", ""},
             Case{"xyz\r\n", "holds \"xyz\", not \"port,rate\""},
             Case{"3\r\n", "holds \"3\", not \"port,rate\""},
             Case{" \r\n", "is empty, not \"port,rate\""},
             Case{"\x01\"9,x", "holds \"\\x01\\x229,x\", not \"port,rate\""},
         }) {
        const std::string name = c.content ? c.content : "missing";
        tc24::testing::TempDir dir;
        const SettingsLocation location{dir.path(), dir.path()};
        if (c.content) {
            std::ofstream(dir.path() / "comm.set", std::ios::binary) << c.content;
        }
        const CommSettingsRead read = readCommSettingsReporting(location);
        EXPECT_EQ(read.path, dir.path() / "comm.set") << name;
        EXPECT_EQ(read.problem, c.problem) << name;
        // The same verdict as the window's reader.
        EXPECT_EQ(read.settings.has_value(), readCommSettings(location).has_value()) << name;
        EXPECT_EQ(read.settings.has_value(), c.content && std::string(c.problem).empty()) << name;
    }
}

TEST(CommSet, ReportingCutsLongContentAndNamesTheFileBesideTheProgram) {
    tc24::testing::TempDir config;
    tc24::testing::TempDir program;
    const SettingsLocation location{config.path() / "tc24", program.path()};
    std::ofstream(program.path() / "comm.set", std::ios::binary) << std::string(500, 'z');
    const CommSettingsRead read = readCommSettingsReporting(location);
    EXPECT_FALSE(read.settings);
    EXPECT_EQ(read.path, program.path() / "comm.set");
    EXPECT_EQ(read.problem, "holds \"" + std::string(40, 'z') + "...\", not \"port,rate\"");

    // One of the user's own, even one that cannot be read, is what counts.
    std::filesystem::create_directories(config.path() / "tc24" / "comm.set");
    const CommSettingsRead own = readCommSettingsReporting(location);
    EXPECT_FALSE(own.settings);
    EXPECT_EQ(own.path, config.path() / "tc24" / "comm.set");
    EXPECT_EQ(own.problem, "is a folder, not a file");
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

// The status bar tells a busy port from one this user may not open by the port's error kind,
// not by its text: Qt words a held lock as a "permission error".
TEST(StartUp, PortThatCannotBeOpenedShowsTheReasonAndItsKindInTheStatusBar) {
    struct Case {
        PortErrorKind kind;
        const char* reason;
        bool busy;
        bool dialout;
    };
    for (const Case& c : {
             Case{PortErrorKind::Permission, "Permission denied: /dev/ttyUSB0", false, true},
             Case{PortErrorKind::Permission, "Operation not permitted: /dev/ttyUSB0", false, true},
             Case{PortErrorKind::Busy,
                  "in use by another program (process 4321): Permission error while locking", true,
                  false},
             Case{PortErrorKind::Missing, "No such file or directory: /dev/ttyUSB0", false, false},
             Case{PortErrorKind::Other, "Permission mask unsupported", false, false},
         }) {
        Harness h;
        writeCommSet(h, "1,9600\r\n");
        h.port.openFails = true;
        h.port.openError = c.reason;
        h.port.openErrorKind = c.kind;
        h.frm.Form_Load();
        const std::string& status = h.ui.status;
        EXPECT_FALSE(h.port.isOpen());
        EXPECT_NE(status.find("COM1 (/dev/ttyUSB0)"), std::string::npos) << status;
        EXPECT_NE(status.find(c.reason), std::string::npos) << status;
        EXPECT_EQ(status.find(texts::kPortBusy) != std::string::npos, c.busy) << status;
        EXPECT_EQ(status.find("dialout") != std::string::npos, c.dialout) << status;
        EXPECT_TRUE(h.dialogs.shown.empty());
    }
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
    for (const PortErrorKind kind : {PortErrorKind::Permission, PortErrorKind::Busy}) {
        Harness h;
        h.port.openFails = true;
        h.port.openErrorKind = kind;
        h.ui.setCurrentIndex(control::Combo1, 1);
        h.frm.cmdCom_Click();
        EXPECT_EQ(commSet(h), "2,9600\r\n");  // still stored for the next start
        // The same box for every kind; the status bar tells which.
        EXPECT_EQ(h.dialogs.texts(),
                  std::vector<std::string>{"打开串口出错，请确定串口是否已被占用"});
        EXPECT_FALSE(h.state().CommReady);
        EXPECT_EQ(h.ui.status.find(texts::kPortBusy) != std::string::npos,
                  kind == PortErrorKind::Busy)
            << h.ui.status;
    }
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
