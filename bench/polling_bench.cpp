// Polling accuracy against the wire limit: the real window offscreen polls tc24-sim (with
// wire timing) at a fixed interval and baud rate for a fixed time. Request spacing comes from
// the simulator's own timestamps; a poll is complete when its reply raised the data event
// before the next poll replaced it. CPU time is this process's own (window and painting).
//
//   polling_bench BAUD INTERVAL_MS SECONDS        (TC24_SIM names the simulator)
//
// With TC24_BENCH_HIDDEN set the window is never shown, which tells painting apart from
// the rest of a poll's cost. TC24_BENCH_VIEWS names the views open beside it: "trend" (on
// "全部"), "log" (the communication log, following), or "trend,log"; TC24_BENCH_TREND alone
// is "trend". The simulator's temperatures wander as a real module's do.
// Run under a real X server (QT_QPA_PLATFORM=xcb) to count what drawing on a screen costs.
// With TC24_BENCH_TREND_RUN set it is the trend view's long run instead (bench/trend_run.h).

#include <sys/resource.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/qt/main_window.h"
#include "app/qt/trend_view.h"
#include "core/fakes.h"
#include "link/control_names.h"
#include "qt/process_stats.h"
#include "qt/sim_process.h"
#include "trend_run.h"

namespace {

using tc24::testing::cpuTimes;

// A real event loop, as in the tool itself (QTest::qWait sleeps between its passes, which
// would make every timer late).
void runFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

double percentile(std::vector<double> values, double share) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[index];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: polling_bench BAUD INTERVAL_MS SECONDS\n");
        return 2;
    }
    const int baud = std::atoi(argv[1]);
    const int interval = std::atoi(argv[2]);
    const int seconds = std::atoi(argv[3]);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (!qEnvironmentVariableIsEmpty("TC24_BENCH_TREND_RUN")) {
        return tc24::bench::trendRun(baud, interval, seconds);
    }
    QTemporaryDir dir;
    const std::filesystem::path path = dir.path().toStdString();
    {
        std::ofstream table(path / "sensors.txt");
        for (int position = 1; position <= 24; ++position) {
            table << position << " 28 00 00 00 00 00 " << position / 10 << position % 10 << " 00 "
                  << 20 + position << ".50\n";
        }
    }
    tc24::testing::SimProcess sim(
        path, 1,
        {"--baud", QString::number(baud), "--sensors",
         QString::fromStdString((path / "sensors.txt").string()), "--drift", "0.5", "--log"},
        path / "sim.log");
    if (!sim.ok()) {
        std::fprintf(stderr, "%s\n", sim.error().c_str());
        return 1;
    }
    std::ofstream(path / "comm.set", std::ios::binary) << "1," << baud << "\r\n";
    tc24::testing::FakeDialogs dialogs;
    tc24::MainWindow window(path, nullptr, &dialogs);
    window.load();
    window.resize(tc24::MainWindow::kStartSize);
    if (!std::getenv("TC24_BENCH_HIDDEN")) {
        window.show();
    }
    window.controls().setText(tc24::control::txtTimerSet, std::to_string(interval));
    const QString views = qEnvironmentVariable("TC24_BENCH_VIEWS");
    if (views.contains(QStringLiteral("trend")) || std::getenv("TC24_BENCH_TREND")) {
        window.findChild<QAction*>(QStringLiteral("actionTrend"))->trigger();
        window.findChild<tc24::TrendView*>(QStringLiteral("trendView"))
            ->setTimeWindow(tc24::measure::TrendWindow::All);
    }
    if (views.contains(QStringLiteral("log"))) {
        window.findChild<QAction*>(QStringLiteral("actCommLog"))->trigger();
    }

    window.findChild<QPushButton*>(tc24::control::cmdOneM)->click();
    // CPU is counted after a warm-up, so the first paint and lazy set-up do not count.
    runFor(std::max(1000, 2 * interval));
    const tc24::testing::CpuTimes cpuBefore = cpuTimes();
    QElapsedTimer wall;
    wall.start();
    const long pollsBefore = std::stol(window.controls().text(tc24::control::lblCounter)) - 1;
    runFor(seconds * 1000);
    const tc24::testing::CpuTimes cpuAfter = cpuTimes();
    const double user = cpuAfter.user - cpuBefore.user;
    const double system = cpuAfter.system - cpuBefore.system;
    const double wallSeconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const long steadyPolls =
        std::stol(window.controls().text(tc24::control::lblCounter)) - 1 - pollsBefore;
    window.findChild<QPushButton*>(tc24::control::cmdStopOnce)->click();
    runFor(std::max(200, interval));

    const long polls = std::stol(window.controls().text(tc24::control::lblCounter)) - 1;
    const long complete = window.core().state().RecCount - 1;
    sim.stop();

    // "   123.456 ms  rx 01 03 …": arrival of each request at the simulator.
    std::vector<double> arrivals;
    std::istringstream log(sim.log());
    std::string line;
    while (std::getline(log, line)) {
        const auto rx = line.find(" ms  rx ");
        if (rx != std::string::npos) {
            arrivals.push_back(std::stod(line.substr(0, rx)));
        }
    }
    std::vector<double> errors;
    for (std::size_t i = 1; i < arrivals.size(); ++i) {
        errors.push_back(std::abs(arrivals[i] - arrivals[i - 1] - interval));
    }
    const auto perPoll = [steadyPolls](double seconds) {
        return steadyPolls > 0 ? 1e6 * seconds / static_cast<double>(steadyPolls) : 0.0;
    };
    std::printf("| %d | %d | %d | %ld | %.1f %% | %.2f | %.2f | %.2f | %.0f | %.0f | %.1f %% |\n",
                baud, interval, seconds, polls,
                polls > 0 ? 100.0 * static_cast<double>(complete) / static_cast<double>(polls) : 0,
                percentile(errors, 0.5), percentile(errors, 0.99),
                errors.empty() ? 0.0 : *std::max_element(errors.begin(), errors.end()),
                perPoll(user), perPoll(system), 100.0 * (user + system) / wallSeconds);
    return 0;
}
