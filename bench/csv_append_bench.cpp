// What one CSV line costs the window's thread: appended and handed to the system (what the
// recording does), and the same followed by a wait for the disk (what it did before). A slow
// USB stick makes that wait 50 ms or more, the whole of a 50 ms polling interval.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <string>

#include "app/platform/line_file.h"

namespace {

const std::string kLine =
    "2026-12-08T14:03:21.045,1,25.34,-0.50,,22.81,23.00,-8.69,0,24.75,22.50,20.56,-2.50,24.69,"
    "-16.06,22.44,20.75,20.81,22.13,21.00,23.25,22.38,27.56,24.50,62.94,19.31\r\n";

void append(benchmark::State& state, bool waitForTheDisk) {
    QTemporaryDir dir;
    QFile probe;
    tc24::LineFile file;
    const std::string path = dir.filePath(QStringLiteral("run.csv")).toStdString();
    if (file.open(path, "time,station\r\n")) {
        state.SkipWithError("cannot open the file");
        return;
    }
    probe.setFileName(QString::fromStdString(path));
    probe.open(QIODevice::ReadOnly);
    for (auto _ : state) {
        file.append(kLine);
        if (waitForTheDisk) {
            ::fdatasync(probe.handle());  // the data of the file, whoever wrote it
        }
    }
}

void AppendAndHandToTheSystem(benchmark::State& state) {
    append(state, false);
}
BENCHMARK(AppendAndHandToTheSystem);

void AppendAndWaitForTheDisk(benchmark::State& state) {
    append(state, true);
}
BENCHMARK(AppendAndWaitForTheDisk)->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
