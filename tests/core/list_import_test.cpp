#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fakes.h"
#include "link/control_names.h"
#include "programming/list_import.h"

using namespace tc24;
using tc24::testing::Harness;

namespace {

constexpr const char* kMalformed = "输入的文件数据格式有误！请检查";
constexpr const char* kEntry1 = "28 FF 6C 32 A1 16 04 5E";
constexpr const char* kEntry2 = "28 FF 6C 32 A1 16 04 5F";
constexpr const char* kTwoEntries =
    "2\r\n\"28 FF 6C 32 A1 16 04 5E\"\r\n\"28 FF 6C 32 A1 16 04 5F\"\r\n";
constexpr const char* kTwoListed =
    "该设备共有2个通道\r\n01#: 28 FF 6C 32 A1 16 04 5E\r\n02#: 28 FF 6C 32 A1 16 04 5F\r\n";

std::string writeList(Harness& h, const std::string& content, const std::string& name = "sn.txt") {
    const auto path = h.dir.path() / name;
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
}

void import(Harness& h, const std::string& content) {
    h.dialogs.openAnswers.push_back(writeList(h, content));
    h.frm.cmdOpenFile_Click();
}

std::vector<std::string> boxes(Harness& h) {
    std::vector<std::string> texts;
    for (int k = 0; k < 8; ++k) {
        texts.push_back(h.ui.get(control::txtSenseSn[static_cast<std::size_t>(k)]));
    }
    return texts;
}

const std::vector<std::string> kStartBoxes{"40", "0", "0", "0", "0", "0", "0", "0"};
const std::vector<std::string> kEntry1Boxes{"28", "FF", "6C", "32", "A1", "16", "04", "5E"};

}  // namespace

TEST(ListImport, TwoEntryExampleIsListedAndEntryOneFillsTheBoxes) {
    Harness h;
    h.startWithOpenPort();
    h.ui.set(control::TXTSN, "earlier text");
    h.ui.setShown(control::TXTSN, false);
    import(h, kTwoEntries);

    ASSERT_EQ(h.dialogs.openRequests.size(), 1U);
    const auto& request = h.dialogs.openRequests.front();
    EXPECT_EQ(request.title, "打开文件");
    EXPECT_EQ(request.initialDirectory, h.dir.path().string());
    EXPECT_EQ(request.filter, "序列号文件 (*.txt)|*.txt|所有文件（*）|*.*");

    EXPECT_TRUE(h.dialogs.shown.empty());
    EXPECT_EQ(h.state().ChennelNum, 2);
    EXPECT_EQ(h.state().SnFileList[1], kEntry1);
    EXPECT_EQ(h.state().SnFileList[2], kEntry2);
    EXPECT_EQ(h.ui.get(control::TXTSN), kTwoListed);
    EXPECT_EQ(boxes(h), kEntry1Boxes);
    EXPECT_FALSE(h.ui.isShown(control::PictureShow));
    EXPECT_TRUE(h.ui.isShown(control::TXTSN));
    EXPECT_TRUE(h.port.written.empty());  // nothing goes to the module
    EXPECT_EQ(h.state().CmdMode, 0);
}

TEST(ListImport, QuotesLineEndsAndCommasAllSeparateTheSameItems) {
    for (const char* content : {
             "2\r\n28 FF 6C 32 A1 16 04 5E\r\n28 FF 6C 32 A1 16 04 5F\r\n",    // unquoted
             "2\n\"28 FF 6C 32 A1 16 04 5E\"\n\"28 FF 6C 32 A1 16 04 5F\"\n",  // lone LF
             "2\r\"28 FF 6C 32 A1 16 04 5E\"\r\"28 FF 6C 32 A1 16 04 5F\"\r",  // lone CR
             "2,\"28 FF 6C 32 A1 16 04 5E\",28 FF 6C 32 A1 16 04 5F",          // commas, no end
             "  2  \r\n   \"28 FF 6C 32 A1 16 04 5E\"\r\n  28 FF 6C 32 A1 16 04 5F\r\n",
             "\xEF\xBB\xBF"
             "2\r\n\"28 FF 6C 32 A1 16 04 5E\"\r\n\"28 FF 6C 32 A1 16 04 5F\"\r\n",
             // Items after the count's entries are not read.
             "2\r\n\"28 FF 6C 32 A1 16 04 5E\"\r\n\"28 FF 6C 32 A1 16 04 5F\"\r\n\"x\"\r\nrest",
         }) {
        Harness h;
        h.startWithOpenPort();
        import(h, content);
        EXPECT_TRUE(h.dialogs.shown.empty()) << content;
        EXPECT_EQ(h.ui.get(control::TXTSN), kTwoListed) << content;
        EXPECT_EQ(boxes(h), kEntry1Boxes) << content;
    }
}

TEST(ListImport, FileSavedByTheReadoutImportsBackUnchanged) {
    // Three positions were read (one of them never answered), then "保存序列号".
    const std::vector<std::string> saved{"28 FF 4B 12 03 16 02 9E", "", "28 FF 6C 32 A1 16 04 5F"};
    Harness h;
    h.startWithOpenPort();
    for (std::size_t i = 0; i < saved.size(); ++i) {
        h.state().SnList[i + 1] = saved[i];
    }
    h.ui.set(control::txtSensorid2, "4");
    const auto file = h.dir.path() / "list.txt";
    h.dialogs.saveAnswers.push_back(file.string());
    h.frm.cmdSaveSn_Click();
    ASSERT_TRUE(std::filesystem::exists(file));
    h.dialogs.openAnswers.push_back(file.string());
    h.frm.cmdOpenFile_Click();
    EXPECT_TRUE(h.dialogs.shown.empty());
    EXPECT_EQ(h.state().ChennelNum, 3);
    for (std::size_t i = 0; i < saved.size(); ++i) {
        EXPECT_EQ(h.state().SnFileList[i + 1], saved[i]);
    }
    EXPECT_EQ(h.ui.get(control::TXTSN),
              "该设备共有3个通道\r\n01#: 28 FF 4B 12 03 16 02 9E\r\n02#: \r\n"
              "03#: 28 FF 6C 32 A1 16 04 5F\r\n");
    EXPECT_EQ(boxes(h), (std::vector<std::string>{"28", "FF", "4B", "12", "03", "16", "02", "9E"}));
}

TEST(ListImport, FileEndingBeforeTheCountListsWhatItHasAndKeepsTheBoxes) {
    Harness h;
    h.startWithOpenPort();
    import(h, "3\r\n\"28 FF 6C 32 A1 16 04 5E\"\r\n\"28 FF 6C 32 A1 16 04 5F\"\r\n");
    EXPECT_EQ(h.dialogs.texts(), std::vector<std::string>{kMalformed});
    EXPECT_FALSE(h.dialogs.shown.back().title.has_value());
    EXPECT_FALSE(h.dialogs.shown.back().okCancel);
    EXPECT_EQ(h.state().ChennelNum, 3);
    EXPECT_EQ(
        h.ui.get(control::TXTSN),
        "该设备共有3个通道\r\n01#: 28 FF 6C 32 A1 16 04 5E\r\n02#: 28 FF 6C 32 A1 16 04 5F\r\n");
    EXPECT_EQ(boxes(h), kStartBoxes);
}

TEST(ListImport, CountZeroUsesEntryOneOfAnEarlierImport) {
    Harness h;
    h.startWithOpenPort();
    import(h, "0\r\n");
    EXPECT_EQ(h.ui.get(control::TXTSN), "该设备共有0个通道\r\n");
    EXPECT_EQ(h.dialogs.texts(), std::vector<std::string>{kMalformed});  // no entry 1 yet
    EXPECT_EQ(h.state().ChennelNum, 0);
    EXPECT_EQ(boxes(h), kStartBoxes);

    import(h, kTwoEntries);
    h.ui.set(control::txtSenseSn[0], "changed");
    import(h, "0\r\n");
    EXPECT_EQ(h.dialogs.shown.size(), 1U);
    EXPECT_EQ(h.state().ChennelNum, 0);
    EXPECT_EQ(h.ui.get(control::TXTSN), "该设备共有0个通道\r\n");
    EXPECT_EQ(boxes(h), kEntry1Boxes);
    // Entries beyond the count keep what the earlier import put there.
    EXPECT_EQ(h.state().SnFileList[2], kEntry2);
}

TEST(ListImport, EntryOneIsSplitAtEverySingleBlank) {
    struct Case {
        const char* entry;
        std::vector<std::string> boxes;
        bool malformed;
    };
    for (const Case& c : {
             // Two blanks give an empty field; the eighth byte falls off the end.
             Case{
                 "28  FF 6C 32 A1 16 04 5E", {"28", "", "FF", "6C", "32", "A1", "16", "04"}, false},
             Case{"28 FF 6C 32 A1 16 04 5E 77 88", kEntry1Boxes, false},  // extra fields ignored
             Case{"zz 1 2 3 4 5 6 7", {"zz", "1", "2", "3", "4", "5", "6", "7"}, false},
             // Five fields: the first five boxes change, then the import reports.
             Case{"28 FF 6C 32 A1", {"28", "FF", "6C", "32", "A1", "0", "0", "0"}, true},
             Case{"", kStartBoxes, true},
         }) {
        Harness h;
        h.startWithOpenPort();
        import(h, std::string("1\r\n\"") + c.entry + "\"\r\n");
        EXPECT_EQ(boxes(h), c.boxes) << c.entry;
        EXPECT_EQ(h.dialogs.texts(),
                  c.malformed ? std::vector<std::string>{kMalformed} : std::vector<std::string>{})
            << c.entry;
        EXPECT_EQ(h.state().SnFileList[1], c.entry);
    }
}

TEST(ListImport, CountsBeyondTheListAreRefusedAfterWhatFits) {
    std::string entries;
    for (int i = 1; i <= 300; ++i) {
        entries += "\"28 00 00 00 00 00 00 " + std::to_string(i % 100) + "\"\r\n";
    }
    {
        Harness h;
        h.startWithOpenPort();
        import(h, "200\r\n" + entries);
        EXPECT_EQ(h.dialogs.texts(), std::vector<std::string>{kMalformed});
        EXPECT_EQ(h.state().ChennelNum, 200);
        const std::string listing = h.ui.get(control::TXTSN);
        EXPECT_EQ(listing.rfind("该设备共有200个通道\r\n01#: 28 00 00 00 00 00 00 1\r\n", 0), 0U);
        EXPECT_NE(listing.find("0A#: 28 00 00 00 00 00 00 10\r\n"), std::string::npos);
        EXPECT_TRUE(listing.ends_with("80#: 28 00 00 00 00 00 00 28\r\n")) << listing;
        EXPECT_EQ(h.state().SnFileList[128], "28 00 00 00 00 00 00 28");
        EXPECT_EQ(boxes(h), kStartBoxes);
    }
    {
        Harness h;
        h.startWithOpenPort();
        import(h, "300\r\n" + entries);
        EXPECT_EQ(h.dialogs.texts(), std::vector<std::string>{kMalformed});
        EXPECT_EQ(h.state().ChennelNum, 300);
        EXPECT_EQ(h.ui.get(control::TXTSN), "该设备共有300个通道\r\n");
        EXPECT_EQ(h.state().SnFileList[1], "");
    }
}

TEST(ListImport, CountThatIsNotANumberIsRefused) {
    for (const char* content :
         {"", "\r\n", "abc\r\n\"28 FF 6C 32 A1 16 04 5E\"\r\n", "40000\r\n"}) {
        Harness h;
        h.startWithOpenPort();
        h.state().ChennelNum = 5;
        import(h, content);
        EXPECT_EQ(h.dialogs.texts(), std::vector<std::string>{kMalformed}) << content;
        EXPECT_EQ(h.state().ChennelNum, 5) << content;
        EXPECT_EQ(boxes(h), kStartBoxes);
    }
}

TEST(ListImport, CancelledDialogEndsSilently) {
    Harness h;
    h.startWithOpenPort();
    import(h, kTwoEntries);
    h.ui.set(control::TXTSN, "kept");
    h.ui.setShown(control::TXTSN, false);
    h.frm.cmdOpenFile_Click();  // no answer scripted: the operator cancels
    EXPECT_EQ(h.dialogs.openRequests.size(), 2U);
    EXPECT_TRUE(h.dialogs.shown.empty());
    EXPECT_EQ(h.ui.get(control::TXTSN), "kept");
    EXPECT_TRUE(h.ui.isShown(control::TXTSN));
    EXPECT_EQ(h.state().ChennelNum, 2);
    EXPECT_EQ(boxes(h), kEntry1Boxes);
}

TEST(ListImport, UnreadableFileIsNamedAndChangesNothing) {
    Harness h;
    h.startWithOpenPort();
    import(h, kTwoEntries);
    h.ui.set(control::txtSenseSn[0], "changed");
    const std::string missing = (h.dir.path() / "gone.txt").string();
    const std::string folder = h.dir.path().string();
    for (const std::string& path : {missing, folder}) {
        h.dialogs.shown.clear();
        h.dialogs.openAnswers.push_back(path);
        h.frm.cmdOpenFile_Click();
        ASSERT_EQ(h.dialogs.shown.size(), 1U) << path;
        EXPECT_NE(h.dialogs.lastText().find(path), std::string::npos) << h.dialogs.lastText();
        EXPECT_NE(h.dialogs.lastText(), kMalformed);
        EXPECT_EQ(h.ui.get(control::TXTSN), kTwoListed);
        EXPECT_EQ(h.state().ChennelNum, 2);
        EXPECT_EQ(h.ui.get(control::txtSenseSn[0]), "changed");
    }
}
