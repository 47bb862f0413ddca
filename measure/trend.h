#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

#include "link/readings.h"
#include "measure/register_query.h"

namespace tc24::measure {

// The temperatures of the 24 channels over time, for the trend view. Times are seconds on
// a clock that never goes back. What is kept is what the wire gave: one time per reply and
// each channel as its 16-bit register. The last minutes are kept reply by reply; older
// replies are merged into buckets of a few seconds that keep each channel's lowest and
// highest reading, so a day of polling at any interval fits in a few megabytes and no spike
// disappears.

// A channel's register: hundredths of a degree, values above 20000 below zero.
using ChannelRegisters = std::array<std::uint16_t, kValueBoxes>;
inline constexpr std::uint16_t kNoReading = 0xFFFF;

// Hundredths of a degree of a register that holds a reading (not kNoReading).
int registerHundredths(std::uint16_t value);

struct TrendPoint {
    double time = 0;
    double value = 0;
};
// A run of readings, drawn as one line; a reply without a reading for the channel breaks it.
using TrendSegment = std::vector<TrendPoint>;

enum class TrendWindow { OneMinute, TenMinutes, All };

struct TrendRise {
    int channel = 0;  // 0-based: box txtValue_<channel>, channel number channel + 1
    double rise = 0;  // degrees
};

// What one refresh of the view draws.
struct TrendLines {
    std::array<std::vector<TrendSegment>, kValueBoxes> channels;
    // Replies and buckets the query looked at: what a refresh costs.
    std::size_t visited = 0;
};

class TrendStore {
public:
    // Kept reply by reply: more than the ten-minute view shows.
    static constexpr double kFullResolutionSeconds = 12 * 60;
    // Enough for the full-resolution span at 20 replies a second, with room to spare; beyond
    // it the oldest replies are merged early, so a faster source still stays bounded.
    static constexpr std::size_t kMaxFullResolutionReplies = 30000;
    // Older replies are merged into buckets this long ...
    static constexpr double kBucketSeconds = 5;
    // ... and kept for a day.
    static constexpr double kHistorySeconds = 24 * 3600;

    // One reply. A time before the newest one counts as the newest (the clock never goes
    // back; this keeps the store sorted whatever a caller does).
    void add(double time, const ChannelRegisters& registers);
    // One decoded register reply: channels it did not fill and channels without a reading
    // (65535) have no reading at that time.
    void add(double time, const RegisterReading& reading);
    void clear();

    bool empty() const { return recent_.empty(); }
    std::optional<double> latestTime() const;
    std::optional<double> earliestTime() const;
    // Replies kept one by one, and buckets of older ones.
    std::size_t fullResolutionReplies() const { return recent_.size(); }
    std::size_t buckets() const { return buckets_.size(); }

    // The time span to show: the last minute, the last ten minutes, or everything, ending at
    // the newest reply. Empty store: nullopt.
    std::optional<std::pair<double, double>> range(TrendWindow window) const;

    // The lines of every channel between `from` and `to`. With columns > 0 the span is cut
    // into that many columns and each gives at most its lowest and highest reading, in the
    // order they came, so a line has at most about 2 × columns points and keeps every
    // spike; columns = 0 gives every reading kept. Only what lies in the span is looked at.
    TrendLines lines(double from, double to, std::size_t columns) const;
    // The lines of one channel, as lines() gives them.
    std::vector<TrendSegment> segments(int channel, double from, double to,
                                       std::size_t columns = 0) const;

    // The channel whose reading rose most within the `span` seconds up to `now`: the newest
    // reading minus the oldest valid one in that span, at least `minimumRise` degrees. A
    // channel without a reading in the newest reply is not considered. Ties go to the lower
    // channel.
    std::optional<TrendRise> fastestRise(double now, double span = 10,
                                         double minimumRise = 0.25) const;

private:
    struct Reply {
        double time;
        ChannelRegisters registers;
    };
    static_assert(sizeof(Reply) == 56, "one reply: a time and 24 registers");

    // The replies of kBucketSeconds, merged.
    struct Bucket {
        double start;
        std::uint32_t gaps;      // bit c: some reply had no reading for channel c
        std::uint32_t lowLater;  // bit c: channel c's lowest reading came after its highest
        ChannelRegisters low;    // kNoReading where no reply had a reading
        ChannelRegisters high;
    };

    void mergeIntoBucket(const Reply& reply);

    std::deque<Reply> recent_;
    std::deque<Bucket> buckets_;
};

}  // namespace tc24::measure
