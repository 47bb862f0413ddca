#include "cli/cli.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <sstream>
#include <thread>

#include "app/platform/settings_folder.h"
#include "app/settings/comm_settings.h"
#include "cli/list_file.h"
#include "cli/master.h"
#include "cli/options.h"
#include "measure/csv_recorder.h"
#include "protocol/hex.h"
#include "protocol/requests.h"
#include "protocol/temperature.h"

namespace tc24::cli {

namespace {

constexpr int kDefaultPort = 1;
constexpr int kDefaultBaud = 19200;
constexpr int kRateZero = 9600;  // comm.set's rate 0 stands for 9600, as in the window
// A list of 128 entries takes under 5 KiB; anything far larger is not one.
constexpr qint64 kLargestListFile = 64 * 1024;

// "25.34", or `none` for a register without a reading.
std::string readingText(std::uint16_t value, const char* none) {
    const auto reading = protocol::registerReading(value);
    return reading ? protocol::centidegreesText(*reading) : none;
}

std::string quoted(const std::string& text) {
    return '"' + text + '"';  // only hex text and times are quoted: nothing to escape
}

// The progress of a long command on standard error, rewritten in place on a terminal.
class Progress {
public:
    Progress(std::ostream& err, bool shown, int total)
        : err_(err), shown_(shown), total_(total), started_(Clock::now()) {}
    ~Progress() { clear(); }

    // Before step `done` + 1 of the total: "position 5 (5 of 24), about 3 s left".
    void show(const std::string& what, int done, const std::string& extra = {}) {
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

    void clear() {
        if (shown_ && width_ > 0) {
            err_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
            width_ = 0;
        }
    }

private:
    std::ostream& err_;
    bool shown_;
    int total_;
    Clock::time_point started_;
    std::size_t width_ = 0;
};

class Session {
public:
    Session(const Invocation& invocation, Environment& environment, Master& master)
        : in_(invocation), env_(environment), master_(master) {}

    int run(QSaveFile* listOut, const std::vector<ListEntry>& listIn);

private:
    int fail(const std::string& context, const Failure& failure) {
        env_.err << "tc24-cli: " << context << failure.message << '\n';
        return failure.status;
    }
    std::uint8_t station() const { return static_cast<std::uint8_t>(in_.station); }
    bool stopRequested() const { return env_.stop != nullptr && *env_.stop != 0; }

    int read();
    int watch();
    int address();
    int setAddress();
    int sensors();
    int serialsRead(QSaveFile* listOut);
    int serialsWrite(const std::vector<ListEntry>& list);
    int identify();
    int scan();

    const Invocation& in_;
    Environment& env_;
    Master& master_;
};

int Session::run(QSaveFile* listOut, const std::vector<ListEntry>& listIn) {
    switch (in_.command) {
        case Command::Read:
            return read();
        case Command::Watch:
            return watch();
        case Command::Address:
            return address();
        case Command::SetAddress:
            return setAddress();
        case Command::Sensors:
            return sensors();
        case Command::SerialsRead:
            return serialsRead(listOut);
        case Command::SerialsWrite:
            return serialsWrite(listIn);
        case Command::Identify:
            return identify();
        case Command::Scan:
            return scan();
    }
    return kUsage;
}

int Session::read() {
    const auto reply =
        master_.ask(protocol::registerReadRequest(station(), static_cast<std::uint16_t>(in_.start),
                                                  static_cast<std::uint16_t>(in_.count)),
                    protocol::parseRegisterReply);
    if (!reply.ok()) {
        return fail("", reply.failure);
    }
    if (in_.json) {
        env_.out << "{\"station\":" << in_.station << ",\"start\":" << in_.start
                 << ",\"channels\":[";
        for (std::size_t i = 0; i < reply.value->size(); ++i) {
            env_.out << (i == 0 ? "" : ",") << readingText((*reply.value)[i], "null");
        }
        env_.out << "]}\n";
        return kDone;
    }
    for (std::size_t i = 0; i < reply.value->size(); ++i) {
        env_.out << in_.start + static_cast<int>(i) + 1 << ' '
                 << readingText((*reply.value)[i], "-") << '\n';
    }
    return kDone;
}

int Session::watch() {
    if (env_.catchInterrupt) {
        env_.catchInterrupt();
    }
    const auto interval = std::chrono::milliseconds(in_.intervalMs);
    const auto request = protocol::registerReadRequest(
        station(), 0, static_cast<std::uint16_t>(protocol::kPositions));
    if (!in_.json) {
        // The columns of the window's CSV recording.
        env_.out << measure::csvHeader() << std::flush;
    }
    int status = kDone;
    auto next = Clock::now();
    for (long poll = 0; !in_.polls || poll < *in_.polls; ++poll) {
        // Sleep in short steps so that Ctrl+C is seen soon.
        while (!stopRequested() && Clock::now() < next) {
            std::this_thread::sleep_for(
                std::min<Clock::duration>(next - Clock::now(), std::chrono::milliseconds(50)));
        }
        if (stopRequested()) {
            break;
        }
        next += interval;
        const auto reply = master_.ask(request, protocol::parseRegisterReply);
        const std::string time = measure::isoLocalTime(std::chrono::system_clock::now());
        if (!reply.ok()) {
            if (reply.failure.status == kPortFailed) {
                return fail("", reply.failure);
            }
            fail(time + ": ", reply.failure);
            status = kModuleFailed;
        } else if (in_.json) {
            env_.out << "{\"time\":" << quoted(time) << ",\"station\":" << in_.station
                     << ",\"channels\":[";
            for (std::size_t i = 0; i < reply.value->size(); ++i) {
                env_.out << (i == 0 ? "" : ",") << readingText((*reply.value)[i], "null");
            }
            env_.out << "]}\n" << std::flush;
        } else {
            env_.out << time << ',' << in_.station;
            for (const std::uint16_t value : *reply.value) {
                env_.out << ',' << readingText(value, "");
            }
            env_.out << "\r\n" << std::flush;
        }
        // A poll that took longer than the interval is followed at once, not caught up on.
        next = std::max(next, Clock::now());
    }
    return status;
}

int Session::address() {
    const auto reply = master_.ask(protocol::addressReadRequest(), protocol::parseAddressReply);
    if (!reply.ok()) {
        return fail("", reply.failure);
    }
    if (in_.json) {
        env_.out << "{\"address\":" << int{*reply.value} << "}\n";
    } else {
        env_.out << int{*reply.value} << '\n';
    }
    return kDone;
}

int Session::setAddress() {
    const auto newAddress = static_cast<std::uint8_t>(in_.newAddress);
    const std::string target = std::to_string(in_.newAddress);
    const auto registerAtTarget = protocol::registerReadRequest(newAddress, 0, 1);
    if (in_.newAddress != in_.station) {
        // Two devices at one address would answer together from then on.
        const auto occupant =
            master_.ask(registerAtTarget, protocol::parseRegisterReply, Resend::Never);
        if (occupant.failure.status == kPortFailed) {
            return fail("", occupant.failure);
        }
        if (occupant.heard) {
            return fail("", {kModuleFailed,
                             "a device already answers at " + target + "; choose a free address"});
        }
    }
    // The module answers from the new address at once: a resend after a lost reply would go
    // to the address it has left.
    const auto changed = master_.ask(protocol::addressChangeRequest(station(), newAddress),
                                     protocol::parseAddressChangeReply, Resend::Never);
    if (!changed.ok() && !changed.effectUnknown()) {
        return fail("", changed.failure);
    }
    // The change counts only once the module answers at the new address.
    const auto check = master_.ask(registerAtTarget, protocol::parseRegisterReply);
    const bool answers = check.ok() || check.verdict == protocol::ReplyVerdict::Exception;
    if (!answers) {
        if (check.failure.status == kPortFailed) {
            return fail("", check.failure);
        }
        if (changed.ok()) {
            return fail("the module confirmed the change but does not answer at " + target + ": ",
                        check.failure);
        }
        return fail(
            "", {kModuleFailed, changed.failure.message + ", and nothing answers at " + target});
    }
    if (in_.json) {
        env_.out << "{\"address\":" << in_.newAddress << "}\n";
    } else {
        env_.out << in_.newAddress << '\n';
    }
    return kDone;
}

int Session::sensors() {
    // Several modules asked at 250 answer at once; one asked at its own address answers alone.
    const auto asked = in_.stationGiven ? station() : protocol::kAnyModuleStation;
    const auto reply =
        master_.ask(protocol::sensorCountRequest(asked), protocol::parseSensorCountReply);
    if (!reply.ok()) {
        return fail("", reply.failure);
    }
    if (in_.json) {
        env_.out << "{\"sensors\":" << int{*reply.value} << "}\n";
    } else {
        env_.out << int{*reply.value} << '\n';
    }
    return kDone;
}

int Session::serialsRead(QSaveFile* listOut) {
    const int total = in_.lastPosition - in_.firstPosition + 1;
    Progress progress(env_.err, env_.errIsTerminal, total);
    // Positions before the first read stay empty in the list, as in the window's.
    std::vector<ListEntry> list(static_cast<std::size_t>(in_.firstPosition - 1));
    std::string json;
    for (int position = in_.firstPosition; position <= in_.lastPosition; ++position) {
        progress.show("position " + std::to_string(position), position - in_.firstPosition);
        const auto reply =
            master_.ask(protocol::serialReadRequest(station(), static_cast<std::uint8_t>(position)),
                        protocol::parseSerialReply);
        if (!reply.ok()) {
            progress.clear();
            return fail("position " + std::to_string(position) + ": ", reply.failure);
        }
        const std::string text = serialNumberText(*reply.value);
        list.push_back(*reply.value);
        if (in_.json) {
            json += std::string(json.empty() ? "" : ",") +
                    "{\"position\":" + std::to_string(position) + ",\"serial\":" + quoted(text) +
                    "}";
        } else {
            progress.clear();
            env_.out << position << ' ' << text << '\n' << std::flush;
        }
    }
    progress.clear();
    if (in_.json) {
        env_.out << "{\"station\":" << in_.station << ",\"serials\":[" << json << "]}\n";
    }
    if (listOut != nullptr) {
        const std::string content = listFileContent(list);
        if (listOut->write(content.data(), static_cast<qint64>(content.size())) !=
                static_cast<qint64>(content.size()) ||
            !listOut->commit()) {
            env_.err << "tc24-cli: cannot write " << listOut->fileName().toStdString() << ": "
                     << listOut->errorString().toStdString() << '\n';
            return kUsage;
        }
    }
    return kDone;
}

int Session::serialsWrite(const std::vector<ListEntry>& list) {
    Progress progress(env_.err, env_.errIsTerminal, static_cast<int>(list.size()));
    std::string json;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const int position = in_.firstPosition + static_cast<int>(i);
        const std::string where = "position " + std::to_string(position) + ": ";
        if (!list[i]) {
            continue;  // an entry not read when the list was saved
        }
        progress.show("position " + std::to_string(position), static_cast<int>(i));
        const auto positionByte = static_cast<std::uint8_t>(position);
        const auto written =
            master_.ask(protocol::serialWriteRequest(station(), positionByte, *list[i]),
                        protocol::parseSerialWriteReply);
        if (!written.ok()) {
            progress.clear();
            return fail(where, written.failure);
        }
        const std::string text = serialNumberText(*list[i]);
        if (in_.verify) {
            const auto readBack = master_.ask(protocol::serialReadRequest(station(), positionByte),
                                              protocol::parseSerialReply);
            if (!readBack.ok()) {
                progress.clear();
                return fail(where + "reading back: ", readBack.failure);
            }
            if (*readBack.value != *list[i]) {
                progress.clear();
                return fail(where, {kModuleFailed, "wrote " + text + " but it reads back " +
                                                       serialNumberText(*readBack.value)});
            }
        }
        if (in_.json) {
            json += std::string(json.empty() ? "" : ",") +
                    "{\"position\":" + std::to_string(position) + ",\"serial\":" + quoted(text) +
                    ",\"verified\":" + (in_.verify ? "true" : "false") + "}";
        } else {
            progress.clear();
            env_.out << position << ' ' << text << '\n' << std::flush;
        }
    }
    progress.clear();
    if (in_.json) {
        env_.out << "{\"station\":" << in_.station << ",\"written\":[" << json << "]}\n";
    }
    return kDone;
}

int Session::identify() {
    const auto position = static_cast<std::uint8_t>(in_.position);
    const auto readPosition = protocol::serialReadRequest(station(), position);
    // What the position holds before, so that a lost reply can be told from a request the
    // module never took.
    const auto before = master_.ask(readPosition, protocol::parseSerialReply);
    if (!before.ok()) {
        return fail("reading position " + std::to_string(in_.position) + ": ", before.failure);
    }
    // Sent once: the sensor, once assigned, is no longer new, and a resend would be refused.
    const auto reply = master_.ask(protocol::identifyRequest(station(), position),
                                   protocol::parseIdentifyReply, Resend::Never);
    std::optional<protocol::SerialNumber> identified = reply.value;
    if (reply.effectUnknown()) {
        const auto after = master_.ask(readPosition, protocol::parseSerialReply);
        if (after.failure.status == kPortFailed) {
            return fail("", after.failure);
        }
        if (after.ok() && *after.value != *before.value &&
            *after.value != protocol::kNoSerialNumber) {
            identified = after.value;
        }
    }
    if (!identified) {
        return fail("", reply.failure);
    }
    const std::string text = serialNumberText(*identified);
    if (in_.json) {
        env_.out << "{\"position\":" << in_.position << ",\"serial\":" << quoted(text) << "}\n";
    } else {
        env_.out << text << '\n';
    }
    return kDone;
}

int Session::scan() {
    const int total = in_.lastStation - in_.firstStation + 1;
    Progress progress(env_.err, env_.errIsTerminal, total);
    std::string json;
    int found = 0;
    for (int asked = in_.firstStation; asked <= in_.lastStation; ++asked) {
        progress.show("station " + std::to_string(asked), asked - in_.firstStation,
                      ", " + std::to_string(found) + " found");
        const auto reply =
            master_.ask(protocol::registerReadRequest(static_cast<std::uint8_t>(asked), 0, 1),
                        protocol::parseRegisterReply);
        if (reply.failure.status == kPortFailed) {
            progress.clear();
            return fail("", reply.failure);
        }
        // A refusal or an odd answer still comes from a device at that station.
        const bool answers = reply.ok() || reply.verdict == protocol::ReplyVerdict::Exception ||
                             reply.verdict == protocol::ReplyVerdict::Mismatch;
        if (!answers) {
            continue;
        }
        ++found;
        if (in_.json) {
            json += (json.empty() ? "" : ",") + std::to_string(asked);
        } else {
            progress.clear();
            env_.out << asked << '\n' << std::flush;
        }
    }
    progress.clear();
    if (in_.json) {
        env_.out << "{\"stations\":[" << json << "]}\n";
    }
    return kDone;
}

// The line's silence that ends a broken reply: four characters of 10 bits, at least 5 ms.
// A network connection hides the line's timing; its packets come within milliseconds.
std::chrono::milliseconds quietTime(const Endpoint& endpoint, int baud) {
    if (endpoint.kind == Endpoint::Kind::Tcp) {
        return std::chrono::milliseconds(20);
    }
    const auto fourCharacters = static_cast<long long>(std::ceil(40.0 * 1000.0 / baud));
    return std::chrono::milliseconds(std::max<long long>(5, fourCharacters));
}

}  // namespace

int run(const QStringList& arguments, Environment& env) {
    const ParsedArguments parsed = parseArguments(arguments);
    if (parsed.help) {
        env.out << helpText();
        return kDone;
    }
    if (parsed.version) {
        env.out << "tc24-cli " << TC24_VERSION << '\n';
        return kDone;
    }
    if (!parsed.invocation) {
        env.err << "tc24-cli: " << parsed.error << '\n';
        return kUsage;
    }
    const Invocation& invocation = *parsed.invocation;

    // The port and speed the window would use, unless given.
    const SettingsLocation settings = settingsLocation(env.programDirectory);
    const auto saved = readCommSettings(settings);
    const int portNumber = saved && saved->port >= 1 ? saved->port : kDefaultPort;
    const std::string portName = invocation.port.value_or("COM" + std::to_string(portNumber));
    const int baud = invocation.baud.value_or(saved ? (saved->rate == 0 ? kRateZero : saved->rate)
                                                    : kDefaultBaud);
    if (baud < 1) {
        env.err << "tc24-cli: comm.set holds the rate " << baud << "; give --baud\n";
        return kUsage;
    }
    std::string error;
    const auto endpoint = resolvePort(portName, settings, error);
    if (!endpoint) {
        env.err << "tc24-cli: " << error << '\n';
        return kUsage;
    }

    // Files are checked before anything is sent.
    std::vector<ListEntry> listIn;
    std::unique_ptr<QSaveFile> listOut;
    const QString file = QString::fromStdString(invocation.file);
    if (invocation.command == Command::SerialsWrite) {
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly)) {
            env.err << "tc24-cli: cannot read " << invocation.file << ": "
                    << in.errorString().toStdString() << '\n';
            return kUsage;
        }
        // Bounded: a device such as /dev/zero never ends.
        const QByteArray content = in.read(kLargestListFile + 1);
        if (content.size() > kLargestListFile) {
            env.err << "tc24-cli: " << invocation.file << " is larger than "
                    << kLargestListFile / 1024 << " KiB: not a serial-number list\n";
            return kUsage;
        }
        auto list = parseListFile(std::string_view(content.constData(), content.size()));
        if (!list.error.empty()) {
            env.err << "tc24-cli: " << invocation.file << ": " << list.error << '\n';
            return kUsage;
        }
        const int last = invocation.firstPosition + static_cast<int>(list.entries.size()) - 1;
        if (last > protocol::kPositions) {
            env.err << "tc24-cli: " << invocation.file << " holds " << list.entries.size()
                    << " entries; from position " << invocation.firstPosition
                    << " they would reach position " << last << " (the module has 1-"
                    << protocol::kPositions << ")\n";
            return kUsage;
        }
        if (std::none_of(list.entries.begin(), list.entries.end(),
                         [](const ListEntry& entry) { return entry.has_value(); })) {
            env.err << "tc24-cli: " << invocation.file << " holds no serial number\n";
            return kUsage;
        }
        listIn = std::move(list.entries);
    } else if (invocation.command == Command::SerialsRead && !invocation.file.empty()) {
        listOut = std::make_unique<QSaveFile>(file);
        if (!listOut->open(QIODevice::WriteOnly)) {
            env.err << "tc24-cli: cannot write " << invocation.file << ": "
                    << listOut->errorString().toStdString() << '\n';
            return kUsage;
        }
    }

    const auto timeout = std::chrono::milliseconds(invocation.timeoutMs);
    auto opened = env.open(*endpoint, baud, timeout);
    if (!opened.transport) {
        env.err << "tc24-cli: cannot open " << endpoint->shownName << ": " << opened.error << '\n';
        return kPortFailed;
    }
    Master master(*opened.transport, {timeout, invocation.retries, quietTime(*endpoint, baud)});
    Session session(invocation, env, master);
    return session.run(listOut.get(), listIn);
}

}  // namespace tc24::cli
