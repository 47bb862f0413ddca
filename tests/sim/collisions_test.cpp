// When a request talks over a reply: the rule over time points, without a line.

#include <gtest/gtest.h>

#include <chrono>

#include "sim/collisions.h"

namespace tc24::sim {
namespace {

using namespace std::chrono_literals;
using Clock = CollisionWatch::Clock;

// Times on the line, in milliseconds from an arbitrary origin.
Clock::time_point at(double ms) {
    return Clock::time_point{} + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double, std::milli>(ms));
}

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

TEST(CollisionRule, FrameSilenceIsThreeAndAHalfCharactersOfTenBits) {
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::microseconds>(frameSilence(19200)).count(),
              1822);
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::microseconds>(frameSilence(9600)).count(),
              3645);
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::microseconds>(frameSilence(1200)).count(),
              29166);
}

TEST(CollisionRule, RequestsWithNoReplyOnItsWayNeverCollide) {
    CollisionWatch watch(2ms);
    // Requests back to back, none of them answered (dropped, silent station, broadcast).
    EXPECT_FALSE(watch.requestArrived(at(0)));
    EXPECT_FALSE(watch.requestArrived(at(0.1)));
    EXPECT_FALSE(watch.requestArrived(at(0.2)));
    EXPECT_EQ(watch.count(), 0u);
}

TEST(CollisionRule, ARequestBeforeTheReplyHasLeftCollides) {
    // A request handled at 0 ms; its reply, delayed, has its last byte leave at 506 ms.
    CollisionWatch watch(2ms);
    watch.replyScheduled(at(506));

    // During the turnaround or the delay, before any byte of the reply.
    const auto early = watch.requestArrived(at(1));
    ASSERT_TRUE(early);
    EXPECT_DOUBLE_EQ(ms(*early), 505.0);
    // While the reply's bytes are on the wire.
    const auto during = watch.requestArrived(at(505.5));
    ASSERT_TRUE(during);
    EXPECT_DOUBLE_EQ(ms(*during), 0.5);
    EXPECT_EQ(watch.count(), 2u);
}

TEST(CollisionRule, TheSilenceAfterTheLastByteBelongsToTheReply) {
    CollisionWatch watch(2ms);
    watch.replyScheduled(at(10));

    const auto inSilence = watch.requestArrived(at(11.5));
    ASSERT_TRUE(inSilence);
    EXPECT_DOUBLE_EQ(ms(*inSilence), -1.5);  // after the last byte, inside the silence
    EXPECT_EQ(watch.count(), 1u);

    // The silence ends 2 ms after the last byte: a request from then on is well behaved.
    EXPECT_FALSE(watch.requestArrived(at(12)));
    EXPECT_FALSE(watch.requestArrived(at(40)));
    EXPECT_EQ(watch.count(), 1u);
}

TEST(CollisionRule, RepliesQueuedBehindEachOtherEndWithTheLastOne) {
    CollisionWatch watch(2ms);
    watch.replyScheduled(at(10));
    // A second request came early and got its reply queued behind the first.
    watch.replyScheduled(at(20));
    ASSERT_TRUE(watch.requestArrived(at(15)));
    EXPECT_TRUE(watch.requestArrived(at(21)));
    EXPECT_FALSE(watch.requestArrived(at(22)));
    EXPECT_EQ(watch.count(), 2u);
}

TEST(CollisionRule, ALineThatClosedHasNoReplyPending) {
    CollisionWatch watch(2ms);
    watch.replyScheduled(at(100));
    watch.forgetReplies();  // the line vanished, or another client took it
    EXPECT_FALSE(watch.requestArrived(at(50)));
    EXPECT_EQ(watch.count(), 0u);
}

}  // namespace
}  // namespace tc24::sim
