#include "cli/cli.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <algorithm>
#include <cstdio>
#include <thread>

#include "app/platform/line_file.h"
#include "app/platform/settings_folder.h"
#include "app/platform/tool_settings.h"
#include "app/settings/comm_settings.h"
#include "cli/commission.h"
#include "cli/list_file.h"
#include "cli/master.h"
#include "cli/options.h"
#include "cli/output_path.h"
#include "cli/progress.h"
#include "master/station_scan.h"
#include "measure/csv_recorder.h"
#include "protocol/hex.h"
#include "protocol/printable.h"
#include "protocol/requests.h"
#include "protocol/temperature.h"

namespace tc24::cli {

namespace {

constexpr int kDefaultPort = 1;
constexpr int kDefaultBaud = 19200;
constexpr int kRateZero = 9600;   // comm.set's rate 0 stands for 9600, as in the window
constexpr int kSignalBase = 128;  // a command ended by signal N exits with 128 + N

// "25.34", or `none` for a register without a reading.
std::string readingText(std::uint16_t value, const char* none) {
    const auto reading = protocol::registerReading(value);
    return reading ? protocol::centidegreesText(*reading) : none;
}

// A reading in degrees, or null without one.
QJsonValue readingJson(std::uint16_t value) {
    const auto reading = protocol::registerReading(value);
    if (!reading) {
        return QJsonValue::Null;
    }
    return *reading / 100.0;
}

QJsonArray channelsJson(const std::vector<std::uint16_t>& registers) {
    QJsonArray channels;
    for (const std::uint16_t value : registers) {
        channels.append(readingJson(value));
    }
    return channels;
}

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

std::string jsonLine(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + '\n';
}

QJsonObject errorJson(int status, const std::string& message) {
    return QJsonObject{{"status", status}, {"message", qText(message)}};
}

// The line the session talks over, and how to open it again after a loss.
struct Line {
    Endpoint endpoint;
    int baud = 0;
    std::chrono::milliseconds timeout{};
    std::unique_ptr<Transport> transport;
};

// "tc24-cli trace   1234.567 ms  received      +35.120 ms  01 03 30 …" on standard error.
class Trace {
public:
    explicit Trace(std::ostream& err) : err_(err), started_(Clock::now()) {}

    void operator()(const master::TraceEvent& event) const {
        const char* label = "";
        switch (event.kind) {
            case master::TraceEvent::Kind::Sent:
                label = "sent";
                break;
            case master::TraceEvent::Kind::Received:
                label = "received";
                break;
            case master::TraceEvent::Kind::EchoDropped:
                label = "echo dropped";
                break;
            case master::TraceEvent::Kind::LateDropped:
                label = "late dropped";
                break;
        }
        char head[96];
        const double at = std::chrono::duration<double, std::milli>(event.at - started_).count();
        const double since =
            event.sinceRequest
                ? std::chrono::duration<double, std::milli>(*event.sinceRequest).count()
                : 0.0;
        std::snprintf(head, sizeof head, "tc24-cli trace %10.3f ms  %-12s %+10.3f ms  ", at, label,
                      since);
        err_ << head << hexText(event.bytes) << '\n' << std::flush;
    }

private:
    std::ostream& err_;
    Clock::time_point started_;
};

class Session {
public:
    Session(const Invocation& invocation, Environment& environment, Master& master, Line& line)
        : in_(invocation), env_(environment), master_(master), line_(line) {}

    int run(const std::optional<OutputPath>& listOut, const std::vector<ListEntry>& listIn);

private:
    std::uint8_t station() const { return static_cast<std::uint8_t>(in_.station); }
    int stopSignal() const { return env_.stop != nullptr ? *env_.stop : 0; }
    bool progressShown() const { return env_.errIsTerminal && !in_.trace; }

    // A message on standard error; returns the failure's status.
    int fail(const std::string& context, const Failure& failure) {
        env_.err << "tc24-cli: " << context << printableText(failure.message) << '\n';
        return failure.status;
    }
    // For --json: what was done before the failure, with the failure as its "error" member.
    int failJson(QJsonObject done, const std::string& context, const Failure& failure) {
        const int status = fail(context, failure);
        done.insert("error", errorJson(status, context + failure.message));
        return put(jsonLine(done)) ? status : outputFailed(env_.out);
    }
    // Ends a command on a signal, after its current request.
    int stopped(QJsonObject done = {}) {
        const int signal = stopSignal();
        const int status = kSignalBase + signal;
        if (in_.json) {
            done.insert("error", errorJson(status, "interrupted by " + signalName(signal)));
            if (!put(jsonLine(done))) {
                return outputFailed(env_.out);
            }
        }
        return status;
    }
    int outputFailed(const Output& output) {
        env_.err << "tc24-cli: cannot write " << output.name() << ": " << output.error()
                 << " (the results could not be written)\n";
        return kOutputFailed;
    }
    bool put(std::string_view text) { return env_.out.write(text); }

    int read();
    int watch();
    int address();
    int setAddress();
    int sensors();
    int serialsRead(const std::optional<OutputPath>& listOut);
    int serialsWrite(const std::vector<ListEntry>& list);
    int identify();
    int scan();

    // Waits for the lost line to come back, as watch --reconnect does. True when it is open
    // again; otherwise `status` says why not.
    bool reconnect(const Failure& loss, int& status);
    // Sleeps until `until` in short steps, so that a signal is seen soon; false on a signal.
    bool sleepUntil(Clock::time_point until) const;

    const Invocation& in_;
    Environment& env_;
    Master& master_;
    Line& line_;
};

int Session::run(const std::optional<OutputPath>& listOut, const std::vector<ListEntry>& listIn) {
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
        case Command::Commission:
            break;  // runCommission()
    }
    return kUsage;
}

bool Session::sleepUntil(Clock::time_point until) const {
    while (stopSignal() == 0 && Clock::now() < until) {
        std::this_thread::sleep_for(
            std::min<Clock::duration>(until - Clock::now(), std::chrono::milliseconds(50)));
    }
    return stopSignal() == 0;
}

int Session::read() {
    const auto reply =
        master_.ask(protocol::registerReadRequest(station(), static_cast<std::uint16_t>(in_.start),
                                                  static_cast<std::uint16_t>(in_.count)),
                    protocol::parseRegisterReply);
    QJsonObject json{{"station", in_.station}, {"start", in_.start}};
    if (!reply.ok()) {
        return in_.json ? failJson(json, "", reply.failure) : fail("", reply.failure);
    }
    std::string text;
    if (in_.json) {
        json.insert("channels", channelsJson(*reply.value));
        text = jsonLine(json);
    } else {
        for (std::size_t i = 0; i < reply.value->size(); ++i) {
            text += std::to_string(in_.start + static_cast<int>(i) + 1) + ' ' +
                    readingText((*reply.value)[i], "-") + '\n';
        }
    }
    return put(text) && env_.out.flush() ? kDone : outputFailed(env_.out);
}

bool Session::reconnect(const Failure& loss, int& status) {
    fail("", loss);
    env_.err << "tc24-cli: waiting for " << line_.endpoint.shownName
             << " to come back; trying every second\n"
             << std::flush;
    const auto giveUpAt =
        in_.reconnectForSeconds
            ? std::optional(Clock::now() + std::chrono::seconds(*in_.reconnectForSeconds))
            : std::nullopt;
    for (;;) {
        if (!sleepUntil(Clock::now() + env_.reconnectPause)) {
            status = kSignalBase + stopSignal();
            return false;
        }
        line_.transport.reset();  // the old device is closed before it is opened again
        auto opened = env_.open(line_.endpoint, line_.baud, line_.timeout);
        if (opened.transport) {
            line_.transport = std::move(opened.transport);
            master_.replaceTransport(*line_.transport);
            env_.err << "tc24-cli: " << line_.endpoint.shownName << " is back\n" << std::flush;
            return true;
        }
        if (giveUpAt && Clock::now() >= *giveUpAt) {
            status =
                fail("", {kPortFailed, "gave up after " + std::to_string(*in_.reconnectForSeconds) +
                                           " s: cannot open " + line_.endpoint.shownName + ": " +
                                           opened.error});
            return false;
        }
    }
}

int Session::watch() {
    const auto interval = std::chrono::milliseconds(in_.intervalMs);
    const auto request = protocol::registerReadRequest(
        station(), 0, static_cast<std::uint16_t>(protocol::kPositions));

    // The rows go to standard output, or are appended to --out.
    LineFile file;
    const bool toFile = !in_.watchFile.empty();
    const std::string header = in_.json ? std::string() : measure::csvHeader();
    if (toFile) {
        if (const auto error = file.open(in_.watchFile, header)) {
            env_.err << "tc24-cli: cannot write " << in_.watchFile << ": " << *error << '\n';
            return kOutputFailed;
        }
    } else if (!header.empty() && !(put(header) && env_.out.flush())) {
        return outputFailed(env_.out);
    }
    std::string fileError;
    const auto writeRow = [&](const std::string& row) {
        if (!toFile) {
            return put(row) && env_.out.flush();
        }
        const auto error = file.append(row);
        fileError = error.value_or("");
        return !error;
    };
    const auto rowFailed = [&] {
        if (!toFile) {
            return outputFailed(env_.out);
        }
        env_.err << "tc24-cli: cannot write " << in_.watchFile << ": " << fileError
                 << " (the results could not be written)\n";
        return static_cast<int>(kOutputFailed);
    };

    int status = kDone;
    long polls = 0;
    long failed = 0;
    long rows = 0;
    auto next = Clock::now();
    // With --reconnect, --count counts rows written; otherwise polls.
    const auto done = [&] { return in_.polls && (in_.reconnect ? rows : polls) >= *in_.polls; };
    while (!done()) {
        if (!sleepUntil(next)) {
            break;  // watch ends on a signal with its usual status
        }
        next += interval;
        ++polls;
        const auto reply = master_.ask(request, protocol::parseRegisterReply);
        const std::string time = measure::isoLocalTime(std::chrono::system_clock::now());
        if (!reply.ok()) {
            if (reply.failure.status == kPortFailed) {
                int ended = kPortFailed;
                if (in_.reconnect && reconnect(reply.failure, ended)) {
                    next = Clock::now();
                    continue;
                }
                if (ended > kSignalBase) {
                    break;
                }
                if (!in_.reconnect) {
                    fail("", reply.failure);
                }
                if (in_.json && !toFile &&
                    !put(jsonLine({{"error", errorJson(kPortFailed, reply.failure.message)}}))) {
                    return outputFailed(env_.out);
                }
                return kPortFailed;
            }
            fail(time + ": ", reply.failure);
            status = kModuleFailed;
            ++failed;
        } else {
            std::string row;
            if (in_.json) {
                row = jsonLine({{"time", qText(time)},
                                {"station", in_.station},
                                {"channels", channelsJson(*reply.value)}});
            } else {
                row = time + ',' + std::to_string(in_.station);
                for (const std::uint16_t value : *reply.value) {
                    row += ',' + readingText(value, "");
                }
                row += "\r\n";
            }
            if (!writeRow(row)) {
                return rowFailed();
            }
            ++rows;
        }
        // A poll that took longer than the interval is followed at once, not caught up on.
        next = std::max(next, Clock::now());
    }
    if (in_.json && failed > 0 && !toFile) {
        const std::string message =
            std::to_string(failed) + " of " + std::to_string(polls) + " polls failed";
        if (!put(jsonLine({{"error", errorJson(kModuleFailed, message)}}))) {
            return outputFailed(env_.out);
        }
    }
    if (!toFile && !env_.out.flush()) {
        return outputFailed(env_.out);
    }
    return status;
}

int Session::address() {
    const auto reply = master_.ask(protocol::addressReadRequest(), protocol::parseAddressReply);
    if (!reply.ok()) {
        return in_.json ? failJson({}, "", reply.failure) : fail("", reply.failure);
    }
    const std::string text =
        in_.json ? jsonLine({{"address", int{*reply.value}}}) : std::to_string(*reply.value) + '\n';
    return put(text) && env_.out.flush() ? kDone : outputFailed(env_.out);
}

int Session::setAddress() {
    const auto newAddress = static_cast<std::uint8_t>(in_.newAddress);
    const std::string target = std::to_string(in_.newAddress);
    const auto registerAtTarget = protocol::registerReadRequest(newAddress, 0, 1);
    const QJsonObject asked{{"station", in_.station}, {"address", in_.newAddress}};
    const auto failed = [&](const std::string& context, const Failure& failure) {
        return in_.json ? failJson(asked, context, failure) : fail(context, failure);
    };
    if (in_.newAddress != in_.station) {
        // Two devices at one address would answer together from then on.
        const auto occupant =
            master_.ask(registerAtTarget, protocol::parseRegisterReply, Resend::Never);
        if (occupant.failure.status == kPortFailed) {
            return failed("", occupant.failure);
        }
        if (occupant.heard()) {
            return failed("", {kModuleFailed, "a device already answers at " + target +
                                                  "; choose a free address"});
        }
    }
    // The module answers from the new address at once: a resend after a lost reply would go
    // to the address it has left. A busy module did not take it and is asked again.
    const auto changed = master_.ask(protocol::addressChangeRequest(station(), newAddress),
                                     protocol::parseAddressChangeReply, Resend::Never);
    if (!changed.ok() && !changed.effectUnknown()) {
        return failed("", changed.failure);
    }
    // The change counts only once the module answers at the new address. Finished even when
    // a signal came meanwhile: stopping here would leave the change unconfirmed.
    const auto check = master_.ask(registerAtTarget, protocol::parseRegisterReply);
    const bool answers = check.ok() || check.refused();
    if (!answers) {
        if (check.failure.status == kPortFailed) {
            return failed("", check.failure);
        }
        if (changed.ok()) {
            return failed("the module confirmed the change but does not answer at " + target + ": ",
                          check.failure);
        }
        return failed(
            "", {kModuleFailed, changed.failure.message + ", and nothing answers at " + target});
    }
    const std::string text = in_.json ? jsonLine({{"address", in_.newAddress}}) : target + '\n';
    return put(text) && env_.out.flush() ? kDone : outputFailed(env_.out);
}

int Session::sensors() {
    // Several modules asked at 250 answer at once; one asked at its own address answers alone.
    const auto asked = in_.stationGiven ? station() : protocol::kAnyModuleStation;
    const auto reply =
        master_.ask(protocol::sensorCountRequest(asked), protocol::parseSensorCountReply);
    if (!reply.ok()) {
        return in_.json ? failJson({}, "", reply.failure) : fail("", reply.failure);
    }
    const std::string text =
        in_.json ? jsonLine({{"sensors", int{*reply.value}}}) : std::to_string(*reply.value) + '\n';
    return put(text) && env_.out.flush() ? kDone : outputFailed(env_.out);
}

int Session::serialsRead(const std::optional<OutputPath>& listOut) {
    const int total = in_.lastPosition - in_.firstPosition + 1;
    const bool listToStdout = in_.file == "-";
    Progress progress(env_.err, progressShown(), total);
    // Positions before the first read stay empty in the list, as in the window's.
    std::vector<ListEntry> list(static_cast<std::size_t>(in_.firstPosition - 1));
    QJsonArray serials;
    const auto doneJson = [&] {
        return QJsonObject{{"station", in_.station}, {"serials", serials}};
    };
    for (int position = in_.firstPosition; position <= in_.lastPosition; ++position) {
        if (stopSignal() != 0) {
            progress.clear();
            return stopped(doneJson());
        }
        progress.show("position " + std::to_string(position), position - in_.firstPosition);
        const auto reply =
            master_.ask(protocol::serialReadRequest(station(), static_cast<std::uint8_t>(position)),
                        protocol::parseSerialReply);
        if (!reply.ok()) {
            progress.clear();
            const std::string where = "position " + std::to_string(position) + ": ";
            return in_.json ? failJson(doneJson(), where, reply.failure)
                            : fail(where, reply.failure);
        }
        const std::string text = serialNumberText(*reply.value);
        list.push_back(*reply.value);
        if (in_.json) {
            serials.append(QJsonObject{{"position", position}, {"serial", qText(text)}});
        } else if (!listToStdout) {
            progress.clear();
            if (!(put(std::to_string(position) + ' ' + text + '\n') && env_.out.flush())) {
                return outputFailed(env_.out);
            }
        }
    }
    progress.clear();
    if (in_.json && !put(jsonLine(doneJson()))) {
        return outputFailed(env_.out);
    }
    const std::string content = listFileContent(list);
    if (listToStdout) {
        return put(content) && env_.out.flush() ? kDone : outputFailed(env_.out);
    }
    if (listOut) {
        // Written whole: the old file stays until the new one is complete.
        QSaveFile file(QFile::decodeName(QByteArray::fromStdString(listOut->resolved.string())));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(content.data(), static_cast<qint64>(content.size())) !=
                static_cast<qint64>(content.size()) ||
            !file.commit()) {
            env_.err << "tc24-cli: cannot write " << in_.file << ": "
                     << file.errorString().toStdString() << " (the results could not be written)\n";
            return kOutputFailed;
        }
    }
    return env_.out.flush() ? kDone : outputFailed(env_.out);
}

int Session::serialsWrite(const std::vector<ListEntry>& list) {
    Progress progress(env_.err, progressShown(), static_cast<int>(list.size()));
    QJsonArray written;
    const auto doneJson = [&] {
        return QJsonObject{{"station", in_.station}, {"written", written}};
    };
    const auto failed = [&](const std::string& where, const Failure& failure) {
        progress.clear();
        return in_.json ? failJson(doneJson(), where, failure) : fail(where, failure);
    };
    for (std::size_t i = 0; i < list.size(); ++i) {
        const int position = in_.firstPosition + static_cast<int>(i);
        const std::string where = "position " + std::to_string(position) + ": ";
        if (!list[i]) {
            continue;  // an entry not read when the list was saved
        }
        if (stopSignal() != 0) {
            progress.clear();
            return stopped(doneJson());
        }
        progress.show("position " + std::to_string(position), static_cast<int>(i));
        const auto positionByte = static_cast<std::uint8_t>(position);
        const auto stored =
            master_.ask(protocol::serialWriteRequest(station(), positionByte, *list[i]),
                        protocol::parseSerialWriteReply);
        if (!stored.ok()) {
            return failed(where, stored.failure);
        }
        const std::string text = serialNumberText(*list[i]);
        if (in_.verify) {
            const auto readBack = master_.ask(protocol::serialReadRequest(station(), positionByte),
                                              protocol::parseSerialReply);
            if (!readBack.ok()) {
                return failed(where + "reading back: ", readBack.failure);
            }
            if (*readBack.value != *list[i]) {
                return failed(where, {kModuleFailed, "wrote " + text + " but it reads back " +
                                                         serialNumberText(*readBack.value)});
            }
        }
        if (in_.json) {
            written.append(QJsonObject{
                {"position", position}, {"serial", qText(text)}, {"verified", in_.verify}});
        } else {
            progress.clear();
            if (!(put(std::to_string(position) + ' ' + text + '\n') && env_.out.flush())) {
                return outputFailed(env_.out);
            }
        }
    }
    progress.clear();
    if (in_.json && !put(jsonLine(doneJson()))) {
        return outputFailed(env_.out);
    }
    return env_.out.flush() ? kDone : outputFailed(env_.out);
}

int Session::identify() {
    const auto position = static_cast<std::uint8_t>(in_.position);
    const auto readPosition = protocol::serialReadRequest(station(), position);
    const QJsonObject asked{{"position", in_.position}};
    const auto failed = [&](const std::string& context, const Failure& failure) {
        return in_.json ? failJson(asked, context, failure) : fail(context, failure);
    };
    // What the position holds before, so that a lost reply can be told from a request the
    // module never took.
    const auto before = master_.ask(readPosition, protocol::parseSerialReply);
    if (!before.ok()) {
        return failed("reading position " + std::to_string(in_.position) + ": ", before.failure);
    }
    if (stopSignal() != 0) {
        return stopped(asked);  // nothing changed yet
    }
    // Sent once: the sensor, once assigned, is no longer new, and a resend would be refused.
    const auto reply = master_.ask(protocol::identifyRequest(station(), position),
                                   protocol::parseIdentifyReply, Resend::Never);
    std::optional<protocol::SerialNumber> identified = reply.value;
    if (reply.effectUnknown()) {
        const auto after = master_.ask(readPosition, protocol::parseSerialReply);
        if (after.failure.status == kPortFailed) {
            return failed("", after.failure);
        }
        if (after.ok() && *after.value != *before.value &&
            *after.value != protocol::kNoSerialNumber) {
            identified = after.value;
        }
    }
    if (!identified) {
        return failed("", reply.failure);
    }
    const std::string text = serialNumberText(*identified);
    const std::string shown =
        in_.json ? jsonLine({{"position", in_.position}, {"serial", qText(text)}}) : text + '\n';
    return put(shown) && env_.out.flush() ? kDone : outputFailed(env_.out);
}

int Session::scan() {
    master::StationScan scan(in_.firstStation, in_.lastStation, master_.retries() + 1);
    Progress progress(env_.err, progressShown(), scan.total());
    QJsonArray stations;
    QJsonArray garbled;
    const auto doneJson = [&] {
        QJsonObject done{{"stations", stations}};
        if (!garbled.isEmpty()) {
            done.insert("garbled", garbled);
        }
        return done;
    };
    while (!scan.finished()) {
        if (stopSignal() != 0) {
            progress.clear();
            return stopped(doneJson());
        }
        const int asked = scan.station();
        progress.show("station " + std::to_string(asked), scan.done(),
                      ", " + std::to_string(scan.found().size()) + " found");
        const master::Result result = master_.exchange(scan.transaction());
        switch (scan.record(result)) {
            case master::StationAnswer::Lost: {
                progress.clear();
                const Failure loss{kPortFailed, result.lostReason};
                return in_.json ? failJson(doneJson(), "", loss) : fail("", loss);
            }
            case master::StationAnswer::Found:
                if (in_.json) {
                    stations.append(asked);
                } else {
                    progress.clear();
                    if (!(put(std::to_string(asked) + '\n') && env_.out.flush())) {
                        return outputFailed(env_.out);
                    }
                }
                break;
            case master::StationAnswer::Garbled:
                progress.clear();
                garbled.append(asked);
                fail("station " + std::to_string(asked) + " answered, but garbled: ",
                     master_.failureOf(scan.transaction().frame, result));
                break;
            case master::StationAnswer::Silent:
                break;
        }
    }
    progress.clear();
    Failure unreadable;
    if (!garbled.isEmpty()) {
        unreadable = {kModuleFailed,
                      std::to_string(garbled.size()) +
                          " station(s) answered unreadably (two modules at one address, a noisy "
                          "line, or an echoing adapter: try --echo)"};
        fail("", unreadable);
    }
    if (in_.json) {
        QJsonObject done = doneJson();
        if (!garbled.isEmpty()) {
            done.insert("error", errorJson(unreadable.status, unreadable.message));
        }
        if (!put(jsonLine(done))) {
            return outputFailed(env_.out);
        }
    }
    if (!env_.out.flush()) {
        return outputFailed(env_.out);
    }
    return garbled.isEmpty() ? kDone : kModuleFailed;
}

// The line's timing: a serial line by its rate, a network connection by its packets.
master::LineTiming lineTiming(const Endpoint& endpoint, int baud,
                              std::chrono::milliseconds timeout) {
    return endpoint.kind == Endpoint::Kind::Tcp ? master::LineTiming::network(timeout)
                                                : master::LineTiming::serial(baud, timeout);
}

// Reads and checks the list to write, before anything is sent.
std::optional<std::vector<ListEntry>> readList(const Invocation& invocation, std::ostream& err) {
    auto list = readListFile(invocation.file);
    if (!list.error.empty()) {
        err << "tc24-cli: " << list.error << '\n';
        return std::nullopt;
    }
    const int last = invocation.firstPosition + static_cast<int>(list.entries.size()) - 1;
    if (last > protocol::kPositions) {
        err << "tc24-cli: " << invocation.file << " holds " << list.entries.size()
            << " entries; from position " << invocation.firstPosition
            << " they would reach position " << last << " (the module has 1-"
            << protocol::kPositions << ")\n";
        return std::nullopt;
    }
    if (std::none_of(list.entries.begin(), list.entries.end(),
                     [](const ListEntry& entry) { return entry.has_value(); })) {
        err << "tc24-cli: " << invocation.file << " holds no serial number\n";
        return std::nullopt;
    }
    return std::move(list.entries);
}

}  // namespace

int run(const QStringList& arguments, Environment& env) {
    const ParsedArguments parsed = parseArguments(arguments);
    if (parsed.help || parsed.version) {
        const std::string text =
            parsed.help ? helpText() : std::string("tc24-cli ") + TC24_VERSION + '\n';
        if (env.out.write(text) && env.out.flush()) {
            return kDone;
        }
        env.err << "tc24-cli: cannot write " << env.out.name() << ": " << env.out.error() << '\n';
        return kOutputFailed;
    }
    if (!parsed.invocation) {
        env.err << "tc24-cli: " << printableText(parsed.error) << '\n';
        return kUsage;
    }
    const Invocation& invocation = *parsed.invocation;

    // The port and speed the window would use, unless given.
    const SettingsLocation settings = settingsLocation(env.programDirectory);
    const CommSettingsRead saved = readCommSettingsReporting(settings);
    if (!saved.problem.empty() && (!invocation.port || !invocation.baud)) {
        env.err << "tc24-cli: ignoring " << saved.path.string() << ": "
                << printableText(saved.problem) << "; using "
                << invocation.port.value_or("COM" + std::to_string(kDefaultPort)) << " at "
                << invocation.baud.value_or(kDefaultBaud) << " baud\n";
    }
    const auto& comm = saved.settings;
    const int portNumber = comm && comm->port >= 1 ? comm->port : kDefaultPort;
    const std::string portName = invocation.port.value_or("COM" + std::to_string(portNumber));
    const int baud =
        invocation.baud.value_or(comm ? (comm->rate == 0 ? kRateZero : comm->rate) : kDefaultBaud);
    if (baud < 1) {
        env.err << "tc24-cli: comm.set holds the rate " << baud << "; give --baud\n";
        return kUsage;
    }
    std::string error;
    const auto endpoint = resolvePort(portName, settings, error);
    if (!endpoint) {
        env.err << "tc24-cli: " << printableText(error) << '\n';
        return kUsage;
    }
    const bool echo = invocation.echo.value_or(readToolSettings(settings).echoSuppression);

    // Files are checked before anything is sent.
    std::optional<CommissionPlan> commission;
    if (invocation.command == Command::Commission) {
        std::string refusal;
        commission = planCommission(invocation, refusal);
        if (!commission) {
            env.err << "tc24-cli: " << printableText(refusal) << '\n';
            return kUsage;
        }
    }
    std::vector<ListEntry> listIn;
    std::optional<OutputPath> listOut;
    if (invocation.command == Command::SerialsWrite) {
        auto list = readList(invocation, env.err);
        if (!list) {
            return kUsage;
        }
        listIn = std::move(*list);
    }
    const bool writesFile = (invocation.command == Command::SerialsRead &&
                             !invocation.file.empty() && invocation.file != "-") ||
                            !invocation.watchFile.empty();
    if (writesFile) {
        const std::string& given =
            invocation.command == Command::Watch ? invocation.watchFile : invocation.file;
        const OutputPath checked = checkOutputPath(given);
        if (!checked.refusal.empty()) {
            env.err << "tc24-cli: " << printableText(checked.refusal) << '\n';
            return kUsage;
        }
        listOut = checked;
    }

    const auto timeout = std::chrono::milliseconds(invocation.timeoutMs);
    auto opened = env.open(*endpoint, baud, timeout);
    if (!opened.transport) {
        env.err << "tc24-cli: cannot open " << endpoint->shownName << ": " << opened.error << '\n';
        return kPortFailed;
    }
    Line line{*endpoint, baud, timeout, std::move(opened.transport)};
    Master master(*line.transport, lineTiming(*endpoint, baud, timeout), invocation.retries, echo);
    if (invocation.trace) {
        master.setTrace(Trace(env.err));
    }
    if (commission) {
        return runCommission(invocation, *commission, env, master, endpoint->shownName, baud);
    }
    Invocation effective = invocation;
    if (invocation.command == Command::Watch && listOut) {
        effective.watchFile = listOut->resolved.string();
    }
    Session session(effective, env, master, line);
    return session.run(invocation.command == Command::SerialsRead ? listOut : std::nullopt, listIn);
}

}  // namespace tc24::cli
