// Cost of the trend view: what the store gives one refresh, and a whole refresh of the view
// offscreen (series replaced, chart laid out and painted), after 5 minutes and after 5 hours
// of polling at 50 ms, for the last minute and for "全部"; and the cost of storing a reply.
// A refresh must cost the same after five hours as after five minutes for the same span.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cmath>
#include <filesystem>

#include "app/qt/main_window.h"
#include "app/qt/trend_view.h"
#include "core/fakes.h"
#include "measure/trend.h"

namespace {

using namespace tc24;
using measure::ChannelRegisters;
using measure::TrendStore;
using measure::TrendWindow;

constexpr double kPoll = 0.05;

// A live module: 24 channels wandering around their own temperature; channel 5 without a
// sensor.
ChannelRegisters reply(long step) {
    ChannelRegisters registers;
    for (int channel = 0; channel < measure::kValueBoxes; ++channel) {
        // Up and down by half a degree, each channel at its own pace.
        const long phase = (step * (channel + 1) / 16) % 100;
        const long hundredths = 2000 + 100 * channel + (phase < 50 ? phase : 100 - phase);
        registers[static_cast<std::size_t>(channel)] =
            channel == 5 ? measure::kNoReading : static_cast<std::uint16_t>(hundredths);
    }
    return registers;
}

// `seconds` of polling at 50 ms, ending now on the view's clock.
long fill(TrendStore& store, double end, double seconds) {
    const long count = std::lround(seconds / kPoll);
    for (long i = 0; i < count; ++i) {
        store.add(end - seconds + static_cast<double>(i) * kPoll, reply(i));
    }
    return count;
}

TrendWindow windowOf(std::int64_t argument) {
    return argument == 0 ? TrendWindow::OneMinute : TrendWindow::All;
}

// What the store hands one refresh: the lines of the span in 600 columns.
// Arguments: seconds of history, 0 = last minute / 1 = "全部".
void StoreLines(benchmark::State& state) {
    TrendStore store;
    fill(store, 1e9, static_cast<double>(state.range(0)));
    const auto [from, to] = *store.range(windowOf(state.range(1)));
    std::size_t visited = 0;
    for (auto _ : state) {
        const auto lines = store.lines(from, to, 600);
        visited = lines.visited;
        benchmark::DoNotOptimize(lines);
    }
    state.counters["visited"] = static_cast<double>(visited);
}
BENCHMARK(StoreLines)
    ->ArgsProduct({{300, 5 * 3600, 24 * 3600}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// Storing one reply, with the merging of old replies into buckets that goes with it.
void StoreAdd(benchmark::State& state) {
    TrendStore store;
    long step = fill(store, 0, 25 * 3600);
    double time = 0;
    for (auto _ : state) {
        store.add(time, reply(++step));
        time += kPoll;
    }
}
BENCHMARK(StoreAdd);

// A whole refresh of the shown view, painted, with the ten replies that came since the last
// one. Arguments as StoreLines.
void ViewRefresh(benchmark::State& state) {
    testing::FakeSerialPort port;
    testing::FakeDialogs dialogs;
    MainWindow window(std::filesystem::temp_directory_path(), &port, &dialogs);
    auto* trend = window.findChild<TrendView*>("trendView");
    trend->show();
    long step = fill(trend->store(), trend->now(), static_cast<double>(state.range(0)));
    trend->setTimeWindow(windowOf(state.range(1)));
    QApplication::processEvents();
    for (auto _ : state) {
        for (int i = 0; i < 10; ++i) {
            trend->store().add(trend->now(), reply(++step));
        }
        trend->refresh();
        QApplication::processEvents();  // lay out and paint
    }
}
BENCHMARK(ViewRefresh)
    ->ArgsProduct({{300, 5 * 3600, 24 * 3600}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
