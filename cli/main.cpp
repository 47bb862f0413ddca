// tc24-cli: the module's requests from the command line, for scripts and production lines.

#include <QCoreApplication>
#include <csignal>
#include <iostream>

#include "cli/cli.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define STDERR_FILENO 2
#else
#include <unistd.h>
#endif

namespace {

volatile std::sig_atomic_t gStop = 0;

void onInterrupt(int) {
    gStop = 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    tc24::cli::Environment environment(QCoreApplication::applicationDirPath().toStdString(),
                                       std::cout, std::cerr);
    environment.errIsTerminal = isatty(STDERR_FILENO) == 1;
    environment.stop = &gStop;
    environment.catchInterrupt = [] {
        std::signal(SIGINT, onInterrupt);
        std::signal(SIGTERM, onInterrupt);
    };
    return tc24::cli::run(QCoreApplication::arguments(), environment);
}
