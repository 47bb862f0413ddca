#pragma once

// A line on a virtual clock for the master's tests: each request goes to a responder that
// says what comes back and when; the driver loop is the one every caller of LineMaster runs.
// The line also watches the master the way a module on a 2-wire bus would: a request that
// starts while a reply is on its way, or within 3.5 characters after it, is a collision.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "master/line_master.h"

namespace tc24::master::testing {

using namespace std::chrono_literals;

// Bytes arriving `after` the request was sent.
struct Arrival {
    Duration after;
    Bytes bytes;
};

class VirtualLine {
public:
    // Called for each request sent (the attempt number counts from 1 over the line's life).
    using Responder = std::function<std::vector<Arrival>(const Bytes& request, int attempt)>;

    explicit VirtualLine(Responder responder, Duration characterTime = 520us)
        : responder_(std::move(responder)), characterTime_(characterTime) {}

    Result run(LineMaster& master, Transaction transaction) {
        master.start(std::move(transaction), now);
        for (int steps = 0; steps < 100000; ++steps) {
            const auto step = master.step(now);
            switch (step.kind) {
                case LineMaster::Step::Kind::Send:
                    send(Bytes(step.bytes.begin(), step.bytes.end()));
                    if (lostAtSend) {
                        master.lost("the adapter was unplugged");
                    } else {
                        master.sent(now);
                    }
                    break;
                case LineMaster::Step::Kind::Wait: {
                    if (step.until < now) {
                        ADD_FAILURE() << "asked to wait for a time that has passed";
                    }
                    auto next =
                        std::min_element(pending_.begin(), pending_.end(),
                                         [](const auto& a, const auto& b) { return a.at < b.at; });
                    if (next != pending_.end() && next->at <= step.until) {
                        now = std::max(now, next->at);
                        const Bytes bytes = next->bytes;
                        pending_.erase(next);
                        master.received(bytes, now);
                    } else {
                        now = std::max(now, step.until);
                    }
                    break;
                }
                case LineMaster::Step::Kind::Done:
                    return master.result();
            }
        }
        ADD_FAILURE() << "the master never finished";
        return master.result();
    }

    // Bytes that turn up on their own, e.g. the tail of an earlier exchange.
    void inject(Duration after, Bytes bytes) {
        pending_.push_back({now + after, std::move(bytes)});
        busyUntil_ = std::max(busyUntil_, now + after + characterTime_ * 7 / 2);
    }

    TimePoint now = TimePoint{} + 1h;  // away from the clock's zero
    std::vector<std::pair<TimePoint, Bytes>> sent;
    int collisions = 0;
    bool lostAtSend = false;

private:
    struct Pending {
        TimePoint at;
        Bytes bytes;
    };

    void send(Bytes request) {
        if (now < busyUntil_) {
            ++collisions;
        }
        sent.emplace_back(now, request);
        ++attempts_;
        for (Arrival& arrival : responder_(request, attempts_)) {
            const TimePoint at = now + arrival.after;
            // A reply is on the wire for its characters, and the line needs 3.5 more after it.
            busyUntil_ = std::max(busyUntil_, at + characterTime_ * 7 / 2);
            pending_.push_back({at, std::move(arrival.bytes)});
        }
    }

    Responder responder_;
    Duration characterTime_;
    std::vector<Pending> pending_;
    TimePoint busyUntil_{};
    int attempts_ = 0;
};

}  // namespace tc24::master::testing
