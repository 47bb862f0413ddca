// Cost of handling one 53-byte register reply: the widget-free receive handler over fakes,
// and the same reply through the real window offscreen (24 boxes painted); and a whole poll,
// request and reply, through the window.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <filesystem>
#include <vector>

#include "app/qt/main_window.h"
#include "core/fakes.h"

namespace {

using namespace tc24;

// Replies whose 24 values all differ from one step to the next, so every box shows a new value
// each time, as in a poll of a live module whose temperatures change.
std::vector<std::uint8_t> registerReply(int step) {
    std::vector<std::uint8_t> reply{0x01, 0x03, 48};
    for (int i = 0; i < 24; ++i) {
        const int value = i % 7 == 0 ? 65486 - step : 2000 + 37 * i + step;
        reply.push_back(static_cast<std::uint8_t>(value >> 8));
        reply.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    reply.push_back(0x12);
    reply.push_back(0x34);
    return reply;
}

// Thousands of different replies, taken in turn: no box sees a value again soon, as with a
// module whose temperatures keep changing.
std::vector<std::vector<std::uint8_t>> changingReplies() {
    std::vector<std::vector<std::uint8_t>> replies;
    for (int step = 0; step < 4096; ++step) {
        replies.push_back(registerReply(step));
    }
    return replies;
}

void CoreRegisterReply(benchmark::State& state) {
    testing::FakeControls ui;
    testing::FakeSerialPort port;
    testing::FakeDialogs dialogs;
    testing::FakeTimer t2, t3, t6;
    testing::DiskFiles files;
    FrmMain frm(ui, port, dialogs, files, t2, t3, t6, std::filesystem::temp_directory_path());
    port.open();
    frm.comDoOnce_Click();
    const std::vector<std::uint8_t> replies[] = {registerReply(0), registerReply(1)};
    std::size_t turn = 0;
    for (auto _ : state) {
        port.receive(replies[turn++ % 2]);
        benchmark::DoNotOptimize(ui.widgets);
    }
}
BENCHMARK(CoreRegisterReply);

void WindowRegisterReply(benchmark::State& state) {
    testing::FakeSerialPort port;
    testing::FakeDialogs dialogs;
    MainWindow window(std::filesystem::temp_directory_path(), &port, &dialogs);
    window.resize(MainWindow::kStartSize);  // as the tool starts: the panes as wide
    window.show();
    port.open();
    window.core().comDoOnce_Click();
    const auto replies = changingReplies();
    std::size_t turn = 0;
    for (auto _ : state) {
        port.receive(replies[turn++ % replies.size()]);
        QApplication::processEvents();  // let the boxes repaint
    }
}
BENCHMARK(WindowRegisterReply);

// A whole poll as the window sees it: the request (24 boxes red, the receive pane emptied,
// the yellow image, the counter) and its reply, each painted. The serial port is a fake, so
// this is the window's share of a poll's CPU time.
void pollThroughWindow(benchmark::State& state, bool changing, bool cold = false) {
    testing::FakeSerialPort port;
    testing::FakeDialogs dialogs;
    MainWindow window(std::filesystem::temp_directory_path(), &port, &dialogs);
    window.resize(MainWindow::kStartSize);
    window.show();
    port.open();
    const auto replies =
        changing ? changingReplies() : std::vector<std::vector<std::uint8_t>>{registerReply(0)};
    std::size_t turn = 0;
    // Cold: the processor's caches are filled with other memory before each half of the poll,
    // as the sleep between a request and its reply leaves them, so that what the poll
    // touches counts as well as what it runs.
    std::vector<char> elsewhere(cold ? 32 << 20 : 0);
    const auto evict = [&] {
        if (cold) {
            state.PauseTiming();
            for (std::size_t i = 0; i < elsewhere.size(); i += 64) {
                ++elsewhere[i];
            }
            benchmark::DoNotOptimize(elsewhere.data());
            state.ResumeTiming();
        }
    };
    for (auto _ : state) {
        evict();
        window.core().comDoOnce_Click();
        QApplication::processEvents();
        evict();
        port.receive(replies[turn++ % replies.size()]);
        QApplication::processEvents();
    }
}
// The same after the caches were emptied, as each half of a real poll comes after a sleep.
void WindowPollCycleCold(benchmark::State& state) {
    pollThroughWindow(state, true, true);
}
BENCHMARK(WindowPollCycleCold);

void WindowPollCycle(benchmark::State& state) {
    pollThroughWindow(state, true);
}
BENCHMARK(WindowPollCycle);

// The same, with a module at a steady temperature: every reply has the values of the last.
void WindowSteadyPoll(benchmark::State& state) {
    pollThroughWindow(state, false);
}
BENCHMARK(WindowSteadyPoll);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
