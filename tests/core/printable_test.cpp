#include <gtest/gtest.h>

#include <string>

#include "protocol/printable.h"

using tc24::printableText;

TEST(PrintableText, EscapesControlsAndBrokenUtf8AndKeepsText) {
    const struct {
        std::string bytes;
        std::string shown;
    } cases[] = {
        {"28 FF 6C \"quoted\" a\\b ~", "28 FF 6C \"quoted\" a\\b ~"},
        {"\x1b[2J", "\\x1b[2J"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"\t\r\n\x7f", "\\x09\\x0d\\x0a\\x7f"},
        // UTF-8 text stays readable: Chinese, a no-break space, four-byte sequences.
        {"输入的文件数据格式有误", "输入的文件数据格式有误"},
        {"\xC2\xA0\xF0\x9F\x98\x80", "\xC2\xA0\xF0\x9F\x98\x80"},
        // C1 controls, U+0080 and U+009F (CSI), escaped byte by byte.
        {"\xC2\x80x\xC2\x9B"
         "2J",
         "\\xc2\\x80x\\xc2\\x9b"
         "2J"},
        // Not UTF-8: stray bytes, a truncated sequence, overlong forms, a surrogate, beyond
        // U+10FFFF.
        {"\x9b\xff\xfe", "\\x9b\\xff\\xfe"},
        {"\xE4\xB8", "\\xe4\\xb8"},
        {"\xE4\xB8x", "\\xe4\\xb8x"},
        {"\xC0\xAF\xE0\x80\xAF", "\\xc0\\xaf\\xe0\\x80\\xaf"},
        {"\xED\xA0\x80", "\\xed\\xa0\\x80"},
        {"\xF4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},
        {"\xF0\x8F\xBF\xBF", "\\xf0\\x8f\\xbf\\xbf"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(printableText(c.bytes), c.shown) << c.shown;
    }
}

TEST(PrintableText, LeavesNoByteATerminalActsOn) {
    std::string every;
    for (int byte = 0; byte < 256; ++byte) {
        every += static_cast<char>(byte);
    }
    const std::string shown = printableText(every);
    for (const char c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        EXPECT_TRUE(byte >= 0x20 && byte < 0x7F) << int(byte);  // no lone byte is valid UTF-8
    }
    EXPECT_NE(shown.find("\\x1b\\x1c"), std::string::npos);
}
