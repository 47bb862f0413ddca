#include <gtest/gtest.h>

#include "fakes.h"
#include "link/control_names.h"
#include "sensors/search.h"

using namespace tc24;
using tc24::testing::Harness;
using tc24::testing::hexBytes;

namespace {

constexpr const char* kStation = "你输入的设备地址格式有误!";
constexpr const char* kPosition = "你输入的传感器编号格式有误!";
constexpr const char* kRange = "你输入的传感器编号格式有误,正确的值应该为1-24!";
constexpr const char* kOneSensor = "请确保模块上只接了一个传感器，并指定了正确的传感器编号";

struct Sensors : Harness {
    Sensors() {
        startWithOpenPort();
        ui.set(control::txtStationID, "2");
    }
};

}  // namespace

TEST(SensorSearch, AlwaysAsksAddressFaWithOneZeroAfterTheCrc) {
    for (const char* station : {"0", "1", "2.5", "255", "255.4", "-0.5"}) {
        Sensors h;
        h.ui.set(control::txtStationID, station);
        h.ui.set(control::txtState, " 01");
        h.ui.set(control::TXTSN, "old");
        h.ui.setShown(control::TXTSN, false);
        h.frm.cmdAutoSearch_Click();
        EXPECT_EQ(h.port.written, std::vector<Bytes>{hexBytes("FA 25 05 01 00 02 89 4B 00")})
            << station;
        EXPECT_EQ(h.ui.get(control::txtCommand), "FA 25 05 01 00 02 89 4B ");
        EXPECT_EQ(h.port.threshold, 6);
        EXPECT_EQ(h.state().CmdMode, 6);
        EXPECT_EQ(h.state().RecLength, 6);
        EXPECT_EQ(h.state().CmdLenth, 9);
        EXPECT_EQ(h.ui.get(control::txtState), "");
        EXPECT_EQ(h.ui.get(control::TXTSN), "");
        EXPECT_TRUE(h.ui.isShown(control::TXTSN));
        EXPECT_TRUE(h.ui.isShown(control::PictureShow));  // keeps its visibility
        EXPECT_TRUE(h.dialogs.shown.empty());
    }
}

TEST(SensorSearch, AddressThatIsNoByteIsRefused) {
    for (const char* station : {"", "abc", "256", "255.5", "-1"}) {
        Sensors h;
        h.ui.set(control::txtStationID, station);
        h.ui.set(control::txtState, " 01");
        h.ui.set(control::TXTSN, "old");
        h.ui.set(control::txtCommand, "previous");
        h.frm.cmdAutoSearch_Click();
        ASSERT_EQ(h.dialogs.texts(), std::vector<std::string>{kStation}) << station;
        EXPECT_FALSE(h.dialogs.shown[0].title.has_value());
        EXPECT_TRUE(h.port.written.empty());
        EXPECT_EQ(h.ui.get(control::txtCommand), "previous");
        EXPECT_EQ(h.ui.get(control::TXTSN), "old");
        // The click had already emptied txtState and taken code 6.
        EXPECT_EQ(h.ui.get(control::txtState), "");
        EXPECT_EQ(h.state().CmdMode, 6);
    }
}

TEST(SensorSearch, ReplyShowsTheCountOnlyWhenItsBytesFit) {
    struct Case {
        const char* reply;
        const char* shown;
    };
    for (const Case& c : {Case{"FA 25 01 03 00 00", "当前设备搜索到的传感器个数为:\r\n3"},
                          Case{"01 25 01 FF 12 34", "当前设备搜索到的传感器个数为:\r\n255"},
                          Case{"FA 25 02 03 00 00", ""}, Case{"FA 26 01 03 00 00", ""},
                          Case{"FA 25 01", ""}, Case{"", ""}}) {
        Sensors h;
        h.frm.cmdAutoSearch_Click();
        h.port.setReceiveThreshold(1);  // lets short chunks through as well
        h.port.receive(hexBytes(c.reply));
        if (hexBytes(c.reply).empty()) {
            h.port.raise(comm_event::DataReceived);
        }
        EXPECT_EQ(h.ui.get(control::TXTSN), c.shown) << c.reply;
    }
}

TEST(Identify, RequestAndCursorRunOneToTwentyFourAndBack) {
    struct Case {
        const char *station, *position, *frame, *positionAfter;
    };
    for (const Case& c : {Case{"2", "1", "02 22 01 01 00 04 A8 01", "2"},
                          Case{"2", "10", "02 22 01 0A 00 04 D9 C3", "11"},
                          Case{"2", "24", "02 22 01 18 00 04 79 C6", "1"},
                          Case{"1.9", "1.9", "01 22 01 01 00 04 A8 32", "2.9"}}) {
        Sensors h;
        h.ui.set(control::txtStationID, c.station);
        h.ui.set(control::txtSensorReadID, c.position);
        h.ui.set(control::txtState, " 01");
        h.frm.cmdAutoInput_Click();
        EXPECT_EQ(h.port.written, std::vector<Bytes>{hexBytes(c.frame)}) << c.position;
        EXPECT_EQ(h.ui.get(control::txtCommand), std::string(c.frame) + " ");
        EXPECT_EQ(h.ui.get(control::txtSensorReadID), c.positionAfter);
        EXPECT_EQ(h.state().CmdMode, 2);
        EXPECT_EQ(h.state().RecLength, 13);
        EXPECT_EQ(h.state().CmdLenth, 13);
        EXPECT_EQ(h.port.threshold, 13);
        EXPECT_EQ(h.ui.get(control::txtState), "");
        EXPECT_EQ(h.ui.redBoxes(), 24);
        EXPECT_FALSE(h.ui.isShown(control::PictureShow));
        EXPECT_TRUE(h.ui.isShown(control::TXTSN));
        EXPECT_EQ(h.ui.front, control::imgConnected);
        EXPECT_TRUE(h.dialogs.shown.empty());
    }
}

TEST(Identify, RefusedFieldsSendNothingAndChangeNothing) {
    struct Case {
        const char *station, *position, *message;
    };
    for (const Case& c :
         {Case{"", "1", kStation}, Case{"x", "1", kStation}, Case{"256", "1", kStation},
          Case{"-1", "1", kStation}, Case{"2", "abc", kPosition}, Case{"2", "", kPosition},
          Case{"2", "25", kRange}, Case{"2", "0", kRange}, Case{"2", "0.9", kRange},
          Case{"2", "-1", kRange}, Case{"2", "-30", kRange}}) {
        Sensors h;
        h.ui.set(control::txtStationID, c.station);
        h.ui.set(control::txtSensorReadID, c.position);
        h.ui.set(control::txtState, " 01");
        h.frm.cmdAutoInput_Click();
        ASSERT_EQ(h.dialogs.texts(), std::vector<std::string>{c.message})
            << c.station << " " << c.position;
        EXPECT_FALSE(h.dialogs.shown[0].title.has_value());
        EXPECT_TRUE(h.port.written.empty());
        EXPECT_EQ(h.ui.get(control::txtSensorReadID), c.position);
        EXPECT_EQ(h.ui.get(control::txtState), " 01");
        EXPECT_EQ(h.ui.redBoxes(), 0);
        EXPECT_EQ(h.state().CmdMode, 0);
    }
}

TEST(Identify, TargetPositionZeroOrNoNumberStopsAfterTheViewChanged) {
    for (const char* target : {"0", "0.7", "abc", ""}) {
        Sensors h;
        h.ui.set(control::txtObjSensorid, target);
        h.ui.set(control::txtSensorReadID, "5");
        h.ui.set(control::TXTSN, "list");
        h.frm.cmdAutoInput_Click();
        EXPECT_EQ(h.dialogs.texts(), std::vector<std::string>{kOneSensor}) << target;
        EXPECT_TRUE(h.port.written.empty());
        EXPECT_EQ(h.ui.get(control::txtSensorReadID), "5");
        EXPECT_EQ(h.ui.get(control::TXTSN), "list");
        EXPECT_EQ(h.state().CmdMode, 2);
        EXPECT_EQ(h.ui.redBoxes(), 24);
        EXPECT_TRUE(h.ui.isShown(control::TXTSN));
    }
}

TEST(Identify, ReplyLineNamesThePositionAskedFor) {
    Sensors h;
    h.ui.set(control::txtSensorReadID, "24");
    h.frm.cmdAutoInput_Click();
    ASSERT_EQ(h.ui.get(control::txtSensorReadID), "1");
    h.port.receive(hexBytes("07 22 08 28 FF 4B 12 03 16 02 9E 00 00"));
    const std::string line = "传感器编号:24序列号为：28 FF 4B 12 03 16 02 9E \r\n";
    EXPECT_EQ(h.ui.get(control::TXTSN), line);
    // A later chunk that starts a serial number is listed again under the same position;
    // one that does not adds nothing.
    h.port.receive(hexBytes("07 22 08 29 FF 4B 12 03 16 02 9E 00 00"));
    EXPECT_EQ(h.ui.get(control::TXTSN), line);
    h.port.receive(hexBytes("07 22 08 28 01 02 03 04 05 06 07 00 00"));
    EXPECT_EQ(h.ui.get(control::TXTSN),
              line + "传感器编号:24序列号为：28 01 02 03 04 05 06 07 \r\n");
}

TEST(Identify, ListGrowsUnlessTheTargetPositionIsOne) {
    const std::string line = "序列号为：28 FF 4B 12 03 16 02 9E \r\n";
    for (const char* target : {"01", "2"}) {
        Sensors h;
        h.ui.set(control::txtObjSensorid, target);
        for (int i = 0; i < 3; ++i) {
            h.frm.cmdAutoInput_Click();
            h.port.receive(hexBytes("02 22 08 28 FF 4B 12 03 16 02 9E 00 00"));
        }
        const std::string all =
            "传感器编号:1" + line + "传感器编号:2" + line + "传感器编号:3" + line;
        EXPECT_EQ(h.ui.get(control::TXTSN),
                  target == std::string("2") ? all : "传感器编号:3" + line);
    }
}

TEST(Identify, ShortRepliesListWhatArrivedOrNothing) {
    for (const auto& [reply, shown] :
         {std::pair{"02 22 08 28 FF 4B", "传感器编号:1序列号为：28 FF 4B \r\n"},
          std::pair{"02 22 08", ""}}) {
        Sensors h;
        h.frm.cmdAutoInput_Click();
        h.port.setReceiveThreshold(1);  // lets short chunks through
        h.port.receive(hexBytes(reply));
        EXPECT_EQ(h.ui.get(control::TXTSN), shown) << reply;
    }
}
