#include "diagnostics/traffic_log.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "link/window_texts.h"
#include "protocol/hex.h"

namespace tc24 {

namespace {

using protocol::ReplyVerdict;
using protocol::RequestKind;

constexpr const char* kLineEnd = "\r\n";
constexpr const char* kUtf8Mark = "\xEF\xBB\xBF";  // lets spreadsheet programs see UTF-8
constexpr const char* kAfterReply = TC24_TR("tc24", "应答之后的多余字节");
constexpr const char* kWithoutRequest = TC24_TR("tc24", "无请求");
constexpr const char* kDiscardedChunk = TC24_TR("tc24", "发送下一请求前清除的输入");
constexpr const char* kCsvHeader = TC24_TR("tc24", "序号,时间,距请求(ms),方向,长度,数据,说明");

TrafficVerdict toTrafficVerdict(ReplyVerdict verdict) {
    switch (verdict) {
        case ReplyVerdict::Valid:
            return TrafficVerdict::Valid;
        case ReplyVerdict::CrcError:
            return TrafficVerdict::CrcError;
        case ReplyVerdict::Exception:
            return TrafficVerdict::Exception;
        case ReplyVerdict::WrongStation:
            return TrafficVerdict::WrongStation;
        case ReplyVerdict::Mismatch:
            break;
    }
    return TrafficVerdict::Mismatch;
}

std::string csvField(const std::string& value) {
    if (value.find_first_of(",\"\r\n") == std::string::npos) {
        return value;
    }
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    return quoted + '"';
}

// Adds one judged frame to the figures of its kind of request.
void countVerdict(TrafficStatistics& figures, TrafficVerdict verdict) {
    switch (verdict) {
        case TrafficVerdict::Valid:
            ++figures.valid;
            break;
        case TrafficVerdict::CrcError:
            ++figures.crcErrors;
            break;
        case TrafficVerdict::Exception:
            ++figures.exceptions;
            break;
        default:
            ++figures.mismatches;
            break;
    }
}

}  // namespace

TrafficTime systemTrafficTime() {
    using namespace std::chrono;
    return {duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count(),
            duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count()};
}

std::optional<double> TrafficStatistics::averageReplyMs() const {
    if (timedReplies == 0) {
        return std::nullopt;
    }
    return static_cast<double>(totalReplyUs) / static_cast<double>(timedReplies) / 1000.0;
}

void TrafficStatistics::addReplyTime(std::int64_t us) {
    minReplyUs = timedReplies == 0 ? us : std::min(minReplyUs, us);
    maxReplyUs = timedReplies == 0 ? us : std::max(maxReplyUs, us);
    totalReplyUs += us;
    ++timedReplies;
}

void TrafficStatistics::add(const TrafficStatistics& other) {
    requests += other.requests;
    valid += other.valid;
    crcErrors += other.crcErrors;
    exceptions += other.exceptions;
    mismatches += other.mismatches;
    incomplete += other.incomplete;
    if (other.timedReplies > 0) {
        minReplyUs = timedReplies == 0 ? other.minReplyUs : std::min(minReplyUs, other.minReplyUs);
        maxReplyUs = timedReplies == 0 ? other.maxReplyUs : std::max(maxReplyUs, other.maxReplyUs);
        totalReplyUs += other.totalReplyUs;
        timedReplies += other.timedReplies;
    }
}

TrafficLog::TrafficLog(TrafficClock clock, std::size_t capacity)
    : clock_(std::move(clock)), capacity_(std::max<std::size_t>(capacity, 1)) {}

TrafficStatistics& TrafficLog::statisticsOf(RequestKind kind) {
    return statistics_[static_cast<std::size_t>(kind)];
}

const TrafficStatistics& TrafficLog::statistics(RequestKind kind) const {
    return statistics_[static_cast<std::size_t>(kind)];
}

TrafficStatistics TrafficLog::totals() const {
    TrafficStatistics sum;
    for (const auto& figures : statistics_) {
        sum.add(figures);
    }
    return sum;
}

void TrafficLog::recordRequest(ByteView bytes) {
    if (bytes.empty()) {
        return;
    }
    const TrafficTime now = clock_();
    finishPending(now);

    Pending next;
    next.request.assign(bytes.span().begin(), bytes.span().end());
    next.kind = protocol::requestKind(bytes.span());
    next.sent = now;
    next.broadcast = bytes.at(protocol::kStationAt) == protocol::kBroadcastStation;
    ++statisticsOf(next.kind).requests;

    TrafficRow row;
    row.wallMs = now.wallMs;
    row.sinceRequestUs = 0;
    row.direction = TrafficDirection::Sent;
    row.bytes = next.request;
    row.text = protocol::describeRequest(bytes.span(), *translator_);
    pending_ = std::move(next);
    addRow(std::move(row));
    notify();
}

void TrafficLog::recordReceived(ByteView bytes, bool discarded) {
    if (bytes.empty()) {
        return;
    }
    const TrafficTime now = clock_();
    TrafficRow row;
    row.wallMs = now.wallMs;
    row.direction = TrafficDirection::Received;
    row.bytes.assign(bytes.span().begin(), bytes.span().end());
    if (!pending_) {
        row.text = translator_->translate(kWithoutRequest);
    } else {
        row.sinceRequestUs = now.steadyUs - pending_->sent.steadyUs;
        if (pending_->judged) {
            row.text = translator_->translate(kAfterReply);
        } else if (discarded) {
            row.text = translator_->translate(kDiscardedChunk);
        }
    }
    addRow(std::move(row));
    if (pending_ && !pending_->judged) {
        auto& received = pending_->received;
        received.insert(received.end(), bytes.span().begin(), bytes.span().end());
        judge(now, !discarded);
    }
    notify();
}

void TrafficLog::recordEcho(ByteView bytes) {
    if (bytes.empty()) {
        return;
    }
    const TrafficTime now = clock_();
    TrafficRow row;
    row.wallMs = now.wallMs;
    row.direction = TrafficDirection::Echo;
    row.bytes.assign(bytes.span().begin(), bytes.span().end());
    if (pending_) {
        row.sinceRequestUs = now.steadyUs - pending_->sent.steadyUs;
    }
    addRow(std::move(row));
    notify();
}

// Judges the pending reply once its bytes make a frame of the expected length.
void TrafficLog::judge(const TrafficTime& now, bool timed) {
    Pending& pending = *pending_;
    if (pending.broadcast) {
        return;  // no reply is due; whatever comes is only shown
    }
    const auto check = protocol::checkReply(pending.request, pending.received);
    if (!check) {
        return;
    }
    pending.judged = true;
    TrafficStatistics& figures = statisticsOf(pending.kind);
    const TrafficVerdict verdict = toTrafficVerdict(check->verdict);
    countVerdict(figures, verdict);
    const std::int64_t since = now.steadyUs - pending.sent.steadyUs;
    if (timed) {
        figures.addReplyTime(since);
    }
    TrafficRow row;
    row.wallMs = now.wallMs;
    row.sinceRequestUs = since;
    row.direction = TrafficDirection::Verdict;
    row.bytes.assign(pending.received.begin(),
                     pending.received.begin() + static_cast<long>(check->length));
    row.verdict = verdict;
    row.text = trafficVerdictText(verdict, check->exceptionCode, *translator_);
    addRow(std::move(row));
}

// The next request replaces the pending one: a reply not judged yet is incomplete or missing.
void TrafficLog::finishPending(const TrafficTime& now) {
    if (!pending_ || pending_->judged || pending_->broadcast) {
        return;
    }
    Pending& pending = *pending_;
    TrafficStatistics& figures = statisticsOf(pending.kind);
    TrafficRow row;
    row.wallMs = now.wallMs;
    row.sinceRequestUs = now.steadyUs - pending.sent.steadyUs;
    row.direction = TrafficDirection::Verdict;
    row.bytes = pending.received;
    // A request of unknown layout: the whole reply judged as one frame.
    std::optional<protocol::ReplyCheck> check;
    if (!protocol::expectedReplyLength(pending.request)) {
        check = protocol::checkWholeReply(pending.request, pending.received);
    }
    if (check) {
        row.verdict = toTrafficVerdict(check->verdict);
        row.text = trafficVerdictText(row.verdict, check->exceptionCode, *translator_);
        countVerdict(figures, row.verdict);
    } else {
        row.verdict =
            pending.received.empty() ? TrafficVerdict::NoReply : TrafficVerdict::Incomplete;
        row.text = trafficVerdictText(row.verdict, 0, *translator_);
        ++figures.incomplete;
    }
    pending.judged = true;
    addRow(std::move(row));
}

void TrafficLog::addRow(TrafficRow row) {
    if (paused_) {
        return;
    }
    row.number = nextNumber_++;
    rows_.push_back(std::move(row));
    while (rows_.size() > capacity_) {
        rows_.pop_front();
    }
}

void TrafficLog::setPaused(bool paused) {
    paused_ = paused;
    notify();
}

void TrafficLog::clear() {
    rows_.clear();
    pending_.reset();
    statistics_ = {};
    notify();
}

void TrafficLog::notify() {
    if (changed) {
        changed();
    }
}

std::string TrafficLog::text() const {
    std::string out;
    for (const auto& row : rows_) {
        out += trafficWallTime(row.wallMs, true);
        out += '\t';
        out += trafficSince(row.sinceRequestUs);
        out += '\t';
        out += translator_->translate(trafficDirectionText(row.direction));
        out += '\t';
        out += std::to_string(row.bytes.size());
        out += '\t';
        out += serialNumberText(row.bytes);
        out += '\t';
        out += row.text;
        out += kLineEnd;
    }
    return out;
}

std::string TrafficLog::csv() const {
    std::string out = kUtf8Mark;
    out += translator_->translate(kCsvHeader);
    out += kLineEnd;
    for (const auto& row : rows_) {
        out += std::to_string(row.number);
        out += ',';
        out += csvField(trafficWallTime(row.wallMs, true));
        out += ',';
        out += csvField(trafficSince(row.sinceRequestUs));
        out += ',';
        out += csvField(translator_->translate(trafficDirectionText(row.direction)));
        out += ',';
        out += std::to_string(row.bytes.size());
        out += ',';
        out += csvField(serialNumberText(row.bytes));
        out += ',';
        out += csvField(row.text);
        out += kLineEnd;
    }
    return out;
}

std::string trafficWallTime(std::int64_t wallMs, bool withDate) {
    const std::int64_t milliseconds = ((wallMs % 1000) + 1000) % 1000;
    const std::time_t seconds = static_cast<std::time_t>((wallMs - milliseconds) / 1000);
    // std::localtime shares one result between calls; the log runs on the window's thread.
    const std::tm* shared = std::localtime(&seconds);
    if (shared == nullptr) {
        return {};
    }
    const std::tm local = *shared;
    char text[48];
    if (withDate) {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
                      local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                      static_cast<int>(milliseconds));
    } else {
        std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                      local.tm_sec, static_cast<int>(milliseconds));
    }
    return text;
}

std::string trafficSince(const std::optional<std::int64_t>& sinceUs) {
    if (!sinceUs) {
        return {};
    }
    // Tenths of a millisecond, rounded half up; intervals are never negative on a steady clock.
    const std::int64_t tenths = (std::max<std::int64_t>(*sinceUs, 0) + 50) / 100;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

const char* trafficDirectionText(TrafficDirection direction) {
    switch (direction) {
        case TrafficDirection::Sent:
            return TC24_TR("tc24", "发送");
        case TrafficDirection::Received:
            return TC24_TR("tc24", "接收");
        case TrafficDirection::Echo:
            return texts::kEchoRow;
        case TrafficDirection::Verdict:
            break;
    }
    return TC24_TR("tc24", "判定");
}

std::string trafficVerdictText(TrafficVerdict verdict, std::uint8_t exceptionCode,
                               const Translator& translator) {
    // Marked apart from translate(…), inside which lupdate would not see them.
    const char* text = TC24_TR("tc24", "无应答");
    switch (verdict) {
        case TrafficVerdict::None:
            return {};
        case TrafficVerdict::Valid:
            text = TC24_TR("tc24", "有效应答");
            break;
        case TrafficVerdict::CrcError:
            text = TC24_TR("tc24", "CRC错误");
            break;
        case TrafficVerdict::Exception:
            text = TC24_TR("tc24", "MODBUS异常 %1");
            break;
        case TrafficVerdict::WrongStation:
            text = TC24_TR("tc24", "站号不符");
            break;
        case TrafficVerdict::Mismatch:
            text = TC24_TR("tc24", "功能码不符");
            break;
        case TrafficVerdict::Incomplete:
            text = TC24_TR("tc24", "应答不完整");
            break;
        case TrafficVerdict::NoReply:
            break;
    }
    return fillIn(translator.translate(text), {std::to_string(exceptionCode)});
}

}  // namespace tc24
