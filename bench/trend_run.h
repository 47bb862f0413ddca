#pragma once

// The trend view's long run (bench/trend_run.sh): the real window polls tc24-sim on a clean
// line with the trend view open on "全部", as an operator leaves it. Every minute it prints
// the resident memory and the CPU time so far; at the end the register queries as the
// communication log counts them (valid and bad replies) and the window process's CPU
// seconds over wall seconds. polling_bench runs this with TC24_BENCH_TREND_RUN set.

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>

#include "app/qt/main_window.h"
#include "app/qt/trend_view.h"
#include "core/fakes.h"
#include "diagnostics/traffic_log.h"
#include "qt/process_stats.h"
#include "qt/sim_process.h"

namespace tc24::bench {

inline void runEventsFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

inline int trendRun(int baud, int interval, int seconds) {
    using testing::cpuTimes;
    using testing::residentKiB;
    QTemporaryDir dir;
    const std::filesystem::path path = dir.path().toStdString();
    // A clean line: the simulator's generated modules, whose temperatures wander.
    testing::SimProcess sim(path, 1, {"--baud", QString::number(baud)});
    if (!sim.ok()) {
        std::fprintf(stderr, "%s\n", sim.error().c_str());
        return 1;
    }
    std::ofstream(path / "comm.set", std::ios::binary) << "1," << baud << "\r\n";
    testing::FakeDialogs dialogs;
    MainWindow window(path, nullptr, &dialogs);
    window.load();
    window.resize(MainWindow::kStartSize);
    window.show();
    window.findChild<QAction*>("actionTrend")->trigger();
    auto* trend = window.findChild<TrendView*>("trendView");
    trend->setTimeWindow(measure::TrendWindow::All);
    window.controls().setText("txtTimerSet", std::to_string(interval));
    window.findChild<QPushButton*>("cmdOneM")->click();

    std::printf("| minute | polls | valid | bad | resident KiB | CPU s this minute |\n");
    std::printf("|---|---|---|---|---|---|\n");
    const auto& figures = window.trafficLog()->statistics(protocol::RequestKind::ReadRegisters);
    const auto bad = [&figures] {
        return figures.crcErrors + figures.exceptions + figures.mismatches + figures.incomplete;
    };
    const testing::CpuTimes start = cpuTimes();
    QElapsedTimer wall;
    wall.start();
    double previousCpu = start.total();
    long firstMinuteKiB = 0;
    for (int minute = 1; minute * 60 <= seconds; ++minute) {
        runEventsFor(static_cast<int>(std::max<qint64>(0, minute * 60000LL - wall.elapsed())));
        const double cpu = cpuTimes().total();
        const long kib = residentKiB();
        if (minute == 1) {
            firstMinuteKiB = kib;
        }
        std::printf("| %d | %llu | %llu | %llu | %ld | %.2f |\n", minute,
                    static_cast<unsigned long long>(figures.requests),
                    static_cast<unsigned long long>(figures.valid),
                    static_cast<unsigned long long>(bad()), kib, cpu - previousCpu);
        std::fflush(stdout);
        previousCpu = cpu;
    }
    runEventsFor(static_cast<int>(std::max<qint64>(0, seconds * 1000LL - wall.elapsed())));
    const double wallSeconds = static_cast<double>(wall.elapsed()) / 1000;
    const double cpuSeconds = cpuTimes().total() - start.total();
    window.findChild<QPushButton*>("cmdStopOnce")->click();
    runEventsFor(std::max(200, interval));
    sim.stop();

    const double badShare = figures.requests > 0 ? 100.0 * static_cast<double>(bad()) /
                                                       static_cast<double>(figures.requests)
                                                 : 0;
    std::printf(
        "\nregister queries: %llu requests, %llu valid, %llu CRC errors, %llu exceptions, "
        "%llu wrong station or function, %llu incomplete or no reply: %.2f %% bad\n",
        static_cast<unsigned long long>(figures.requests),
        static_cast<unsigned long long>(figures.valid),
        static_cast<unsigned long long>(figures.crcErrors),
        static_cast<unsigned long long>(figures.exceptions),
        static_cast<unsigned long long>(figures.mismatches),
        static_cast<unsigned long long>(figures.incomplete), badShare);
    std::printf("window process CPU: %.1f s over %.1f s wall = %.1f %% of a core\n", cpuSeconds,
                wallSeconds, 100 * cpuSeconds / wallSeconds);
    std::printf("resident memory: %ld KiB after the first minute, %ld KiB at the end\n",
                firstMinuteKiB, residentKiB());
    std::printf("trend store: %zu replies kept one by one, %zu buckets\n",
                trend->store().fullResolutionReplies(), trend->store().buckets());
    return 0;
}

}  // namespace tc24::bench
