#pragma once

#include <chrono>

namespace tc24::master {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;
using Duration = Clock::duration;
using std::chrono::milliseconds;

// The times a master keeps on one line.
struct LineTiming {
    // How long a request waits for the first byte of its reply, counted from the moment the
    // request has left the wire. A reply under way is read to its end.
    milliseconds timeout{1000};
    // Silence that ends a reply that was cut: no byte for this long and the reply is incomplete.
    milliseconds gap{30};
    // Silence before every request (3.5 character times on a serial line).
    Duration silence = milliseconds(2);
    // A fixed wait after a failed attempt, during which late bytes are read and dropped.
    milliseconds guard{1000};
    // One character (10 bits) on the wire; zero over a network, whose timing is its own.
    Duration characterTime{};

    // A serial line at `baud`: the gap is max(30 ms, 10 character times), the silence
    // 3.5 character times but at least 2 ms, the guard one time-out but at most 1 s.
    static LineTiming serial(int baud, milliseconds timeout);
    // A serial device server over TCP: frames arrive in packets; the gap is 100 ms.
    static LineTiming network(milliseconds timeout);
};

}  // namespace tc24::master
