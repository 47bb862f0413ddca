#pragma once

#include <algorithm>
#include <ostream>
#include <string>

#include "cli/transport.h"

namespace tc24::cli {

// The progress of a long command on standard error, rewritten in place on a terminal.
class Progress {
public:
    Progress(std::ostream& err, bool shown, int total)
        : err_(err), shown_(shown), total_(total), started_(Clock::now()) {}
    ~Progress() { clear(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Before step `done` + 1 of the total: "position 5 (5 of 24), about 3 s left".
    void show(const std::string& what, int done, const std::string& extra = {});
    void clear();

private:
    std::ostream& err_;
    bool shown_;
    int total_;
    Clock::time_point started_;
    std::size_t width_ = 0;
};

// "SIGINT", "SIGTERM", "SIGHUP", else "signal N".
std::string signalName(int signal);

}  // namespace tc24::cli
