#pragma once

#include <QStringList>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <ostream>

#include "cli/endpoint.h"
#include "cli/master.h"
#include "cli/output.h"
#include "cli/report.h"
#include "cli/transport.h"
#include "record/record.h"

namespace tc24::cli {

// What the tool runs in: where it is installed, its output, and how it opens the line. The
// program gives the real ones; tests give a fake line and string streams.
struct Environment {
    Environment(std::filesystem::path directory, Output& results, std::ostream& messages)
        : programDirectory(std::move(directory)), out(results), err(messages) {}

    std::filesystem::path programDirectory;  // for comm.set and ports/COMn, as the window
    Output& out;                             // results only
    std::ostream& err;                       // messages, progress and the trace
    bool errIsTerminal = false;              // progress is shown only on a terminal
    // The number of a signal that asks the command to end after its current request (set by
    // the program's signal handler); 0 while none came.
    const volatile std::sig_atomic_t* stop = nullptr;
    std::function<OpenedTransport(const Endpoint&, int baud, std::chrono::milliseconds timeout)>
        open = openTransport;
    // How long `watch --reconnect` waits between attempts to open the line again.
    std::chrono::milliseconds reconnectPause{1000};
    // Writes `commission --report`'s PDF; the reason when it could not.
    std::function<std::optional<std::string>(const record::Record&,
                                             const std::vector<record::CheckResult>&,
                                             const std::filesystem::path&)>
        writeReport = writeRecordReport;
};

// Runs the command line (`arguments` starts with the program name) and returns the exit
// status: an ExitStatus, or 128 + a signal's number when one ended the command.
int run(const QStringList& arguments, Environment& environment);

}  // namespace tc24::cli
