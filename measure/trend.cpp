#include "measure/trend.h"

#include <algorithm>
#include <cmath>

namespace tc24::measure {

namespace {

std::uint32_t bit(int channel) {
    return std::uint32_t{1} << channel;
}

// One channel's readings as the chart's columns take them, into that channel's lines. Within
// a column only the lowest and the highest reading are kept, in the order they came.
class LineBuilder {
public:
    explicit LineBuilder(std::vector<TrendSegment>& lines) : lines_(lines) {}

    // A reading (a reply) or a pair of them (a bucket: low and high in the order they came).
    // `order` numbers the stored items; 2 × order and 2 × order + 1 order the two of a bucket.
    void add(long column, std::size_t order, const TrendPoint& low, const TrendPoint& high,
             bool lowLater) {
        if (pending_ && column != column_) {
            flush();
        }
        const std::size_t lowOrder = 2 * order + (lowLater ? 1 : 0);
        const std::size_t highOrder = 2 * order + (lowLater ? 0 : 1);
        if (!pending_) {
            pending_ = true;
            column_ = column;
            low_ = low;
            high_ = high;
            lowOrder_ = lowOrder;
            highOrder_ = highOrder;
            return;
        }
        if (low.value < low_.value) {
            low_ = low;
            lowOrder_ = lowOrder;
        }
        if (high.value > high_.value) {
            high_ = high;
            highOrder_ = highOrder;
        }
    }

    // A reply without a reading: the line ends after what came before it.
    void gap() {
        flush();
        open_ = false;
    }

    void flush() {
        if (!pending_) {
            return;
        }
        pending_ = false;
        if (!open_) {
            lines_.emplace_back();
            open_ = true;
        }
        auto& line = lines_.back();
        const bool lowFirst = lowOrder_ <= highOrder_;
        line.push_back(lowFirst ? low_ : high_);
        if (low_.value != high_.value) {
            line.push_back(lowFirst ? high_ : low_);
        }
    }

private:
    std::vector<TrendSegment>& lines_;
    bool open_ = false;
    bool pending_ = false;
    long column_ = 0;
    TrendPoint low_;
    TrendPoint high_;
    std::size_t lowOrder_ = 0;
    std::size_t highOrder_ = 0;
};

double degrees(std::uint16_t value) {
    return registerHundredths(value) / 100.0;
}

}  // namespace

int registerHundredths(std::uint16_t value) {
    return value <= 20000 ? value : value - 65536;
}

void TrendStore::add(double time, const ChannelRegisters& registers) {
    if (!recent_.empty()) {
        time = std::max(time, recent_.back().time);
    }
    recent_.push_back({time, registers});
    while (recent_.size() > 1 && (recent_.front().time < time - kFullResolutionSeconds ||
                                  recent_.size() > kMaxFullResolutionReplies)) {
        mergeIntoBucket(recent_.front());
        recent_.pop_front();
    }
    while (!buckets_.empty() && buckets_.front().start + kBucketSeconds <= time - kHistorySeconds) {
        buckets_.pop_front();
    }
}

void TrendStore::add(double time, const RegisterReading& reading) {
    ChannelRegisters registers;
    for (int i = 0; i < kValueBoxes; ++i) {
        const auto& channel = reading.channels[static_cast<std::size_t>(i)];
        registers[static_cast<std::size_t>(i)] =
            channel.state == ChannelReading::State::Value ? channel.registerValue : kNoReading;
    }
    add(time, registers);
}

void TrendStore::mergeIntoBucket(const Reply& reply) {
    const double start = std::floor(reply.time / kBucketSeconds) * kBucketSeconds;
    if (buckets_.empty() || buckets_.back().start < start) {
        Bucket bucket{start, 0, 0, {}, {}};
        bucket.low.fill(kNoReading);
        bucket.high.fill(kNoReading);
        buckets_.push_back(bucket);
    }
    Bucket& bucket = buckets_.back();
    for (int c = 0; c < kValueBoxes; ++c) {
        const auto i = static_cast<std::size_t>(c);
        const std::uint16_t value = reply.registers[i];
        if (value == kNoReading) {
            bucket.gaps |= bit(c);
        } else if (bucket.low[i] == kNoReading) {
            bucket.low[i] = value;
            bucket.high[i] = value;
        } else if (registerHundredths(value) < registerHundredths(bucket.low[i])) {
            bucket.low[i] = value;
            bucket.lowLater |= bit(c);
        } else if (registerHundredths(value) > registerHundredths(bucket.high[i])) {
            bucket.high[i] = value;
            bucket.lowLater &= ~bit(c);
        }
    }
}

void TrendStore::clear() {
    recent_.clear();
    buckets_.clear();
}

std::optional<double> TrendStore::latestTime() const {
    if (recent_.empty()) {
        return std::nullopt;
    }
    return recent_.back().time;
}

std::optional<double> TrendStore::earliestTime() const {
    if (!buckets_.empty()) {
        return buckets_.front().start;
    }
    if (recent_.empty()) {
        return std::nullopt;
    }
    return recent_.front().time;
}

std::optional<std::pair<double, double>> TrendStore::range(TrendWindow window) const {
    const auto latest = latestTime();
    if (!latest) {
        return std::nullopt;
    }
    switch (window) {
        case TrendWindow::OneMinute:
            return std::pair{*latest - 60, *latest};
        case TrendWindow::TenMinutes:
            return std::pair{*latest - 600, *latest};
        case TrendWindow::All:
            break;
    }
    return std::pair{*earliestTime(), *latest};
}

TrendLines TrendStore::lines(double from, double to, std::size_t columns) const {
    TrendLines result;
    std::vector<LineBuilder> builders;
    builders.reserve(kValueBoxes);
    for (auto& channel : result.channels) {
        builders.emplace_back(channel);
    }
    const double width = columns > 0 && to > from ? (to - from) / static_cast<double>(columns) : 0;
    std::size_t order = 0;
    auto columnOf = [&](double time) -> long {
        if (columns == 0) {
            return static_cast<long>(order);  // every item its own column
        }
        if (width <= 0) {
            return 0;
        }
        const double column = std::floor((time - from) / width);
        return static_cast<long>(std::clamp(column, 0.0, static_cast<double>(columns - 1)));
    };

    // Buckets first: all of them are older than the replies kept one by one.
    const auto firstBucket =
        std::lower_bound(buckets_.begin(), buckets_.end(), from,
                         [](const Bucket& bucket, double t) { return bucket.start < t; });
    for (auto it = firstBucket; it != buckets_.end() && it->start <= to; ++it, ++order) {
        ++result.visited;
        const long column = columnOf(it->start);
        for (int c = 0; c < kValueBoxes; ++c) {
            const auto i = static_cast<std::size_t>(c);
            if (it->low[i] != kNoReading) {
                builders[i].add(column, order, {it->start, degrees(it->low[i])},
                                {it->start, degrees(it->high[i])}, (it->lowLater & bit(c)) != 0);
            }
            if ((it->gaps & bit(c)) != 0) {
                builders[i].gap();
            }
        }
    }

    const auto firstReply =
        std::lower_bound(recent_.begin(), recent_.end(), from,
                         [](const Reply& reply, double t) { return reply.time < t; });
    for (auto it = firstReply; it != recent_.end() && it->time <= to; ++it, ++order) {
        ++result.visited;
        const long column = columnOf(it->time);
        for (int c = 0; c < kValueBoxes; ++c) {
            const auto i = static_cast<std::size_t>(c);
            const std::uint16_t value = it->registers[i];
            if (value == kNoReading) {
                builders[i].gap();
            } else {
                const TrendPoint point{it->time, degrees(value)};
                builders[i].add(column, order, point, point, false);
            }
        }
    }
    for (auto& builder : builders) {
        builder.flush();
    }
    return result;
}

std::vector<TrendSegment> TrendStore::segments(int channel, double from, double to,
                                               std::size_t columns) const {
    if (channel < 0 || channel >= kValueBoxes) {
        return {};
    }
    return std::move(lines(from, to, columns).channels[static_cast<std::size_t>(channel)]);
}

std::optional<TrendRise> TrendStore::fastestRise(double now, double span,
                                                 double minimumRise) const {
    // The newest reply at or before `now`, and the first one in the span.
    const auto end = std::upper_bound(recent_.begin(), recent_.end(), now,
                                      [](double t, const Reply& reply) { return t < reply.time; });
    if (end == recent_.begin()) {
        return std::nullopt;
    }
    const Reply& newest = *std::prev(end);
    if (newest.time < now - span) {
        return std::nullopt;
    }
    const auto begin =
        std::lower_bound(recent_.begin(), end, now - span,
                         [](const Reply& reply, double t) { return reply.time < t; });
    std::optional<TrendRise> best;
    for (int c = 0; c < kValueBoxes; ++c) {
        const auto i = static_cast<std::size_t>(c);
        if (newest.registers[i] == kNoReading) {
            continue;
        }
        const auto oldest = std::find_if(
            begin, end, [i](const Reply& reply) { return reply.registers[i] != kNoReading; });
        if (oldest->time >= newest.time) {
            continue;
        }
        const double rise =
            (registerHundredths(newest.registers[i]) - registerHundredths(oldest->registers[i])) /
            100.0;
        if (rise >= minimumRise && (!best || rise > best->rise)) {
            best = TrendRise{c, rise};
        }
    }
    return best;
}

}  // namespace tc24::measure
