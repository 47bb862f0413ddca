// What a serial port costs once its device has gone away: the window's QtSerialPort on a
// pseudo-terminal whose other end is closed, the event loop running for a few seconds. A port
// that kept reporting the error would spin a core; the figure belongs here, not in a test.
//   bench/vanished_port_bench [seconds]

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/qt/qt_serial_port.h"
#include "qt/process_stats.h"
#include "qt/pty_pair.h"

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    tc24::testing::Pty pty;
    if (!pty.ok()) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    const std::filesystem::path folder = QDir::tempPath().toStdString() + "/tc24-vanished-bench";
    std::filesystem::create_directories(folder / "ports");
    std::filesystem::remove(folder / "ports" / "COM1");
    std::filesystem::create_symlink(pty.slaveName, folder / "ports" / "COM1");

    tc24::QtSerialPort port({folder, folder});
    port.setPortNumber(1);
    port.setSettings("19200,N,8,1");
    int events = 0;
    port.setEventHandler([&] { ++events; });
    port.open();
    port.setReceiveThreshold(1);
    if (!port.isOpen()) {
        std::fprintf(stderr, "cannot open %s: %s\n", pty.slaveName.c_str(),
                     port.lastError().c_str());
        return 1;
    }
    pty.closeMaster();
    QTest::qWait(200);  // the loss is seen
    const double before = tc24::testing::cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(seconds * 1000);
    const double cpu = tc24::testing::cpuSeconds() - before;
    std::printf(
        "vanished port, %d s of event loop: %.3f s CPU (%.2f %% of a core), %d event(s), "
        "port %s\n",
        seconds, cpu, 100.0 * cpu / (static_cast<double>(clock.elapsed()) / 1000.0), events,
        port.isOpen() ? "still open" : "closed");
    std::filesystem::remove_all(folder);
    return 0;
}
