#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace tc24::sim {

// Counts requests sent over a reply. On a bus only one station talks at a time: a master sends
// its next request once the reply has ended and the line has then been silent for 3.5
// characters. A request collides when its first byte arrives while a reply is still to come
// (its turnaround and any delay included) or on the wire, or within that silence after the
// reply's last byte left. A request that gets no reply leaves nothing to collide with.
class CollisionWatch {
public:
    using Clock = std::chrono::steady_clock;

    // `silence`: how long the line must stay quiet after a reply (see frameSilence).
    explicit CollisionWatch(Clock::duration silence) : silence_(silence) {}

    // A reply has been scheduled; its last byte leaves at `lastByte`. Replies go out one
    // after the other, so the latest one scheduled is the one that ends last.
    void replyScheduled(Clock::time_point lastByte);

    // A request whose first byte arrived at `start`. On a collision counts it and returns how
    // long before the reply's last byte the request came (negative: after it, inside the
    // silence); otherwise nothing.
    std::optional<Clock::duration> requestArrived(Clock::time_point start);

    // The line closed or another client took it: no reply is on its way any more.
    void forgetReplies() { lastByte_.reset(); }

    Clock::duration silence() const { return silence_; }
    std::uint64_t count() const { return count_; }

private:
    Clock::duration silence_;
    std::optional<Clock::time_point> lastByte_;
    std::uint64_t count_ = 0;
};

// 3.5 characters of 10 bit times at `baud`: the silence that ends a frame.
CollisionWatch::Clock::duration frameSilence(int baud);

}  // namespace tc24::sim
