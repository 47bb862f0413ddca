#include "sim/options.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "sim/module.h"
#include "sim/pty_line.h"

namespace tc24::sim {

namespace {

std::optional<long> wholeNumber(std::string_view text) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> decimalNumber(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// "3", "1,2,7".
bool addAddresses(const std::string& text, std::vector<std::uint8_t>& addresses) {
    std::size_t from = 0;
    while (from <= text.size()) {
        const std::size_t comma = text.find(',', from);
        const std::size_t to = comma == std::string::npos ? text.size() : comma;
        const auto n = wholeNumber(std::string_view(text).substr(from, to - from));
        if (!n || *n < kLowestStation || *n > kHighestStation) {
            return false;
        }
        addresses.push_back(static_cast<std::uint8_t>(*n));
        if (comma == std::string::npos) {
            break;
        }
        from = comma + 1;
    }
    return true;
}

struct FaultOption {
    const char* name;
    Fault fault;
};

constexpr FaultOption kFaultOptions[] = {
    {"--drop", Fault::Drop},     {"--corrupt", Fault::Corrupt}, {"--split", Fault::Split},
    {"--noise", Fault::Noise},   {"--delay", Fault::Delay},     {"--exception", Fault::Exception},
    {"--vanish", Fault::Vanish},
};

}  // namespace

const char* usageText() {
    return R"(usage: tc24-sim [options]

Simulates 24-channel temperature modules on a pseudo-terminal. The first line of standard
output is "device /dev/pts/N", the device to open (again after each vanish fault); with
--tcp it is "tcp 127.0.0.1:PORT".

Line:
  --baud N              line speed, 1200 to 921600 (default 19200); replies leave at
                        10 bit times per byte
  --turnaround MS       pause between request and reply (default 3)
  --link PATH           make PATH a symbolic link to the device (e.g. <tool dir>/ports/COM3);
                        removed on exit
  --tcp PORT            serve on 127.0.0.1:PORT instead (0: any free port), as a serial
                        device server passes RTU frames over TCP; one client at a time
  --echo                the client hears its own requests: every byte it sends comes
                        straight back ahead of any reply, as on a 2-wire RS-485 adapter
                        whose receiver stays on (not a reply: never faulted or counted)
Modules:
  --address N[,N...]    one module per address, 1 to 249 (repeatable; default one module at 1)
  --state FILE          keep the modules' addresses in FILE across restarts
  --sensors FILE        sensor table (format in docs/protocol.md); modules not in the file
                        get a generated table
  --seed N              seed of generated tables (default 1)
  --new N               sensors not yet assigned, per generated module (default 1)
  --drift DEGREES       how far temperatures wander from their base (default 0.5 for
                        generated tables, 0 for tables from a file)
Faults (RATE is a probability such as 0.05, or every:N for every N-th reply):
  --drop RATE           the reply is not sent
  --corrupt RATE        one byte of the reply is changed
  --split RATE          the reply leaves in 2-3 chunks, --split-pause-ms apart (default 20,
                        below the 30 ms gap after which a master takes a reply as ended)
  --noise RATE          1-4 random bytes before or after the reply
  --delay RATE          the reply leaves --delay-ms later (default 500)
  --exception RATE      a MODBUS exception (--exception-code, default 6) replaces the reply
  --vanish RATE         the line closes part-way through the reply for --vanish-ms
                        (default 2000) and comes back as a new device
  --misstore RATE       a module fault: a serial-number write is confirmed, but the number
                        stored differs in its last byte (RATE counts writes)
  --fault-seed N        seed of the fault dice (default 1)
Other:
  --log                 log every request, reply, echo and collision with a timestamp (ms)
                        to standard error
  --exit-after SECONDS  stop after that time
  --help                this text
On exit (also on SIGINT or SIGTERM) the request and fault counts go to standard output,
among them collisions: requests that arrived while a reply was still to come (a delayed one
too) or on the wire, or within 3.5 character times after its last byte left. A master must
not talk over a reply; a request that gets no reply leaves nothing to collide with.
)";
}

std::optional<Options> parseOptions(int argc, char** argv, std::string& error) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return std::nullopt;
            }
            return std::string(argv[++i]);
        };
        auto bad = [&](const std::string& text, const char* what) {
            error = name + " " + text + ": " + what;
            return std::nullopt;
        };
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name == "--log") {
            options.log = true;
            continue;
        }
        if (name == "--echo") {
            options.echo = true;
            continue;
        }
        bool isFault = false;
        for (const auto& fault : kFaultOptions) {
            if (name == fault.name) {
                isFault = true;
                const auto text = value();
                if (!text) {
                    return std::nullopt;
                }
                const auto rate = parseFaultRate(*text);
                if (!rate) {
                    return bad(*text, "expected a probability from 0 to 1 or every:N");
                }
                options.faults.rate(fault.fault) = *rate;
            }
        }
        if (isFault) {
            continue;
        }
        const auto text = value();
        if (!text) {
            error = "unknown option or missing value: " + name;
            return std::nullopt;
        }
        const auto whole = wholeNumber(*text);
        const auto decimal = decimalNumber(*text);
        if (name == "--baud") {
            if (!whole || speedConstant(static_cast<int>(*whole)) == B0) {
                return bad(*text, "not a supported baud rate");
            }
            options.baud = static_cast<int>(*whole);
        } else if (name == "--turnaround") {
            if (!decimal || *decimal < 0 || *decimal > 10000) {
                return bad(*text, "expected milliseconds from 0 to 10000");
            }
            options.turnaroundMs = *decimal;
        } else if (name == "--address") {
            if (!addAddresses(*text, options.addresses)) {
                return bad(*text, "expected addresses from 1 to 249, separated by commas");
            }
        } else if (name == "--state") {
            options.statePath = *text;
        } else if (name == "--sensors") {
            options.sensorsPath = *text;
        } else if (name == "--link") {
            options.linkPath = *text;
        } else if (name == "--tcp") {
            if (!whole || *whole < 0 || *whole > 65535) {
                return bad(*text, "expected a port from 0 to 65535 (0: any free port)");
            }
            options.tcpPort = static_cast<int>(*whole);
        } else if (name == "--misstore") {
            const auto rate = parseFaultRate(*text);
            if (!rate) {
                return bad(*text, "expected a probability from 0 to 1 or every:N");
            }
            options.misstore = *rate;
        } else if (name == "--seed" || name == "--fault-seed") {
            if (!whole || *whole < 0 || *whole > 0xFFFFFFFFL) {
                return bad(*text, "expected a whole number");
            }
            (name == "--seed" ? options.seed : options.faultSeed) =
                static_cast<std::uint32_t>(*whole);
        } else if (name == "--new") {
            if (!whole || *whole < 0 || *whole > 200) {
                return bad(*text, "expected 0 to 200");
            }
            options.newSensors = static_cast<int>(*whole);
        } else if (name == "--drift") {
            if (!decimal || *decimal < 0 || *decimal > 50) {
                return bad(*text, "expected degrees from 0 to 50");
            }
            options.driftDegrees = *decimal;
        } else if (name == "--exit-after") {
            if (!decimal || *decimal <= 0) {
                return bad(*text, "expected a number of seconds above 0");
            }
            options.exitAfterSeconds = *decimal;
        } else if (name == "--split-pause-ms" || name == "--delay-ms" || name == "--vanish-ms") {
            if (!whole || *whole < 0 || *whole > 600000) {
                return bad(*text, "expected milliseconds from 0 to 600000");
            }
            int& target = name == "--split-pause-ms" ? options.faults.splitPauseMs
                          : name == "--delay-ms"     ? options.faults.delayMs
                                                     : options.faults.vanishMs;
            target = static_cast<int>(*whole);
        } else if (name == "--exception-code") {
            if (!whole || *whole < 1 || *whole > 255) {
                return bad(*text, "expected an exception code from 1 to 255");
            }
            options.faults.exceptionCode = static_cast<std::uint8_t>(*whole);
        } else {
            error = "unknown option: " + name;
            return std::nullopt;
        }
    }
    if (options.tcpPort && !options.linkPath.empty()) {
        error = "--link names a device; with --tcp there is none";
        return std::nullopt;
    }
    return options;
}

}  // namespace tc24::sim
