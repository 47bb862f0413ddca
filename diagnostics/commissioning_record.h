#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "link/observations.h"
#include "link/readings.h"
#include "link/window.h"
#include "record/record.h"

namespace tc24 {

// How a record becomes files; the Qt layer writes JSON with QJsonDocument and the report with
// QPdfWriter (report/), which the handlers' layers do not link.
struct RecordWriters {
    // The JSON document.
    std::function<std::string(const record::Record&, const std::vector<record::CheckResult>&)> json;
    // Writes the printable report whole to the file; the reason when it fails. May be empty.
    std::function<std::optional<std::string>(const record::Record&,
                                             const std::vector<record::CheckResult>&,
                                             const std::filesystem::path&)>
        pdf;
};

// The limits as the engineer types them; empty text leaves a check not configured.
struct LimitTexts {
    std::string sensors;    // "24"
    std::string positions;  // "1-24", or one position "5"
    std::string min;        // degrees, "10" or "-5.25"
    std::string max;
    std::string spread;
    bool crcCheck = true;
};

// One row of the positions' table, as the view shows it.
struct PositionLine {
    std::string serial;    // the number, "未读取" or "空"
    std::string matched;   // against the list written: "一致", "不一致", "待读回", or empty
    bool differs = false;  // the position holds another number than the list written there
    std::string lowest;    // degrees, empty without a reading
    std::string mean;
    std::string highest;
};

// One row of the checks' table.
struct CheckLine {
    record::CheckState state = record::CheckState::NotConfigured;
    std::string name;
    std::string limits;
    std::string result;
    std::string reason;
};

// The window's commissioning record ("调试记录"): one record::Record built from what the
// engineer does anyway, as the decoders report it (Window::moduleObservers and
// Window::readingObservers): the address read or changed, the sensor count, serial numbers
// read, identified or written, and every register reading; plus the limits, the operator, the
// note and the module id the engineer enters. The checks and the verdict follow every change.
//
// The record belongs to one module: the station of the first reply taken. A reply from another
// station is left out and said so, until "新记录" starts the next module's record. An address
// change from the record's address moves the record to the new one.
//
// A failed reading is a register query that got no reading before the next request of the
// window went out; a query still waiting for its reply is not counted yet. The polls are
// counted here rather than from the communication log's verdicts: the log joins a reply that
// came in pieces and sees the bus scan's traffic, while a reading counts only as the views
// take it, so the polls, the readings and the failures always add up.
//
// A reply counts when it is whole: a serial number read whose event came before the reply's end
// (its receive threshold is three bytes short) is taken once the rest is read, at the window's
// next request or when the record is saved.
//
// Saving never loses a record: each file is written whole (Window::files), an existing file
// is never replaced (a free name with a counter is taken instead), and starting a new record
// or closing with one not saved as JSON asks first.
class CommissioningRecord {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // Subscribes to the window's observers for as long as it lives. `folder`: where the
    // first save dialog starts.
    CommissioningRecord(
        Window& window, Questions& questions, RecordWriters writers, std::string toolVersion,
        std::filesystem::path folder,
        Clock clock = [] { return std::chrono::system_clock::now(); });
    ~CommissioningRecord();
    CommissioningRecord(const CommissioningRecord&) = delete;
    CommissioningRecord& operator=(const CommissioningRecord&) = delete;

    void setQuestions(Questions& questions) { questions_ = &questions; }

    // The language of the checks' names and reasons, the verdict and the printed report: the
    // window's. The view's own texts follow Window::translated.
    void setLanguage(record::Language language);
    record::Language language() const { return language_; }

    // The record as it would be saved now (its end time set only when saved).
    record::Record record() const;
    std::vector<record::CheckResult> checks() const;
    record::Verdict verdict() const;
    std::array<PositionLine, record::kPositions> positionLines() const;
    std::vector<CheckLine> checkLines() const;

    // Something was taken since the last "新记录".
    bool hasData() const { return !record_.start.empty(); }
    // Data not saved as JSON since its last change.
    bool unsaved() const { return hasData() && stamp() != savedStamp_; }
    // What the view tells under the record: what was saved where, what was left out.
    const std::string& status() const { return status_; }

    // The engineer's entries. The limits are taken whole, or not at all: the refusal then.
    std::optional<std::string> setLimits(const LimitTexts& limits);
    void setOperator(const std::string& name);
    void setNote(const std::string& note);
    void setModuleId(const std::string& id);

    // "保存记录", "保存PDF": asks where, and writes the file; true when written.
    bool saveJson();
    bool savePdf();
    // "新记录": the next module. The limits and the operator stay; asks first when the record
    // is not saved. False when the engineer keeps the record.
    bool startNew();
    // The window closes: true when it may (nothing unsaved, or the engineer lets it go).
    bool mayClose();

    // Called after every change of the record, its status or its saved state.
    std::function<void()> changed;

    // What the decoders report (public for the view's tests).
    void observe(const ModuleObservation& observation);
    void observe(const RegisterReading& reading);

private:
    // What the record holds: its changes, and the failed polls, which a request of another
    // operation can add to without a change here.
    using Stamp = std::pair<std::uint64_t, int>;
    Stamp stamp() const { return {revision_, failedPolls()}; }

    struct Poll {
        int station = 0;
        std::uint64_t request = 0;
        bool answered = false;
    };

    // Whether a reply from `station` belongs to this record; the record takes the station of
    // its first reply. Says so in the status when it does not.
    bool belongs(int station);
    // The end of a reply the decoder got only the start of (Window::heldReply) waits unread
    // in the port until the window's next request discards it: before the record is saved or
    // dropped, that input is discarded now instead, which completes the reply. Only while
    // that request is the window's last one and the scan does not hold the line.
    void collectHeldReply();
    // A reply was taken: the start time, the line.
    void touch();
    void notify();
    // The polls of `station` (every station while the record has no address) that failed.
    int failedPolls() const;
    void closePoll();
    // The written entries from position 1 without a gap: the list the read-back is held to.
    void updateList();
    bool save(bool pdf);
    // Where to write: asked, with the record's name proposed; never an existing file.
    // `keptNote` says when the name chosen was taken and another one used.
    std::optional<std::filesystem::path> chooseFile(const record::Record& record, bool pdf,
                                                    std::string& keptNote);

    Window& window_;
    Questions* questions_;
    RecordWriters writers_;
    std::string toolVersion_;
    std::filesystem::path folder_;
    Clock clock_;
    std::shared_ptr<CommissioningRecord*> self_;  // the observers' way back; null once gone

    record::Record record_;
    std::optional<Poll> poll_;
    std::map<int, int> failedPolls_;  // by station
    std::array<std::optional<protocol::SerialNumber>, record::kPositions> written_{};
    std::uint64_t revision_ = 0;
    Stamp savedStamp_{0, 0};  // as last saved as JSON
    // The end time given to the record when saved, kept while it does not change, so that its
    // JSON and its PDF say the same.
    std::string end_;
    Stamp endStamp_{0, 0};
    std::string status_;
    record::Language language_ = record::Language::Chinese;
};

}  // namespace tc24
