#pragma once

// This process's own CPU time and resident memory, for tests and benchmarks that check
// the window spins no CPU and keeps its memory flat.

#include <sys/resource.h>

#include <fstream>
#include <string>

namespace tc24::testing {

// User and system time of this process (all threads), in seconds.
struct CpuTimes {
    double user = 0;
    double system = 0;
    double total() const { return user + system; }
};

inline CpuTimes cpuTimes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

inline double cpuSeconds() {
    return cpuTimes().total();
}

inline long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

}  // namespace tc24::testing
