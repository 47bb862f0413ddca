// Start-up: time from process start to the window shown (the same steps as the tool's own
// main), and resident memory then. Run it a few times and take the median (warm start).

#include <unistd.h>

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "app/qt/main_window.h"
#include "qt/process_stats.h"

namespace {

using tc24::testing::residentKiB;

// Milliseconds since this process started, from /proc.
double millisecondsSinceStart() {
    std::ifstream statFile("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    unsigned long long startTicks = 0;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
        if (i == 22) {
            startTicks = std::stoull(field);
        }
    }
    std::ifstream uptimeFile("/proc/uptime");
    double uptime = 0;
    uptimeFile >> uptime;
    return (uptime -
            static_cast<double>(startTicks) / static_cast<double>(::sysconf(_SC_CLK_TCK))) *
           1000.0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const auto window = tc24::startMainWindow();
    const bool exposed = QTest::qWaitForWindowExposed(window.get(), 5000);
    QApplication::processEvents();
    std::printf("shown after %.0f ms (exposed: %s), resident %ld KiB\n", millisecondsSinceStart(),
                exposed ? "yes" : "no", residentKiB());
    return 0;
}
