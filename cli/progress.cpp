#include "cli/progress.h"

#include <cmath>
#include <csignal>

namespace tc24::cli {

void Progress::show(const std::string& what, int done, const std::string& extra) {
    if (!shown_) {
        return;
    }
    std::string line =
        what + " (" + std::to_string(done + 1) + " of " + std::to_string(total_) + ")" + extra;
    if (done > 0) {
        const double perStep =
            std::chrono::duration<double>(Clock::now() - started_).count() / done;
        const long left = std::lround(perStep * (total_ - done));
        line += left >= 120 ? ", about " + std::to_string((left + 30) / 60) + " min left"
                            : ", about " + std::to_string(left) + " s left";
    }
    width_ = std::max(width_, line.size());
    err_ << '\r' << line << std::string(width_ - line.size(), ' ') << std::flush;
}

void Progress::clear() {
    if (shown_ && width_ > 0) {
        err_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
        width_ = 0;
    }
}

std::string signalName(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
#ifdef SIGHUP
        case SIGHUP:
            return "SIGHUP";
#endif
        default:
            return "signal " + std::to_string(signal);
    }
}

}  // namespace tc24::cli
