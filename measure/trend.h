#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

#include "measure/register_reading.h"

namespace tc24::measure {

// The temperatures of the 24 channels over time, for the trend view. Times are seconds on
// a clock that never goes back; each channel keeps its newest `capacity` samples.

struct TrendPoint {
    double time = 0;
    double value = 0;
};
// A run of valid readings, drawn as one line; a channel without a reading breaks the line.
using TrendSegment = std::vector<TrendPoint>;

enum class TrendWindow { OneMinute, TenMinutes, All };

struct TrendRise {
    int channel = 0;  // 0-based: box txtValue_<channel>, channel number channel + 1
    double rise = 0;  // degrees
};

class TrendStore {
public:
    // 24 hours at one reply a second.
    static constexpr std::size_t kDefaultCapacity = 86400;

    explicit TrendStore(std::size_t capacity = kDefaultCapacity);

    // One reply: channels the reply filled get a sample, those without a reading (65535) a
    // gap; channels it did not fill get nothing.
    void add(double time, const RegisterReading& reading);
    // One sample of one channel; nullopt marks a gap.
    void add(int channel, double time, std::optional<double> value);
    void clear();

    bool empty() const;
    std::optional<double> latestTime() const;
    std::optional<double> earliestTime() const;
    std::size_t size(int channel) const;

    // The time span to show: the last minute, the last ten minutes, or everything, ending at
    // the newest sample. Empty store: nullopt.
    std::optional<std::pair<double, double>> range(TrendWindow window) const;

    // The lines of `channel` between `from` and `to`. With maxPoints > 0 a long stretch is
    // thinned to about that many points; the ends of every line and every gap are kept.
    std::vector<TrendSegment> segments(int channel, double from, double to,
                                       std::size_t maxPoints = 0) const;

    // The channel whose reading rose most within the `span` seconds up to `now`: the newest
    // reading minus the oldest valid one in that span, at least `minimumRise` degrees. A
    // channel whose newest sample is a gap is not considered. Ties go to the lower channel.
    std::optional<TrendRise> fastestRise(double now, double span = 10,
                                         double minimumRise = 0.25) const;

private:
    struct Sample {
        double time;
        double value;
        bool valid;
    };
    std::size_t capacity_;
    std::array<std::deque<Sample>, kValueBoxes> channels_;
};

}  // namespace tc24::measure
