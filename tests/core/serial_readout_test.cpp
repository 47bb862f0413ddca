#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fakes.h"
#include "link/control_names.h"
#include "link/files.h"
#include "protocol/hex.h"
#include "sensors/serial_readout.h"

using namespace tc24;
using tc24::testing::Harness;
using tc24::testing::hexBytes;

namespace {

constexpr const char* kReadPosition = "你输入的传感器编号格式有误，正确值为1-24!";
constexpr const char* kListPosition = "你输入的编程格式有误，正确值为1-24!";
constexpr const char* kRange = "你输入的传感器编号格式有误,正确的值应该为1-24!";
constexpr const char* kStation = "你输入的设备地址格式有误!";
constexpr const char* kLength = "你输入的数据长度格式有误!";
constexpr const char* kPortClosed = "打开串口出错，请确定串口是否已被占用";
constexpr const char* kSerial = "28 FF 4B 12 03 16 02 9E";

// A readout reply: address, function, byte count, the serial number, CRC.
Bytes readoutReply(const std::string& serialHex) {
    Bytes reply = hexBytes("02 23 08 " + serialHex);
    reply.push_back(0x00);
    reply.push_back(0x00);
    return reply;
}

// Harness with the port open and device address 2, as the examples assume.
struct Readout : Harness {
    Readout() {
        startWithOpenPort();
        ui.set(control::txtStationID, "2");
    }
    std::string file(const std::string& name) {
        return readWholeFile(dir.path() / name).value_or("<missing>");
    }
    void save(const std::string& name) {
        dialogs.saveAnswers.push_back((dir.path() / name).string());
        frm.cmdSaveSn_Click();
    }
};

}  // namespace

TEST(SerialReadout, RequestFollowsAddressAndPosition) {
    struct Case {
        const char *station, *field, *frame, *fieldAfter;
        bool newList;  // a read of position 1 starts a new list
    };
    for (const Case& c : {Case{"2", "01", "02 23 01 01 00 08 95 C4", "2", true},
                          Case{"1", "1", "01 23 01 01 00 08 95 F7", "2", true},
                          Case{"2", "5", "02 23 01 05 00 08 D4 05", "6", false},
                          Case{"2.9", "2.5", "02 23 01 02 00 08 65 C4", "3", false},
                          Case{"2", "1.5", "02 23 01 02 00 08 65 C4", "2", false}}) {
        Readout h;
        h.ui.set(control::txtStationID, c.station);
        h.ui.set(control::txtSensorid2, c.field);
        h.ui.set(control::TXTSN, "earlier list\r\n");
        h.frm.cmdReadSensorID_Click();
        EXPECT_EQ(h.port.written, std::vector<Bytes>{hexBytes(c.frame)}) << c.field;
        EXPECT_EQ(h.ui.get(control::txtCommand), std::string(c.frame) + " ");
        EXPECT_EQ(h.ui.get(control::txtSensorid2), c.fieldAfter);
        EXPECT_EQ(h.state().CmdMode, 3);
        EXPECT_EQ(h.state().RecLength, 14);
        EXPECT_EQ(h.port.threshold, 11);
        EXPECT_FALSE(h.ui.isShown(control::PictureShow));
        EXPECT_TRUE(h.ui.isShown(control::TXTSN));
        EXPECT_EQ(h.ui.get(control::TXTSN), c.newList ? "" : "earlier list\r\n") << c.field;
        EXPECT_TRUE(h.dialogs.shown.empty());
    }
}

TEST(SerialReadout, CursorAtOrBelowZeroBecomesOneWithoutSending) {
    for (const char* field : {"0", "-3", "0.5", "-32768"}) {
        Readout h;
        h.ui.set(control::txtSensorid2, field);
        h.ui.set(control::txtDataLength, "x");  // not looked at: nothing is going to be sent
        h.frm.cmdReadSensorID_Click();
        EXPECT_EQ(h.ui.get(control::txtSensorid2), "1") << field;
        EXPECT_TRUE(h.port.written.empty());
        EXPECT_TRUE(h.dialogs.shown.empty()) << field;
        EXPECT_EQ(h.state().CmdMode, 3);
        EXPECT_TRUE(h.ui.isShown(control::TXTSN));
    }
}

TEST(SerialReadout, PositionPastTheLimitFinishes) {
    struct Case {
        const char *field, *limit, *fieldAfter;
    };
    for (const Case& c : {Case{"25", "24", "24"}, Case{"30", "24", "30"},
                          Case{"24.6", "24", "24.6"}, Case{"4", "3", "4"}}) {
        Readout h;
        h.ui.set(control::txtSensorid2, c.field);
        h.ui.set(control::txtDataLength, c.limit);
        h.ui.set(control::txtStationID, "x");  // not looked at: nothing is going to be sent
        h.frm.cmdReadSensorID_Click();
        EXPECT_EQ(h.ui.get(control::txtSensorid2), c.fieldAfter);
        ASSERT_EQ(h.dialogs.shown.size(), 1U) << c.field;
        EXPECT_EQ(h.dialogs.shown[0].text, "读取完成");
        EXPECT_EQ(h.dialogs.shown[0].title, "系统提示");
        EXPECT_TRUE(h.port.written.empty());
        EXPECT_FALSE(h.timer6.isTicking());
    }
}

TEST(SerialReadout, RefusesWhatItCannotSendAndChangesNothing) {
    struct Case {
        const char *station, *field, *limit, *message;
    };
    for (const Case& c : {Case{"2", "abc", "24", kReadPosition}, Case{"2", "", "24", kReadPosition},
                          Case{"2", "40000", "24", kReadPosition},  // not 16-bit numbers
                          Case{"2", "-40000", "24", kReadPosition}, Case{"2", "5", "x", kLength},
                          Case{"2", "5", "", kLength}, Case{"2", "5", "1e6", kLength},
                          Case{"x", "5", "24", kStation}, Case{"256", "5", "24", kStation},
                          Case{"-1", "5", "24", kStation},
                          Case{"2", "256", "300", kReadPosition}}) {  // no such byte
        Readout h;
        h.ui.set(control::txtStationID, c.station);
        h.ui.set(control::txtSensorid2, c.field);
        h.ui.set(control::txtDataLength, c.limit);
        h.ui.set(control::txtCommand, "previous");
        h.ui.set(control::TXTSN, "list");
        h.frm.cmdReadSensorID_Click();
        ASSERT_EQ(h.dialogs.texts(), std::vector<std::string>{c.message})
            << c.station << " " << c.field << " " << c.limit;
        EXPECT_FALSE(h.dialogs.shown[0].title.has_value());
        EXPECT_TRUE(h.port.written.empty());
        EXPECT_EQ(h.ui.get(control::txtCommand), "previous");
        EXPECT_EQ(h.ui.get(control::txtSensorid2), c.field);
        EXPECT_EQ(h.ui.get(control::TXTSN), "list");
        EXPECT_EQ(h.state().CmdMode, 0);
    }
}

TEST(SerialReadout, ReplyIsListedAndKeptUnderTheRequestedPosition) {
    struct Case {
        const char *field, *limit, *line;
        int position;
    };
    for (const Case& c : {Case{"5", "24", "05:   28 FF 4B 12 03 16 02 9E\r\n", 5},
                          Case{"10", "24", "0A:   28 FF 4B 12 03 16 02 9E\r\n", 10},
                          Case{"24", "24", "18:   28 FF 4B 12 03 16 02 9E\r\n", 24},
                          // With 1.5 position 2 is asked for while the field becomes 2.
                          Case{"1.5", "24", "02:   28 FF 4B 12 03 16 02 9E\r\n", 2},
                          // Beyond the list: shown, not kept, nothing breaks.
                          Case{"65", "100", "41:   28 FF 4B 12 03 16 02 9E\r\n", 65}}) {
        Readout h;
        h.ui.set(control::txtSensorid2, c.field);
        h.ui.set(control::txtDataLength, c.limit);
        h.ui.set(control::TXTSN, "before\r\n");
        h.frm.cmdReadSensorID_Click();
        h.ui.set(control::txtSensorid2, "9");  // edited while the reply is on its way
        h.port.receive(readoutReply(kSerial));
        EXPECT_EQ(h.ui.get(control::TXTSN), std::string("before\r\n") + c.line) << c.field;
        for (int i = 0; i < 65; ++i) {
            EXPECT_EQ(h.state().SnList[i], i == c.position ? kSerial : "") << c.field << " " << i;
        }
    }
}

TEST(SerialReadout, ShortChunkDoesNotReplaceANumberReadBefore) {
    Readout h;
    h.ui.set(control::txtSensorid2, "5");
    h.frm.cmdReadSensorID_Click();
    h.port.receive(readoutReply(kSerial));
    h.port.setReceiveThreshold(1);  // the port was reopened: one byte raises an event
    h.port.receive(hexBytes("02 23 08 28"));
    EXPECT_EQ(h.state().SnList[5], kSerial);
    EXPECT_EQ(h.ui.get(control::TXTSN), "05:   28 FF 4B 12 03 16 02 9E\r\n05:   28\r\n");
    h.port.receive(hexBytes("7F"));
    EXPECT_EQ(h.state().SnList[5], kSerial);
}

TEST(ReadAll, RefusesFieldsOutsideOneToTwentyFour) {
    struct Case {
        const char* field;
        const char* message;  // nullptr: the sequence starts
    };
    for (const Case& c : {Case{"abc", kListPosition}, Case{"", kListPosition}, Case{"25", kRange},
                          Case{"0", kRange}, Case{"0.5", kRange}, Case{"24.9", nullptr},
                          Case{"-3", nullptr}, Case{"7", nullptr}}) {
        Readout h;
        h.ui.set(control::txtSensorid2, c.field);
        h.ui.set(control::TXTSN, "list");
        h.frm.cmdReadSNAll_Click();
        EXPECT_TRUE(h.port.written.empty());  // the first read comes one second later
        if (c.message) {
            EXPECT_EQ(h.dialogs.texts(), std::vector<std::string>{c.message}) << c.field;
            EXPECT_FALSE(h.timer6.isTicking());
            EXPECT_EQ(h.ui.get(control::txtSensorid2), c.field);
            EXPECT_EQ(h.ui.get(control::TXTSN), "list");
        } else {
            EXPECT_TRUE(h.dialogs.shown.empty()) << c.field;
            EXPECT_TRUE(h.timer6.isTicking());
            EXPECT_EQ(h.timer6.interval(), 1000);
            EXPECT_EQ(h.ui.get(control::txtSensorid2), "1");
            EXPECT_EQ(h.ui.get(control::TXTSN), "");
        }
    }
}

TEST(ReadAll, ReadsUpToTheLimitThenStopsBeforeTheBoxOpens) {
    Readout h;
    h.ui.set(control::txtDataLength, "3");
    h.frm.cmdReadSNAll_Click();
    int ticksWhileOpen = 0;
    bool tickingWhenShown = true;
    h.dialogs.whileOpen = [&](const MessageBox&) {
        tickingWhenShown = h.timer6.isTicking();
        for (; ticksWhileOpen < 3; ++ticksWhileOpen) {
            h.frm.Timer6_Timer();  // a tick queued before the stop still arrives
        }
    };
    for (int tick = 0; tick < 4; ++tick) {
        h.frm.Timer6_Timer();
    }
    EXPECT_EQ(h.port.written, (std::vector<Bytes>{hexBytes("02 23 01 01 00 08 95 C4"),
                                                  hexBytes("02 23 01 02 00 08 65 C4"),
                                                  hexBytes("02 23 01 03 00 08 34 04")}));
    EXPECT_EQ(h.dialogs.texts(), std::vector<std::string>{"读取完成"});
    EXPECT_FALSE(tickingWhenShown);
    EXPECT_FALSE(h.timer6.isTicking());
    EXPECT_EQ(h.ui.get(control::txtSensorid2), "4");
}

TEST(ReadAll, ClosedPortStopsAtTheFirstTick) {
    Readout h;
    h.frm.cmdReadSNAll_Click();
    h.port.close();
    bool tickingWhenShown = true;
    h.dialogs.whileOpen = [&](const MessageBox&) { tickingWhenShown = h.timer6.isTicking(); };
    h.frm.Timer6_Timer();
    EXPECT_EQ(h.dialogs.texts(), std::vector<std::string>{kPortClosed});
    EXPECT_FALSE(tickingWhenShown);
    EXPECT_FALSE(h.timer6.isTicking());
    EXPECT_EQ(h.ui.get(control::txtSensorid2), "1");
    EXPECT_EQ(h.ui.get(control::txtCommand), "");
    EXPECT_EQ(h.ui.frontImage(), control::imgNotConnected);  // as every other closed-port path
}

TEST(ReadAll, TwentyFourPositionsThenSaveWritesTwentyFourEntriesEveryTime) {
    Readout h;
    h.state().SnList[3] = "left from an earlier read";
    h.frm.cmdReadSNAll_Click();
    std::string expected = "24\r\n";
    for (int position = 1; position <= 24; ++position) {
        h.frm.Timer6_Timer();
        ASSERT_EQ(h.port.lastWritten().at(3), position);
        if (position == 3) {
            expected += "\"left from an earlier read\"\r\n";  // no answer for position 3
            continue;
        }
        const std::string serial = "28 00 00 00 00 00 00 " + FormatHex(position);
        h.port.receive(readoutReply(serial));
        expected += "\"" + serial + "\"\r\n";
    }
    h.frm.Timer6_Timer();
    EXPECT_EQ(h.dialogs.texts(), std::vector<std::string>{"读取完成"});
    EXPECT_EQ(h.ui.get(control::txtSensorid2), "24");
    EXPECT_EQ(h.port.written.size(), 24U);

    h.save("all.txt");
    EXPECT_EQ(h.file("all.txt"), expected);
    EXPECT_EQ(h.ui.get(control::txtSensorid2), "24");
    EXPECT_EQ(h.state().ChennelNum, 24);
    h.save("again.txt");
    EXPECT_EQ(h.file("again.txt"), expected);

    // A single read afterwards is saved by the usual rule again: the field less one.
    h.ui.set(control::txtSensorid2, "2");
    h.frm.cmdReadSensorID_Click();
    h.save("single.txt");
    EXPECT_EQ(h.file("single.txt"),
              "2\r\n\"28 00 00 00 00 00 00 01\"\r\n\"28 00 00 00 00 00 00 02\"\r\n");
    EXPECT_EQ(h.ui.get(control::txtSensorid2), "2");
}

TEST(ReadAll, AnEditOfThePositionAfterwardsMakesTheSaveCountFromTheFieldAgain) {
    // Regression: after a read-all, what the operator typed into the field was ignored by
    // the save, which still wrote the whole sequence.
    Readout h;
    h.ui.set(control::txtDataLength, "3");
    h.frm.cmdReadSNAll_Click();
    for (int tick = 0; tick < 4; ++tick) {
        h.frm.Timer6_Timer();
    }
    h.ui.set(control::txtSensorid2, "3");
    h.frm.txtSensorid2_Edited();
    h.save("edited.txt");
    EXPECT_EQ(h.file("edited.txt"), "2\r\n\"\"\r\n\"\"\r\n");
}

TEST(ReadAll, SaveAfterAShorterSequenceWritesItsPositionsEveryTime) {
    Readout h;
    h.ui.set(control::txtDataLength, "3");
    h.frm.cmdReadSNAll_Click();
    for (int tick = 0; tick < 4; ++tick) {
        h.frm.Timer6_Timer();
    }
    ASSERT_EQ(h.ui.get(control::txtSensorid2), "4");
    h.save("first.txt");
    h.save("second.txt");
    EXPECT_EQ(h.file("first.txt"), "3\r\n\"\"\r\n\"\"\r\n\"\"\r\n");
    EXPECT_EQ(h.file("second.txt"), h.file("first.txt"));
    EXPECT_EQ(h.ui.get(control::txtSensorid2), "3");
}

TEST(ReadAll, TheSaveAfterAFinishedSequenceCountsUpToItsLastPositionAtTheBoundaries) {
    // A sequence of one position, and of 24: the field names the position after the last
    // (2, 25 turned back to 24) or the last itself; each save writes exactly the sequence.
    for (const int length : {1, 24}) {
        Readout h;
        h.ui.set(control::txtDataLength, std::to_string(length));
        h.frm.cmdReadSNAll_Click();
        for (int tick = 0; tick <= length; ++tick) {
            h.frm.Timer6_Timer();
        }
        for (const int field : {length + 1, length}) {
            h.ui.set(control::txtSensorid2, std::to_string(std::min(field, 24)));
            h.save("list.txt");
            EXPECT_EQ(h.file("list.txt").rfind(std::to_string(length) + "\r\n\"", 0), 0u)
                << length << " " << field;
            EXPECT_EQ(h.ui.get(control::txtSensorid2), std::to_string(length));
        }
        // One position more than the sequence is a single read's field again.
        if (length < 24) {
            h.ui.set(control::txtSensorid2, std::to_string(length + 2));
            h.frm.txtSensorid2_Edited();
            h.save("more.txt");
            EXPECT_EQ(h.file("more.txt").rfind(std::to_string(length + 1) + "\r\n\"", 0), 0u);
        }
    }
}

TEST(SaveSerialNumbers, WritesCountAndQuotedEntriesWithCrLf) {
    Readout h;
    h.state().SnList[1] = "28 FF 4B 12 03 16 02 9E";
    h.state().SnList[3] = "28 FF 6C 32 A1 16 04 5E";
    h.state().SnList[4] = "not saved";
    h.ui.set(control::txtSensorid2, "4");  // after reading position 3
    h.save("list.txt");
    EXPECT_EQ(h.file("list.txt"),
              "3\r\n\"28 FF 4B 12 03 16 02 9E\"\r\n\"\"\r\n\"28 FF 6C 32 A1 16 04 5E\"\r\n");
    EXPECT_EQ(h.ui.get(control::txtSensorid2), "3");
    EXPECT_EQ(h.state().ChennelNum, 3);
    EXPECT_TRUE(h.dialogs.shown.empty());
    ASSERT_EQ(h.dialogs.saveRequests.size(), 1U);
    const FileDialogRequest& request = h.dialogs.saveRequests[0];
    EXPECT_EQ(request.initialDirectory, h.dir.path().string());
    EXPECT_EQ(request.filter, "txt|*.txt");
    EXPECT_TRUE(request.confirmOverwrite);
    EXPECT_EQ(request.title, "");

    // An existing file is replaced; the field at 1 writes entry 1 alone.
    h.ui.set(control::txtSensorid2, "1");
    h.save("list.txt");
    EXPECT_EQ(h.file("list.txt"), "1\r\n\"28 FF 4B 12 03 16 02 9E\"\r\n");
    EXPECT_EQ(h.ui.get(control::txtSensorid2), "1");
}

TEST(SaveSerialNumbers, NameGetsTxtUnlessItEndsInExactlyTxt) {
    struct Case {
        const char *chosen, *written;
    };
    for (const Case& c :
         {Case{"list", "list.txt"}, Case{"list.txt", "list.txt"}, Case{"list.TXT", "list.TXT.txt"},
          Case{"a.txt.bak", "a.txt.bak.txt"}, Case{"序列号", "序列号.txt"}}) {
        Readout h;
        h.ui.set(control::txtSensorid2, "1");
        h.save(c.chosen);
        EXPECT_EQ(h.file(c.written), "1\r\n\"\"\r\n") << c.chosen;
        if (std::string(c.chosen) != c.written) {
            EXPECT_FALSE(std::filesystem::exists(h.dir.path() / c.chosen)) << c.chosen;
        }
    }
}

TEST(SaveSerialNumbers, RefusedFieldsOpenNoDialog) {
    struct Case {
        const char *field, *message;
    };
    for (const Case& c :
         {Case{"abc", kListPosition}, Case{"", kListPosition}, Case{"25", kRange},
          Case{"0", kRange}, Case{"0.9", kRange}, Case{"-2", kRange}, Case{"-40000", kRange}}) {
        Readout h;
        h.ui.set(control::txtSensorid2, c.field);
        h.dialogs.saveAnswers.push_back((h.dir.path() / "list.txt").string());
        h.frm.cmdSaveSn_Click();
        EXPECT_EQ(h.dialogs.texts(), std::vector<std::string>{c.message}) << c.field;
        EXPECT_TRUE(h.dialogs.saveRequests.empty());
        EXPECT_FALSE(std::filesystem::exists(h.dir.path() / "list.txt"));
        EXPECT_EQ(h.ui.get(control::txtSensorid2), c.field);
    }
}

TEST(SaveSerialNumbers, CancelWritesNothingAndChangesNothing) {
    Readout h;
    h.ui.set(control::txtSensorid2, "4");
    h.state().ChennelNum = 7;
    h.dialogs.saveAnswers.push_back(std::nullopt);
    h.dialogs.saveAnswers.push_back(std::string());
    h.frm.cmdSaveSn_Click();
    h.frm.cmdSaveSn_Click();
    EXPECT_EQ(h.dialogs.saveRequests.size(), 2U);
    EXPECT_TRUE(h.dialogs.shown.empty());
    EXPECT_EQ(h.ui.get(control::txtSensorid2), "4");
    EXPECT_EQ(h.state().ChennelNum, 7);
    EXPECT_FALSE(std::filesystem::exists(h.dir.path() / ".txt"));
    EXPECT_FALSE(std::filesystem::exists(".txt"));
}

TEST(SaveSerialNumbers, UnwritablePathIsReportedAndLeavesNoPartialFile) {
    for (const char* name : {"no-such-folder/list.txt", "taken.txt"}) {
        Readout h;
        std::filesystem::create_directory(h.dir.path() / "taken.txt");  // a folder of that name
        h.ui.set(control::txtSensorid2, "4");
        h.state().ChennelNum = 7;
        h.save(name);
        ASSERT_EQ(h.dialogs.shown.size(), 1U) << name;
        const MessageBox& box = h.dialogs.shown[0];
        EXPECT_NE(box.text.find("无法保存序列号文件"), std::string::npos) << box.text;
        EXPECT_NE(box.text.find((h.dir.path() / name).string()), std::string::npos) << box.text;
        EXPECT_EQ(box.title, "系统提示");
        EXPECT_TRUE(std::filesystem::is_directory(h.dir.path() / "taken.txt"));
        EXPECT_FALSE(std::filesystem::exists(h.dir.path() / "taken.txt.tmp"));
        // Nothing moved: the operator can choose another place and get the same file.
        EXPECT_EQ(h.ui.get(control::txtSensorid2), "4");
        EXPECT_EQ(h.state().ChennelNum, 7);
        h.save("elsewhere.txt");
        EXPECT_EQ(h.file("elsewhere.txt"), "3\r\n\"\"\r\n\"\"\r\n\"\"\r\n");
    }
}
