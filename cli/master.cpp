#include "cli/master.h"

#include <algorithm>

#include "protocol/hex.h"
#include "protocol/layout.h"
#include "protocol/requests.h"

namespace tc24::cli {

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

void Master::awaitSilence() {
    // Bounded in time and bytes: a line that never goes quiet must not hold the tool.
    const auto deadline = Clock::now() + settings_.timeout;
    Bytes ignored;
    while (ignored.size() < kMostBytesWaitedOut) {
        const auto now = Clock::now();
        const std::size_t before = ignored.size();
        if (now >= deadline ||
            !transport_.receive(ignored, std::min(deadline, now + settings_.quiet)) ||
            ignored.size() == before) {
            break;
        }
    }
    transport_.discardInput();
}

Master::Judged Master::exchange(const Bytes& request, const Judge& judge, int attempts) {
    Judged judged;
    const std::string timeoutText = std::to_string(settings_.timeout.count()) + " ms";
    const auto portGone = [&] {
        return Judged{false,
                      {kPortFailed, "the port went away: " + transport_.lostReason()},
                      {},
                      judged.heard};
    };
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        transport_.discardInput();
        if (!transport_.send(protocol::withPadding(request))) {
            return portGone();
        }
        const auto deadline = Clock::now() + settings_.timeout;
        Bytes received;
        std::optional<protocol::ReplyCheck> check;
        std::string skipped;  // the last frame from another station
        for (;;) {
            check = judge(received);
            if (check && check->verdict == protocol::ReplyVerdict::WrongStation) {
                // Not the reply asked for, but a late one to an earlier request: the reply
                // asked for may still follow.
                skipped = "; a reply from station " +
                          std::to_string(received[protocol::kStationAt]) +
                          " came instead: " + hexText(std::span(received).first(check->length));
                received.erase(received.begin(),
                               received.begin() + static_cast<std::ptrdiff_t>(check->length));
                judged.heard = true;
                continue;
            }
            if (check || Clock::now() >= deadline) {
                break;
            }
            if (!transport_.receive(received, deadline)) {
                return portGone();
            }
        }
        judged.heard = judged.heard || !received.empty();
        judged.verdict.reset();
        if (!check) {
            judged.failure.message = (received.empty() ? "no reply within " + timeoutText
                                                       : "incomplete reply within " + timeoutText +
                                                             ": " + hexText(received)) +
                                     skipped;
            if (!received.empty() || !skipped.empty()) {
                // The rest may still be on its way; it must not precede the next reply.
                awaitSilence();
            }
            continue;
        }
        judged.verdict = check->verdict;
        const std::string frame = hexText(std::span(received).first(check->length));
        switch (check->verdict) {
            case protocol::ReplyVerdict::Valid:
                judged.accepted = true;
                return judged;
            case protocol::ReplyVerdict::Exception:
                judged.failure.message =
                    "the module refused the request: " + exceptionText(check->exceptionCode);
                return judged;
            case protocol::ReplyVerdict::Mismatch:
                judged.failure.message = "the reply does not answer the request: " + frame;
                return judged;
            case protocol::ReplyVerdict::CrcError:
                judged.failure.message = "reply with a wrong CRC: " + frame;
                break;
            case protocol::ReplyVerdict::WrongStation:  // skipped above, never judged here
                break;
        }
        awaitSilence();
    }
    if (attempts > 1) {
        judged.failure.message += " (" + std::to_string(attempts) + " attempts)";
    }
    return judged;
}

}  // namespace tc24::cli
