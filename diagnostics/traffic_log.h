#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "protocol/byte_view.h"
#include "protocol/frames.h"
#include "protocol/translatable.h"

namespace tc24 {

// A moment as the log keeps it: the wall-clock time shown to the operator and a steady
// time the intervals are measured with (the wall clock may be set meanwhile).
struct TrafficTime {
    std::int64_t wallMs = 0;    // milliseconds since 1970-01-01 UTC
    std::int64_t steadyUs = 0;  // microseconds on a clock that never goes back
};
using TrafficClock = std::function<TrafficTime()>;
TrafficTime systemTrafficTime();

// Echo: a copy of the request the line sent back, taken out before the window saw it.
enum class TrafficDirection { Sent, Received, Verdict, Echo };

enum class TrafficVerdict {
    None,  // not a verdict row
    Valid,
    CrcError,
    Exception,
    WrongStation,
    Mismatch,    // a correct frame from the station asked, but for another function
    Incomplete,  // some bytes, never a complete frame, before the next request
    NoReply,     // nothing at all before the next request
};

struct TrafficRow {
    std::uint64_t number = 0;  // 1, 2, … in the order recorded; never reused, not even by clear()
    std::int64_t wallMs = 0;
    std::optional<std::int64_t> sinceRequestUs;  // none before the first request
    TrafficDirection direction = TrafficDirection::Sent;
    Bytes bytes;
    TrafficVerdict verdict = TrafficVerdict::None;
    std::string text;  // the request in words, the verdict, or a note on a received chunk
};

// Figures of one kind of request (or of all of them).
struct TrafficStatistics {
    std::uint64_t requests = 0;
    std::uint64_t valid = 0;
    std::uint64_t crcErrors = 0;
    std::uint64_t exceptions = 0;
    std::uint64_t mismatches = 0;  // wrong station, or not a reply to the function asked
    std::uint64_t incomplete = 0;  // incomplete or no reply when the next request came
    // Time from the request to the chunk that completed its reply frame, over every reply
    // that reached its full length while the request was waiting for it.
    std::uint64_t timedReplies = 0;
    std::int64_t minReplyUs = 0;
    std::int64_t maxReplyUs = 0;
    std::int64_t totalReplyUs = 0;

    std::optional<double> averageReplyMs() const;
    void addReplyTime(std::int64_t us);
    void add(const TrafficStatistics& other);
};

// The communication log: one row per request written and per chunk received, a verdict row
// per reply, and statistics per kind of request. Only the last `capacity` rows are kept.
class TrafficLog {
public:
    static constexpr std::size_t kCapacity = 10000;

    explicit TrafficLog(TrafficClock clock = systemTrafficTime, std::size_t capacity = kCapacity);

    // A request went out. A reply still pending for the previous request is judged first.
    void recordRequest(ByteView bytes);
    // A chunk came in. `discarded`: taken from the port only because the window discarded
    // the waiting input, so the moment it arrived is not known (no reply time is taken).
    void recordReceived(ByteView bytes, bool discarded = false);
    // The line's echo of the pending request, dropped before the window saw it: shown as its
    // own row, not part of the reply, and neither judged nor counted.
    void recordEcho(ByteView bytes);

    // While paused no rows are added; verdicts and statistics go on.
    void setPaused(bool paused);
    bool paused() const { return paused_; }
    // Removes every row, resets the statistics and forgets the pending request.
    void clear();

    const std::deque<TrafficRow>& rows() const { return rows_; }
    std::size_t capacity() const { return capacity_; }

    const TrafficStatistics& statistics(protocol::RequestKind kind) const;
    TrafficStatistics totals() const;

    // The rows as text (one line each) and as CSV (a header line, then one line per row).
    std::string text() const;
    std::string csv() const;

    // Called after every change of the rows or the statistics.
    std::function<void()> changed;

    // The language of the rows' words (a request in words, a verdict, a note) and of the saved
    // log's headers and directions. A row keeps the words it was recorded with.
    void setTranslator(const Translator& translator) { translator_ = &translator; }

private:
    struct Pending {
        Bytes request;
        protocol::RequestKind kind = protocol::RequestKind::Other;
        TrafficTime sent;
        Bytes received;
        bool judged = false;
        bool broadcast = false;
    };

    TrafficStatistics& statisticsOf(protocol::RequestKind kind);
    void judge(const TrafficTime& now, bool timed);
    void finishPending(const TrafficTime& now);
    void addRow(TrafficRow row);
    void notify();

    TrafficClock clock_;
    const Translator* translator_ = &sourceLanguage();
    std::size_t capacity_;
    bool paused_ = false;
    std::uint64_t nextNumber_ = 1;
    std::deque<TrafficRow> rows_;
    std::optional<Pending> pending_;
    std::array<TrafficStatistics, protocol::kRequestKinds> statistics_{};
};

// Texts of the log's columns.
std::string trafficWallTime(std::int64_t wallMs, bool withDate);       // local time, "12:03:04.567"
std::string trafficSince(const std::optional<std::int64_t>& sinceUs);  // "12.3", empty if none
// The direction as marked (TC24_TR): the caller shows it in its language.
const char* trafficDirectionText(TrafficDirection direction);
std::string trafficVerdictText(TrafficVerdict verdict, std::uint8_t exceptionCode = 0,
                               const Translator& translator = sourceLanguage());

}  // namespace tc24
