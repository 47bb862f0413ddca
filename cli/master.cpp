#include "cli/master.h"

#include "protocol/codes.h"
#include "protocol/frames.h"
#include "protocol/hex.h"
#include "protocol/layout.h"

namespace tc24::cli {

namespace {

std::string refusalText(const Bytes& request, std::uint8_t code) {
    // The module's own meaning of an exception where it has one.
    if (protocol::requestKind(request) == protocol::RequestKind::Identify &&
        code == protocol::kDeviceFailure) {
        return "no new sensor on the module, or more than one (exception 04)";
    }
    return "the module refused the request: " + master::exceptionText(code);
}

}  // namespace

master::Transaction Master::transaction(const Bytes& request, Resend resend) const {
    master::Transaction transaction = master::transactionFor(request, retries_ + 1);
    transaction.resendWhenUnknown = resend == Resend::AsSet;
    return transaction;
}

master::Result Master::exchange(master::Transaction transaction) {
    line_.start(std::move(transaction), Clock::now());
    for (;;) {
        const auto step = line_.step(Clock::now());
        switch (step.kind) {
            case master::LineMaster::Step::Kind::Send:
                if (transport_->send(step.bytes)) {
                    line_.sent(Clock::now());
                } else {
                    line_.lost(transport_->lostReason());
                }
                break;
            case master::LineMaster::Step::Kind::Wait: {
                Bytes arrived;
                if (!transport_->receive(arrived, step.until)) {
                    line_.lost(transport_->lostReason());
                } else if (!arrived.empty()) {
                    line_.received(arrived, Clock::now());
                }
                break;
            }
            case master::LineMaster::Step::Kind::Done:
                return line_.result();
        }
    }
}

void Master::replaceTransport(Transport& transport) {
    transport_ = &transport;
    line_.reset(Clock::now());
}

Failure Master::failureOf(const Bytes& request, const master::Result& result) const {
    using master::Ending;
    Failure failure;
    const std::string timeout = std::to_string(line_.timing().timeout.count()) + " ms";
    const bool anyModule =
        ByteView(request).at(protocol::kStationAt) == protocol::kAnyModuleStation;
    switch (result.ending) {
        case Ending::Valid:
            return failure;
        case Ending::PortLost:
            return {kPortFailed, result.lostReason};
        case Ending::Exception:
            failure.message = refusalText(request, result.exceptionCode);
            break;
        case Ending::Mismatch:
            failure.message = "the reply does not answer the request: " + hexText(result.reply);
            break;
        case Ending::NoReply:
            failure.message = "no reply within " + timeout;
            break;
        case Ending::Incomplete:
            failure.message = "incomplete reply: " + hexText(result.received);
            break;
        case Ending::CrcError:
            failure.message = "reply with a wrong CRC: " + hexText(result.received);
            if (anyModule && !result.echoSeen) {
                failure.message +=
                    " (asked at station 250, several modules may have answered at once: "
                    "give --station)";
            }
            break;
        case Ending::LineBusy:
            failure.message =
                "the line never fell silent before the request (noise, or another master "
                "talking): " +
                hexText(result.late);
            break;
    }
    if (result.echoSeen) {
        failure.message += "; the line echoes requests: try --echo";
    }
    if (!result.otherStations.empty()) {
        const Bytes& frame = result.otherStations.back();
        failure.message += "; a reply from station " + std::to_string(frame.front()) +
                           " came instead: " + hexText(frame);
    }
    if (result.attempts > 1) {
        failure.message += " (" + std::to_string(result.attempts) + " attempts)";
    }
    return failure;
}

}  // namespace tc24::cli
