#include "master/line_timing.h"

#include <algorithm>

namespace tc24::master {

namespace {

constexpr milliseconds kShortestGap{30};
constexpr milliseconds kNetworkGap{100};
constexpr milliseconds kShortestSilence{2};
constexpr milliseconds kLongestGuard{1000};

milliseconds guardFor(milliseconds timeout) {
    return std::min(timeout, kLongestGuard);
}

}  // namespace

LineTiming LineTiming::serial(int baud, milliseconds timeout) {
    using std::chrono::ceil;
    using std::chrono::microseconds;
    LineTiming timing;
    timing.timeout = timeout;
    // Ten bits a character: start, eight data bits, stop.
    timing.characterTime = microseconds(10'000'000LL / std::max(baud, 1));
    timing.gap = std::max(kShortestGap, ceil<milliseconds>(timing.characterTime * 10));
    timing.silence = std::max<Duration>(kShortestSilence, timing.characterTime * 7 / 2);
    timing.guard = guardFor(timeout);
    return timing;
}

LineTiming LineTiming::network(milliseconds timeout) {
    LineTiming timing;
    timing.timeout = timeout;
    timing.gap = kNetworkGap;
    timing.silence = kShortestSilence;
    timing.guard = guardFor(timeout);
    return timing;
}

}  // namespace tc24::master
