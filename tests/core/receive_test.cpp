#include <gtest/gtest.h>

#include "fakes.h"
#include "link/control_names.h"

using namespace tc24;
using tc24::testing::Harness;
using tc24::testing::hexBytes;

namespace {

// A 53-byte register reply for 24 registers all holding `value`.
Bytes registerReply(std::uint8_t station, std::uint16_t value, int count = 24) {
    Bytes reply{station, 0x03, static_cast<std::uint8_t>(2 * count)};
    for (int i = 0; i < count; ++i) {
        reply.push_back(static_cast<std::uint8_t>(value >> 8));
        reply.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    reply.push_back(0x00);  // the window checks no CRC
    reply.push_back(0x00);
    return reply;
}

}  // namespace

TEST(ReceivePipeline, BytesBeforeAnyRequestAreShownButNotDecoded) {
    Harness h;
    h.startWithOpenPort();  // threshold 1 after opening
    h.port.receive(hexBytes("00 0F 10 FF"));
    EXPECT_EQ(h.ui.get(control::txtState), " 00 0F 10 FF");
    EXPECT_EQ(h.ui.front, control::imgConnected);
    EXPECT_EQ(h.state().RecCount, 1);
    EXPECT_EQ(h.ui.get(control::lblErrCounter), "1");
    EXPECT_EQ(h.ui.get(control::txtValue[0]), "0");
    EXPECT_TRUE(h.port.waiting.empty());
}

TEST(ReceivePipeline, NonDataEventOnlyCounts) {
    Harness h;
    h.startWithOpenPort();
    h.ui.set(control::txtState, "keep");
    h.ui.front = control::ImgYellow;
    h.port.raise(comm_event::PortLost);
    h.port.raise(comm_event::FramingError);
    EXPECT_EQ(h.state().RecCount, 2);
    EXPECT_EQ(h.ui.get(control::lblErrCounter), "2");
    EXPECT_EQ(h.ui.get(control::txtState), "keep");
    EXPECT_EQ(h.ui.front, control::ImgYellow);
}

TEST(ReceivePipeline, CounterStopsAtItsMaximum) {
    Harness h;
    h.state().RecCount = 2147483647;
    h.port.raise(comm_event::DataReceived);
    EXPECT_EQ(h.state().RecCount, 2147483647);
    EXPECT_EQ(h.ui.get(control::lblErrCounter), "2147483647");
}

TEST(ReceivePipeline, ReplyInTwoChunksRaisesOneEventAtTheThreshold) {
    Harness h;
    h.startWithOpenPort();
    h.ui.set(control::txtStationID, "1");
    h.frm.comDoOnce_Click();
    const Bytes reply = registerReply(1, 2534);
    h.port.receive(Bytes(reply.begin(), reply.begin() + 30));
    EXPECT_EQ(h.state().RecCount, 0);
    EXPECT_EQ(h.ui.redBoxes(), 24);
    h.port.receive(Bytes(reply.begin() + 30, reply.end()));
    EXPECT_EQ(h.state().RecCount, 1);
    EXPECT_EQ(h.ui.redBoxes(), 0);
    EXPECT_EQ(h.ui.get(control::txtValue[23]), "25.34");
}

TEST(ReceivePipeline, ReplyOneByteShortRaisesNoEventAndTheNextRequestDiscardsIt) {
    Harness h;
    h.startWithOpenPort();
    h.frm.comDoOnce_Click();
    Bytes reply = registerReply(1, 100);
    reply.pop_back();
    h.port.receive(reply);
    EXPECT_EQ(h.state().RecCount, 0);
    EXPECT_EQ(h.port.waiting.size(), 52U);
    h.frm.comDoOnce_Click();
    EXPECT_TRUE(h.port.waiting.empty());
    EXPECT_EQ(h.ui.redBoxes(), 24);
}

TEST(ReceivePipeline, LaterChunksAreDecodedAgainByTheSameDecoder) {
    Harness h;
    h.startWithOpenPort();
    h.frm.comDoOnce_Click();
    h.port.receive(registerReply(1, 100));
    EXPECT_EQ(h.ui.get(control::txtValue[5]), "1.00");
    h.port.receive(registerReply(1, 200));
    EXPECT_EQ(h.ui.get(control::txtValue[5]), "2.00");
    EXPECT_EQ(h.state().RecCount, 2);
    EXPECT_EQ(h.state().CmdMode, 1);
}

TEST(ReceivePipeline, GarbageOfAnyLengthNeverStopsTheHandler) {
    Harness h;
    h.startWithOpenPort();
    h.frm.comDoOnce_Click();
    h.port.threshold = 1;
    for (std::size_t length : {1U, 2U, 3U, 4U, 7U, 52U, 300U}) {
        h.port.receive(Bytes(length, 0xFF));
        EXPECT_EQ(h.ui.front, control::imgConnected);
    }
    EXPECT_EQ(h.ui.get(control::txtValue[0]), "0");
}
