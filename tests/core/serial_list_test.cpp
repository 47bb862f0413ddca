#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sensors/serial_list.h"

using namespace tc24;
using sensors::ListReading;
using sensors::readSerialList;

namespace {

using Serial = std::optional<protocol::SerialNumber>;

constexpr protocol::SerialNumber kA{0x28, 0xFF, 0x6C, 0x32, 0xA1, 0x16, 0x04, 0x5E};
constexpr protocol::SerialNumber kB{0x28, 0xFF, 0x6C, 0x32, 0xA1, 0x16, 0x04, 0x5F};

// `count` on line 1, then entries "28 00 00 00 00 00 00 01", … with CR LF, quoted (the last
// byte counts on modulo 256).
std::string numberedList(int count, int entries) {
    std::string content = std::to_string(count) + "\r\n";
    constexpr const char* kDigits = "0123456789ABCDEF";
    for (int i = 1; i <= entries; ++i) {
        content += std::string("\"28 00 00 00 00 00 00 ") + kDigits[(i / 16) % 16] +
                   kDigits[i % 16] + "\"\r\n";
    }
    return content;
}

}  // namespace

TEST(StrictList, RefusesWhatIsNotTheListNamingTheLine) {
    const struct {
        std::string content;
        std::string error;
    } cases[] = {
        // A ninth byte is no longer cut off; a seventh is still too few.
        {"1\r\n\"28 FF 6C 32 A1 16 04 5E 77\"\r\n",
         "line 2: entry 1 is not a serial number (9 bytes where a serial number has 8): "
         "\"28 FF 6C 32 A1 16 04 5E 77\""},
        {"2\r\n\"\"\r\n\"28 FF 6C 32 A1 16 04\"\r\n",
         "line 3: entry 2 is not a serial number (7 bytes where a serial number has 8): "
         "\"28 FF 6C 32 A1 16 04\""},
        {"1\r\n\"28\"\r\n",
         "line 2: entry 1 is not a serial number (1 byte where a serial number has 8): \"28\""},
        {"1\r\n\"28 FF 6C 32 A1 16 04 5E tail\"\r\n",
         "line 2: entry 1 is not a serial number (text after the eighth byte): "
         "\"28 FF 6C 32 A1 16 04 5E tail\""},
        {"1\r\n28 FF 6C 32 A1 16 04 5E;\r\n",
         "line 2: entry 1 is not a serial number (text after the eighth byte): "
         "\"28 FF 6C 32 A1 16 04 5E;\""},
        {"1\r\n\"28  FF 6C 32 A1 16 04 5E\"\r\n",
         "line 2: entry 1 is not a serial number (not eight hex bytes separated by single "
         "blanks): \"28  FF 6C 32 A1 16 04 5E\""},
        {"1\r\n\"序列号\"\r\n",
         "line 2: entry 1 is not a serial number (not eight hex bytes separated by single "
         "blanks): \"序列号\""},
        // The count must be the number of entries.
        {"1\r\n\"28 FF 6C 32 A1 16 04 5E\"\r\n\"28 FF 6C 32 A1 16 04 5F\"\r\n",
         "line 3: more entries than the count of 1 on line 1: \"28 FF 6C 32 A1 16 04 5F\""},
        {"1\r\n\"28 FF 6C 32 A1 16 04 5E\"\r\n\r\n\"\"\r\n",
         "line 4: more entries than the count of 1 on line 1: \"\""},
        {"3\r\n\"28 FF 6C 32 A1 16 04 5E\"\r\n",
         "the count is 3 on line 1, but the file ends after 1 entry"},
        {"3\r\n\"28 FF 6C 32 A1 16 04 5E\"\r\n\"\"\r\n",
         "the count is 3 on line 1, but the file ends after 2 entries"},
        {"\r\n3\r\n", "line 1: the first item is not an entry count from 0 to 128: \"\""},
        {"", "the file is empty: it holds no entry count"},
        {"-1\r\n", "line 1: the first item is not an entry count from 0 to 128: \"-1\""},
        {"2.5\r\n\"\"\r\n\"\"\r\n",
         "line 1: the first item is not an entry count from 0 to 128: \"2.5\""},
        {numberedList(129, 129),
         "line 1: the first item is not an entry count from 0 to 128: \"129\""},
        {"99999999999999999999\r\n",
         "line 1: the first item is not an entry count from 0 to 128: "
         "\"99999999999999999999\""},
        // Quotes as the window writes them.
        {"1\r\n\"28 FF 6C 32 A1 16 04 5E\" 77\r\n", "line 2: text after the closing quote: \"77\""},
        {"1\r\n\"28 FF 6C 32 A1 16 04 5E\r\n", "line 2: the quote opened here is not closed"},
        // Line numbers follow every kind of line end, and commas keep the line.
        {"2\n\n\"28 FF\"\n",
         "line 3: entry 2 is not a serial number (2 bytes where a serial "
         "number has 8): \"28 FF\""},
        {"2\r\"28 FF 6C 32 A1 16 04 5E\"\r\r\nx\r",
         "line 4: more entries than the count of 2 on line 1: \"x\""},
        {"2,\"28 FF 6C 32 A1 16 04 5E\",x",
         "line 1: entry 2 is not a serial number (not "
         "eight hex bytes separated by single blanks): \"x\""},
        {"\xEF\xBB\xBF"
         "1\r\nbad\r\n",
         "line 2: entry 1 is not a serial number (not eight hex bytes separated by single "
         "blanks): \"bad\""},
    };
    for (const auto& c : cases) {
        const auto list = readSerialList(c.content, ListReading::Strict);
        EXPECT_EQ(list.error, c.error) << c.content;
        EXPECT_TRUE(list.entries.empty()) << c.content;
        EXPECT_TRUE(list.serials.empty()) << c.content;
    }
}

TEST(StrictList, AcceptsTheWindowsFormatAndItsHarmlessVariants) {
    const struct {
        std::string content;
        std::vector<Serial> serials;
    } cases[] = {
        {"2\r\n\"28 FF 6C 32 A1 16 04 5E\"\r\n\"28 FF 6C 32 A1 16 04 5F\"\r\n", {kA, kB}},
        {"2\n\"28 FF 6C 32 A1 16 04 5E\"\n\"28 FF 6C 32 A1 16 04 5F\"\n", {kA, kB}},
        {"2\r\"28 FF 6C 32 A1 16 04 5E\"\r\"28 FF 6C 32 A1 16 04 5F\"\r", {kA, kB}},
        {"\xEF\xBB\xBF"
         "2\r\n\"28 FF 6C 32 A1 16 04 5E\"\r\n\"28 FF 6C 32 A1 16 04 5F\"\r\n",
         {kA, kB}},
        {"2\r\n28 FF 6C 32 A1 16 04 5E\r\n  28 ff 6c 32 a1 16 04 5f  \r\n", {kA, kB}},
        {"2,\"28 FF 6C 32 A1 16 04 5E\",28 FF 6C 32 A1 16 04 5F", {kA, kB}},
        // Empty entries are positions not read; blank lines may end the file.
        {"3\r\n\"\"\r\n\"28 FF 6C 32 A1 16 04 5E\"\r\n\"  \"\r\n\r\n\r\n",
         {std::nullopt, kA, std::nullopt}},
        {"3\r\n\r\n28 FF 6C 32 A1 16 04 5E\r\n\r\n", {std::nullopt, kA, std::nullopt}},
        {"0\r\n", {}},
    };
    for (const auto& c : cases) {
        const auto list = readSerialList(c.content, ListReading::Strict);
        EXPECT_EQ(list.error, "") << c.content;
        EXPECT_EQ(list.serials, c.serials) << c.content;
        EXPECT_EQ(list.count, static_cast<int>(c.serials.size())) << c.content;
        EXPECT_EQ(list.entries.size(), c.serials.size()) << c.content;
    }
}

TEST(StrictList, HoldsTheWindowsWholeList) {
    const auto full = readSerialList(numberedList(128, 128), ListReading::Strict);
    ASSERT_EQ(full.error, "");
    ASSERT_EQ(full.serials.size(), 128U);
    EXPECT_EQ(full.serials[127], (protocol::SerialNumber{0x28, 0, 0, 0, 0, 0, 0, 0x80}));
}

TEST(StrictList, ReadsBackWhatTheWindowSaves) {
    const std::vector<std::string> saved{"28 FF 6C 32 A1 16 04 5E", "", "28 FF 6C 32 A1 16 04 5F"};
    const auto list = readSerialList(sensors::serialListContent(saved), ListReading::Strict);
    EXPECT_EQ(list.error, "");
    EXPECT_EQ(list.entries, saved);
    EXPECT_EQ(list.serials, (std::vector<Serial>{kA, std::nullopt, kB}));
}

TEST(StrictList, QuotesTheFilesBytesPrintably) {
    // A file made to clear the terminal and move the cursor when its error is shown.
    const auto list = readSerialList(
        "1\r\n\"\x1b[2J\x1b[1;1H\x9b"
        "31m28\"\r\n",
        ListReading::Strict);
    EXPECT_EQ(list.error,
              "line 2: entry 1 is not a serial number (not eight hex bytes separated by single "
              "blanks): \"\\x1b[2J\\x1b[1;1H\\x9b"
              "31m28\"");
    const auto count = readSerialList("\x1b]0;title\x07\r\n", ListReading::Strict);
    EXPECT_EQ(count.error,
              "line 1: the first item is not an entry count from 0 to 128: "
              "\"\\x1b]0;title\\x07\"");
}

TEST(WindowList, KeepsWhatTheStrictReadingRefuses) {
    // Entries as the file holds them; nothing after the counted ones is read.
    const std::string content =
        "2\r\n\"28 FF 6C 32 A1 16 04 5E 77\"\r\n\"zz\" tail\r\n\"more\"\r\n";
    const auto window = readSerialList(content, ListReading::Window);
    EXPECT_EQ(window.error, "");
    EXPECT_EQ(window.count, 2);
    EXPECT_EQ(window.entries, (std::vector<std::string>{"28 FF 6C 32 A1 16 04 5E 77", "zz"}));
    EXPECT_TRUE(window.serials.empty());
    EXPECT_NE(readSerialList(content, ListReading::Strict).error, "");
}

TEST(WindowList, RefusesCountsByTheWindowsRules) {
    const struct {
        std::string content;
        std::optional<int> count;
        std::size_t entries;
        bool refused;
    } cases[] = {
        {numberedList(128, 130), 128, 128, false},
        {numberedList(129, 130), 129, 128, true},  // after the 128 that fit
        {numberedList(255, 300), 255, 128, true},
        {numberedList(256, 300), 256, 0, true},               // before any entry
        {numberedList(3, 2), 3, 2, true},                     // the file ends early
        {"2.9\r\n\"a\"\r\n\"b\"\r\n\"c\"\r\n", 2, 2, false},  // rounded down
        {"-4\r\n", -4, 0, false},
        {"40000\r\n", std::nullopt, 0, true},
        {"abc\r\n", std::nullopt, 0, true},
    };
    for (const auto& c : cases) {
        const auto list = readSerialList(c.content, ListReading::Window);
        EXPECT_EQ(list.count, c.count) << c.content.substr(0, 20);
        EXPECT_EQ(list.entries.size(), c.entries) << c.content.substr(0, 20);
        EXPECT_EQ(!list.error.empty(), c.refused) << c.content.substr(0, 20) << list.error;
    }
}
