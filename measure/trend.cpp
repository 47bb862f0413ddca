#include "measure/trend.h"

#include <algorithm>
#include <limits>

#include "link/numbers.h"

namespace tc24::measure {

TrendStore::TrendStore(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 2)) {}

void TrendStore::add(double time, const RegisterReading& reading) {
    for (int i = 0; i < kValueBoxes; ++i) {
        const auto& channel = reading.channels[static_cast<std::size_t>(i)];
        switch (channel.state) {
            case ChannelReading::State::NotFilled:
                break;
            case ChannelReading::State::NoReading:
                add(i, time, std::nullopt);
                break;
            case ChannelReading::State::Value:
                // A box text that is not a number (it cannot come from the decoder) is a gap.
                add(i, time, numbers::parse(channel.text));
                break;
        }
    }
}

void TrendStore::add(int channel, double time, std::optional<double> value) {
    if (channel < 0 || channel >= kValueBoxes) {
        return;
    }
    auto& samples = channels_[static_cast<std::size_t>(channel)];
    samples.push_back({time, value.value_or(0), value.has_value()});
    while (samples.size() > capacity_) {
        samples.pop_front();
    }
}

void TrendStore::clear() {
    for (auto& samples : channels_) {
        samples.clear();
    }
}

bool TrendStore::empty() const {
    return std::all_of(channels_.begin(), channels_.end(),
                       [](const auto& samples) { return samples.empty(); });
}

std::optional<double> TrendStore::latestTime() const {
    std::optional<double> latest;
    for (const auto& samples : channels_) {
        if (!samples.empty() && (!latest || samples.back().time > *latest)) {
            latest = samples.back().time;
        }
    }
    return latest;
}

std::optional<double> TrendStore::earliestTime() const {
    std::optional<double> earliest;
    for (const auto& samples : channels_) {
        if (!samples.empty() && (!earliest || samples.front().time < *earliest)) {
            earliest = samples.front().time;
        }
    }
    return earliest;
}

std::size_t TrendStore::size(int channel) const {
    if (channel < 0 || channel >= kValueBoxes) {
        return 0;
    }
    return channels_[static_cast<std::size_t>(channel)].size();
}

std::optional<std::pair<double, double>> TrendStore::range(TrendWindow window) const {
    const auto latest = latestTime();
    const auto earliest = earliestTime();
    if (!latest || !earliest) {
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
    return std::pair{*earliest, *latest};
}

std::vector<TrendSegment> TrendStore::segments(int channel, double from, double to,
                                               std::size_t maxPoints) const {
    std::vector<TrendSegment> result;
    if (channel < 0 || channel >= kValueBoxes) {
        return result;
    }
    const auto& samples = channels_[static_cast<std::size_t>(channel)];
    const auto first = std::lower_bound(samples.begin(), samples.end(), from,
                                        [](const Sample& s, double t) { return s.time < t; });
    const auto last = std::upper_bound(first, samples.end(), to,
                                       [](double t, const Sample& s) { return t < s.time; });
    const auto count = static_cast<std::size_t>(last - first);
    const std::size_t stride =
        maxPoints > 0 && count > maxPoints ? (count + maxPoints - 1) / maxPoints : 1;

    bool inSegment = false;
    std::size_t index = 0;
    for (auto it = first; it != last; ++it, ++index) {
        if (!it->valid) {
            inSegment = false;
            continue;
        }
        const bool segmentStart = !inSegment;
        const auto next = std::next(it);
        const bool segmentEnd = next == last || !next->valid;
        if (segmentStart) {
            result.emplace_back();
            inSegment = true;
        }
        if (segmentStart || segmentEnd || index % stride == 0) {
            result.back().push_back({it->time, it->value});
        }
    }
    return result;
}

std::optional<TrendRise> TrendStore::fastestRise(double now, double span,
                                                 double minimumRise) const {
    std::optional<TrendRise> best;
    for (int channel = 0; channel < kValueBoxes; ++channel) {
        const auto& samples = channels_[static_cast<std::size_t>(channel)];
        // The newest sample at or before `now`.
        auto end = std::upper_bound(samples.begin(), samples.end(), now,
                                    [](double t, const Sample& s) { return t < s.time; });
        if (end == samples.begin()) {
            continue;
        }
        const Sample& newest = *std::prev(end);
        if (!newest.valid || newest.time < now - span) {
            continue;
        }
        const auto begin = std::lower_bound(samples.begin(), end, now - span,
                                            [](const Sample& s, double t) { return s.time < t; });
        const auto oldest = std::find_if(begin, end, [](const Sample& s) { return s.valid; });
        if (oldest == end || oldest->time >= newest.time) {
            continue;
        }
        const double rise = newest.value - oldest->value;
        if (rise >= minimumRise && (!best || rise > best->rise)) {
            best = TrendRise{channel, rise};
        }
    }
    return best;
}

}  // namespace tc24::measure
