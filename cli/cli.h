#pragma once

#include <QStringList>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <ostream>

#include "cli/endpoint.h"
#include "cli/master.h"
#include "cli/transport.h"

namespace tc24::cli {

// What the tool runs in: where it is installed, its output, and how it opens the line. The
// program gives the real ones; tests give a fake line and string streams.
struct Environment {
    Environment(std::filesystem::path directory, std::ostream& results, std::ostream& messages)
        : programDirectory(std::move(directory)), out(results), err(messages) {}

    std::filesystem::path programDirectory;  // for comm.set and ports/COMn, as the window
    std::ostream& out;                       // results only
    std::ostream& err;                       // messages and progress
    bool errIsTerminal = false;              // progress is shown only on a terminal
    // Set (by a signal handler) to end `watch` after the current line.
    const volatile std::sig_atomic_t* stop = nullptr;
    // Called when a command starts that Ctrl+C should end cleanly instead of at once.
    std::function<void()> catchInterrupt;
    std::function<OpenedTransport(const Endpoint&, int baud, std::chrono::milliseconds timeout)>
        open = openTransport;
};

// Runs the command line (`arguments` starts with the program name) and returns the exit
// status (ExitStatus).
int run(const QStringList& arguments, Environment& environment);

}  // namespace tc24::cli
