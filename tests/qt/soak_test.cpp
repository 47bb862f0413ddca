// Soak under line faults: the real window polls tc24-sim every 50 ms while the simulator
// drops, corrupts, splits, delays and refuses replies and adds noise. Runs for
// TC24_SOAK_SECONDS (default 30; scripts/soak.sh runs it for as long as asked) and reports
// polls, events, red boxes and resident memory.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include <QLineEdit>
#include "app/qt/main_window.h"
#include "core/fakes.h"
#include "link/control_names.h"
#include "qt/process_stats.h"
#include "qt/sim_process.h"

namespace tc24 {
namespace {

using testing::anonymousKiB;
using testing::residentKiB;

using testing::FakeDialogs;
using testing::SimProcess;
using testing::TempDir;

// "name=value" pairs of the simulator's closing lines.
std::map<std::string, long> counters(const std::string& summary) {
    std::map<std::string, long> result;
    std::istringstream words(summary);
    std::string word;
    std::string previous;
    while (words >> word) {
        const auto equals = word.find('=');
        if (equals != std::string::npos) {
            result[word.substr(0, equals)] = std::stol(word.substr(equals + 1));
        } else if (!previous.empty() && std::isdigit(static_cast<unsigned char>(word[0]))) {
            result[previous] = std::stol(word);
        }
        previous = word;
    }
    return result;
}

TEST(Soak, PollingAt50MsUnderEveryFaultStaysConsistent) {
    const char* configured = std::getenv("TC24_SOAK_SECONDS");
    const int seconds = configured ? std::max(5, std::atoi(configured)) : 30;

    TempDir dir;
    // Every position holds an answering sensor, so RecCount counts serial events only.
    {
        std::ofstream table(dir.path() / "sensors.txt");
        for (int position = 1; position <= 24; ++position) {
            table << position << " 28 00 00 00 00 00 " << position / 10 << position % 10 << " 00 "
                  << 20 + position << ".25\n";
        }
    }
    // TC24_SOAK_FAULTS replaces the fault options, e.g. "--drop 0.1" to look at one fault.
    QStringList faults{"--drop",           "0.03", "--corrupt",  "0.03", "--split",     "0.1",
                       "--split-pause-ms", "10",   "--noise",    "0.03", "--exception", "0.03",
                       "--delay",          "0.03", "--delay-ms", "80"};
    if (const char* chosen = std::getenv("TC24_SOAK_FAULTS")) {
        faults = QString::fromUtf8(chosen).split(' ', Qt::SkipEmptyParts);
    }
    SimProcess sim(
        dir.path(), 1,
        QStringList{"--sensors", QString::fromStdString((dir.path() / "sensors.txt").string()),
                    "--baud", "38400", "--fault-seed", "7"} +
            faults);
    ASSERT_TRUE(sim.ok()) << sim.error();
    std::ofstream(dir.path() / "comm.set", std::ios::binary) << "1,38400\r\n";
    FakeDialogs dialogs;
    MainWindow window(dir.path(), nullptr, &dialogs);
    window.load();
    window.show();
    window.controls().setText(control::txtTimerSet, "50");
    // The poll counter starts again after 65536 (an hour at 50 ms): polls are counted here.
    long ticks = 0;
    QObject::connect(window.findChild<QTimer*>(control::Timer2), &QTimer::timeout,
                     [&ticks] { ++ticks; });
    window.findChild<QPushButton*>(control::cmdOneM)->click();

    QTest::qWait(std::min(5, seconds / 3) * 1000);  // warm-up
    const long warmKiB = residentKiB();
    const long warmAnonymousKiB = anonymousKiB();
    QTest::qWait((seconds - std::min(5, seconds / 3)) * 1000);
    window.findChild<QPushButton*>(control::cmdStopOnce)->click();
    QTest::qWait(200);
    const long endKiB = residentKiB();
    const long endAnonymousKiB = anonymousKiB();

    const long polls = ticks;
    // The counter shows the polls, starting again at 1 after 65536.
    EXPECT_EQ(std::stol(window.controls().text(control::lblCounter)), polls % 65536 + 1);
    const long events = window.core().state().RecCount - 1;
    int red = 0;
    for (int i = 0; i < 24; ++i) {
        auto* box = window.findChild<QLineEdit*>(control::txtValue[static_cast<std::size_t>(i)]);
        red += box->palette().color(QPalette::Text) == QColor(255, 0, 0);
    }
    auto simCounters = counters(sim.stop());
    std::printf(
        "soak: %d s, polls %ld, events %ld, red boxes at the end %d, resident %ld KiB after "
        "warm-up, %ld KiB at the end (of its own: %ld, %ld KiB)\nsimulator:\n",
        seconds, polls, events, red, warmKiB, endKiB, warmAnonymousKiB, endAnonymousKiB);
    for (const auto& [name, value] : simCounters) {
        std::printf("  %s=%ld\n", name.c_str(), value);
    }

    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_GE(polls, seconds * 15L);  // 20 a second, with room for a loaded machine
    // Every poll reached the simulator.
    EXPECT_NEAR(static_cast<double>(simCounters["requests"]), static_cast<double>(polls), 2.0);
    // A reply raises at most one event, and only replies that arrived whole raise one:
    // dropped, delayed and refused replies cannot.
    const long lost = simCounters["drop"] + simCounters["delay"] + simCounters["exception"];
    EXPECT_LE(events, polls + simCounters["noise"] + 1);
    EXPECT_GE(events, polls - lost - simCounters["split"] - 2);
#ifndef __SANITIZE_ADDRESS__
    // Memory stays flat after warm-up. (AddressSanitizer keeps freed memory in quarantine, so
    // there resident memory grows by design; LeakSanitizer checks for leaks instead.)
    EXPECT_LT(endKiB - warmKiB, 8 * 1024);
    EXPECT_LT(endAnonymousKiB - warmAnonymousKiB, 8 * 1024);
#endif
}

}  // namespace
}  // namespace tc24
