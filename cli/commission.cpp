#include "cli/commission.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <algorithm>
#include <thread>

#include "app/platform/line_file.h"
#include "cli/progress.h"
#include "master/station_scan.h"
#include "protocol/printable.h"
#include "protocol/requests.h"
#include "app/platform/record_json.h"

namespace tc24::cli {

namespace {

constexpr int kSignalBase = 128;  // a command ended by signal N exits with 128 + N

// How bad a module's status is, for the worst of several: 3 > 1 > 4 > 5 > 0.
int severity(int status) {
    switch (status) {
        case kPortFailed:
            return 4;
        case kModuleFailed:
            return 3;
        case kOutputFailed:
            return 2;
        case kCheckFailed:
            return 1;
        default:
            return 0;
    }
}

int worse(int status, int other) {
    return severity(other) > severity(status) ? other : status;
}

QString qPath(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

// Replaces `path` whole: the old file stays until the new one is complete.
std::optional<std::string> writeWhole(const std::filesystem::path& path, const std::string& text) {
    QSaveFile file(qPath(path));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit()) {
        return file.errorString().toStdString();
    }
    return std::nullopt;
}

// Checks the list against the positions it must cover: entry i is position i, so the list
// reaches as far as the expected positions do, and a position that must hold a sensor has
// no empty entry.
std::string listProblem(const std::string& file, const std::vector<ListEntry>& list,
                        const CommissionLimits& limits) {
    const int entries = static_cast<int>(list.size());
    if (entries > protocol::kPositions) {
        return file + " holds " + std::to_string(entries) +
               " entries; the module has positions 1-" + std::to_string(protocol::kPositions);
    }
    if (!limits.positions && !limits.sensors) {
        return {};  // the list says which positions hold a sensor
    }
    const int first = limits.positions ? limits.positions->first : 1;
    const int last = limits.positions ? limits.positions->second : *limits.sensors;
    const std::string given =
        limits.positions ? "--positions " + std::to_string(first) + "-" + std::to_string(last)
                         : "--sensors " + std::to_string(last);
    if (entries != last) {
        return file + " holds " + std::to_string(entries) +
               " entries, but the expected positions end at position " + std::to_string(last) +
               " (" + given + "): entry i is position i, so the list needs " +
               std::to_string(last) + " entries";
    }
    for (int position = first; position <= last; ++position) {
        if (!list[static_cast<std::size_t>(position - 1)]) {
            return file + ": entry " + std::to_string(position) + " is empty, but position " +
                   std::to_string(position) + " must hold a sensor (" + given + ")";
        }
    }
    return {};
}

// One module's job: its steps in order, each done or recorded as not done with the reason.
// A step stops at its first request without a valid reply; the next steps still run, unless
// the module was not found, the port went away or a signal came.
class Job {
public:
    Job(const Invocation& invocation, const CommissionPlan& plan, Environment& env, Master& master,
        record::Record& record)
        : in_(invocation),
          plan_(plan),
          env_(env),
          master_(master),
          record_(record),
          progress_(env.err, env.errIsTerminal && !invocation.trace, plannedRequests()) {}

    void run(std::optional<std::uint8_t> foundAt) {
        find(foundAt);
        if (in_.commission.newAddress) {
            changeAddress();
        }
        countSensors();
        int readFrom = protocol::kFirstPosition;
        if (in_.commission.write) {
            readFrom = writeList();
        }
        readSerials(readFrom);
        takeReadings();
        progress_.clear();
    }

    bool portLost() const { return lost_; }
    // A step the module was asked for got no valid reply.
    bool stepFailed() const { return stepFailed_; }

private:
    int plannedRequests() const {
        const int listed = in_.commission.write ? static_cast<int>(plan_.list->size()) : 0;
        const int find = in_.commission.scan ? 0 : 1;  // a scan has found the module
        return find + (in_.commission.newAddress ? 3 : 0) + 1 + 2 * listed +
               (protocol::kPositions - listed) + plan_.reads;
    }
    int stopSignal() const { return env_.stop != nullptr ? *env_.stop : 0; }
    std::string at() const { return "station " + std::to_string(station_) + ": "; }
    void show(const std::string& what) { progress_.show(what, requests_++); }

    // Whether `step` may run; when not, it is recorded as not done, with the reason.
    bool mayRun(const char* step) {
        if (skipReason_.empty() && stopSignal() != 0) {
            record_.interrupted = true;
            skipReason_ = "interrupted by " + signalName(stopSignal());
        }
        if (!skipReason_.empty()) {
            record_.failures.push_back({step, skipReason_});
            return false;
        }
        return true;
    }
    // A signal between two requests of a step ends the job there.
    bool interrupted(const char* step, const std::string& where) {
        if (stopSignal() == 0) {
            return false;
        }
        record_.interrupted = true;
        skipReason_ = "interrupted by " + signalName(stopSignal());
        record_.failures.push_back({step, skipReason_ + " " + where});
        return true;
    }
    void failed(const char* step, const std::string& where, const Failure& failure) {
        record_.failures.push_back({step, where + failure.message});
        stepFailed_ = true;
        if (failure.status == kPortFailed) {
            lost_ = true;
            skipReason_ = "the port was lost before this step";
        }
    }

    void find(std::optional<std::uint8_t> foundAt) {
        if (foundAt) {
            station_ = *foundAt;  // the scan found it there
            record_.address = station_;
            return;
        }
        if (!mayRun("address")) {
            return;
        }
        if (in_.stationGiven) {
            station_ = static_cast<std::uint8_t>(in_.station);
            show(at() + "looking for the module");
            // Any answer from the station, an exception too, says a module is there.
            const auto reply = master_.ask(protocol::registerReadRequest(station_, 0, 1),
                                           protocol::parseRegisterReply);
            if (reply.ok() || reply.refused()) {
                record_.address = station_;
                return;
            }
            failed("address", at(), reply.failure);
        } else {
            show("asking the module's address at station 250");
            const auto reply =
                master_.ask(protocol::addressReadRequest(), protocol::parseAddressReply);
            if (reply.ok() && *reply.value >= protocol::kLowestStation &&
                *reply.value <= protocol::kHighestStation) {
                station_ = *reply.value;
                record_.address = station_;
                return;
            }
            failed("address", "",
                   reply.ok() ? Failure{kModuleFailed, "the module gives the address " +
                                                           std::to_string(*reply.value) +
                                                           ", outside 1-249"}
                              : reply.failure);
        }
        if (skipReason_.empty()) {
            skipReason_ = "the module was not found";
        }
    }

    // As set-address does: the new address must be free, the change goes out once, and it
    // counts only once the module answers at the new address.
    void changeAddress() {
        if (!mayRun("set_address")) {
            return;
        }
        const int target = *in_.commission.newAddress;
        if (target == station_) {
            return;  // it has that address already
        }
        const auto newAddress = static_cast<std::uint8_t>(target);
        const std::string shown = std::to_string(target);
        const auto atTarget = protocol::registerReadRequest(newAddress, 0, 1);
        show(at() + "is " + shown + " free");
        const auto occupant = master_.ask(atTarget, protocol::parseRegisterReply, Resend::Never);
        if (occupant.failure.status == kPortFailed) {
            failed("set_address", "", occupant.failure);
            return;
        }
        if (occupant.heard()) {
            failed("set_address", "",
                   {kModuleFailed,
                    "a device already answers at " + shown + "; choose a free address"});
            return;
        }
        show(at() + "changing the address to " + shown);
        const auto changed = master_.ask(protocol::addressChangeRequest(station_, newAddress),
                                         protocol::parseAddressChangeReply, Resend::Never);
        if (!changed.ok() && !changed.effectUnknown()) {
            failed("set_address", "", changed.failure);
            return;
        }
        show("station " + shown + ": confirming the new address");
        const auto check = master_.ask(atTarget, protocol::parseRegisterReply);
        const bool answers = check.ok() || check.refused();
        if (answers || changed.ok()) {
            // A confirmation comes from the new address: the module is there either way.
            record_.oldAddress = station_;
            station_ = newAddress;
            record_.address = station_;
        }
        if (answers) {
            return;
        }
        if (check.failure.status == kPortFailed || !changed.ok()) {
            failed("set_address", "",
                   check.failure.status == kPortFailed
                       ? check.failure
                       : Failure{kModuleFailed,
                                 changed.failure.message + ", and nothing answers at " + shown});
            return;
        }
        failed("set_address",
               "the module confirmed the change but does not answer at " + shown + ": ",
               check.failure);
    }

    void countSensors() {
        if (!mayRun("sensor_count")) {
            return;
        }
        show(at() + "sensor count");
        const auto reply =
            master_.ask(protocol::sensorCountRequest(station_), protocol::parseSensorCountReply);
        if (reply.ok()) {
            record_.sensorCount = *reply.value;
        } else {
            failed("sensor_count", "", reply.failure);
        }
    }

    // Writes each entry of the list and reads it back; an empty entry empties its position.
    // Returns the first position after the list.
    int writeList() {
        const std::vector<ListEntry>& list = *plan_.list;
        const int after = static_cast<int>(list.size()) + 1;
        if (!mayRun("write")) {
            return after;
        }
        record_.listWritten = true;
        for (std::size_t i = 0; i < list.size(); ++i) {
            const int position = static_cast<int>(i) + 1;
            const std::string where = "position " + std::to_string(position) + ": ";
            if (interrupted("write", "before position " + std::to_string(position))) {
                return after;
            }
            const auto positionByte = static_cast<std::uint8_t>(position);
            show(at() + "writing position " + std::to_string(position));
            const auto stored = master_.ask(
                protocol::serialWriteRequest(station_, positionByte,
                                             list[i].value_or(protocol::kNoSerialNumber)),
                protocol::parseSerialWriteReply);
            if (!stored.ok()) {
                failed("write", where, stored.failure);
                return after;
            }
            show(at() + "reading back position " + std::to_string(position));
            const auto back = master_.ask(protocol::serialReadRequest(station_, positionByte),
                                          protocol::parseSerialReply);
            if (!back.ok()) {
                failed("write", where + "reading back: ", back.failure);
                return after;
            }
            record_.serials[i] = record::PositionSerial::of(*back.value);
        }
        return after;
    }

    void readSerials(int from) {
        if (!mayRun("serials")) {
            return;
        }
        for (int position = from; position <= protocol::kPositions; ++position) {
            if (interrupted("serials", "before position " + std::to_string(position))) {
                return;
            }
            show(at() + "serial number of position " + std::to_string(position));
            const auto reply = master_.ask(
                protocol::serialReadRequest(station_, static_cast<std::uint8_t>(position)),
                protocol::parseSerialReply);
            if (!reply.ok()) {
                failed("serials", "position " + std::to_string(position) + ": ", reply.failure);
                return;
            }
            record_.serials[static_cast<std::size_t>(position - 1)] =
                record::PositionSerial::of(*reply.value);
        }
    }

    // K readings of the 24 channels, --interval apart. A poll without a valid reply is a
    // failed reading (the readings check); only when none answers did the step not run.
    void takeReadings() {
        if (!mayRun("readings")) {
            return;
        }
        const auto request = protocol::registerReadRequest(
            station_, 0, static_cast<std::uint16_t>(protocol::kPositions));
        const auto interval = std::chrono::milliseconds(plan_.intervalMs);
        Failure last;
        auto next = Clock::now();
        for (int reading = 1; reading <= plan_.reads; ++reading) {
            sleepUntil(next);
            if (interrupted("readings", "after " + std::to_string(reading - 1) + " of " +
                                            std::to_string(plan_.reads) + " readings")) {
                return;
            }
            next += interval;
            show(at() + "reading " + std::to_string(reading));
            const auto reply = master_.ask(request, protocol::parseRegisterReply);
            if (reply.ok()) {
                record_.addReading(*reply.value);
            } else if (reply.failure.status == kPortFailed) {
                failed("readings", "reading " + std::to_string(reading) + ": ", reply.failure);
                return;
            } else {
                record_.addFailedPoll();
                last = reply.failure;
            }
            next = std::max(next, Clock::now());  // a slow poll is followed at once
        }
        if (record_.polls > 0 && record_.failedPolls == record_.polls) {
            failed("readings", "no reading was answered: ", last);
        }
    }

    // Sleeps until `until` in short steps, so that a signal is seen soon.
    void sleepUntil(Clock::time_point until) const {
        while (stopSignal() == 0 && Clock::now() < until) {
            std::this_thread::sleep_for(
                std::min<Clock::duration>(until - Clock::now(), std::chrono::milliseconds(50)));
        }
    }

    const Invocation& in_;
    const CommissionPlan& plan_;
    Environment& env_;
    Master& master_;
    record::Record& record_;
    Progress progress_;
    std::uint8_t station_ = 0;
    int requests_ = 0;
    std::string skipReason_;  // why the steps that follow are not done
    bool lost_ = false;
    bool stepFailed_ = false;
};

// "station 7: fail", then a line per step not done, per failed check, and the checks
// that did not run.
std::string summaryText(const record::Record& record,
                        const std::vector<record::CheckResult>& checks) {
    std::string text = "station " + (record.address ? std::to_string(*record.address) : "?");
    if (!record.moduleId.empty()) {
        text += " (" + printableText(record.moduleId) + ")";
    }
    text += std::string(": ") + record::verdictKey(record::verdictOf(record, checks));
    text += record.interrupted ? " (interrupted)\n" : "\n";
    for (const record::StepFailure& failure : record.failures) {
        text += "  not done: " + failure.step + ": " + printableText(failure.reason) + '\n';
    }
    std::string notRun;
    for (const record::CheckResult& check : checks) {
        if (check.state == record::CheckState::Failed) {
            text += std::string("  failed: ") + record::checkKey(check.id) + ": " +
                    printableText(check.reason) + '\n';
        } else if (check.state == record::CheckState::NotRun) {
            notRun += (notRun.empty() ? "" : ", ") + std::string(record::checkKey(check.id));
        }
    }
    if (!notRun.empty()) {
        text += "  not run: " + notRun + '\n';
    }
    return text;
}

class Commissioner {
public:
    Commissioner(const Invocation& invocation, const CommissionPlan& plan, Environment& env,
                 Master& master, std::string port, int baud)
        : in_(invocation),
          plan_(plan),
          env_(env),
          master_(master),
          port_(std::move(port)),
          baud_(baud) {}

    int run() {
        if (plan_.log) {
            if (const auto error = log_.open(plan_.log->resolved, record::logHeader())) {
                env_.err << "tc24-cli: cannot write " << in_.commission.logPath << ": " << *error
                         << " (the log could not be written)\n";
                return kOutputFailed;
            }
        }
        int status = kDone;
        std::vector<std::optional<std::uint8_t>> modules{std::nullopt};
        if (in_.commission.scan) {
            modules.clear();
            for (const std::uint8_t station : scanLine(status)) {
                modules.emplace_back(station);
            }
        }
        for (const auto& module : modules) {
            if (stopSignal() != 0) {
                break;  // the modules not started are left as they are
            }
            status = worse(status, commission(module));
        }
        if (in_.json && in_.commission.scan) {
            put(QJsonDocument(records_).toJson(QJsonDocument::Compact).toStdString() + '\n');
        }
        if (!outputFailed_ && !env_.out.flush()) {
            outputFailed();
        }
        if (outputFailed_) {
            status = worse(status, kOutputFailed);
        }
        if (stopSignal() != 0) {
            return kSignalBase + stopSignal();
        }
        return status;
    }

private:
    int stopSignal() const { return env_.stop != nullptr ? *env_.stop : 0; }

    // The stations that answer in the scan's range; `status` gets 3 when the port is lost
    // (nothing found then), 1 for a garbled answer or an empty line.
    std::vector<std::uint8_t> scanLine(int& status) {
        master::StationScan scan(in_.firstStation, in_.lastStation, master_.retries() + 1);
        Progress progress(env_.err, env_.errIsTerminal && !in_.trace, scan.total());
        while (!scan.finished()) {
            if (stopSignal() != 0) {
                return {};
            }
            const int asked = scan.station();
            progress.show("scanning, station " + std::to_string(asked), scan.done(),
                          ", " + std::to_string(scan.found().size()) + " found");
            const master::Result result = master_.exchange(scan.transaction());
            switch (scan.record(result)) {
                case master::StationAnswer::Lost:
                    progress.clear();
                    env_.err << "tc24-cli: " << printableText(result.lostReason) << '\n';
                    status = kPortFailed;
                    return {};
                case master::StationAnswer::Garbled:
                    progress.clear();
                    env_.err << "tc24-cli: station " << asked
                             << " answered, but garbled; it is not commissioned: "
                             << printableText(
                                    master_.failureOf(scan.transaction().frame, result).message)
                             << '\n';
                    status = worse(status, kModuleFailed);
                    break;
                case master::StationAnswer::Found:
                case master::StationAnswer::Silent:
                    break;
            }
        }
        progress.clear();
        if (scan.found().empty()) {
            env_.err << "tc24-cli: no module answered at stations " << in_.firstStation << "-"
                     << in_.lastStation << '\n';
            status = worse(status, kModuleFailed);
        }
        return scan.found();
    }

    // One module from start to record; its status.
    int commission(std::optional<std::uint8_t> foundAt) {
        record::Record record;
        record.toolName = "tc24-cli";
        record.toolVersion = TC24_VERSION;
        record.start = record::isoTimeWithOffset(std::chrono::system_clock::now());
        record.operatorName = in_.commission.operatorName;
        record.note = in_.commission.note;
        record.moduleId = in_.commission.moduleId;
        record.port = port_;
        record.baud = baud_;
        record.limits = plan_.limits;
        if (plan_.list) {
            record.list = *plan_.list;
            record.listSource = in_.commission.listFile;
        }
        Job job(in_, plan_, env_, master_, record);
        job.run(foundAt);
        record.end = record::isoTimeWithOffset(std::chrono::system_clock::now());
        const auto checks = record::evaluate(record, record::Language::English);
        const record::Verdict verdict = record::verdictOf(record, checks);

        // The record first, whatever the status will be.
        const bool written = writeFiles(record, checks);
        if (in_.json) {
            QJsonObject json = recordJson(record, checks);
            if (in_.commission.scan) {
                records_.append(json);
            } else {
                put(QJsonDocument(json).toJson(QJsonDocument::Compact).toStdString() + '\n');
            }
        } else {
            put(summaryText(record, checks));
        }
        if (job.portLost()) {
            return kPortFailed;
        }
        if (job.stepFailed() || verdict == record::Verdict::Incomplete) {
            return kModuleFailed;
        }
        if (!written) {
            return kOutputFailed;
        }
        return verdict == record::Verdict::Fail ? kCheckFailed : kDone;
    }

    // The record, the report and the log line; false when one could not be written (named
    // on standard error).
    bool writeFiles(const record::Record& record, const std::vector<record::CheckResult>& checks) {
        bool written = true;
        const auto cannot = [&](const std::filesystem::path& path, const std::string& why,
                                const char* what) {
            env_.err << "tc24-cli: cannot write " << printableText(path.string()) << ": "
                     << printableText(why) << " (the " << what << " could not be written)\n";
            written = false;
        };
        // With --scan each module's files go into the folders, named after the module.
        const auto fileFor = [&](const OutputPath& given, const char* extension,
                                 const char* what) -> std::optional<std::filesystem::path> {
            if (!in_.commission.scan) {
                return given.resolved;
            }
            const auto path = given.resolved / (record::recordBaseName(record) + extension);
            const OutputPath checked = checkOutputPath(path);
            if (!checked.refusal.empty()) {
                cannot(path, checked.refusal, what);
                return std::nullopt;
            }
            return checked.resolved;
        };
        std::string recordFile;
        if (plan_.record) {
            if (const auto path = fileFor(*plan_.record, ".json", "record")) {
                if (const auto error = writeWhole(*path, recordJsonText(record, checks))) {
                    cannot(*path, *error, "record");
                } else {
                    recordFile = path->string();
                }
            }
        }
        if (plan_.report) {
            if (const auto path = fileFor(*plan_.report, ".pdf", "report")) {
                if (const auto error = env_.writeReport(record, checks, *path)) {
                    cannot(*path, *error, "report");
                }
            }
        }
        if (log_.isOpen()) {
            if (const auto error = log_.append(record::logLine(record, checks, recordFile))) {
                cannot(log_.path(), *error, "log line");
            }
        }
        return written;
    }

    void put(const std::string& text) {
        if (!outputFailed_ && !env_.out.write(text)) {
            outputFailed();
        }
    }
    void outputFailed() {
        outputFailed_ = true;
        env_.err << "tc24-cli: cannot write " << env_.out.name() << ": " << env_.out.error()
                 << " (the results could not be written)\n";
    }

    const Invocation& in_;
    const CommissionPlan& plan_;
    Environment& env_;
    Master& master_;
    std::string port_;
    int baud_;
    LineFile log_;
    QJsonArray records_;  // --scan --json
    bool outputFailed_ = false;
};

}  // namespace

std::optional<CommissionPlan> planCommission(const Invocation& invocation, std::string& error) {
    const CommissionOptions& options = invocation.commission;
    CommissionLimits limits = options.limits;
    if (!options.profileFile.empty()) {
        const ProfileRead profile = readProfile(options.profileFile);
        if (!profile.error.empty()) {
            error = "--profile " + profile.error;
            return std::nullopt;
        }
        fillUnset(limits, profile.limits);
    }
    if (limits.minCentidegrees && limits.maxCentidegrees &&
        *limits.minCentidegrees > *limits.maxCentidegrees) {
        error = "--min " + record::degreesText(*limits.minCentidegrees) + " is above --max " +
                record::degreesText(*limits.maxCentidegrees);
        return std::nullopt;
    }
    CommissionPlan plan;
    plan.limits.sensors = limits.sensors;
    plan.limits.positions = limits.positions;
    plan.limits.minCentidegrees = limits.minCentidegrees;
    plan.limits.maxCentidegrees = limits.maxCentidegrees;
    plan.limits.spreadCentidegrees = limits.spreadCentidegrees;
    plan.limits.crcCheck = options.crcCheck;
    plan.reads = limits.reads.value_or(kDefaultReads);
    plan.intervalMs = limits.intervalMs.value_or(kDefaultReadIntervalMs);

    if (!options.listFile.empty()) {
        ParsedList list = readListFile(options.listFile);
        if (list.error.empty()) {
            list.error = listProblem(options.listFile, list.entries, limits);
        }
        if (!list.error.empty()) {
            error = "--list " + list.error;
            return std::nullopt;
        }
        plan.list = std::move(list.entries);
    }

    // Every file is checked before anything is sent; with --scan, --record and --report name
    // folders that must exist.
    const auto checked = [&](const std::string& given, const char* option,
                             bool folder) -> std::optional<OutputPath> {
        if (given.empty()) {
            return std::nullopt;
        }
        if (folder) {
            namespace fs = std::filesystem;
            std::error_code failed;
            OutputPath path;
            path.resolved = fs::weakly_canonical(fs::absolute(given, failed), failed);
            if (failed || !fs::is_directory(path.resolved, failed)) {
                path.refusal = given + ": with --scan, " + option +
                               " names the folder for each module's file, and there is no "
                               "such folder (it is not created)";
            }
            return path;
        }
        OutputPath path = checkOutputPath(given);
        if (!path.refusal.empty()) {
            path.refusal = std::string(option) + " " + path.refusal;
        }
        return path;
    };
    plan.record = checked(options.recordPath, "--record", options.scan);
    plan.report = checked(options.reportPath, "--report", options.scan);
    plan.log = checked(options.logPath, "--log", false);
    for (const auto* path : {&plan.record, &plan.report, &plan.log}) {
        if (*path && !(*path)->refusal.empty()) {
            error = (*path)->refusal;
            return std::nullopt;
        }
    }
    // One file for two kinds of result would keep only the last.
    const auto same = [](const std::optional<OutputPath>& a, const std::optional<OutputPath>& b) {
        return a && b && a->resolved == b->resolved;
    };
    if (!options.scan && (same(plan.record, plan.report) || same(plan.record, plan.log))) {
        error = "--record names the same file as --report or --log";
        return std::nullopt;
    }
    if (same(plan.report, plan.log)) {
        error = "--report and --log name the same file";
        return std::nullopt;
    }
    return plan;
}

int runCommission(const Invocation& invocation, const CommissionPlan& plan, Environment& env,
                  Master& master, const std::string& port, int baud) {
    Commissioner commissioner(invocation, plan, env, master, port, baud);
    return commissioner.run();
}

}  // namespace tc24::cli
