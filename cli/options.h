#pragma once

#include <QStringList>
#include <optional>
#include <string>

#include "cli/profile.h"

namespace tc24::cli {

enum class Command {
    Read,
    Watch,
    Address,
    SetAddress,
    Sensors,
    SerialsRead,
    SerialsWrite,
    Identify,
    Scan,
    Commission,
};

// What `commission` is asked to do, as the command line says it (a profile fills the limits
// it leaves unset later, when the file is read).
struct CommissionOptions {
    std::optional<int> newAddress;  // --set-address
    std::string listFile;           // --list
    bool write = false;             // --write: the list is written into the module
    CommissionLimits limits;
    std::string profileFile;
    std::string operatorName;
    std::string note;
    std::string moduleId;
    bool scan = false;  // every module a scan of firstStation-lastStation finds
    bool crcCheck = true;
    std::string recordPath;  // with --scan: folders
    std::string logPath;
    std::string reportPath;
};

// Everything the command line asks for, every number checked against its range.
struct Invocation {
    Command command = Command::Read;

    // Common options; port and baud default to comm.set when not given.
    std::optional<std::string> port;
    std::optional<int> baud;
    int station = 1;
    bool stationGiven = false;  // --station was given, not defaulted
    int timeoutMs = 1000;
    int retries = 0;
    bool json = false;
    std::optional<bool> echo;  // --echo / --no-echo; otherwise tc24.ini's setting
    bool trace = false;        // every frame on standard error

    int start = 0;  // read
    int count = 24;
    int intervalMs = 1000;                   // watch
    std::optional<long> polls;               // watch: nothing polls until Ctrl+C
    std::string watchFile;                   // watch --out: rows appended to this file
    bool reconnect = false;                  // watch: wait for a lost port to come back
    std::optional<int> reconnectForSeconds;  // and give up after this long
    int newAddress = 0;                      // set-address
    int firstPosition = 1;                   // serials read (--positions), serials write (--from)
    int lastPosition = 24;                   // serials read
    std::string file;      // serials read --out ("-": standard output), serials write FILE
    bool verify = false;   // serials write
    int position = 0;      // identify
    int firstStation = 1;  // scan
    int lastStation = 249;
    CommissionOptions commission;
};

struct ParsedArguments {
    std::optional<Invocation> invocation;  // nothing for --help, --version or a usage error
    bool help = false;
    bool version = false;
    std::string error;  // the usage error
};

// `arguments` starts with the program name, as QCoreApplication::arguments() does.
ParsedArguments parseArguments(const QStringList& arguments);

// Whether the command line asks for a printed report: the program then needs Qt GUI (on the
// offscreen platform), which every other command starts without.
bool wantsReport(const QStringList& arguments);

// The text of --help: every command, option and exit status.
std::string helpText();

}  // namespace tc24::cli
