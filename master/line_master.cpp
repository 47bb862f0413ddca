#include "master/line_master.h"

#include <algorithm>

#include "protocol/codes.h"
#include "protocol/frames.h"
#include "protocol/hex.h"
#include "protocol/layout.h"
#include "protocol/requests.h"

namespace tc24::master {

namespace {

bool startsWith(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

// Whether the reply to `frame` may be byte for byte the request (a MODBUS write of one
// register or coil answers with its own request).
bool replyMayEqualRequest(std::span<const std::uint8_t> frame) {
    const auto function = ByteView(frame).at(protocol::kFunctionAt);
    return function == protocol::kWriteSingleRegister || function == protocol::kWriteSingleCoil;
}

bool isFrameFromStationAsked(protocol::ReplyVerdict verdict) {
    return verdict == protocol::ReplyVerdict::Valid ||
           verdict == protocol::ReplyVerdict::Exception ||
           verdict == protocol::ReplyVerdict::Mismatch;
}

Ending endingOf(protocol::ReplyVerdict verdict) {
    switch (verdict) {
        case protocol::ReplyVerdict::Valid:
            return Ending::Valid;
        case protocol::ReplyVerdict::Exception:
            return Ending::Exception;
        case protocol::ReplyVerdict::Mismatch:
            return Ending::Mismatch;
        case protocol::ReplyVerdict::CrcError:
        case protocol::ReplyVerdict::WrongStation:
            break;
    }
    return Ending::CrcError;
}

}  // namespace

Transaction transactionFor(Bytes frame, int attempts) {
    Transaction transaction;
    transaction.wire = protocol::withPadding(frame);
    transaction.frame = std::move(frame);
    transaction.attempts = std::max(attempts, 1);
    return transaction;
}

std::string exceptionText(std::uint8_t code) {
    const char* meaning = "";
    switch (code) {
        case protocol::kIllegalFunction:
            meaning = " (illegal function)";
            break;
        case protocol::kIllegalDataAddress:
            meaning = " (illegal data address)";
            break;
        case protocol::kIllegalDataValue:
            meaning = " (illegal data value)";
            break;
        case protocol::kDeviceFailure:
            meaning = " (device failure)";
            break;
        case protocol::kDeviceBusy:
            meaning = " (device busy)";
            break;
        default:
            break;
    }
    return "exception " + FormatHex(code) + meaning;
}

LineMaster::LineMaster(LineTiming timing, bool echoSuppression)
    : timing_(timing), echoSuppression_(echoSuppression) {}

void LineMaster::report(TraceEvent::Kind kind, std::span<const std::uint8_t> bytes, TimePoint now) {
    if (!trace || (bytes.empty() && kind != TraceEvent::Kind::Sent)) {
        return;
    }
    TraceEvent event;
    event.kind = kind;
    event.at = now;
    if (sentAt_) {
        event.sinceRequest = now - *sentAt_;
    }
    event.bytes = bytes;
    trace(event);
}

void LineMaster::start(Transaction transaction, TimePoint now) {
    transaction_ = std::move(transaction);
    transaction_.attempts = std::max(transaction_.attempts, 1);
    if (transaction_.wire.empty()) {
        transaction_.wire = transaction_.frame;
    }
    result_ = Result{};
    attempt_ = 0;
    enterQuietPhases(now);
}

void LineMaster::enterQuietPhases(TimePoint now) {
    if (guardUntil_ && now < *guardUntil_) {
        phase_ = Phase::Guard;
        return;
    }
    guardUntil_.reset();
    phase_ = Phase::Silence;
    silenceSince_ = now;
    listened_ = deliversAtOnce_;
}

void LineMaster::guardFrom(TimePoint now) {
    guardUntil_ = now + timing_.guard;
    if (phase_ == Phase::Silence) {
        phase_ = Phase::Guard;
    }
}

void LineMaster::reset(TimePoint now) {
    phase_ = Phase::Idle;
    guardUntil_.reset();
    lastByteAt_ = now;
    rx_.clear();
}

LineMaster::Step LineMaster::step(TimePoint now) {
    for (;;) {
        switch (phase_) {
            case Phase::Idle:
            case Phase::Done:
                return {Step::Kind::Done, {}, now};
            case Phase::Guard:
                if (now < *guardUntil_) {
                    return {Step::Kind::Wait, {}, *guardUntil_};
                }
                guardUntil_.reset();
                phase_ = Phase::Silence;
                silenceSince_ = now;
                listened_ = deliversAtOnce_;
                continue;
            case Phase::Silence: {
                // Bytes that came while nobody listened are still in the port: ask once.
                if (!listened_) {
                    listened_ = true;
                    return {Step::Kind::Wait, {}, now};
                }
                if (!lastByteAt_ || now - *lastByteAt_ >= timing_.silence) {
                    phase_ = Phase::Send;
                    continue;
                }
                // A line that never falls silent must not hold the master for ever.
                const auto patience = std::max<Duration>(timing_.guard, timing_.silence * 10);
                if (now - silenceSince_ >= patience) {
                    result_.ending = Ending::LineBusy;
                    phase_ = Phase::Done;
                    continue;
                }
                return {Step::Kind::Wait, {}, *lastByteAt_ + timing_.silence};
            }
            case Phase::Send:
                return {Step::Kind::Send, transaction_.wire, now};
            case Phase::Await:
                if (rx_.empty()) {
                    if (now >= firstByteDeadline_) {
                        endAttempt(Ending::NoReply, now);
                        continue;
                    }
                    return {Step::Kind::Wait, {}, firstByteDeadline_};
                }
                if (now >= lastRxAt_ + timing_.gap) {
                    endAttempt(sawCrcError_ ? Ending::CrcError : Ending::Incomplete, now);
                    continue;
                }
                return {Step::Kind::Wait, {}, lastRxAt_ + timing_.gap};
        }
    }
}

void LineMaster::sent(TimePoint now) {
    if (phase_ != Phase::Send) {
        return;
    }
    ++attempt_;
    result_.attempts = attempt_;
    sentAt_ = now;
    report(TraceEvent::Kind::Sent, transaction_.wire, now);
    phase_ = Phase::Await;
    rx_.clear();
    echoPending_ = echoSuppression_;
    echoSeen_ = false;
    sawCrcError_ = false;
    heardAttempt_ = false;
    heardBefore_ = result_.heard;
    // The request is on the wire until its last character has left.
    const auto onTheWire = timing_.characterTime * static_cast<long>(transaction_.wire.size());
    firstByteDeadline_ = now + onTheWire + timing_.timeout;
    lastRxAt_ = now;
}

void LineMaster::noteLate(std::span<const std::uint8_t> bytes, TimePoint now) {
    const std::size_t room = kMostReplyBytes - std::min(kMostReplyBytes, result_.late.size());
    result_.late.insert(result_.late.end(), bytes.begin(),
                        bytes.begin() + static_cast<std::ptrdiff_t>(std::min(room, bytes.size())));
    report(TraceEvent::Kind::LateDropped, bytes, now);
}

void LineMaster::received(std::span<const std::uint8_t> bytes, TimePoint now) {
    if (bytes.empty()) {
        return;
    }
    lastByteAt_ = now;
    if (phase_ != Phase::Await) {
        // Nothing is asked: a late reply, noise, or the tail of a broken reply.
        noteLate(bytes, now);
        return;
    }
    heardAttempt_ = true;
    result_.heard = true;
    lastRxAt_ = now;
    const std::size_t room = kMostReplyBytes - std::min(kMostReplyBytes, rx_.size());
    const std::size_t taken = std::min(room, bytes.size());
    const std::size_t before = rx_.size();
    rx_.insert(rx_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(taken));
    if (!echoPending_) {
        report(TraceEvent::Kind::Received, std::span(rx_).subspan(before), now);
    }
    judge(now);
    if (phase_ == Phase::Await && rx_.size() >= kMostReplyBytes) {
        // More than any reply: what follows is read and dropped in the guard.
        endAttempt(sawCrcError_ ? Ending::CrcError : Ending::Incomplete, now);
    }
}

// Drops the echo of the request when it comes first. True while it may still be coming.
bool LineMaster::takeEcho(TimePoint now) {
    const std::span<const std::uint8_t> echo(transaction_.wire);
    const std::size_t compared = std::min(rx_.size(), echo.size());
    if (!std::equal(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(compared),
                    echo.begin())) {
        // Not the echo: the bytes held back are the reply's.
        echoPending_ = false;
        report(TraceEvent::Kind::Received, rx_, now);
        return false;
    }
    if (rx_.size() < echo.size()) {
        return true;
    }
    echoPending_ = false;
    report(TraceEvent::Kind::EchoDropped, echo, now);
    rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(echo.size()));
    report(TraceEvent::Kind::Received, rx_, now);
    // The echo is the request itself: nothing has answered yet.
    heardAttempt_ = !rx_.empty();
    result_.heard = heardBefore_ || heardAttempt_;
    // The echo marks the end of the request on the wire: the reply is due a time-out later.
    firstByteDeadline_ = now + timing_.timeout;
    return false;
}

void LineMaster::judge(TimePoint now) {
    if (echoPending_ && takeEcho(now)) {
        return;
    }
    const std::span<const std::uint8_t> frame(transaction_.frame);
    if (!echoSuppression_ && !replyMayEqualRequest(frame) && startsWith(rx_, transaction_.wire)) {
        echoSeen_ = true;
    }
    for (;;) {
        const auto first = protocol::checkReply(frame, rx_);
        if (first && first->verdict == protocol::ReplyVerdict::WrongStation) {
            // A late reply to an earlier request: the reply asked for may still follow.
            result_.otherStations.emplace_back(
                rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(first->length));
            rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(first->length));
            if (rx_.empty()) {
                firstByteDeadline_ = std::max(firstByteDeadline_, now + timing_.gap);
                return;
            }
            continue;
        }
        if (first && isFrameFromStationAsked(first->verdict)) {
            endAttempt(endingOf(first->verdict), now, 0, first->length, first->exceptionCode);
            return;
        }
        if (first) {
            sawCrcError_ = true;
        }
        break;
    }
    if (echoSeen_) {
        return;  // the request itself, not a reply behind noise
    }
    // Bytes before a valid frame (noise at the line's turnaround) are passed over.
    for (std::size_t at = 1; at + protocol::kExceptionReplyLength <= rx_.size(); ++at) {
        const auto check = protocol::checkReply(frame, std::span(rx_).subspan(at));
        if (check && isFrameFromStationAsked(check->verdict)) {
            endAttempt(endingOf(check->verdict), now, at, check->length, check->exceptionCode);
            return;
        }
    }
}

void LineMaster::endAttempt(Ending ending, TimePoint now, std::size_t frameAt,
                            std::size_t frameLength, std::uint8_t exceptionCode) {
    result_.echoSeen = result_.echoSeen || echoSeen_;
    const bool busy = ending == Ending::Exception && exceptionCode == protocol::kDeviceBusy;
    const bool final = ending == Ending::Valid || ending == Ending::Mismatch ||
                       (ending == Ending::Exception && !(busy && transaction_.retryBusy));
    const auto frameBegin = rx_.begin() + static_cast<std::ptrdiff_t>(frameAt);
    if (final) {
        result_.ending = ending;
        result_.reply.assign(frameBegin, frameBegin + static_cast<std::ptrdiff_t>(frameLength));
        result_.exceptionCode = exceptionCode;
        result_.received.clear();
        phase_ = Phase::Done;
        return;
    }
    // A failed attempt.
    result_.ending = ending;
    result_.exceptionCode = exceptionCode;
    result_.received = rx_;
    result_.reply.clear();
    const bool silent = ending == Ending::NoReply && !heardAttempt_;
    if (!silent || transaction_.guardAfterSilence) {
        guardUntil_ = now + timing_.guard;
    }
    const bool mayResend = busy || transaction_.resendWhenUnknown;
    rx_.clear();
    if (attempt_ < transaction_.attempts && mayResend) {
        enterQuietPhases(now);
        return;
    }
    phase_ = Phase::Done;
}

void LineMaster::lost(std::string reason) {
    result_.ending = Ending::PortLost;
    result_.lostReason = std::move(reason);
    phase_ = Phase::Done;
}

}  // namespace tc24::master
