#include <gtest/gtest.h>

#include "link/numbers.h"

using namespace tc24::numbers;

TEST(NumericTest, AcceptsSignedDecimalsExponentsAndBlanks) {
    for (const char* text : {"0", "24", " 24 ", "-1", "+7", "24.9", ".5", "5.", "1e3", "2.5E-1",
                             "\t12"}) {
        EXPECT_TRUE(isNumeric(text)) << text;
    }
}

TEST(NumericTest, RejectsEmptyLettersAndMalformedNumbers) {
    for (const char* text : {"", " ", "abc", "12a", "1 2", "--1", "+-1", ".", "e5", "1e", "1e+",
                             "0x10", "1,5"}) {
        EXPECT_FALSE(isNumeric(text)) << '"' << text << '"';
    }
}

TEST(NumberParse, ValuesAndOverflow) {
    EXPECT_DOUBLE_EQ(*parse(" -2.75 "), -2.75);
    EXPECT_DOUBLE_EQ(*parse("+3"), 3);
    EXPECT_DOUBLE_EQ(*parse("1e3"), 1000);
    EXPECT_FALSE(parse("1e999").has_value());  // does not fit a double: not a usable number
}

TEST(Rounding, DownIsTowardsMinusInfinity) {
    EXPECT_EQ(roundDown(24.9), 24);
    EXPECT_EQ(roundDown(-0.5), -1);
    EXPECT_EQ(roundDown(-1), -1);
    EXPECT_EQ(roundDown(-1.3e-20), -1);  // found by fuzzing: a tiny negative is still below 0
    EXPECT_FALSE(byteRoundedDown("-13e-21"));
}

TEST(Rounding, NearestHalvesGoToEven) {
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(50.5), 50);
    EXPECT_EQ(roundHalfEven(60000.7), 60001);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(2.4999), 2);
}

TEST(Narrowing, ByteAndSixteenBitLimits) {
    EXPECT_EQ(*toByte(0), 0);
    EXPECT_EQ(*toByte(255), 255);
    EXPECT_FALSE(toByte(256));
    EXPECT_FALSE(toByte(-1));
    EXPECT_EQ(*toInt16(-32768), -32768);
    EXPECT_FALSE(toInt16(32768));
    EXPECT_EQ(*byteRoundedDown("249.7"), 249);
    EXPECT_FALSE(byteRoundedDown("-0.5"));  // rounds down to -1
    EXPECT_FALSE(byteRoundedDown("x"));
    EXPECT_EQ(*int16RoundedHalfEven("2.5"), 2);
}

TEST(NumberText, WritesBackPlainDecimals) {
    EXPECT_EQ(toText(3), "3");
    EXPECT_EQ(toText(-1), "-1");
    EXPECT_EQ(toText(2.5), "2.5");
    EXPECT_EQ(toText(65536), "65536");
    EXPECT_EQ(toText(-0.0), "0");
}
