// The trend store: gaps, time windows, what a refresh looks at, the bound on memory, thinning
// that keeps spikes and gaps, and the channel that rose most.

#include "measure/trend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "fakes.h"
#include "link/control_names.h"
#include "protocol/crc16.h"

using namespace tc24;
using measure::ChannelRegisters;
using measure::TrendStore;
using measure::TrendWindow;
using tc24::testing::Harness;
using tc24::testing::hexBytes;

namespace {

// The register the module sends for `degrees`.
std::uint16_t registerOf(double degrees) {
    const long hundredths = std::lround(degrees * 100);
    return static_cast<std::uint16_t>(hundredths < 0 ? hundredths + 65536 : hundredths);
}

// Every channel at `base` degrees, except those given (nullopt: no reading).
ChannelRegisters channels(double base, const std::map<int, std::optional<double>>& except = {}) {
    ChannelRegisters registers;
    for (int channel = 0; channel < measure::kValueBoxes; ++channel) {
        const auto it = except.find(channel);
        const std::optional<double> value = it == except.end() ? base : it->second;
        registers[static_cast<std::size_t>(channel)] =
            value ? registerOf(*value) : measure::kNoReading;
    }
    return registers;
}

std::vector<std::size_t> sizes(const std::vector<measure::TrendSegment>& segments) {
    std::vector<std::size_t> result;
    for (const auto& segment : segments) {
        result.push_back(segment.size());
    }
    return result;
}

double highest(const std::vector<measure::TrendSegment>& segments) {
    double high = -1e9;
    for (const auto& segment : segments) {
        for (const auto& point : segment) {
            high = std::max(high, point.value);
        }
    }
    return high;
}

double lowest(const std::vector<measure::TrendSegment>& segments) {
    double low = 1e9;
    for (const auto& segment : segments) {
        for (const auto& point : segment) {
            low = std::min(low, point.value);
        }
    }
    return low;
}

constexpr double kPoll = 0.05;  // the fastest polling interval, in seconds

// Polls of `seconds` at 50 ms from `start`, every channel at 20 °C; `change` may alter a reply.
template <typename Change>
void poll(TrendStore& store, double start, double seconds, Change change) {
    const long count = std::lround(seconds / kPoll);
    for (long i = 0; i < count; ++i) {
        const double time = start + static_cast<double>(i) * kPoll;
        ChannelRegisters registers = channels(20);
        change(time, registers);
        store.add(time, registers);
    }
}
void poll(TrendStore& store, double start, double seconds) {
    poll(store, start, seconds, [](double, ChannelRegisters&) {});
}

}  // namespace

TEST(Trend, ChannelWithoutReadingBreaksItsLine) {
    TrendStore store;
    for (int t = 0; t < 10; ++t) {
        // Channel 4 has no reading at 3, 4 and 7; channel 5 never has one.
        std::map<int, std::optional<double>> except{{5, std::nullopt}};
        if (t == 3 || t == 4 || t == 7) {
            except[4] = std::nullopt;
        }
        store.add(t, channels(20 + t, except));
    }
    EXPECT_EQ(sizes(store.segments(4, 0, 9)), (std::vector<std::size_t>{3, 2, 2}));
    const auto segments = store.segments(4, 0, 9);
    EXPECT_DOUBLE_EQ(segments[0].back().time, 2);
    EXPECT_DOUBLE_EQ(segments[1].front().time, 5);
    EXPECT_DOUBLE_EQ(segments[1].front().value, 25);
    EXPECT_TRUE(store.segments(5, 0, 9).empty());
    EXPECT_EQ(sizes(store.segments(0, 0, 9)), (std::vector<std::size_t>{10}));
    // Only what lies in the span.
    EXPECT_EQ(sizes(store.segments(4, 4, 6)), (std::vector<std::size_t>{2}));
}

TEST(Trend, DecodedReplyGivesReadingsAndNoReadingWhereTheReplyHadNone) {
    Harness h;
    h.startWithOpenPort();
    h.ui.set(control::txtDataLength, "3");
    TrendStore store;
    h.frm.window().readingObservers.push_back(
        [&](const RegisterReading& reading) { store.add(1.0, reading); });
    h.frm.comDoOnce_Click();
    Bytes reply = hexBytes("01 03 06 09 E6 FF FF FF CE");
    const auto trailer = crcTrailer(reply);
    reply.push_back(trailer.low);
    reply.push_back(trailer.high);
    h.port.receive(reply);
    EXPECT_EQ(store.fullResolutionReplies(), 1u);
    EXPECT_DOUBLE_EQ(store.segments(0, 0, 2).at(0).at(0).value, 25.34);
    EXPECT_TRUE(store.segments(1, 0, 2).empty());  // 65535: no reading
    EXPECT_DOUBLE_EQ(store.segments(2, 0, 2).at(0).at(0).value, -0.5);
    EXPECT_TRUE(store.segments(3, 0, 2).empty());  // not asked for
}

TEST(Trend, TimeWindowsEndAtTheNewestReply) {
    TrendStore store;
    EXPECT_FALSE(store.range(TrendWindow::All));
    store.add(1000, channels(20));
    store.add(1900, channels(21));
    EXPECT_EQ(store.range(TrendWindow::OneMinute), (std::pair<double, double>{1840, 1900}));
    EXPECT_EQ(store.range(TrendWindow::TenMinutes), (std::pair<double, double>{1300, 1900}));
    EXPECT_EQ(store.range(TrendWindow::All), (std::pair<double, double>{1000, 1900}));
}

// Regression: the view once went through the whole history on every refresh, so a refresh of
// the last minute cost more the longer polling ran, and stalled the line.
TEST(Trend, RefreshOfTheLastMinuteLooksAtTheSameAfterFiveMinutesAsAfterFiveHours) {
    TrendStore shortRun;
    TrendStore longRun;
    poll(shortRun, 0, 5 * 60);
    poll(longRun, 0, 5 * 3600);
    const auto [shortFrom, shortTo] = *shortRun.range(TrendWindow::OneMinute);
    const auto [longFrom, longTo] = *longRun.range(TrendWindow::OneMinute);
    EXPECT_EQ(longRun.lines(longFrom, longTo, 600).visited,
              shortRun.lines(shortFrom, shortTo, 600).visited);
    for (auto window : {TrendWindow::OneMinute, TrendWindow::TenMinutes}) {
        const auto [from, to] = *longRun.range(window);
        const auto longLines = longRun.lines(from, to, 600);
        // The replies in the span and nothing else.
        EXPECT_EQ(longLines.visited,
                  static_cast<std::size_t>(std::lround((to - from) / kPoll)) + 1);
        // At most two points a column.
        for (const auto& channel : longLines.channels) {
            std::size_t points = 0;
            for (const auto& line : channel) {
                points += line.size();
            }
            EXPECT_LE(points, 1200u);
        }
    }
}

TEST(Trend, MemoryStaysBoundedAfterMoreThanADayAt50Ms) {
    TrendStore store;
    poll(store, 0, 25 * 3600.0);
    // Ten minutes and more reply by reply, older replies in buckets, nothing older than a day.
    EXPECT_LE(store.fullResolutionReplies(),
              static_cast<std::size_t>(TrendStore::kFullResolutionSeconds / kPoll) + 1);
    EXPECT_GE(store.fullResolutionReplies(), static_cast<std::size_t>(600 / kPoll));
    EXPECT_LE(
        store.buckets(),
        static_cast<std::size_t>(TrendStore::kHistorySeconds / TrendStore::kBucketSeconds) + 1);
    const auto [from, to] = *store.range(TrendWindow::All);
    EXPECT_GE(to - from, TrendStore::kHistorySeconds - TrendStore::kBucketSeconds);
    EXPECT_LE(to - from, TrendStore::kHistorySeconds + TrendStore::kBucketSeconds);

    // The ten-minute view still has every reply.
    const auto [tenFrom, tenTo] = *store.range(TrendWindow::TenMinutes);
    EXPECT_EQ(sizes(store.segments(0, tenFrom, tenTo)),
              (std::vector<std::size_t>{static_cast<std::size_t>(600 / kPoll) + 1}));
}

TEST(Trend, ThinnedHistoryKeepsSpikesAndGaps) {
    TrendStore store;
    // Three hours at 20 °C. An hour in, one reply has channel 3 at 85 °C and channel 4 at
    // -5 °C; half an hour later channel 5 has no reading in one reply.
    poll(store, 0, 3 * 3600.0, [](double time, ChannelRegisters& registers) {
        if (std::abs(time - 3600) < kPoll / 2) {
            registers[3] = registerOf(85);
            registers[4] = registerOf(-5);
        }
        if (std::abs(time - 5400) < kPoll / 2) {
            registers[5] = measure::kNoReading;
        }
    });
    ASSERT_GT(store.buckets(), 0u);
    const auto [from, to] = *store.range(TrendWindow::All);
    const auto lines = store.lines(from, to, 600);
    EXPECT_DOUBLE_EQ(highest(lines.channels[3]), 85);
    EXPECT_DOUBLE_EQ(lowest(lines.channels[3]), 20);
    EXPECT_DOUBLE_EQ(lowest(lines.channels[4]), -5);
    EXPECT_EQ(lines.channels[5].size(), 2u);
    ASSERT_EQ(lines.channels[0].size(), 1u);
    EXPECT_LE(lines.channels[0][0].size(), 1200u);
    // The line runs from the oldest bucket into the newest column.
    EXPECT_DOUBLE_EQ(lines.channels[0][0].front().time, from);
    EXPECT_GE(lines.channels[0][0].back().time, to - (to - from) / 600);
}

TEST(Trend, WithinAColumnTheLowAndHighComeInTheOrderTheyWereMeasured) {
    TrendStore store;
    // Channel 0 falls from 30 to 10; channel 1 rises from 10 to 30.
    for (int t = 0; t <= 20; ++t) {
        store.add(t, channels(0, {{0, 30.0 - t}, {1, 10.0 + t}}));
    }
    const auto falling = store.segments(0, 0, 20, 1);
    const auto rising = store.segments(1, 0, 20, 1);
    ASSERT_EQ(sizes(falling), (std::vector<std::size_t>{2}));
    ASSERT_EQ(sizes(rising), (std::vector<std::size_t>{2}));
    EXPECT_DOUBLE_EQ(falling[0][0].value, 30);
    EXPECT_DOUBLE_EQ(falling[0][0].time, 0);
    EXPECT_DOUBLE_EQ(falling[0][1].value, 10);
    EXPECT_DOUBLE_EQ(rising[0][0].value, 10);
    EXPECT_DOUBLE_EQ(rising[0][1].value, 30);
}

TEST(Trend, HighlightIsTheChannelThatRoseMostInTheLastTenSeconds) {
    TrendStore store;
    // One reply a second for a minute. Channel 7 is the warmest all along, channel 2 rose by
    // 5 degrees a minute ago, channel 12 is warmed by hand in the last 8 seconds, channel 16
    // rises a little, channel 20 rose and then lost its reading.
    for (int t = 0; t <= 60; ++t) {
        std::map<int, std::optional<double>> except{{7, 80.0 + (t % 2) * 0.0625}};
        except[2] = t < 5 ? 20.0 : 25.0;
        except[12] = t < 52 ? 20.0 : 20.0 + (t - 52) * 0.5;  // +4 by t = 60
        except[16] = 20.0 + t * 0.05;                        // +0.5 in 10 s
        except[20] = t < 60 ? 20.0 + t : std::optional<double>();
        store.add(t, channels(20, except));
    }
    const auto rise = store.fastestRise(60);
    ASSERT_TRUE(rise);
    EXPECT_EQ(rise->channel, 12);
    EXPECT_DOUBLE_EQ(rise->rise, 4);

    // Ten seconds earlier only the slow one and the one that later lost its reading rose.
    const auto earlier = store.fastestRise(50);
    ASSERT_TRUE(earlier);
    EXPECT_EQ(earlier->channel, 20);
}

TEST(Trend, NoHighlightForNoiseOrSteadyChannels) {
    TrendStore store;
    for (int t = 0; t <= 20; ++t) {
        // The sensors' step of 1/16 degree back and forth, and a falling channel.
        store.add(t, channels(20 + (t % 2) * 0.0625, {{3, 30.0 - t}}));
    }
    EXPECT_FALSE(store.fastestRise(20));
    EXPECT_FALSE(TrendStore().fastestRise(0));
    // A single reading in the span is no rise.
    TrendStore one;
    one.add(0, channels(20));
    one.add(30, channels(40));
    EXPECT_FALSE(one.fastestRise(30));
}

TEST(Trend, EqualRisesGoToTheLowerChannel) {
    TrendStore store;
    store.add(0, channels(20, {{9, 20.0}, {4, 30.0}}));
    store.add(5, channels(20, {{9, 22.0}, {4, 32.0}}));
    const auto rise = store.fastestRise(5);
    ASSERT_TRUE(rise);
    EXPECT_EQ(rise->channel, 4);
}
