#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "fakes.h"
#include "link/files.h"
#include "link/request.h"
#include "link/text_items.h"
#include "protocol/crc16.h"
#include "protocol/hex.h"

using namespace tc24;
using tc24::testing::hexBytes;

TEST(Crc16, MatchesPublishedCatalogueValue) {
    const std::string check = "123456789";
    EXPECT_EQ(crc16Modbus({reinterpret_cast<const std::uint8_t*>(check.data()), check.size()}),
              0x4B37);
}

TEST(Crc16, StoresLowByteInHiByteAndHighByteInLoByte) {
    WindowState state;
    const Bytes body = hexBytes("FA 25 02 00 00 01");
    Crc16(state, body, 5);
    EXPECT_EQ(state.HiByte, 0x99);
    EXPECT_EQ(state.LoByte, 0xFE);
}

TEST(Crc16, CoversOnlyBytesUpToTheLastIndex) {
    WindowState state;
    Bytes frame = hexBytes("01 03 00 00 00 18 AA BB");
    Crc16(state, frame, 5);
    EXPECT_EQ(state.HiByte, 0x45);
    EXPECT_EQ(state.LoByte, 0xC0);
    state.HiByte = 7;
    Crc16(state, frame, 42);  // beyond the array: nothing computed, values kept
    EXPECT_EQ(state.HiByte, 7);
}

TEST(Crc16, ValidatesFrames) {
    EXPECT_TRUE(hasValidCrc(hexBytes("01 03 00 00 00 18 45 C0")));
    EXPECT_FALSE(hasValidCrc(hexBytes("01 03 00 00 00 18 C0 45")));
    EXPECT_FALSE(hasValidCrc(hexBytes("45 C0")));
}

TEST(HexText, FormatHexIsAlwaysTwoUpperCaseDigits) {
    EXPECT_EQ(FormatHex(0), "00");
    EXPECT_EQ(FormatHex(9), "09");
    EXPECT_EQ(FormatHex(15), "0F");
    EXPECT_EQ(FormatHex(16), "10");
    EXPECT_EQ(FormatHex(255), "FF");
    EXPECT_EQ(FormatHex(0xAB), "AB");
}

TEST(HexText, EchoTrailsAndReceivePaneLeadsWithASpace) {
    EXPECT_EQ(requestEchoText(hexBytes("FA 25 02 00 00 01 99 FE")), "FA 25 02 00 00 01 99 FE ");
    EXPECT_EQ(receivedHexText(hexBytes("00 0F 10 FF")), " 00 0F 10 FF");
    EXPECT_EQ(receivedHexText({}), "");
    EXPECT_EQ(serialNumberText(hexBytes("28 FF 4B 12 03 16 02 9E")), "28 FF 4B 12 03 16 02 9E");
}

TEST(ItemReader, CommasLineEndsQuotesAndBlanks) {
    ItemReader items("3, 19200\r\n\"28 FF 6C\",  \"a,b\"  junk\nplain item  \rlast");
    EXPECT_EQ(*items.next(), "3");
    EXPECT_EQ(*items.next(), "19200");
    EXPECT_EQ(*items.next(), "28 FF 6C");
    EXPECT_EQ(*items.next(), "a,b");  // a quoted item keeps its comma; text after it is dropped
    EXPECT_EQ(*items.next(), "plain item");
    EXPECT_EQ(*items.next(), "last");
    EXPECT_FALSE(items.next());
}

TEST(ItemReader, UnclosedQuoteRunsToTheEnd) {
    ItemReader items("\"28 FF");
    EXPECT_EQ(*items.next(), "28 FF");
    EXPECT_FALSE(items.next());
}

TEST(Files, AFileThatCannotBeReadIsNone) {
    tc24::testing::TempDir dir;
    EXPECT_FALSE(readWholeFile(dir.path() / "missing.txt"));
}
