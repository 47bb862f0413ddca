// Cutting the received byte stream into requests.

#include <gtest/gtest.h>

#include "sim/frame_splitter.h"
#include "tests/sim/hex_bytes.h"

namespace tc24::sim {
namespace {

using testing::hex;

std::vector<Bytes> feedAll(FrameSplitter& splitter, const std::vector<std::string>& pieces) {
    std::vector<Bytes> frames;
    for (const auto& piece : pieces) {
        for (auto& frame : splitter.feed(hex(piece))) {
            frames.push_back(std::move(frame));
        }
    }
    return frames;
}

TEST(FrameSplitterTest, RequestArrivingInPiecesIsRecognisedWhenComplete) {
    FrameSplitter splitter;
    EXPECT_TRUE(feedAll(splitter, {"01", "03 00", "00 00 18"}).empty());
    EXPECT_EQ(splitter.feed(hex("45")).size(), 0u);
    const auto frames = splitter.feed(hex("C0"));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], hex("01 03 00 00 00 18 45 C0"));
    EXPECT_EQ(splitter.pending(), 0u);
}

TEST(FrameSplitterTest, FourteenByteWriteArrivingByteByByte) {
    FrameSplitter splitter;
    const Bytes write = hex("02 22 0C 01 28 FF 6C 32 A1 16 04 5E 8D 0B");
    std::vector<Bytes> frames;
    for (std::uint8_t byte : write) {
        for (auto& frame : splitter.feed(std::span(&byte, 1))) {
            frames.push_back(frame);
        }
    }
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], write);
}

TEST(FrameSplitterTest, BackToBackRequestsInOneChunk) {
    FrameSplitter splitter;
    const auto frames = splitter.feed(hex("01 03 00 00 00 01 84 0A FA 25 02 00 00 01 99 FE"));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1], hex("FA 25 02 00 00 01 99 FE"));
}

TEST(FrameSplitterTest, NoiseBeforeARequestIsSkipped) {
    FrameSplitter splitter;
    // Garbage that starts like a request of another layout, then a real one.
    const auto frames = feedAll(splitter, {"7F 02 03", "01 03 00 00 00 18 45 C0"});
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], hex("01 03 00 00 00 18 45 C0"));
    EXPECT_EQ(splitter.droppedBytes(), 3u);
}

TEST(FrameSplitterTest, PadByteAfterTheSearchRequestDoesNotDisturbTheNextRequest) {
    FrameSplitter splitter;
    auto frames = splitter.feed(hex("FA 25 05 01 00 02 89 4B 00"));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], hex("FA 25 05 01 00 02 89 4B"));
    // Even without a silent interval in between.
    frames = splitter.feed(hex("01 23 01 01 00 08 95 F7"));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], hex("01 23 01 01 00 08 95 F7"));
}

TEST(FrameSplitterTest, SilenceEndsFramesOfUnknownLayout) {
    FrameSplitter splitter;
    EXPECT_TRUE(splitter.feed(hex("01 41 00 00 51 CC")).empty());
    auto frames = splitter.silence();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], hex("01 41 00 00 51 CC"));

    // Also after leftover bytes.
    EXPECT_TRUE(splitter.feed(hex("01 03 00 00 01 41 00 00 51 CC")).empty());
    frames = splitter.silence();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], hex("01 41 00 00 51 CC"));
    EXPECT_EQ(splitter.pending(), 0u);
}

TEST(FrameSplitterTest, SlowPiecesOfARequestSurviveASilence) {
    FrameSplitter splitter;
    EXPECT_TRUE(splitter.feed(hex("01 03 00 00")).empty());
    EXPECT_TRUE(splitter.silence().empty());
    const auto frames = splitter.feed(hex("00 18 45 C0"));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], hex("01 03 00 00 00 18 45 C0"));
}

TEST(FrameSplitterTest, BrokenRequestsAreDroppedAndTheNextOneIsFound) {
    FrameSplitter splitter;
    EXPECT_TRUE(splitter.feed(hex("01 03 00 00 00 18 45 C1")).empty());  // wrong CRC
    EXPECT_TRUE(splitter.silence().empty());
    EXPECT_EQ(splitter.pending(), 0u);
    EXPECT_EQ(splitter.droppedBytes(), 8u);

    // A request cut short, then the request sent again in full.
    EXPECT_TRUE(splitter.feed(hex("01 03 00")).empty());
    EXPECT_TRUE(splitter.silence().empty());
    const auto frames = splitter.feed(hex("01 03 00 00 00 01 84 0A"));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], hex("01 03 00 00 00 01 84 0A"));
    EXPECT_EQ(splitter.pending(), 0u);
}

TEST(FrameSplitterTest, EndlessGarbageIsBounded) {
    FrameSplitter splitter;
    Bytes garbage(1000, 0x41);
    EXPECT_TRUE(splitter.feed(garbage).empty());
    EXPECT_LE(splitter.pending(), FrameSplitter::kMaxBuffered);
}

}  // namespace
}  // namespace tc24::sim
