// The line master on a virtual clock: what it sends when, what it makes of what comes back,
// and that it never talks over a reply.

#include "master/line_master.h"

#include <gtest/gtest.h>

#include <random>

#include "master/virtual_line.h"
#include "protocol/codes.h"
#include "protocol/crc16.h"
#include "protocol/replies.h"
#include "protocol/requests.h"

namespace tc24::master {
namespace {

using namespace std::chrono_literals;
using testing::Arrival;
using testing::VirtualLine;

constexpr milliseconds kTimeout{500};

LineTiming timing19200() {
    return LineTiming::serial(19200, kTimeout);
}

Bytes readRequest(std::uint8_t station = 1) {
    return protocol::registerReadRequest(station, 0, 24);
}

Bytes readReply(std::uint8_t station = 1, std::uint16_t first = 2534) {
    std::array<std::uint16_t, 24> registers{};
    registers.fill(first);
    return protocol::registerReply(station, registers);
}

Bytes slice(const Bytes& bytes, std::size_t from, std::size_t to) {
    return Bytes(bytes.begin() + static_cast<long>(from),
                 bytes.begin() + static_cast<long>(std::min(to, bytes.size())));
}

// The reply in chunks of `size` bytes, the first `start` after the request, then one
// character time apart per byte.
std::vector<Arrival> chunked(const Bytes& reply, Duration start, std::size_t size = 16) {
    std::vector<Arrival> arrivals;
    for (std::size_t at = 0; at < reply.size(); at += size) {
        arrivals.push_back({start + 520us * static_cast<long>(at), slice(reply, at, at + size)});
    }
    return arrivals;
}

Duration sinceFirst(const VirtualLine& line, std::size_t index) {
    return line.sent[index].first - line.sent[0].first;
}

TEST(LineTiming, FollowsTheLineRate) {
    const auto slow = LineTiming::serial(1200, 300ms);
    EXPECT_EQ(slow.gap, 84ms);  // ten characters of 8.33 ms
    EXPECT_EQ(slow.guard, 300ms);
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::microseconds>(slow.silence), 29165us);
    const auto fast = LineTiming::serial(115200, 5000ms);
    EXPECT_EQ(fast.gap, 30ms);
    EXPECT_EQ(fast.silence, 2ms);
    EXPECT_EQ(fast.guard, 1000ms);  // one time-out, at most a second
    EXPECT_EQ(LineTiming::network(200ms).gap, 100ms);
}

TEST(LineMaster, TheTimeOutBoundsOnlyTheFirstByte) {
    // At 1200 baud a full reply takes 440 ms: it starts in time and is read to its end.
    const Bytes reply = readReply();
    VirtualLine line([&](const Bytes&, int) { return chunked(reply, 290ms, 4); }, 8333us);
    LineMaster master(LineTiming::serial(1200, 300ms));
    const Result result = line.run(master, transactionFor(readRequest(), 1));
    EXPECT_EQ(result.ending, Ending::Valid);
    EXPECT_EQ(result.reply, reply);
    EXPECT_EQ(line.sent.size(), 1u);
}

TEST(LineMaster, NoFirstByteWithinTheTimeOutIsNoReply) {
    VirtualLine line([](const Bytes&, int) { return std::vector<Arrival>{}; });
    LineMaster master(timing19200());
    const Result result = line.run(master, transactionFor(readRequest(), 1));
    EXPECT_EQ(result.ending, Ending::NoReply);
    EXPECT_FALSE(result.heard);
    EXPECT_TRUE(result.effectUnknown());
    // The time-out counts from the request's end on the wire: 8 characters, then 500 ms.
    EXPECT_GE(line.now - line.sent[0].first, 504ms);
    EXPECT_LT(line.now - line.sent[0].first, 506ms);
}

TEST(LineMaster, ACutReplyEndsAfterTheGapAndIsIncomplete) {
    const Bytes reply = readReply();
    VirtualLine line([&](const Bytes&, int) {
        return std::vector<Arrival>{{10ms, slice(reply, 0, 20)}};
    });
    LineMaster master(timing19200());
    const Result result = line.run(master, transactionFor(readRequest(), 1));
    EXPECT_EQ(result.ending, Ending::Incomplete);
    EXPECT_EQ(result.received, slice(reply, 0, 20));
    EXPECT_TRUE(result.heard);
    EXPECT_EQ(line.now - line.sent[0].first, 40ms);  // the last byte, then 30 ms of silence
}

TEST(LineMaster, RetriesOnlyAfterTheGuard) {
    // Silent, then a wrong CRC, then a valid reply: each retry waits one time-out first.
    Bytes broken = readReply();
    broken[10] ^= 0x40;
    VirtualLine line([&](const Bytes&, int attempt) {
        if (attempt == 1) {
            return std::vector<Arrival>{};
        }
        return std::vector<Arrival>{{5ms, attempt == 2 ? broken : readReply()}};
    });
    LineMaster master(timing19200());
    const Result result = line.run(master, transactionFor(readRequest(), 3));
    ASSERT_EQ(line.sent.size(), 3u);
    EXPECT_EQ(result.ending, Ending::Valid);
    EXPECT_EQ(result.attempts, 3);
    // No reply by 504 ms (8 characters, then the time-out), then a guard of 500 ms.
    EXPECT_GE(sinceFirst(line, 1), 1004ms);
    EXPECT_LT(sinceFirst(line, 1), 1006ms);
    // The broken reply is complete at 5 ms; the master waits the gap for a valid frame after
    // it, then the guard.
    EXPECT_GE(line.sent[2].first - line.sent[1].first, 5ms + 30ms + 500ms);
    EXPECT_EQ(line.collisions, 0);
}

// The late-reply case: a module that answers after the time-out must not be talked over, and
// its late reply must not be taken for the retry's.
TEST(LineMaster, ALateReplyIsDroppedInTheGuardAndNeverTalkedOver) {
    VirtualLine line([](const Bytes&, int attempt) {
        return std::vector<Arrival>{{attempt == 1 ? 700ms : 20ms, readReply(1, attempt)}};
    });
    LineMaster master(timing19200());
    const Result result = line.run(master, transactionFor(readRequest(), 2));
    EXPECT_EQ(result.ending, Ending::Valid);
    EXPECT_EQ(result.reply, readReply(1, 2));  // the retry's own reply
    EXPECT_EQ(result.late, readReply(1, 1));
    EXPECT_EQ(line.collisions, 0);
}

TEST(LineMaster, AGuardAfterAFinalFailureHoldsTheNextRequest) {
    VirtualLine line([](const Bytes& request, int) {
        if (request[0] == 1) {
            return std::vector<Arrival>{{700ms, readReply(1)}};
        }
        return std::vector<Arrival>{{20ms, readReply(2)}};
    });
    LineMaster master(timing19200());
    EXPECT_EQ(line.run(master, transactionFor(readRequest(1), 1)).ending, Ending::NoReply);
    const Result next = line.run(master, transactionFor(readRequest(2), 1));
    EXPECT_EQ(next.ending, Ending::Valid);
    EXPECT_EQ(next.late, readReply(1));
    EXPECT_EQ(line.collisions, 0);
}

TEST(LineMaster, WaitsForSilenceBeforeEveryRequest) {
    VirtualLine line([](const Bytes&, int) { return std::vector<Arrival>{{20ms, readReply()}}; });
    LineMaster master(timing19200());
    // Noise on the line until 10 ms from now.
    for (int ms = 0; ms <= 10; ms += 1) {
        line.inject(std::chrono::milliseconds(ms), {0x00});
    }
    const TimePoint begin = line.now;
    EXPECT_EQ(line.run(master, transactionFor(readRequest(), 1)).ending, Ending::Valid);
    EXPECT_GE(line.sent[0].first - begin, 12ms);
    EXPECT_EQ(line.collisions, 0);
}

TEST(LineMaster, ALineThatNeverFallsSilentDoesNotHoldTheMaster) {
    VirtualLine line([](const Bytes&, int) { return std::vector<Arrival>{}; });
    for (int ms = 0; ms < 5000; ++ms) {
        line.inject(std::chrono::milliseconds(ms), {0x55});
    }
    LineMaster master(timing19200());
    const TimePoint begin = line.now;
    const Result result = line.run(master, transactionFor(readRequest(), 1));
    EXPECT_EQ(result.ending, Ending::LineBusy);
    EXPECT_TRUE(line.sent.empty());
    EXPECT_LE(line.now - begin, 600ms);
}

TEST(LineMaster, BusyIsRetriedEvenWhenALostReplyIsNot) {
    const Bytes busy = protocol::exceptionReply(1, 0x06, protocol::kDeviceBusy);
    const Bytes request = protocol::addressChangeRequest(1, 7);
    VirtualLine line([&](const Bytes&, int attempt) {
        return std::vector<Arrival>{{5ms, attempt == 1 ? busy : protocol::addressChangeReply(7)}};
    });
    LineMaster master(timing19200());
    Transaction change = transactionFor(request, 2);
    change.resendWhenUnknown = false;
    const Result result = line.run(master, change);
    EXPECT_EQ(result.ending, Ending::Valid);
    EXPECT_EQ(line.sent.size(), 2u);
    EXPECT_GE(sinceFirst(line, 1), 500ms);  // after the guard
}

TEST(LineMaster, OtherExceptionsAndSilenceAreFinalWhereResendIsNotAllowed) {
    const Bytes refused = protocol::exceptionReply(1, 0x03, protocol::kIllegalDataAddress);
    VirtualLine refusing([&](const Bytes&, int) { return std::vector<Arrival>{{5ms, refused}}; });
    LineMaster master(timing19200());
    const Result result = refusing.run(master, transactionFor(readRequest(), 3));
    EXPECT_EQ(result.ending, Ending::Exception);
    EXPECT_EQ(result.exceptionCode, protocol::kIllegalDataAddress);
    EXPECT_EQ(result.reply, refused);
    EXPECT_EQ(refusing.sent.size(), 1u);

    VirtualLine silent([](const Bytes&, int) { return std::vector<Arrival>{}; });
    LineMaster second(timing19200());
    Transaction once = transactionFor(protocol::identifyRequest(1, 3), 3);
    once.resendWhenUnknown = false;
    EXPECT_EQ(silent.run(second, once).ending, Ending::NoReply);
    EXPECT_EQ(silent.sent.size(), 1u);
}

TEST(LineMaster, SkipsAFrameFromAnotherStationAndNoiseBeforeTheReply) {
    VirtualLine line([](const Bytes&, int) {
        Bytes noisy{0xFF, 0x00};
        const Bytes reply = readReply(1);
        noisy.insert(noisy.end(), reply.begin(), reply.end());
        return std::vector<Arrival>{{3ms, readReply(4)}, {40ms, noisy}};
    });
    LineMaster master(timing19200());
    const Result result = line.run(master, transactionFor(readRequest(1), 1));
    EXPECT_EQ(result.ending, Ending::Valid);
    EXPECT_EQ(result.reply, readReply(1));
    ASSERT_EQ(result.otherStations.size(), 1u);
    EXPECT_EQ(result.otherStations[0], readReply(4));
}

TEST(LineMaster, AnEndlessStreamEndsTheAttemptAtTheLargestReply) {
    VirtualLine line([](const Bytes&, int) {
        std::vector<Arrival> stream;
        for (int i = 0; i < 400; ++i) {
            stream.push_back({3ms + 520us * i, {0x5A}});
        }
        return stream;
    });
    LineMaster master(timing19200());
    const Result result = line.run(master, transactionFor(readRequest(), 1));
    EXPECT_EQ(result.ending, Ending::CrcError);  // 53 bytes of it made no valid frame
    EXPECT_EQ(result.received.size(), kMostReplyBytes);
}

TEST(LineMaster, AMismatchIsFinalAndNamed) {
    const Bytes other = protocol::serialReply(1, protocol::kNoSerialNumber, 3);
    VirtualLine line([&](const Bytes&, int) { return std::vector<Arrival>{{5ms, other}}; });
    LineMaster master(timing19200());
    const Result result = line.run(master, transactionFor(protocol::serialReadRequest(1, 3), 2));
    EXPECT_EQ(result.ending, Ending::Valid);  // the control: the right reply is valid

    const Bytes registers = readReply(1);
    VirtualLine wrong([&](const Bytes&, int) { return std::vector<Arrival>{{5ms, registers}}; });
    LineMaster second(timing19200());
    const Result mismatch = wrong.run(second, transactionFor(protocol::serialReadRequest(1, 3), 2));
    EXPECT_NE(mismatch.ending, Ending::Valid);
    EXPECT_EQ(wrong.sent.size(), mismatch.ending == Ending::Mismatch ? 1u : 2u);
}

TEST(LineMaster, ThePortsLossEndsTheTransaction) {
    VirtualLine line([](const Bytes&, int) { return std::vector<Arrival>{}; });
    line.lostAtSend = true;
    LineMaster master(timing19200());
    const Result result = line.run(master, transactionFor(readRequest(), 3));
    EXPECT_EQ(result.ending, Ending::PortLost);
    EXPECT_EQ(result.lostReason, "the adapter was unplugged");
    EXPECT_FALSE(result.effectUnknown());
}

// An echoing 2-wire adapter: every request comes back first.
std::vector<Arrival> echoThen(const Bytes& request, const Bytes& reply) {
    return {{4ms, request}, {10ms, reply}};
}

TEST(LineMasterEcho, DropsOneLeadingCopyOfTheRequest) {
    VirtualLine line([](const Bytes& request, int) { return echoThen(request, readReply()); });
    LineMaster master(timing19200(), true);
    std::vector<TraceEvent::Kind> kinds;
    master.trace = [&](const TraceEvent& event) { kinds.push_back(event.kind); };
    const Result result = line.run(master, transactionFor(readRequest(), 1));
    EXPECT_EQ(result.ending, Ending::Valid);
    EXPECT_FALSE(result.echoSeen);
    EXPECT_EQ(kinds, (std::vector{TraceEvent::Kind::Sent, TraceEvent::Kind::EchoDropped,
                                  TraceEvent::Kind::Received}));
}

TEST(LineMasterEcho, OnlyTheFirstCopyAndOnlyWhenItComesFirst) {
    // Two copies: the second is not an echo to drop; the reply behind it is found as a reply
    // behind noise would be.
    VirtualLine twice([](const Bytes& request, int) {
        return std::vector<Arrival>{{4ms, request}, {5ms, request}, {10ms, readReply()}};
    });
    LineMaster master(timing19200(), true);
    int echoes = 0;
    master.trace = [&](const TraceEvent& event) {
        echoes += event.kind == TraceEvent::Kind::EchoDropped ? 1 : 0;
    };
    EXPECT_EQ(twice.run(master, transactionFor(readRequest(), 1)).ending, Ending::Valid);
    EXPECT_EQ(echoes, 1);

    // Noise first: the request behind it is not dropped, and it is no reply either.
    VirtualLine noiseFirst([](const Bytes& request, int) {
        Bytes bytes{0x00};
        bytes.insert(bytes.end(), request.begin(), request.end());
        return std::vector<Arrival>{{4ms, bytes}};
    });
    LineMaster second(timing19200(), true);
    second.trace = master.trace;
    echoes = 0;
    const Result result = noiseFirst.run(second, transactionFor(readRequest(), 1));
    EXPECT_EQ(result.ending, Ending::Incomplete);
    EXPECT_EQ(result.received.size(), 9u);
    EXPECT_EQ(echoes, 0);
}

TEST(LineMasterEcho, WithoutSuppressionAnEchoIsNamedNotTaken) {
    VirtualLine line([](const Bytes& request, int) { return echoThen(request, readReply()); });
    LineMaster master(timing19200());
    const Result result = line.run(master, transactionFor(readRequest(), 1));
    EXPECT_NE(result.ending, Ending::Valid);
    EXPECT_TRUE(result.echoSeen);

    // A write of one register is answered with the request itself: no echo to name.
    const Bytes change = protocol::addressChangeRequest(1, 7);
    VirtualLine writes([&](const Bytes&, int) {
        return std::vector<Arrival>{{5ms, protocol::addressChangeReply(7)}};
    });
    LineMaster second(timing19200());
    const Result written = writes.run(second, transactionFor(change, 1));
    EXPECT_FALSE(written.echoSeen);
}

TEST(LineMasterEcho, TheEchoAloneIsNotAnAnswer) {
    // A free address is found by its silence: the echo of the question must not fill it.
    VirtualLine line([](const Bytes& request, int) {
        return std::vector<Arrival>{{4ms, request}};
    });
    LineMaster master(timing19200(), true);
    const Result result = line.run(master, transactionFor(readRequest(9), 1));
    EXPECT_EQ(result.ending, Ending::NoReply);
    EXPECT_FALSE(result.heard);
}

TEST(LineMasterEcho, TheReplysTimeOutCountsFromTheEcho) {
    // At 1200 baud the echo of 8 bytes takes 67 ms; the reply comes 250 ms after it.
    const Bytes reply = readReply();
    VirtualLine line(
        [&](const Bytes& request, int) {
            return std::vector<Arrival>{{80ms, request}, {330ms, reply}};
        },
        8333us);
    LineMaster master(LineTiming::serial(1200, 300ms), true);
    EXPECT_EQ(line.run(master, transactionFor(readRequest(), 1)).ending, Ending::Valid);
}

// Replies late, cut, split, broken, noisy or missing, at random: whatever the line does, no
// request starts while a reply is on the wire or within 3.5 characters after it, and a valid
// result is always the reply to its own request. The bytes come as a USB adapter hands them
// on: a few at a time, at most a millisecond apart while the line is busy.
TEST(LineMaster, NeverTalksOverAReplyWhateverTheLineDoes) {
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        std::mt19937 dice(seed);
        auto roll = [&](int n) { return static_cast<int>(dice() % static_cast<unsigned>(n)); };
        VirtualLine line([&](const Bytes& request, int attempt) {
            Bytes reply = readReply(request[0], static_cast<std::uint16_t>(attempt));
            Duration at = std::chrono::milliseconds(1 + roll(900));
            std::size_t splitAt = SIZE_MAX;  // no pause
            switch (roll(7)) {
                case 0:
                    return std::vector<Arrival>{};
                case 1:
                    reply[static_cast<std::size_t>(roll(53))] ^= 0x81;
                    break;
                case 2:
                    reply.resize(static_cast<std::size_t>(1 + roll(50)));
                    break;
                case 3:  // noise before and after
                    reply.insert(reply.begin(), 0x00);
                    reply.insert(reply.end(), {0xFF, 0x03});
                    break;
                case 4:  // a pause inside the reply, shorter than the gap
                    splitAt = static_cast<std::size_t>(1 + roll(50));
                    break;
                default:
                    break;
            }
            std::vector<Arrival> arrivals;
            for (std::size_t i = 0; i < reply.size(); i += 2) {
                if (i >= splitAt && i < splitAt + 2) {
                    at += std::chrono::milliseconds(roll(25));
                }
                at += 1040us;  // two characters, handed on when the second has arrived
                arrivals.push_back({at, slice(reply, i, i + 2)});
            }
            return arrivals;
        });
        LineMaster master(timing19200());
        for (std::uint8_t station = 1; station <= 6; ++station) {
            const std::size_t before = line.sent.size();
            const Result result = line.run(master, transactionFor(readRequest(station), 2));
            if (result.ok()) {
                const auto attempt = static_cast<std::uint16_t>(line.sent.size());
                EXPECT_EQ(result.reply, readReply(station, attempt))
                    << "seed " << seed << " station " << int{station};
            }
            EXPECT_LE(line.sent.size() - before, 2u);
        }
        EXPECT_EQ(line.collisions, 0) << "seed " << seed;
    }
}

}  // namespace
}  // namespace tc24::master
