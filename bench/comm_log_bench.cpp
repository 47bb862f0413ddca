// What the open communication log costs the window's thread: one batch as the window shows it
// at 20 polls a second (two polls' rows, each reply in several chunks), brought into the
// table, scrolled and painted. Run under Xvfb (QT_QPA_PLATFORM=xcb) to count what drawing on
// a screen costs; offscreen by default.
//
//   comm_log_bench [--benchmark_filter=…]
// Arguments: chunks per reply, and whether the log's ring is full (old rows leave the table).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QTableView>
#include <memory>
#include <vector>

#include "app/qt/comm_log_window.h"
#include "diagnostics/traffic_log.h"
#include "protocol/crc16.h"

namespace {

using namespace tc24;

Bytes framed(Bytes frame) {
    const auto trailer = crcTrailer(frame);
    frame.push_back(trailer.low);
    frame.push_back(trailer.high);
    return frame;
}

const Bytes kRequest = framed({0x01, 0x03, 0x00, 0x00, 0x00, 0x18});

Bytes reply(int step) {
    Bytes frame{0x01, 0x03, 48};
    for (int i = 0; i < 24; ++i) {
        const int value = 2000 + 37 * i + step;
        frame.push_back(static_cast<std::uint8_t>(value >> 8));
        frame.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    return framed(frame);
}

// One poll as the port tap records it: the request, then the reply in `chunks` pieces.
void poll(TrafficLog& log, int step, int chunks) {
    log.recordRequest(kRequest);
    const Bytes bytes = reply(step);
    const std::size_t piece =
        (bytes.size() + static_cast<std::size_t>(chunks) - 1) / static_cast<std::size_t>(chunks);
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        const std::size_t end = std::min(bytes.size(), at + piece);
        log.recordReceived(ByteView(std::span(bytes).subspan(at, end - at)));
    }
}

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
    long paints = 0;
};

void LogBatch(benchmark::State& state) {
    const int chunks = static_cast<int>(state.range(0));
    const bool full = state.range(1) != 0;
    std::int64_t us = 0;
    auto log = std::make_shared<TrafficLog>([&us] {
        us += 1000;
        return TrafficTime{1'700'000'000'000 + us / 1000, us};
    });
    CommLogWindow window(log);
    window.show();
    int step = 0;
    if (full) {
        while (log->rows().size() < log->capacity()) {
            poll(*log, ++step, chunks);
        }
    }
    window.model();
    QApplication::processEvents();
    PaintCounter counter;
    window.findChild<QTableView*>(QStringLiteral("tblTraffic"))
        ->viewport()
        ->installEventFilter(&counter);
    for (auto _ : state) {
        poll(*log, ++step, chunks);
        poll(*log, ++step, chunks);
        window.model();                 // the batch, as its timer would show it
        QApplication::processEvents();  // lay out, scroll and paint
    }
    state.counters["rows"] = static_cast<double>(window.model().rowCount());
    // The table is painted once a batch, not again when its delayed layout moves the view.
    state.counters["paints"] =
        benchmark::Counter(static_cast<double>(counter.paints), benchmark::Counter::kAvgIterations);
}
BENCHMARK(LogBatch)->Args({1, 0})->Args({8, 0})->Args({8, 1})->Unit(benchmark::kMicrosecond);

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
