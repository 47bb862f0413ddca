#include "diagnostics/commissioning_record.h"

#include <system_error>
#include <type_traits>
#include <variant>

#include "link/numbers.h"
#include "link/window_texts.h"
#include "protocol/hex.h"

namespace tc24 {

namespace {

constexpr const char* kToolName = "tc24";
// Temperatures the limits accept, in degrees: well beyond what any sensor reads.
constexpr double kLimitDegrees = 1000;

bool blank(const std::string& text) {
    return text.find_first_not_of(" \t") == std::string::npos;
}

// A whole number from a field, rounded down as the window's fields are.
std::optional<int> wholeNumber(const std::string& text, int lowest, int highest) {
    const auto value = numbers::parse(text);
    if (!value) {
        return std::nullopt;
    }
    const double whole = numbers::roundDown(*value);
    if (whole < lowest || whole > highest) {
        return std::nullopt;
    }
    return static_cast<int>(whole);
}

// Degrees with up to two decimals as hundredths (halves to even beyond them).
std::optional<int> centidegrees(const std::string& text) {
    const auto value = numbers::parse(text);
    if (!value || *value < -kLimitDegrees || *value > kLimitDegrees) {
        return std::nullopt;
    }
    return static_cast<int>(numbers::roundHalfEven(*value * 100));
}

// "1-24" or "5".
std::optional<std::pair<int, int>> positionRange(const std::string& text) {
    const auto dash = text.find('-');
    const auto first = wholeNumber(text.substr(0, dash), 1, record::kPositions);
    const auto last = dash == std::string::npos
                          ? first
                          : wholeNumber(text.substr(dash + 1), 1, record::kPositions);
    if (!first || !last || *first > *last) {
        return std::nullopt;
    }
    return std::pair{*first, *last};
}

bool sameLimits(const record::Limits& a, const record::Limits& b) {
    return a.sensors == b.sensors && a.positions == b.positions &&
           a.minCentidegrees == b.minCentidegrees && a.maxCentidegrees == b.maxCentidegrees &&
           a.spreadCentidegrees == b.spreadCentidegrees && a.crcCheck == b.crcCheck;
}

bool inPositions(int position) {
    return position >= 1 && position <= record::kPositions;
}

std::size_t indexOf(int position) {
    return static_cast<std::size_t>(position - 1);
}

bool existsOrLink(const std::filesystem::path& path) {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(path, error);
    // A name that cannot be looked at is taken as used: nothing is written over it.
    return error ? error != std::errc::no_such_file_or_directory : std::filesystem::exists(status);
}

// `path`, or the first of "<stem>-2<ext>", "<stem>-3<ext>", … that names no file.
std::optional<std::filesystem::path> freeName(const std::filesystem::path& path) {
    if (!existsOrLink(path)) {
        return path;
    }
    const std::string stem = path.stem().string();
    const std::string extension = path.extension().string();
    for (int counter = 2; counter < 10000; ++counter) {
        const auto candidate =
            path.parent_path() / (stem + "-" + std::to_string(counter) + extension);
        if (!existsOrLink(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

const char* resultText(record::CheckState state) {
    switch (state) {
        case record::CheckState::Passed:
            return texts::kRecordCheckPassed;
        case record::CheckState::Failed:
            return texts::kRecordCheckFailed;
        case record::CheckState::NotRun:
            return texts::kRecordCheckNotRun;
        case record::CheckState::NotConfigured:
            break;
    }
    return texts::kRecordCheckNotConfigured;
}

}  // namespace

CommissioningRecord::CommissioningRecord(Window& window, Questions& questions,
                                         RecordWriters writers, std::string toolVersion,
                                         std::filesystem::path folder, Clock clock)
    : window_(window),
      questions_(&questions),
      writers_(std::move(writers)),
      toolVersion_(std::move(toolVersion)),
      folder_(std::move(folder)),
      clock_(std::move(clock)),
      self_(std::make_shared<CommissioningRecord*>(this)) {
    // The window's observer lists only grow; the record answers them while it lives.
    window_.moduleObservers.push_back([self = self_](const ModuleObservation& observation) {
        if (*self != nullptr) {
            (*self)->observe(observation);
        }
    });
    window_.readingObservers.push_back([self = self_](const RegisterReading& reading) {
        if (*self != nullptr) {
            (*self)->observe(reading);
        }
    });
}

CommissioningRecord::~CommissioningRecord() {
    *self_ = nullptr;
}

void CommissioningRecord::setLanguage(record::Language language) {
    if (language != language_) {
        language_ = language;
        notify();
    }
}

void CommissioningRecord::observe(const ModuleObservation& observation) {
    std::visit(
        [this](const auto& seen) {
            using Seen = std::decay_t<decltype(seen)>;
            if constexpr (std::is_same_v<Seen, AddressAnswered>) {
                if (belongs(seen.address)) {
                    record_.address = seen.address;
                    touch();
                }
            } else if constexpr (std::is_same_v<Seen, AddressChanged>) {
                const int from =
                    seen.oldAddress.value_or(record_.address.value_or(seen.newAddress));
                if (!belongs(from)) {
                    return;
                }
                if (!record_.oldAddress && from != seen.newAddress) {
                    record_.oldAddress = from;
                } else if (record_.oldAddress == seen.newAddress) {
                    record_.oldAddress.reset();  // back where it started: not changed
                }
                record_.address = seen.newAddress;
                // What was asked of the old address belongs to the module at its new one.
                if (from != seen.newAddress) {
                    failedPolls_[seen.newAddress] += failedPolls_[from];
                    failedPolls_.erase(from);
                    if (poll_ && poll_->station == from) {
                        poll_->station = seen.newAddress;
                    }
                }
                touch();
            } else if constexpr (std::is_same_v<Seen, SensorCountAnswered>) {
                if (belongs(seen.station)) {
                    record_.address = seen.station;
                    record_.sensorCount = seen.count;
                    touch();
                }
            } else if constexpr (std::is_same_v<Seen, SensorIdentified> ||
                                 std::is_same_v<Seen, SerialNumberRead>) {
                if (belongs(seen.station) && inPositions(seen.position)) {
                    record_.address = seen.station;
                    record_.serials[indexOf(seen.position)] =
                        record::PositionSerial::of(seen.serial);
                    touch();
                }
            } else if constexpr (std::is_same_v<Seen, SerialNumberWritten>) {
                if (belongs(seen.station) && inPositions(seen.position)) {
                    record_.address = seen.station;
                    written_[indexOf(seen.position)] = seen.serial;
                    // What was read there before says nothing about the number written now.
                    record_.serials[indexOf(seen.position)] = {};
                    updateList();
                    touch();
                }
            } else if constexpr (std::is_same_v<Seen, PollSent>) {
                closePoll();
                // A poll of another module is not this record's; its reply will say so.
                if (!record_.address || *record_.address == seen.station) {
                    poll_ = Poll{seen.station, seen.request, false};
                }
                notify();
            }
        },
        observation);
}

void CommissioningRecord::observe(const RegisterReading& reading) {
    // Readings come only for the request written last, once.
    if (poll_ && poll_->request == window_.state.lastRequest.number) {
        poll_->answered = true;
    }
    if (!reading.station || !reading.anyFilled() || !belongs(*reading.station)) {
        return;
    }
    record_.address = *reading.station;
    ++record_.polls;
    for (std::size_t i = 0; i < reading.channels.size() && i < record_.readings.size(); ++i) {
        if (reading.channels[i].state != ChannelReading::State::NotFilled) {
            record_.readings[i].add(reading.channels[i].registerValue);
        }
    }
    touch();
}

bool CommissioningRecord::belongs(int station) {
    if (!record_.address || *record_.address == station) {
        return true;
    }
    status_ = window_.translated(texts::kRecordOtherStation,
                                 {std::to_string(station), std::to_string(*record_.address)});
    notify();
    return false;
}

void CommissioningRecord::touch() {
    if (record_.start.empty()) {
        record_.start = record::isoTimeWithOffset(clock_());
    }
    record_.toolName = kToolName;
    record_.toolVersion = toolVersion_;
    record_.port = "COM" + std::to_string(window_.state.CommNum);
    record_.baud = window_.state.CommRate;
    ++revision_;
    notify();
}

void CommissioningRecord::notify() {
    if (changed) {
        changed();
    }
}

void CommissioningRecord::closePoll() {
    if (poll_ && !poll_->answered) {
        ++failedPolls_[poll_->station];
    }
    poll_.reset();
}

int CommissioningRecord::failedPolls() const {
    const auto counts = [this](int station) {
        return !record_.address || *record_.address == station;
    };
    int failed = 0;
    for (const auto& [station, count] : failedPolls_) {
        if (counts(station)) {
            failed += count;
        }
    }
    // A poll still waiting has failed once another request went out after it.
    if (poll_ && !poll_->answered && window_.state.lastRequest.number > poll_->request &&
        counts(poll_->station)) {
        ++failed;
    }
    return failed;
}

void CommissioningRecord::updateList() {
    std::vector<std::optional<protocol::SerialNumber>> list;
    for (const auto& entry : written_) {
        if (!entry) {
            break;
        }
        list.push_back(*entry);
    }
    if (list.empty()) {
        record_.list.reset();
        record_.listWritten = false;
    } else {
        record_.list = std::move(list);
        record_.listWritten = true;
    }
}

record::Record CommissioningRecord::record() const {
    record::Record current = record_;
    for (int i = failedPolls(); i > 0; --i) {
        current.addFailedPoll();
    }
    return current;
}

std::vector<record::CheckResult> CommissioningRecord::checks() const {
    return record::evaluate(record(), language_);
}

record::Verdict CommissioningRecord::verdict() const {
    const record::Record current = record();
    return record::verdictOf(current, record::evaluate(current, language_));
}

std::array<PositionLine, record::kPositions> CommissioningRecord::positionLines() const {
    std::array<PositionLine, record::kPositions> lines{};
    for (int position = 1; position <= record::kPositions; ++position) {
        const record::PositionSerial& have = record_.serials[indexOf(position)];
        PositionLine& line = lines[indexOf(position)];
        switch (have.state) {
            case record::PositionSerial::State::NotRead:
                line.serial = window_.translated(texts::kRecordNotRead);
                break;
            case record::PositionSerial::State::Empty:
                line.serial = window_.translated(texts::kRecordEmpty);
                break;
            case record::PositionSerial::State::Present:
                line.serial = serialNumberText(have.serial);
                break;
        }
        if (record_.list && indexOf(position) < record_.list->size()) {
            const auto& want = (*record_.list)[indexOf(position)];
            if (have.state == record::PositionSerial::State::NotRead) {
                line.matched = window_.translated(texts::kRecordReadBackDue);
            } else {
                const bool matches =
                    want ? have.present() && have.serial == *want : !have.present();
                line.matched =
                    window_.translated(matches ? texts::kRecordMatched : texts::kRecordNotMatched);
                line.differs = !matches;
            }
        }
        const record::ChannelReadings& readings = record_.readings[indexOf(position)];
        if (readings.count > 0) {
            line.lowest = record::degreesText(readings.lowest);
            line.mean = record::degreesText(readings.mean().value_or(0));
            line.highest = record::degreesText(readings.highest);
        }
    }
    return lines;
}

std::vector<CheckLine> CommissioningRecord::checkLines() const {
    std::vector<CheckLine> lines;
    for (const record::CheckResult& check : checks()) {
        lines.push_back({check.state, record::checkName(check.id, language_), check.limits,
                         window_.translated(resultText(check.state)), check.reason});
    }
    return lines;
}

std::optional<std::string> CommissioningRecord::setLimits(const LimitTexts& texts) {
    record::Limits limits;
    limits.crcCheck = texts.crcCheck;
    if (!blank(texts.sensors)) {
        limits.sensors = wholeNumber(texts.sensors, 0, record::kPositions);
        if (!limits.sensors) {
            return window_.translated(texts::kRecordBadSensors);
        }
    }
    if (!blank(texts.positions)) {
        limits.positions = positionRange(texts.positions);
        if (!limits.positions) {
            return window_.translated(texts::kRecordBadPositions);
        }
    }
    if (!blank(texts.min)) {
        limits.minCentidegrees = centidegrees(texts.min);
        if (!limits.minCentidegrees) {
            return window_.translated(texts::kRecordBadTemperature);
        }
    }
    if (!blank(texts.max)) {
        limits.maxCentidegrees = centidegrees(texts.max);
        if (!limits.maxCentidegrees) {
            return window_.translated(texts::kRecordBadTemperature);
        }
    }
    if (limits.minCentidegrees && limits.maxCentidegrees &&
        *limits.minCentidegrees > *limits.maxCentidegrees) {
        return window_.translated(texts::kRecordMinAboveMax);
    }
    if (!blank(texts.spread)) {
        limits.spreadCentidegrees = centidegrees(texts.spread);
        if (!limits.spreadCentidegrees || *limits.spreadCentidegrees < 0) {
            return window_.translated(texts::kRecordBadSpread);
        }
    }
    if (!sameLimits(limits, record_.limits)) {
        record_.limits = limits;
        ++revision_;
        notify();
    }
    return std::nullopt;
}

void CommissioningRecord::setOperator(const std::string& name) {
    if (name != record_.operatorName) {
        record_.operatorName = name;
        ++revision_;
        notify();
    }
}

void CommissioningRecord::setNote(const std::string& note) {
    if (note != record_.note) {
        record_.note = note;
        ++revision_;
        notify();
    }
}

void CommissioningRecord::setModuleId(const std::string& id) {
    if (id != record_.moduleId) {
        record_.moduleId = id;
        ++revision_;
        notify();
    }
}

bool CommissioningRecord::saveJson() {
    return save(false);
}

bool CommissioningRecord::savePdf() {
    return save(true);
}

void CommissioningRecord::collectHeldReply() {
    const auto& held = window_.heldReply;
    // Only while the window's request is the last one and its threshold still armed: not
    // while the bus scan holds the line, nor with a newer request waiting for its reply.
    if (held && held->request == window_.state.lastRequest.number && window_.port.isOpen() &&
        window_.port.receiveThreshold() == held->threshold) {
        window_.port.discardInput();
    }
}

bool CommissioningRecord::save(bool pdf) {
    const std::string title =
        window_.translated(pdf ? texts::kRecordSavePdfTitle : texts::kRecordSaveTitle);
    collectHeldReply();
    if (!hasData()) {
        window_.message(
            MessageBox{window_.translated(texts::kRecordNothingToSave), title, false, false});
        return false;
    }
    if (pdf && !writers_.pdf) {
        window_.message(
            MessageBox{window_.translated(texts::kRecordNoPdfWriter), title, false, true});
        return false;
    }
    record::Record snapshot = record();
    const Stamp now = stamp();
    if (end_.empty() || endStamp_ != now) {
        end_ = record::isoTimeWithOffset(clock_());
        endStamp_ = now;
    }
    snapshot.end = end_;
    const auto checks = record::evaluate(snapshot, language_);

    std::string keptNote;
    const auto file = chooseFile(snapshot, pdf, keptNote);
    if (!file) {
        return false;
    }
    const auto failure = pdf ? writers_.pdf(snapshot, checks, *file)
                             : window_.files.replace(*file, writers_.json(snapshot, checks));
    if (failure) {
        window_.message(
            MessageBox{window_.translated(texts::kRecordSaveFailed, {file->string(), *failure}),
                       title, false, true});
        return false;
    }
    folder_ = file->parent_path();
    if (!pdf) {
        savedStamp_ = now;
    }
    status_ = keptNote.empty()
                  ? window_.translated(pdf ? texts::kRecordPdfSaved : texts::kRecordSaved,
                                       {file->string()})
                  : keptNote;
    notify();
    return true;
}

std::optional<std::filesystem::path> CommissioningRecord::chooseFile(const record::Record& snapshot,
                                                                     bool pdf,
                                                                     std::string& keptNote) {
    const std::string extension = pdf ? ".pdf" : ".json";
    const auto proposed = freeName(folder_ / (record::recordBaseName(snapshot) + extension))
                              .value_or(folder_ / (record::recordBaseName(snapshot) + extension));
    const std::string title =
        window_.translated(pdf ? texts::kRecordSavePdfTitle : texts::kRecordSaveTitle);
    const auto chosen = questions_->askSavePath(title, proposed, pdf ? "PDF|*.pdf" : "JSON|*.json");
    if (!chosen || chosen->empty()) {
        return std::nullopt;
    }
    std::filesystem::path file = *chosen;
    if (file.extension() != extension) {
        file += extension;
    }
    const auto free = freeName(file);
    if (!free) {
        window_.message(
            MessageBox{window_.translated(
                           texts::kRecordSaveFailed,
                           {file.string(), std::make_error_code(std::errc::file_exists).message()}),
                       title, false, true});
        return std::nullopt;
    }
    if (*free != file) {
        keptNote = window_.translated(texts::kRecordKeptExisting,
                                      {file.filename().string(), free->filename().string()});
    }
    return free;
}

bool CommissioningRecord::startNew() {
    collectHeldReply();
    if (unsaved() &&
        !questions_->askYesNo(MessageBox{window_.translated(texts::kRecordDiscardForNew),
                                         window_.translated(texts::kRecordTitle), false, true})) {
        return false;
    }
    record::Record next;
    next.limits = record_.limits;
    next.operatorName = record_.operatorName;
    record_ = std::move(next);
    poll_.reset();
    failedPolls_.clear();
    written_ = {};
    ++revision_;
    end_.clear();
    status_ = window_.translated(texts::kRecordNewStarted);
    notify();
    return true;
}

bool CommissioningRecord::mayClose() {
    collectHeldReply();
    return !unsaved() ||
           questions_->askYesNo(MessageBox{window_.translated(texts::kRecordDiscardOnClose),
                                           window_.translated(texts::kRecordTitle), false, true});
}

}  // namespace tc24
