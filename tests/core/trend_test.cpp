// The trend store: gaps, time windows, thinning, and the channel that rose most.

#include "measure/trend.h"

#include <gtest/gtest.h>

#include "fakes.h"
#include "link/control_names.h"

using namespace tc24;
using measure::TrendStore;
using measure::TrendWindow;
using tc24::testing::Harness;
using tc24::testing::hexBytes;

namespace {

// Every channel at `base` degrees, except those given.
void addAll(TrendStore& store, double time, double base,
            std::map<int, std::optional<double>> except = {}) {
    for (int channel = 0; channel < measure::kValueBoxes; ++channel) {
        const auto it = except.find(channel);
        store.add(channel, time, it == except.end() ? std::optional<double>(base) : it->second);
    }
}

std::vector<std::size_t> sizes(const std::vector<measure::TrendSegment>& segments) {
    std::vector<std::size_t> result;
    for (const auto& segment : segments) {
        result.push_back(segment.size());
    }
    return result;
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
        addAll(store, t, 20 + t, except);
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

TEST(Trend, DecodedReplyGivesSamplesGapsAndNothingForUnfilledBoxes) {
    Harness h;
    h.startWithOpenPort();
    h.ui.set(control::txtDataLength, "3");
    TrendStore store;
    h.frm.window().replyObservers.push_back([&](std::int16_t, ByteView received) {
        store.add(1.0, measure::readRegisterReading(h.frm.window(), received));
    });
    h.frm.comDoOnce_Click();
    h.port.receive(hexBytes("01 03 06 09 E6 FF FF FF CE 00 00"));
    ASSERT_EQ(store.size(0), 1u);
    EXPECT_DOUBLE_EQ(store.segments(0, 0, 2).at(0).at(0).value, 25.34);
    EXPECT_EQ(store.size(1), 1u);                  // a gap ...
    EXPECT_TRUE(store.segments(1, 0, 2).empty());  // ... drawn as nothing
    EXPECT_DOUBLE_EQ(store.segments(2, 0, 2).at(0).at(0).value, -0.5);
    EXPECT_EQ(store.size(3), 0u);  // not asked for: no sample, no gap
}

TEST(Trend, TimeWindowsEndAtTheNewestSample) {
    TrendStore store;
    EXPECT_FALSE(store.range(TrendWindow::All));
    addAll(store, 1000, 20);
    addAll(store, 1900, 21);
    EXPECT_EQ(store.range(TrendWindow::OneMinute), (std::pair<double, double>{1840, 1900}));
    EXPECT_EQ(store.range(TrendWindow::TenMinutes), (std::pair<double, double>{1300, 1900}));
    EXPECT_EQ(store.range(TrendWindow::All), (std::pair<double, double>{1000, 1900}));
}

TEST(Trend, CapacityKeepsTheNewestSamples) {
    TrendStore store(5);
    for (int t = 0; t < 8; ++t) {
        store.add(0, t, t);
    }
    EXPECT_EQ(store.size(0), 5u);
    EXPECT_DOUBLE_EQ(*store.earliestTime(), 3);
}

TEST(Trend, ThinningKeepsLineEndsAndGaps) {
    TrendStore store(100000);
    for (int t = 0; t < 10000; ++t) {
        store.add(0, t, t == 5000 ? std::nullopt : std::optional<double>(t % 7));
    }
    const auto segments = store.segments(0, 0, 9999, 500);
    ASSERT_EQ(segments.size(), 2u);
    std::size_t points = segments[0].size() + segments[1].size();
    EXPECT_LE(points, 520u);
    EXPECT_GE(points, 400u);
    EXPECT_DOUBLE_EQ(segments[0].front().time, 0);
    EXPECT_DOUBLE_EQ(segments[0].back().time, 4999);
    EXPECT_DOUBLE_EQ(segments[1].front().time, 5001);
    EXPECT_DOUBLE_EQ(segments[1].back().time, 9999);
}

TEST(Trend, HighlightIsTheChannelThatRoseMostInTheLastTenSeconds) {
    TrendStore store;
    // One sample a second for a minute. Channel 7 is the warmest all along, channel 2 rose by
    // 5 degrees a minute ago, channel 12 is warmed by hand in the last 8 seconds, channel 16
    // rises a little, channel 20 rose and then lost its reading.
    for (int t = 0; t <= 60; ++t) {
        std::map<int, std::optional<double>> except{{7, 80.0 + (t % 2) * 0.0625}};
        except[2] = t < 5 ? 20.0 : 25.0;
        except[12] = t < 52 ? 20.0 : 20.0 + (t - 52) * 0.5;  // +4 by t = 60
        except[16] = 20.0 + t * 0.05;                        // +0.5 in 10 s
        except[20] = t < 60 ? 20.0 + t : std::optional<double>();
        addAll(store, t, 20, except);
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
        addAll(store, t, 20 + (t % 2) * 0.0625, {{3, 30.0 - t}});
    }
    EXPECT_FALSE(store.fastestRise(20));
    EXPECT_FALSE(TrendStore().fastestRise(0));
    // A single sample in the span is no rise.
    TrendStore one;
    one.add(0, 0, 20.0);
    one.add(0, 30, 40.0);
    EXPECT_FALSE(one.fastestRise(30));
}

TEST(Trend, EqualRisesGoToTheLowerChannel) {
    TrendStore store;
    store.add(9, 0, 20.0);
    store.add(9, 5, 22.0);
    store.add(4, 0, 30.0);
    store.add(4, 5, 32.0);
    const auto rise = store.fastestRise(5);
    ASSERT_TRUE(rise);
    EXPECT_EQ(rise->channel, 4);
}
