// The texts the handlers show go through the window's Translator: message boxes and their
// titles, file dialogs, the status line and what they write into the panes. A text built from
// pieces is a pattern whose values go in after translation, in one pass. Without a translator
// every text stays the Chinese it is written in.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "diagnostics/commissioning_record.h"
#include "diagnostics/echo_filter.h"
#include "diagnostics/traffic_log.h"
#include "fakes.h"
#include "link/control_names.h"
#include "programming/serial_write.h"
#include "protocol/frames.h"
#include "protocol/replies.h"
#include "protocol/requests.h"
#include "protocol/translatable.h"

using namespace tc24;
using tc24::testing::FakeQuestions;
using tc24::testing::Harness;

namespace {

// Puts every text it is asked for in brackets: what went through it shows.
class Brackets : public Translator {
public:
    std::string translate(const char* source) const override {
        return "[" + std::string(source) + "]";
    }
};

// Translates the texts it knows; the others stay.
class Words : public Translator {
public:
    explicit Words(std::map<std::string, std::string> words) : words_(std::move(words)) {}
    std::string translate(const char* source) const override {
        const auto found = words_.find(source);
        return found == words_.end() ? source : found->second;
    }

private:
    std::map<std::string, std::string> words_;
};

TEST(FillIn, ReplacesEachMarkOnceAndNeverAMarkInAValue) {
    EXPECT_EQ(fillIn("站 %1", {"7"}), "站 7");
    EXPECT_EQ(fillIn("%2 then %1", {"a", "b"}), "b then a");
    EXPECT_EQ(fillIn("%1 and %1", {"x"}), "x and x");
    // A value that holds a mark (a file named "a%2b") goes in as it is.
    EXPECT_EQ(fillIn("无法保存 %1：%2", {"/tmp/a%2b", "disk full"}),
              "无法保存 /tmp/a%2b：disk full");
    // A mark without a value, and a lone %, stay.
    EXPECT_EQ(fillIn("%1 %3 100%", {"a", "b"}), "a %3 100%");
    EXPECT_EQ(fillIn("%", {}), "%");
    EXPECT_EQ(fillIn("", {"a"}), "");
}

TEST(TranslatedRequests, AreTheChineseWordsUnlessATranslatorHasOthers) {
    const Bytes read = protocol::registerReadRequest(1, 0, 24, 3);
    const Bytes write = protocol::serialWriteRequest(
        17, 5, protocol::SerialNumber{0x28, 0xA1, 0x6C, 0x50, 0x07, 0x00, 0x01, 0xB9});
    EXPECT_EQ(protocol::describeRequest(read), "站 1 读寄存器 起始 0 数量 24");
    EXPECT_EQ(protocol::describeRequest(write), "站 17 写序列号 28 A1 6C 50 07 00 01 B9 到位置 5");
    EXPECT_EQ(protocol::describeRequest(protocol::addressChangeRequest(0, 9)), "广播 改地址为 9");

    const Words english({{"站 %1", "station %1"},
                         {"广播", "broadcast"},
                         {"%1 读寄存器 起始 %2 数量 %3", "%1: %3 registers from %2"},
                         {"%1 写序列号 %2 到位置 %3", "%1: position %3 gets %2"}});
    EXPECT_EQ(protocol::describeRequest(read, english), "station 1: 24 registers from 0");
    EXPECT_EQ(protocol::describeRequest(write, english),
              "station 17: position 5 gets 28 A1 6C 50 07 00 01 B9");
    // A kind's name is the marked text itself, for the Qt layer to translate.
    EXPECT_STREQ(protocol::kindName(protocol::RequestKind::ReadAddress), "读地址");
}

class HandlerTexts : public ::testing::Test {
protected:
    void SetUp() override { h.frm.window().translator = &brackets; }
    // One serial event with exactly these bytes.
    void chunk(const Bytes& bytes) {
        h.port.waiting = bytes;
        h.port.raise(comm_event::DataReceived);
    }
    const MessageBox& lastBox() { return h.dialogs.shown.back(); }

    Brackets brackets;
    Harness h;
};

TEST_F(HandlerTexts, BoxesAndTheirTitlesAreTranslated) {
    h.ui.set(control::txtStationID, "x");
    h.frm.comDoOnce_Click();
    ASSERT_EQ(h.dialogs.shown.size(), 1u);
    EXPECT_EQ(lastBox().text, "[你输入的设备地址格式有误!]");
    EXPECT_FALSE(lastBox().title.has_value()) << "a box without a title stays without one";

    h.frm.cmdCom_Click();  // no port chosen
    EXPECT_EQ(lastBox().text, "[请选择端口]");
    h.ui.setCurrentIndex(control::Combo1, 0);
    h.frm.cmdCom_Click();
    EXPECT_EQ(lastBox().text, "[串口设置保存成功]");
    EXPECT_EQ(lastBox().title, "[系统提示]");

    h.frm.cmdFirst_Click();  // nothing imported
    EXPECT_EQ(lastBox().text, "[请先导入按正确的传感器序列号格式]");
    EXPECT_EQ(lastBox().title, "[KALVEN提示]");

    // A pattern: translated first, then the count goes into it.
    h.state().ChennelNum = 2;
    h.ui.set(control::txtObjSensorid, "2");
    h.frm.cmdWriteNext_Click();
    EXPECT_EQ(lastBox().text, "[导入的序列号条数仅为2,下一个就循环操作了！]");

    h.ui.set(control::txtSensorid2, "25");
    h.frm.cmdReadSensorID_Click();  // past the data length: the readout is finished
    EXPECT_EQ(lastBox().text, "[读取完成]");
    EXPECT_EQ(lastBox().title, "[系统提示]");
}

TEST_F(HandlerTexts, FileDialogsTheStatusLineAndThePanesAreTranslated) {
    h.startWithOpenPort();
    EXPECT_EQ(h.ui.status.rfind("[COM1 (", 0), 0u) << h.ui.status;
    EXPECT_NE(h.ui.status.find(") 19200,N,8,1 已打开]"), std::string::npos) << h.ui.status;

    h.frm.cmdOpenFile_Click();  // cancelled
    ASSERT_EQ(h.dialogs.openRequests.size(), 1u);
    EXPECT_EQ(h.dialogs.openRequests[0].title, "[打开文件]");
    EXPECT_EQ(h.dialogs.openRequests[0].filter, "[序列号文件 (*.txt)|*.txt|所有文件（*）|*.*]");

    h.frm.cmdReadAdd_Click();
    chunk(protocol::addressReply(5));
    EXPECT_EQ(h.ui.get(control::TXTSN), "[设备当前地址为:\r\n5]");

    h.frm.cmdAutoSearch_Click();
    chunk(protocol::sensorCountReply(5, 3));
    EXPECT_EQ(h.ui.get(control::TXTSN), "[当前设备搜索到的传感器个数为:\r\n3]");

    EchoFilter filter(h.port);
    TrafficLog log;
    connectEchoFilter(filter, log, h.ui, brackets);
    filter.echoSeen();
    EXPECT_EQ(h.ui.status, "[线路回显了请求：请打开工具栏的“回显抑制”]");
}

TEST(HandlerTextsInChinese, AFileNameWithAMarkInItIsNamedAsItIs) {
    Harness h;
    h.startWithOpenPort();
    const auto file = h.dir.path() / "list%2.txt";
    h.dialogs.saveAnswers.push_back(file.string());
    h.files.failWith = "disk full";
    h.ui.set(control::txtSensorid2, "3");
    h.frm.cmdSaveSn_Click();
    ASSERT_FALSE(h.dialogs.shown.empty());
    EXPECT_EQ(h.dialogs.shown.back().text, "无法保存序列号文件 " + file.string() + "：disk full");
}

class RecordTexts : public ::testing::Test {
protected:
    void SetUp() override {
        h.startWithOpenPort();
        h.ui.set(control::txtStationID, "1");
    }
    void chunk(const Bytes& bytes) {
        h.port.waiting = bytes;
        h.port.raise(comm_event::DataReceived);
    }

    Harness h;
    FakeQuestions questions;
    RecordWriters writers{[](const record::Record&, const std::vector<record::CheckResult>&) {
                              return std::string("{}\n");
                          },
                          {}};
    CommissioningRecord record{h.frm.window(), questions, writers, "1.2.3", h.dir.path()};
};

// Regression: the pattern's second mark was looked for in the text after the first value went
// in, so a file named "x%2y" had the system's reason put into its name.
TEST_F(RecordTexts, AFailedSaveNamesAFileWithAMarkInItAsItIs) {
    h.frm.cmdReadAdd_Click();
    chunk(protocol::addressReply(1));
    const auto file = h.dir.path() / "x%2y.json";
    questions.paths.push_back(file);
    h.files.failWith = "disk full";
    EXPECT_FALSE(record.saveJson());
    EXPECT_EQ(h.dialogs.lastText(),
              "无法保存 " + file.string() + "：disk full\n记录仍在，可以换个位置再保存。");
}

TEST_F(RecordTexts, TheChecksFollowTheRecordsLanguageAndTheViewsWordsTheTranslator) {
    const Brackets brackets;
    h.frm.window().translator = &brackets;
    EXPECT_EQ(record.language(), record::Language::Chinese);
    EXPECT_EQ(record.checkLines()[0].name,
              record::checkName(record::kAllChecks[0], record::Language::Chinese));
    record.setLanguage(record::Language::English);
    const auto lines = record.checkLines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].name,
                  record::checkName(record::kAllChecks[i], record::Language::English));
    }
    EXPECT_EQ(lines[0].result, "[未设置]");
    EXPECT_EQ(record.positionLines()[0].serial, "[未读取]");
    EXPECT_EQ(record.setLimits({"25", "", "", "", "", true}), "[传感器数量应为 0 到 24 的整数]");

    // A position that holds another number than the list written there is marked as such,
    // whatever the words say.
    const protocol::SerialNumber written{0x28, 0xA1, 0x6C, 0x50, 0x07, 0x00, 0x01, 0xB9};
    const protocol::SerialNumber found{0x28, 0xA1, 0x6C, 0x50, 0x07, 0x00, 0x02, 0x5B};
    h.ui.set(control::txtObjSensorid, "1");
    for (std::size_t i = 0; i < written.size(); ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", written[i]);
        h.ui.set(control::txtSenseSn[i], hex);
    }
    ASSERT_TRUE(programming::SendSerialNumber(h.frm.window()));
    chunk(protocol::serialWriteReply(1, written));
    EXPECT_FALSE(record.positionLines()[0].differs) << "not read back yet";
    h.ui.set(control::txtSensorid2, "1");
    h.frm.cmdReadSensorID_Click();
    chunk(protocol::serialReply(1, found, 1));
    EXPECT_TRUE(record.positionLines()[0].differs);
    EXPECT_EQ(record.positionLines()[0].matched, "[不一致]");
}

}  // namespace
