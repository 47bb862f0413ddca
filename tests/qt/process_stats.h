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

// A field of /proc/self/status in KiB ("VmRSS:", "RssAnon:"); 0 when there is none.
inline long statusKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::stol(line.substr(field.size()));
        }
    }
    return 0;
}

// Resident memory in all.
inline long residentKiB() {
    return statusKiB("VmRSS:");
}

// Resident memory of the process's own (heap, stacks): what a leak grows. Unlike the whole
// it does not shrink when the system drops pages of the shared libraries to make room.
inline long anonymousKiB() {
    return statusKiB("RssAnon:");
}

}  // namespace tc24::testing
