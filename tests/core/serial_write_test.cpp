#include <gtest/gtest.h>

#include <fstream>

#include "fakes.h"
#include "link/control_names.h"
#include "programming/serial_write.h"

using namespace tc24;
using tc24::testing::Harness;
using tc24::testing::hexBytes;

namespace {

constexpr const char* kBadEntry = "请先导入按正确的传感器序列号格式";
constexpr const char* kPortClosed = "打开串口出错，请确定串口是否已被占用";
constexpr const char* kFinished = "操作结束";

// Entries 28 FF 6C 32 A1 16 04 5E, … 5F, … 60, … one per position.
void loadList(Harness& h, int count) {
    std::string content = std::to_string(count) + "\r\n";
    for (int i = 0; i < count; ++i) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        const int last = 0x5E + i;
        content += "\"28 FF 6C 32 A1 16 04 ";
        content += kDigits[last >> 4];
        content += kDigits[last & 0xF];
        content += "\"\r\n";
    }
    const auto path = h.dir.path() / "list.txt";
    std::ofstream(path, std::ios::binary) << content;
    h.dialogs.openAnswers.push_back(path.string());
    h.frm.cmdOpenFile_Click();
    ASSERT_TRUE(h.dialogs.shown.empty());
}

Bytes confirmation(std::uint8_t station, const std::string& serial) {
    Bytes reply{station, 0x22, 0x0C};
    const Bytes bytes = hexBytes(serial);
    reply.insert(reply.end(), bytes.begin(), bytes.end());
    reply.push_back(0x00);
    reply.push_back(0x00);
    return reply;  // 13 bytes: what the armed threshold waits for
}

std::string confirmedLine(const std::string& position, const std::string& serial) {
    return "成功将编号为:" + position + "的传感器序列号写为：" + serial + " \r\n";
}

void expectKalvenBox(const MessageBox& box) {
    EXPECT_EQ(box.text, kBadEntry);
    EXPECT_EQ(box.title, std::optional<std::string>("KALVEN提示"));
    EXPECT_FALSE(box.okCancel);
}

void expectFinishedBox(const MessageBox& box) {
    EXPECT_EQ(box.text, kFinished);
    EXPECT_EQ(box.title, std::optional<std::string>("系统提示"));
    EXPECT_TRUE(box.okCancel);
}

// Start-up sets the device address to 1; the frames below are for station 2, the address
// the window's layout carries.
void start(Harness& h) {
    h.startWithOpenPort();
    h.ui.set(control::txtStationID, "2");
}

}  // namespace

TEST(SerialNumberWrite, StartUpValuesGiveTheStandardRequest) {
    Harness h;
    start(h);
    EXPECT_TRUE(programming::SendSerialNumber(h.frm.window()));
    EXPECT_EQ(h.port.written,
              std::vector<Bytes>{hexBytes("02 22 0C 01 40 00 00 00 00 00 00 00 F4 22")});
    EXPECT_EQ(h.ui.get(control::txtCommand), "02 22 0C 01 40 00 00 00 00 00 00 00 F4 22 ");
    EXPECT_EQ(h.state().CmdMode, 8);
    EXPECT_EQ(h.state().RecLength, 14);
    EXPECT_EQ(h.port.threshold, 13);
    EXPECT_EQ(h.state().pendingWritePosition, "01");
    EXPECT_EQ(h.ui.front, control::imgConnected);
}

TEST(SerialNumberWrite, FirstWritesEntryOneAndTheReplyIsConfirmed) {
    Harness h;
    start(h);
    loadList(h, 2);
    h.ui.set(control::txtObjSensorid, "7");
    h.ui.set(control::txtState, " 99");
    h.frm.cmdFirst_Click();
    EXPECT_EQ(h.ui.get(control::txtObjSensorid), "1");
    EXPECT_EQ(h.port.lastWritten(), hexBytes("02 22 0C 01 28 FF 6C 32 A1 16 04 5E 8D 0B"));
    EXPECT_EQ(h.ui.get(control::txtCommand), "02 22 0C 01 28 FF 6C 32 A1 16 04 5E 8D 0B ");
    EXPECT_EQ(h.ui.get(control::txtState), "");
    EXPECT_TRUE(h.dialogs.shown.empty());

    const std::string listing = h.ui.get(control::TXTSN);
    h.port.receive(confirmation(0x02, "28 FF 6C 32 A1 16 04 5E"));
    EXPECT_EQ(h.ui.get(control::TXTSN), listing + confirmedLine("1", "28 FF 6C 32 A1 16 04 5E"));
    EXPECT_EQ(h.ui.front, control::imgConnected);
}

TEST(SerialNumberWrite, DecoderListsOnlyRepliesThatConfirm) {
    struct Case {
        const char* reply;
        const char* line;  // nullptr: nothing is added
    };
    for (const Case& c : {
             Case{"02 22 0C 28 FF 6C 32 A1 16 04 5E 00 00", "28 FF 6C 32 A1 16 04 5E"},
             // The station address of the reply plays no part.
             Case{"09 22 0C 28 FF 6C 32 A1 16 04 5E 00 00", "28 FF 6C 32 A1 16 04 5E"},
             Case{"02 22 0C 29 FF 6C 32 A1 16 04 5E 00 00", nullptr},
             // Short chunks list what they hold and nothing past their end.
             Case{"02 22 0C 28 FF", "28 FF"},
             Case{"02 22 0C 28", "28"},
             Case{"02 22 0C", nullptr},
             Case{"", nullptr},
         }) {
        Harness h;
        start(h);
        h.state().pendingWritePosition = "1";
        h.ui.set(control::TXTSN, "x\r\n");
        programming::decodeWriteReply(h.frm.window(), ByteView(hexBytes(c.reply)));
        EXPECT_EQ(h.ui.get(control::TXTSN), c.line ? "x\r\n" + confirmedLine("1", c.line) : "x\r\n")
            << c.reply;
    }
}

TEST(SerialNumberWrite, NextWrapsAfterTheLastEntryWithoutSending) {
    Harness h;
    start(h);
    loadList(h, 2);
    h.ui.set(control::txtObjSensorid, "2");
    h.frm.cmdWriteNext_Click();
    ASSERT_EQ(h.dialogs.shown.size(), 1U);
    EXPECT_EQ(h.dialogs.shown[0].text, "导入的序列号条数仅为2,下一个就循环操作了！");
    EXPECT_FALSE(h.dialogs.shown[0].title.has_value());
    EXPECT_TRUE(h.dialogs.shown[0].okCancel);
    EXPECT_EQ(h.ui.get(control::txtObjSensorid), "1");
    EXPECT_TRUE(h.port.written.empty());

    h.frm.cmdWriteNext_Click();
    EXPECT_EQ(h.ui.get(control::txtObjSensorid), "2");
    EXPECT_EQ(h.port.written,
              std::vector<Bytes>{hexBytes("02 22 0C 02 28 FF 6C 32 A1 16 04 5F 58 3B")});
    EXPECT_EQ(h.dialogs.shown.size(), 1U);
}

TEST(SerialNumberWrite, NextWithoutAListReportsAfterMovingOn) {
    Harness h;
    start(h);
    h.frm.cmdWriteNext_Click();
    ASSERT_EQ(h.dialogs.shown.size(), 1U);
    expectKalvenBox(h.dialogs.shown[0]);
    EXPECT_EQ(h.ui.get(control::txtObjSensorid), "2");
    EXPECT_TRUE(h.port.written.empty());
}

TEST(SerialNumberWrite, AnEntryThatCannotBeWrittenIsReportedAndNothingIsSent) {
    const std::vector<std::string> startBoxes{"40", "0", "0", "0", "0", "0", "0", "0"};
    struct Case {
        const char* station;
        const char* entry;
        bool refusedWhileBuilding;            // false: refused while the boxes are filled
        std::vector<std::string> boxesAfter;  // empty: not checked
    };
    const char* good = "28 FF 6C 32 A1 16 04 5E";
    for (const Case& c : {
             // Five fields: the first five boxes change, the rest keep their text.
             Case{"2", "28 FF 6C 32 A1", false, {"28", "FF", "6C", "32", "A1", "0", "0", "0"}},
             Case{"2", "", false, startBoxes},
             Case{"2", "28  FF 6C 32 A1 16 04 5E", true, {}},  // an empty box
             Case{"2", "28 FF 6C 32 A1 16 04 5G", true, {}},
             Case{"2", "28 FF 6C 32 A1 16 04 100", true, {}},
             Case{"2", "28 FF 6C 32 A1 16 04 -1", true, {}},
             Case{"x", good, true, {}},
             Case{"256", good, true, {}},
             Case{"-1", good, true, {}},
         }) {
        Harness h;
        start(h);
        h.state().ChennelNum = 1;
        h.state().SnFileList[1] = c.entry;
        h.ui.set(control::txtStationID, c.station);
        h.ui.set(control::txtState, " 55");
        h.frm.cmdFirst_Click();
        ASSERT_EQ(h.dialogs.shown.size(), 1U) << c.entry;
        expectKalvenBox(h.dialogs.shown[0]);
        EXPECT_TRUE(h.port.written.empty()) << c.station << " " << c.entry;
        EXPECT_EQ(h.ui.get(control::txtCommand), "");
        if (c.refusedWhileBuilding) {
            // The port was prepared and stays quiet: no receive event for a request not sent.
            EXPECT_EQ(h.port.threshold, 0) << c.entry;
            EXPECT_EQ(h.state().CmdMode, 8);
            EXPECT_EQ(h.ui.get(control::txtState), "");
            EXPECT_EQ(h.ui.front, control::ImgYellow);
        } else {
            EXPECT_EQ(h.state().CmdMode, 0) << c.entry;
            EXPECT_EQ(h.ui.get(control::txtState), " 55");
        }
        for (std::size_t k = 0; k < c.boxesAfter.size(); ++k) {
            EXPECT_EQ(h.ui.get(control::txtSenseSn[static_cast<std::size_t>(k)]), c.boxesAfter[k])
                << c.entry;
        }
    }
}

TEST(SerialNumberWrite, HexBoxesAcceptEitherCaseAndLeadingZeros) {
    Harness h;
    start(h);
    h.state().ChennelNum = 1;
    h.state().SnFileList[1] = "28 ff 6c 032 a1 16 4 5e";
    h.frm.cmdFirst_Click();
    EXPECT_TRUE(h.dialogs.shown.empty());
    EXPECT_EQ(h.port.lastWritten(), hexBytes("02 22 0C 01 28 FF 6C 32 A1 16 04 5E 8D 0B"));
}

TEST(SerialNumberWrite, PositionsOutsideTheListAreRefused) {
    // "next" adds one: 129 lies beyond the list; 0.6 names entry 1 but position 0.
    for (const char* position : {"128", "x", "-0.4"}) {
        Harness h;
        start(h);
        loadList(h, 1);
        h.state().ChennelNum = 200;
        h.ui.set(control::txtObjSensorid, position);
        h.frm.cmdWriteNext_Click();
        ASSERT_EQ(h.dialogs.shown.size(), 1U) << position;
        expectKalvenBox(h.dialogs.shown[0]);
        EXPECT_TRUE(h.port.written.empty()) << position;
    }
}

TEST(AutomaticWriting, WritesEachEntryToItsPositionAndConfirmsEachOnItsOwn) {
    Harness h;
    start(h);
    loadList(h, 3);
    h.ui.set(control::txtObjSensorid, "9");
    h.ui.setShown(control::PictureShow, true);
    h.frm.cmdWriteAllSn_Click();
    EXPECT_EQ(h.timer3.interval(), 2000);
    EXPECT_EQ(h.ui.get(control::txtObjSensorid), "1");
    EXPECT_FALSE(h.ui.isShown(control::PictureShow));
    EXPECT_TRUE(h.port.written.empty());  // the first write waits one interval

    int ticksWhileOpen = 0;
    h.dialogs.whileOpen = [&](const MessageBox&) {
        EXPECT_EQ(h.timer3.interval(), 0);  // stopped before the box appears
        if (++ticksWhileOpen < 5) {
            h.frm.Timer3_Timer();  // the timer would fire while the operator reads the box
        }
    };
    const std::string listing = h.ui.get(control::TXTSN);
    const char* serials[] = {"28 FF 6C 32 A1 16 04 5E", "28 FF 6C 32 A1 16 04 5F",
                             "28 FF 6C 32 A1 16 04 60"};
    for (int i = 0; i < 3; ++i) {
        h.frm.Timer3_Timer();
        // The reply arrives after the tick has moved P on.
        h.port.receive(confirmation(0x02, serials[i]));
    }
    EXPECT_EQ(h.port.written,
              (std::vector<Bytes>{hexBytes("02 22 0C 01 28 FF 6C 32 A1 16 04 5E 8D 0B"),
                                  hexBytes("02 22 0C 02 28 FF 6C 32 A1 16 04 5F 58 3B"),
                                  hexBytes("02 22 0C 03 28 FF 6C 32 A1 16 04 60 15 BB")}));
    EXPECT_EQ(h.ui.get(control::TXTSN), listing + confirmedLine("1", serials[0]) +
                                            confirmedLine("2", serials[1]) +
                                            confirmedLine("3", serials[2]));
    ASSERT_EQ(h.dialogs.shown.size(), 1U);
    expectFinishedBox(h.dialogs.shown[0]);
    EXPECT_EQ(ticksWhileOpen, 1);
    EXPECT_EQ(h.timer3.interval(), 0);
    EXPECT_EQ(h.ui.get(control::txtObjSensorid), "3");
}

TEST(AutomaticWriting, WithoutEntriesTheFirstTickFinishes) {
    Harness h;
    start(h);
    h.frm.cmdWriteAllSn_Click();
    h.frm.Timer3_Timer();
    ASSERT_EQ(h.dialogs.shown.size(), 1U);
    expectFinishedBox(h.dialogs.shown[0]);
    EXPECT_EQ(h.timer3.interval(), 0);
    EXPECT_TRUE(h.port.written.empty());
}

TEST(AutomaticWriting, StopThenNextGoesOnWithTheFirstEntryNotWritten) {
    Harness h;
    start(h);
    loadList(h, 5);
    h.frm.cmdWriteAllSn_Click();
    h.frm.Timer3_Timer();
    h.frm.Timer3_Timer();
    EXPECT_EQ(h.ui.get(control::txtObjSensorid), "3");
    h.frm.cmdStopWrite_Click();
    EXPECT_EQ(h.timer3.interval(), 0);
    EXPECT_EQ(h.ui.get(control::txtObjSensorid), "2");  // the last entry written
    h.frm.cmdWriteNext_Click();
    EXPECT_EQ(h.ui.get(control::txtObjSensorid), "3");
    EXPECT_EQ(h.port.written.size(), 3U);
    EXPECT_EQ(h.port.lastWritten(), hexBytes("02 22 0C 03 28 FF 6C 32 A1 16 04 60 15 BB"));

    // A position the operator chose himself during the sequence is left alone.
    h.frm.cmdWriteAllSn_Click();
    h.frm.Timer3_Timer();
    h.frm.cmdWriteNext_Click();  // P 2 -> 3, entry 3 written by hand
    h.frm.cmdStopWrite_Click();
    EXPECT_EQ(h.ui.get(control::txtObjSensorid), "3");
    h.frm.cmdStopWrite_Click();
    EXPECT_EQ(h.ui.get(control::txtObjSensorid), "3");
    EXPECT_TRUE(h.dialogs.shown.empty());
}

TEST(AutomaticWriting, AnEntryThatCannotBeWrittenStopsTheSequence) {
    Harness h;
    start(h);
    loadList(h, 3);
    h.state().SnFileList[2] = "28 FF 6C 32 A1";
    h.frm.cmdWriteAllSn_Click();
    h.frm.Timer3_Timer();
    h.dialogs.whileOpen = [&](const MessageBox&) {
        EXPECT_EQ(h.timer3.interval(), 0);
        h.frm.Timer3_Timer();  // a late tick while the box is open does nothing
    };
    h.frm.Timer3_Timer();
    ASSERT_EQ(h.dialogs.shown.size(), 1U);
    expectKalvenBox(h.dialogs.shown[0]);
    EXPECT_EQ(h.port.written.size(), 1U);
    EXPECT_EQ(h.timer3.interval(), 0);
    EXPECT_EQ(h.ui.get(control::txtObjSensorid), "2");  // where it stopped
}

TEST(AutomaticWriting, ClosedPortStopsTheSequenceAtOnce) {
    Harness h;
    start(h);
    loadList(h, 3);
    h.frm.cmdWriteAllSn_Click();
    h.frm.Timer3_Timer();
    h.port.close();
    h.dialogs.whileOpen = [&](const MessageBox&) {
        EXPECT_EQ(h.timer3.interval(), 0);
        h.frm.Timer3_Timer();
    };
    h.frm.Timer3_Timer();
    ASSERT_EQ(h.dialogs.texts(), std::vector<std::string>{kPortClosed});
    EXPECT_EQ(h.timer3.interval(), 0);
    EXPECT_EQ(h.ui.front, control::imgNotConnected);
    EXPECT_EQ(h.port.written.size(), 1U);
    // Once the port is back, "next" writes the entry the closed port held up.
    h.dialogs.whileOpen = nullptr;
    h.port.open();
    EXPECT_EQ(h.ui.get(control::txtObjSensorid), "1");
    h.frm.cmdWriteNext_Click();
    EXPECT_EQ(h.port.lastWritten(), hexBytes("02 22 0C 02 28 FF 6C 32 A1 16 04 5F 58 3B"));
}
