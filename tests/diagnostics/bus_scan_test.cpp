#include <gtest/gtest.h>

#include "core/fakes.h"
#include "diagnostics/bus_scan.h"
#include "link/control_names.h"
#include "master/line_timing.h"
#include "protocol/crc16.h"
#include "protocol/hex.h"

using namespace tc24;
using tc24::testing::Harness;
using tc24::testing::hexBytes;

namespace {

Bytes framed(Bytes frame) {
    const auto trailer = crcTrailer(frame);
    frame.push_back(trailer.low);
    frame.push_back(trailer.high);
    return frame;
}

Bytes readRequest(std::uint8_t station) {
    return framed({station, 0x03, 0x00, 0x00, 0x00, 0x01});
}

Bytes readReply(std::uint8_t station) {
    return framed({station, 0x03, 0x02, 0x09, 0xE6});
}

class BusScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        h.startWithOpenPort();
        // Cyclic polling runs when the scan starts.
        h.timer2.setInterval(1000);
        h.timer2.setEnabled(true);
        h.ui.set(control::txtValue[0], "12.50");
        h.ui.set(control::lblErrCounter, "7");
        h.state().RecCount = 7;
        h.state().CmdMode = cmd_mode::RegisterQuery;
        h.state().RecLength = 53;
        h.port.threshold = 53;
    }

    // The window's state as the scan must leave it.
    void expectWindowUntouched() {
        EXPECT_EQ(h.ui.get(control::txtValue[0]), "12.50");
        EXPECT_EQ(h.ui.get(control::lblErrCounter), "7");
        EXPECT_EQ(h.state().RecCount, 7);
        EXPECT_EQ(h.state().CmdMode, cmd_mode::RegisterQuery);
        EXPECT_EQ(h.port.threshold, 53);
        EXPECT_TRUE(h.timer2.isTicking());
        EXPECT_EQ(h.ui.get(control::txtStationID), "1");
    }

    // The scan's timer runs out: the clock moves on by its interval, then it ticks.
    void elapse() {
        now += std::chrono::milliseconds(scanTimer.interval());
        scan.tick();
    }

    Harness h;
    tc24::testing::FakeTimer scanTimer;
    master::TimePoint now = master::TimePoint{} + std::chrono::hours(1);
    BusScan scan{h.frm.window(), scanTimer, [this] { h.frm.MSComm1_OnComm(); },
                 [this] { return now; }};
};

}  // namespace

TEST_F(BusScanTest, FindsTheStationsThatAnswerAndListsTheGarbled) {
    ASSERT_FALSE(scan.start({1, 5, 100}));
    EXPECT_FALSE(h.timer2.isTicking());
    EXPECT_TRUE(h.port.written.empty());  // first one time-out for a reply still on its way
    EXPECT_EQ(scanTimer.interval(), 100);
    elapse();
    EXPECT_EQ(h.port.lastWritten(), readRequest(1));
    EXPECT_EQ(h.ui.get(control::txtCommand), "01 03 00 00 00 01 84 0A ");
    // The time-out counts from the request's end on the wire: 8 characters at 19200 baud.
    EXPECT_EQ(scanTimer.interval(), 105);

    elapse();  // station 1 is silent: station 2 is asked at once
    EXPECT_EQ(h.port.lastWritten(), readRequest(2));
    const Bytes reply = readReply(2);
    h.port.receive({reply.begin(), reply.begin() + 3});  // in two chunks
    EXPECT_EQ(h.port.lastWritten(), readRequest(2));
    h.port.receive({reply.begin() + 3, reply.end()});
    EXPECT_EQ(h.ui.get(control::txtState),
              " 09 E6 " + FormatHex(reply[5]) + " " + FormatHex(reply[6]));
    EXPECT_EQ(scan.found(), (std::vector<std::uint8_t>{2}));
    elapse();  // the line's silence after the reply
    EXPECT_EQ(h.port.lastWritten(), readRequest(3));

    Bytes garbled = readReply(3);
    garbled[3] ^= 0x01;
    h.port.receive(garbled);  // a CRC error: garbled, not found
    elapse();                 // the gap after it
    EXPECT_EQ(scan.garbled(), (std::vector<std::uint8_t>{3}));
    EXPECT_EQ(h.port.written.size(), 3u);
    EXPECT_EQ(scanTimer.interval(), 100);  // the guard before the next request
    elapse();
    EXPECT_EQ(h.port.lastWritten(), readRequest(4));

    h.port.receive(framed({4, 0x83, 0x06}));  // an exception, even busy, proves a module
    elapse();
    EXPECT_EQ(h.port.lastWritten(), readRequest(5));
    h.port.receive(readReply(9));  // another station answering: not station 5
    elapse();                      // station 5's time-out

    EXPECT_FALSE(scan.running());
    EXPECT_TRUE(scan.ownsLine());
    EXPECT_FALSE(scan.cancelled());
    elapse();  // the wait for a late reply to station 5
    EXPECT_FALSE(scan.ownsLine());
    EXPECT_EQ(scan.found(), (std::vector<std::uint8_t>{2, 4}));
    EXPECT_EQ(scan.garbled(), (std::vector<std::uint8_t>{3}));
    EXPECT_EQ(scan.done(), 5);
    EXPECT_EQ(h.port.written.size(), 5u);
    expectWindowUntouched();

    // The window has its handler back.
    h.port.threshold = 1;
    h.port.receive(hexBytes("01"));
    EXPECT_EQ(h.state().RecCount, 8);

    scan.take(4);
    EXPECT_EQ(h.ui.get(control::txtStationID), "4");
}

TEST_F(BusScanTest, CoversEveryAddressAModuleCanHaveByDefault) {
    const BusScan::Settings settings;
    EXPECT_EQ(settings.first, 1);
    EXPECT_EQ(settings.last, 249);
}

TEST_F(BusScanTest, CancelStopsAtOnceAndALateReplyNeverReachesTheDecoders) {
    ASSERT_FALSE(scan.start({1, 249, 100}));
    for (int i = 0; i < 11; ++i) {
        elapse();
    }
    EXPECT_EQ(h.port.lastWritten(), readRequest(11));
    scan.cancel();
    EXPECT_FALSE(scan.running());
    EXPECT_TRUE(scan.cancelled());
    EXPECT_EQ(h.port.written.size(), 11u);

    // Station 11 answers late, while the scan still holds the line.
    h.port.receive(framed({11, 0x03, 0x02, 0x00, 0x01}));
    elapse();
    EXPECT_FALSE(scan.ownsLine());
    elapse();
    EXPECT_EQ(h.port.written.size(), 11u);
    EXPECT_TRUE(scan.found().empty());
    expectWindowUntouched();
}

TEST_F(BusScanTest, WaitsOutAReplyStillOnTheLineAndFindsAReplyBehindNoise) {
    // The window's last poll is still being answered when the scan starts.
    ASSERT_FALSE(scan.start({1, 2, 50}));
    Bytes pollReply = framed({7, 0x03, 0x30});
    pollReply.insert(pollReply.begin() + 3, 48, 0x01);
    for (int i = 0; i < 3; ++i) {
        now += std::chrono::milliseconds(5);
        h.port.receive(Bytes(pollReply.begin() + i * 10, pollReply.begin() + i * 10 + 10));
        EXPECT_TRUE(scan.settling());
    }
    EXPECT_TRUE(h.port.written.empty());
    now += std::chrono::milliseconds(35);
    scan.tick();  // the rest of that reply never came; the guard is over
    EXPECT_FALSE(scan.settling());
    EXPECT_EQ(h.port.lastWritten(), readRequest(1));

    // A byte of noise and the tail of another frame ahead of station 1's reply.
    Bytes noisy = hexBytes("00 FF 01 03");
    const Bytes reply = readReply(1);
    noisy.insert(noisy.end(), reply.begin(), reply.end());
    h.port.receive(noisy);
    EXPECT_EQ(scan.found(), (std::vector<std::uint8_t>{1}));
    elapse();
    EXPECT_EQ(h.port.lastWritten(), readRequest(2));
    // Garbage alone proves no module; it is listed as garbled.
    h.port.receive(hexBytes("02 03 02 09 E6 00 00 02"));
    elapse();
    EXPECT_EQ(scan.found(), (std::vector<std::uint8_t>{1}));
    EXPECT_EQ(scan.garbled(), (std::vector<std::uint8_t>{2}));
    EXPECT_FALSE(scan.running());
    elapse();
    expectWindowUntouched();
}

TEST_F(BusScanTest, ANoisyLineDoesNotHoldTheScanBackForEver) {
    ASSERT_FALSE(scan.start({1, 1, 50}));
    for (int i = 0; i < 40; ++i) {
        h.port.receive(Bytes(10, 0x55));
    }
    elapse();  // the guard is fixed: noise does not stretch it
    EXPECT_EQ(h.port.lastWritten(), readRequest(1));
}

TEST_F(BusScanTest, AnEchoingLineIsNamed) {
    ASSERT_FALSE(scan.start({1, 1, 50}));
    elapse();
    Bytes echoed = readRequest(1);
    const Bytes reply = readReply(1);
    echoed.insert(echoed.end(), reply.begin(), reply.end());
    h.port.receive(echoed);
    elapse();
    EXPECT_TRUE(scan.echoSeen());
    EXPECT_TRUE(scan.found().empty());
}

// The dialog's spin boxes keep the numbers in range; settings from elsewhere are brought into
// the same ranges rather than sent to stations no module can have.
TEST_F(BusScanTest, SettingsOutsideTheRangesAreBroughtIntoThem) {
    // The scan first waits one time-out for a reply still on its way: how long until it asks.
    const auto waitBeforeFirstRequest = [this] {
        const auto start = now;
        const std::size_t before = h.port.written.size();
        for (int tick = 0; tick < 100 && h.port.written.size() == before; ++tick) {
            elapse();
        }
        return std::chrono::duration_cast<std::chrono::milliseconds>(now - start).count();
    };
    ASSERT_FALSE(scan.start({0, 300, 5}));
    EXPECT_EQ(scan.total(), 249);
    EXPECT_EQ(waitBeforeFirstRequest(), 10);
    EXPECT_EQ(h.port.lastWritten(), readRequest(1));
    scan.cancel();
    elapse();
    ASSERT_FALSE(scan.ownsLine());

    ASSERT_FALSE(scan.start({9, 3, 20000}));
    EXPECT_EQ(scan.total(), 1);  // the end station is never before the start
    waitBeforeFirstRequest();
    EXPECT_EQ(h.port.lastWritten(), readRequest(9));
    // The silent station is given up after 10 s (and the request's time on the wire).
    const auto asked = now;
    for (int tick = 0; tick < 100 && scan.running(); ++tick) {
        elapse();
    }
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(now - asked);
    EXPECT_GE(waited.count(), 10000);
    EXPECT_LT(waited.count(), 10010);
}

TEST_F(BusScanTest, RefusedWhenItCannotRunAndEndsWhenThePortIsLost) {
    h.port.close();
    EXPECT_EQ(scan.start({1, 5, 100}), "串口未打开，无法扫描总线");
    h.port.open();
    EXPECT_TRUE(h.port.written.empty());
    EXPECT_TRUE(h.timer2.isTicking());

    ASSERT_FALSE(scan.start({1, 5, 100}));
    EXPECT_EQ(scan.start({1, 5, 100}), "总线扫描正在进行");
    h.port.close();
    h.port.raise(comm_event::PortLost);
    EXPECT_FALSE(scan.ownsLine());
    EXPECT_EQ(scan.failure(), "串口已断开，扫描中止");
    EXPECT_EQ(h.state().RecCount, 8);  // the window counted the event as always
    EXPECT_TRUE(h.timer2.isTicking());
}
