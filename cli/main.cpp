// tc24-cli: the module's requests from the command line, for scripts and production lines.

#include <QCoreApplication>
#include <csignal>
#include <iostream>
#include <memory>

#include "cli/cli.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/report.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define STDOUT_FILENO 1
#define STDERR_FILENO 2
#else
#include <unistd.h>
#endif

namespace {

volatile std::sig_atomic_t gStop = 0;

// The first signal asks the command to end after its current request; a second ends the
// program at once, as the signal's default would.
void onStopSignal(int signal) {
    if (gStop != 0) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    gStop = signal;
}

}  // namespace

int main(int argc, char** argv) {
    // A printed report needs Qt GUI's fonts and painter, drawn offscreen (the report module
    // makes that application); every other command starts with Qt Core alone. The arguments are
    // taken before QGuiApplication removes the ones it reads itself ("-platform", "-reverse", ...),
    // which may be a note's text.
    QStringList given;
    for (int i = 0; i < argc; ++i) {
        given << QString::fromLocal8Bit(argv[i]);
    }
    const bool report = tc24::cli::wantsReport(given);
    const auto application = tc24::cli::makeApplication(argc, argv, report);
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
#ifdef SIGHUP
    std::signal(SIGHUP, onStopSignal);
#endif
    tc24::cli::DescriptorOutput results(STDOUT_FILENO, "standard output");
    tc24::cli::Environment environment(QCoreApplication::applicationDirPath().toStdString(),
                                       results, std::cerr);
    environment.errIsTerminal = isatty(STDERR_FILENO) == 1;
    environment.stop = &gStop;
    return tc24::cli::run(report ? given : QCoreApplication::arguments(), environment);
}
