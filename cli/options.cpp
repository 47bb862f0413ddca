#include "cli/options.h"

#include <QCommandLineParser>

#include "master/station_scan.h"
#include "protocol/codes.h"

namespace tc24::cli {

namespace {

constexpr int kLongestTimeoutMs = 600000;
constexpr int kMostRetries = 100;
constexpr int kHighestBaud = 4000000;
constexpr int kLongestIntervalMs = kLongestReadIntervalMs;
constexpr int kLongestReconnectSeconds = 7 * 24 * 3600;

// The options every command takes, before or after the command's name.
struct CommonOptions {
    QCommandLineOption port{"port", "", "P"};
    QCommandLineOption baud{"baud", "", "N"};
    QCommandLineOption station{"station", "", "N"};
    QCommandLineOption timeout{"timeout", "", "MS"};
    QCommandLineOption retries{"retries", "", "N"};
    QCommandLineOption json{"json", ""};
    QCommandLineOption echo{"echo", ""};
    QCommandLineOption noEcho{"no-echo", ""};
    QCommandLineOption trace{"trace", ""};
    QCommandLineOption help{QStringList{"h", "help"}, ""};
    QCommandLineOption version{"version", ""};

    void addTo(QCommandLineParser& parser) const {
        parser.addOptions(
            {port, baud, station, timeout, retries, json, echo, noEcho, trace, help, version});
    }
};

class UsageError {
public:
    explicit UsageError(std::string text) : text_(std::move(text)) {}
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// A whole decimal number from `low` to `high`, or a usage error naming `what`.
int wholeNumber(const QString& text, int low, int high, const std::string& what) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok || value < low || value > high) {
        throw UsageError(what + " " + text.toStdString() + ": expected a whole number from " +
                         std::to_string(low) + " to " + std::to_string(high));
    }
    return value;
}

int optionNumber(const QCommandLineParser& parser, const QCommandLineOption& option, int low,
                 int high, int fallback) {
    if (!parser.isSet(option)) {
        return fallback;
    }
    return wholeNumber(parser.value(option), low, high, "--" + option.names().last().toStdString());
}

void takeCommonOptions(const QCommandLineParser& parser, const CommonOptions& common,
                       Invocation& invocation, ParsedArguments& parsed) {
    parsed.help = parsed.help || parser.isSet(common.help);
    parsed.version = parsed.version || parser.isSet(common.version);
    if (parser.isSet(common.port)) {
        invocation.port = parser.value(common.port).toStdString();
    }
    if (parser.isSet(common.baud)) {
        invocation.baud = optionNumber(parser, common.baud, 1, kHighestBaud, 0);
    }
    invocation.station = optionNumber(parser, common.station, protocol::kLowestStation,
                                      protocol::kHighestStation, invocation.station);
    invocation.stationGiven = invocation.stationGiven || parser.isSet(common.station);
    invocation.timeoutMs =
        optionNumber(parser, common.timeout, 1, kLongestTimeoutMs, invocation.timeoutMs);
    invocation.retries = optionNumber(parser, common.retries, 0, kMostRetries, invocation.retries);
    invocation.json = invocation.json || parser.isSet(common.json);
    if (parser.isSet(common.echo) && parser.isSet(common.noEcho)) {
        throw UsageError("--echo and --no-echo: give one of them");
    }
    if (parser.isSet(common.echo) || parser.isSet(common.noEcho)) {
        invocation.echo = parser.isSet(common.echo);
    }
    invocation.trace = invocation.trace || parser.isSet(common.trace);
}

// "A-B" or "A", positions 1 to 24.
void takePositions(const QString& text, Invocation& invocation) {
    const QStringList ends = text.split('-');
    if (ends.size() > 2) {
        throw UsageError("--positions " + text.toStdString() + ": expected A-B, e.g. 1-24");
    }
    invocation.firstPosition =
        wholeNumber(ends.front(), protocol::kFirstPosition, protocol::kPositions, "--positions");
    invocation.lastPosition =
        wholeNumber(ends.back(), protocol::kFirstPosition, protocol::kPositions, "--positions");
    if (invocation.lastPosition < invocation.firstPosition) {
        throw UsageError("--positions " + text.toStdString() + ": the last comes before the first");
    }
}

// Text an option carries (a file name, a label); empty text is refused when `needed`.
std::string textOption(const QCommandLineParser& parser, const QCommandLineOption& option,
                       const char* needed = nullptr) {
    const std::string text = parser.value(option).toStdString();
    if (needed != nullptr && parser.isSet(option) && text.empty()) {
        throw UsageError("--" + option.names().last().toStdString() + " needs " + needed);
    }
    return text;
}

// A temperature option in degrees ("--min -5.5"), as hundredths.
std::optional<int> degreesOption(const QCommandLineParser& parser, const QCommandLineOption& option,
                                 bool spread = false) {
    if (!parser.isSet(option)) {
        return std::nullopt;
    }
    const std::string text = parser.value(option).toStdString();
    std::string why;
    const auto value = spread ? parseSpread(text, why) : parseDegrees(text, why);
    if (!value) {
        throw UsageError("--" + option.names().last().toStdString() + " " + text + ": " + why);
    }
    return value;
}

void expectArguments(const QStringList& given, qsizetype count, const std::string& usage) {
    if (given.size() != count) {
        throw UsageError(given.size() < count ? "missing argument: " + usage
                                              : "unexpected argument " +
                                                    given.at(count).toStdString() + ": " + usage);
    }
}

// --from A --to B of a scan, stations 1 to 249.
void takeStationRange(const QCommandLineParser& parser, const QCommandLineOption& from,
                      const QCommandLineOption& to, const std::string& command,
                      Invocation& invocation) {
    invocation.firstStation = optionNumber(parser, from, protocol::kLowestStation,
                                           protocol::kHighestStation, master::kScanFirstStation);
    invocation.lastStation = optionNumber(parser, to, protocol::kLowestStation,
                                          protocol::kHighestStation, master::kScanLastStation);
    if (invocation.lastStation < invocation.firstStation) {
        throw UsageError(command + " --from " + std::to_string(invocation.firstStation) + " --to " +
                         std::to_string(invocation.lastStation) +
                         ": the last station comes before the first");
    }
}

// Parses the command's own part: its name, its arguments and options (and common ones).
void parseCommand(const QStringList& words, const CommonOptions& common, Invocation& invocation,
                  ParsedArguments& parsed) {
    QString name = words.front();
    QStringList rest = words.mid(1);
    if (name == "serials") {
        if (rest.isEmpty() || (rest.front() != "read" && rest.front() != "write")) {
            throw UsageError("serials: expected \"serials read\" or \"serials write FILE\"");
        }
        name += ' ' + rest.takeFirst();
    }

    // "-1" would read as an option; a number is what the command takes, so say which.
    if ((name == "set-address" || name == "identify") && !rest.isEmpty() &&
        rest.front().size() > 1 && rest.front().front() == '-' && rest.front().at(1).isDigit()) {
        wholeNumber(rest.front(),
                    name == "identify" ? protocol::kFirstPosition : protocol::kLowestStation,
                    name == "identify" ? protocol::kPositions : protocol::kHighestStation,
                    name.toStdString());
    }

    QCommandLineParser parser;
    common.addTo(parser);
    const QCommandLineOption start("start", "", "S");
    const QCommandLineOption count("count", "", "N");
    const QCommandLineOption interval("interval", "", "MS");
    const QCommandLineOption positions("positions", "", "A-B");
    const QCommandLineOption out("out", "", "FILE");
    const QCommandLineOption from("from", "", "N");
    const QCommandLineOption to("to", "", "N");
    const QCommandLineOption verify("verify", "");
    const QCommandLineOption reconnect("reconnect", "");
    const QCommandLineOption reconnectFor("reconnect-for", "", "SECONDS");
    // commission
    const QCommandLineOption setAddress("set-address", "", "NEW");
    const QCommandLineOption list("list", "", "FILE");
    const QCommandLineOption write("write", "");
    const QCommandLineOption sensors("sensors", "", "N");
    const QCommandLineOption minimum("min", "", "C");
    const QCommandLineOption maximum("max", "", "C");
    const QCommandLineOption spread("spread", "", "C");
    const QCommandLineOption reads("reads", "", "K");
    const QCommandLineOption profile("profile", "", "FILE");
    const QCommandLineOption operatorName("operator", "", "NAME");
    const QCommandLineOption note("note", "", "TEXT");
    const QCommandLineOption moduleId("module-id", "", "TEXT");
    const QCommandLineOption scanAll("scan", "");
    const QCommandLineOption noCrcCheck("no-crc-check", "");
    const QCommandLineOption record("record", "", "FILE");
    const QCommandLineOption log("log", "", "FILE");
    const QCommandLineOption report("report", "", "FILE");
    if (name == "read") {
        parser.addOptions({start, count});
    } else if (name == "watch") {
        parser.addOptions({interval, count, out, reconnect, reconnectFor});
    } else if (name == "serials read") {
        parser.addOptions({positions, out});
    } else if (name == "serials write") {
        parser.addOptions({from, verify});
    } else if (name == "scan") {
        parser.addOptions({from, to});
    } else if (name == "commission") {
        parser.addOptions({setAddress, list,  write,    sensors,    positions,    minimum, maximum,
                           spread,     reads, interval, profile,    operatorName, note,    moduleId,
                           scanAll,    from,  to,       noCrcCheck, record,       log,     report});
    }
    if (!parser.parse(QStringList{"tc24-cli " + name} + rest)) {
        throw UsageError(name.toStdString() + ": " + parser.errorText().toStdString());
    }
    takeCommonOptions(parser, common, invocation, parsed);
    const QStringList arguments = parser.positionalArguments();

    if (name == "read") {
        invocation.command = Command::Read;
        expectArguments(arguments, 0, "read [--start S] [--count N]");
        invocation.start = optionNumber(parser, start, 0, protocol::kPositions - 1, 0);
        invocation.count = optionNumber(parser, count, 1, protocol::kPositions - invocation.start,
                                        protocol::kPositions - invocation.start);
    } else if (name == "watch") {
        invocation.command = Command::Watch;
        expectArguments(arguments, 0,
                        "watch [--interval MS] [--count K] [--out FILE] [--reconnect]");
        invocation.intervalMs =
            optionNumber(parser, interval, 1, kLongestIntervalMs, invocation.intervalMs);
        if (parser.isSet(count)) {
            invocation.polls = optionNumber(parser, count, 1, 1 << 30, 1);
        }
        invocation.watchFile = parser.value(out).toStdString();
        if (parser.isSet(out) && invocation.watchFile.empty()) {
            throw UsageError("--out needs a file name");
        }
        invocation.reconnect = parser.isSet(reconnect) || parser.isSet(reconnectFor);
        if (parser.isSet(reconnectFor)) {
            invocation.reconnectForSeconds =
                optionNumber(parser, reconnectFor, 1, kLongestReconnectSeconds, 1);
        }
    } else if (name == "address") {
        invocation.command = Command::Address;
        expectArguments(arguments, 0, "address");
    } else if (name == "set-address") {
        invocation.command = Command::SetAddress;
        expectArguments(arguments, 1, "set-address NEW");
        invocation.newAddress = wholeNumber(arguments.front(), protocol::kLowestStation,
                                            protocol::kHighestStation, "set-address");
    } else if (name == "sensors") {
        invocation.command = Command::Sensors;
        expectArguments(arguments, 0, "sensors");
    } else if (name == "serials read") {
        invocation.command = Command::SerialsRead;
        expectArguments(arguments, 0, "serials read [--positions A-B] [--out FILE]");
        if (parser.isSet(positions)) {
            takePositions(parser.value(positions), invocation);
        }
        invocation.file = parser.value(out).toStdString();
        if (parser.isSet(out) && invocation.file.empty()) {
            throw UsageError("--out needs a file name");
        }
        if (invocation.file == "-" && invocation.json) {
            throw UsageError("--out - and --json both write to standard output: give one");
        }
    } else if (name == "serials write") {
        invocation.command = Command::SerialsWrite;
        expectArguments(arguments, 1, "serials write FILE [--from POS] [--verify]");
        invocation.file = arguments.front().toStdString();
        invocation.firstPosition =
            optionNumber(parser, from, protocol::kFirstPosition, protocol::kPositions, 1);
        invocation.verify = parser.isSet(verify);
    } else if (name == "identify") {
        invocation.command = Command::Identify;
        expectArguments(arguments, 1, "identify POS");
        invocation.position = wholeNumber(arguments.front(), protocol::kFirstPosition,
                                          protocol::kPositions, "identify");
    } else if (name == "scan") {
        invocation.command = Command::Scan;
        expectArguments(arguments, 0, "scan [--from A] [--to B]");
        takeStationRange(parser, from, to, "scan", invocation);
    } else if (name == "commission") {
        invocation.command = Command::Commission;
        expectArguments(arguments, 0, "commission [OPTIONS] (see tc24-cli --help)");
        CommissionOptions& job = invocation.commission;
        if (parser.isSet(setAddress)) {
            job.newAddress = optionNumber(parser, setAddress, protocol::kLowestStation,
                                          protocol::kHighestStation, protocol::kLowestStation);
        }
        job.listFile = textOption(parser, list, "a file name");
        job.write = parser.isSet(write);
        if (job.write && job.listFile.empty()) {
            throw UsageError("--write needs --list FILE: the list to write");
        }
        if (parser.isSet(sensors)) {
            job.limits.sensors = optionNumber(parser, sensors, 0, protocol::kPositions, 0);
        }
        if (parser.isSet(positions)) {
            std::string why;
            const std::string text = parser.value(positions).toStdString();
            job.limits.positions = parsePositionRange(text, why);
            if (!job.limits.positions) {
                throw UsageError("--positions " + text + ": " + why);
            }
        }
        job.limits.minCentidegrees = degreesOption(parser, minimum);
        job.limits.maxCentidegrees = degreesOption(parser, maximum);
        job.limits.spreadCentidegrees = degreesOption(parser, spread, true);
        if (parser.isSet(reads)) {
            job.limits.reads = optionNumber(parser, reads, 1, kMostReads, kDefaultReads);
        }
        if (parser.isSet(interval)) {
            job.limits.intervalMs =
                optionNumber(parser, interval, 1, kLongestReadIntervalMs, kDefaultReadIntervalMs);
        }
        job.profileFile = textOption(parser, profile, "a file name");
        job.operatorName = textOption(parser, operatorName);
        job.note = textOption(parser, note);
        job.moduleId = textOption(parser, moduleId);
        job.scan = parser.isSet(scanAll);
        job.crcCheck = !parser.isSet(noCrcCheck);
        job.recordPath = textOption(parser, record, "a file name");
        job.logPath = textOption(parser, log, "a file name");
        job.reportPath = textOption(parser, report, "a file name");
        if (job.scan) {
            // Every module found keeps its address and its serial numbers.
            if (job.newAddress) {
                throw UsageError(
                    "--scan and --set-address: a scan commissions each module at "
                    "its own address");
            }
            if (job.write) {
                throw UsageError(
                    "--scan and --write: one list cannot be written into every "
                    "module; commission them one by one");
            }
            if (invocation.stationGiven) {
                throw UsageError("--scan and --station: give one of them");
            }
            takeStationRange(parser, from, to, "commission --scan", invocation);
        } else if (parser.isSet(from) || parser.isSet(to)) {
            throw UsageError("--from and --to go with --scan");
        }
    } else {
        throw UsageError("unknown command " + name.toStdString() + " (see tc24-cli --help)");
    }
}

}  // namespace

ParsedArguments parseArguments(const QStringList& arguments) {
    ParsedArguments parsed;
    Invocation invocation;
    CommonOptions common;
    QCommandLineParser parser;
    common.addTo(parser);
    // The command's name ends the common options; what follows is the command's.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    try {
        if (!parser.parse(arguments)) {
            throw UsageError(parser.errorText().toStdString());
        }
        takeCommonOptions(parser, common, invocation, parsed);
        const QStringList words = parser.positionalArguments();
        if (parsed.help || parsed.version) {
            return parsed;
        }
        if (words.isEmpty()) {
            throw UsageError("no command given (see tc24-cli --help)");
        }
        parseCommand(words, common, invocation, parsed);
    } catch (const UsageError& error) {
        if (parsed.help || parsed.version) {
            return parsed;
        }
        parsed.error = error.text();
        return parsed;
    }
    if (!parsed.help && !parsed.version) {
        parsed.invocation = invocation;
    }
    return parsed;
}

bool wantsReport(const QStringList& arguments) {
    const ParsedArguments parsed = parseArguments(arguments);
    return parsed.invocation && parsed.invocation->command == Command::Commission &&
           !parsed.invocation->commission.reportPath.empty();
}

std::string helpText() {
    return R"(usage: tc24-cli [--port P] [--baud N] [--station N] [--timeout MS] [--retries N]
                [--echo | --no-echo] [--trace] [--json] COMMAND [ARGS]

Talks to 24-channel temperature modules over a serial line, for scripts and production
lines. Results go to standard output, messages and progress to standard error.

Options (before or after the command):
  --port P        COMn (the window's mapping: <settings folder>/ports/COMn, else
                  /dev/ttyUSB{n-1}), a device path (/dev/ttyUSB0, /dev/serial/by-id/...,
                  /dev/pts/3), or tcp://HOST:PORT (RTU frames over TCP, as serial device
                  servers offer them). Default: the port in comm.set, else COM1 (a comm.set
                  that cannot be read is named on standard error). A device is opened and
                  locked under its real path, whatever link names it.
  --baud N        line speed. Default: the rate in comm.set, else 19200.
  --station N     the module's address, 1-249 (default 1).
  --timeout MS    how long a request waits for the first byte of its reply (default 1000).
                  A reply under way is read to its end, so one value serves 1200 to
                  115200 baud.
  --retries N     further attempts after a time-out, a broken reply or exception 06 (busy)
                  (default 0). Before any request after a failed attempt, the tool waits
                  one more time-out (at most 1 s) and drops whatever arrives then: a late
                  reply is never talked over nor taken for the next one. A reply from
                  another station is skipped and the wait goes on.
  --echo          the line echoes every request before the reply (a 2-wire RS-485 adapter
                  whose receiver stays on): the echo is dropped. --no-echo: it does not.
                  Default: the window's "回显抑制" setting in tc24.ini, else off.
  --trace         every frame sent and received, as hex with a time stamp and the time
                  since its request, on standard error (labelled sent, received, echo
                  dropped, late dropped). No progress is shown while tracing.
  --json          results as JSON (compact, keys sorted) instead of text. A failure still
                  prints what was done, with an "error": {"message": ..., "status": N}.
  --help          this text.   --version   the version.

Commands:
  read [--start S] [--count N]
        one register query (default start 0, count 24). One line per channel,
        "<channel> <value>", e.g. "1 25.34", and "3 -" for a channel without a reading.
        --json: {"channels":[25.34,null,...],"start":0,"station":1}
  watch [--interval MS] [--count K] [--out FILE] [--reconnect | --reconnect-for S]
        polls all 24 channels every MS (default 1000), K times or until Ctrl+C, which ends
        after the current line. CSV on standard output with the columns of the window's CSV
        recording: time,station,ch1,...,ch24 (empty: no reading). --json: one object a
        line, and a last line {"error": ...} when polls failed. --out FILE appends the rows
        to FILE instead, with the header only when FILE is new or empty. --reconnect: when
        the port goes away, try to open it again every second and go on (K then counts
        rows written); --reconnect-for S gives up after S seconds with status 3.
  address
        the module's address (asked at station 250: one module on the line only).
  set-address NEW
        gives the module at --station the address NEW (1-249); refused when a device
        already answers at NEW; succeeds only when the module then answers at NEW. Sent
        once whatever --retries says (only a busy module is asked again); when its reply
        is lost, NEW is asked instead.
  sensors
        the number of sensors the module found: asked at --station when it is given,
        else at station 250 (one module on the line only).
  serials read [--positions A-B] [--out FILE]
        the serial numbers of positions A to B (default 1-24), "<position> <serial number>"
        a line. FILE gets them in the window's list format ("保存序列号"), which the
        window's import reads; positions before A stay empty there. FILE must be a regular
        file (replaced whole) or a new one; "-" writes the list to standard output.
  serials write FILE [--from POS] [--verify]
        writes the list in FILE (the window's list format, at most 64 KiB) into positions
        POS, POS+1, ... (default 1); empty entries are skipped, a list without any serial
        number is refused, and so is any entry that is not 8 hex bytes, text after the
        8th byte, or more entries than the count line gives (the message names the line).
        --verify reads each position back and stops at the first that holds something
        else, naming it.
  identify POS
        assigns the one new sensor attached to the module to position POS (1-24) and prints
        its serial number. Sent once whatever --retries says; when its reply is lost, POS
        is read back instead.
  scan [--from A] [--to B]
        the stations that answer a register read, one a line (default 1-249, the window's
        range; --from A alone scans A-249). A station whose answer cannot be read (a wrong
        CRC: two modules at one address, an echoing line) is named on standard error and
        the exit status is 1. Use a short --timeout: each silent station waits that long,
        and the next is asked at once, so a module slower than the time-out may be asked
        over its late reply.
  commission [--set-address NEW] [--list FILE [--write]] [--sensors N] [--positions A-B]
             [--min C] [--max C] [--spread C] [--reads K] [--interval MS] [--profile FILE]
             [--operator NAME] [--note TEXT] [--module-id TEXT] [--no-crc-check]
             [--scan [--from A] [--to B]] [--record FILE] [--log FILE] [--report FILE]
        the whole job on one module, ending in its commissioning record. In order: find
        the module (at --station; without it, asked at station 250: one module on the line
        only); give it the address NEW, as set-address does; ask its sensor count; with
        --write, write every entry of the list and read it back (an empty entry empties its
        position); read the serial numbers of the other positions (all 24 without --write);
        take K readings of the 24 channels MS apart (default 5 and 1000); judge them. A step
        without a valid reply is recorded as not done with the reason, and the next step
        runs, unless the module was not found or the port went away.
        The checks; one that is not configured never blocks a pass, and the verdict is
        "pass" only when every configured check ran and passed:
          sensor_count  the module reports N sensors (--sensors N, 0-24)
          positions     every expected position holds a serial number: A-B (--positions),
                        else 1-N (--sensors), else the list's non-empty entries, else
                        every position that holds one
          assigned      every sensor on the module's bus has a position
          list_match    every position the list covers holds its entry (--list)
          duplicates    no serial number appears twice
          crc8          every serial number ends in its 1-Wire CRC-8 (--no-crc-check: for
                        sensors that are not 1-Wire parts)
          limits        every reading of a position holding a sensor within [--min, --max],
                        bounds included; "no reading" fails it
          spread        each such position's mean within +/- C of the median of the means
          readings      every reading got a valid reply
        C is degrees with at most two decimals (--min -5.5, --max 25.34).
        --list FILE: the window's list format, entry i for position i. It must reach as far
        as the expected positions: to B with --positions A-B, else to N with --sensors N
        (alone, the list's own length is what it covers); an expected position may not be
        empty in it.
        --profile FILE: a product's limits in an INI file with the keys sensors, positions,
        min, max, spread, reads, interval ("min=-5.5", "positions=1-8"); options given on
        the command line win. An unknown key or a bad value is a usage error.
        --operator, --note and --module-id (a label or a scanned barcode: the module has
        no serial number of its own) go into the record; the module id also into the log
        and the file names.
        --record FILE: the record as JSON, replaced whole. --report FILE: the record as a
        one-page A4 PDF (drawn offscreen; needs no display). --log FILE: one CSV line a
        module, appended: time, address, verdict, failed checks, operator, module id,
        record, tool version, sn1-sn24; the header only when the file is new or empty.
        Every path is checked before anything is sent, as --out is.
        --scan: commissions every module that answers a scan of stations A-B (default
        1-249; give a short --timeout) at its own address; not with --set-address, --write
        or --station. --record and --report then name folders, which must exist; each
        module's files in them are tc24-<address>[-<module id>]-<start time>.json and .pdf.
        Standard output: "station 7: pass", or the verdict with a line for each step not
        done and each failed check; --json: the record itself (with --scan, an array).
        Exit status: 3 the port went away, 1 a step got no valid reply or a check could not
        run, 4 a record, report or log line could not be written, 5 a check failed, 0 the
        module passed: the first that applies, and with --scan the worst module's. The
        record, report and log line are written in every case that reached the line; a
        signal writes them marked "interrupted".

serials read, serials write, scan and commission show their progress on standard error when
it is a terminal. Every command ends cleanly on SIGINT, SIGTERM or SIGHUP after its current
request (set-address and identify finish their check first); a second signal ends it at
once.

Exit status:
  0  done
  1  the module answered wrongly or not at all (time-out, CRC, exception, verify mismatch,
     a garbled answer in scan)
  2  usage error, a bad input file or profile, or an --out (--record, --log, --report) that
     is not a regular file or new path
  3  the port cannot be opened or went away (the message carries the system's reason; a
     port held by another program says "in use")
  4  the results could not be written (standard output, --out, or commission's record,
     report or log; the message names the file and the system's reason). A closed pipe
     (| head) ends the command with 141.
  5  commission: the module answered, but failed a check
  128+N  ended by signal N (130 for Ctrl+C); watch keeps its own status (0, or 1 when
     polls failed)
)";
}

}  // namespace tc24::cli
