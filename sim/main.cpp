// tc24-sim: 24-channel temperature modules behind a pseudo-terminal.

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>

#include "sim/options.h"
#include "sim/simulator.h"

namespace {

// Set from the signal handler: a lock-free atomic is safe there.
std::atomic<bool> gStop{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void onSignal(int) {
    gStop = true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tc24::sim;
    std::string error;
    const auto options = parseOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "tc24-sim: %s\n(see tc24-sim --help)\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(usageText(), stdout);
        return 0;
    }
    auto line = buildLine(*options);
    if (!line) {
        return 1;
    }

    // SIGINT and SIGTERM are let through only while waiting, so a stop request is seen at once
    // and never interrupts a half-done step.
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGHUP);
    sigprocmask(SIG_BLOCK, &blocked, nullptr);

    Simulator simulator(*options, std::move(*line));
    return simulator.run(gStop);
}
