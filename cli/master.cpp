#include "cli/master.h"

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
    Bytes ignored;
    for (;;) {
        const std::size_t before = ignored.size();
        if (!transport_.receive(ignored, Clock::now() + settings_.quiet) ||
            ignored.size() == before) {
            break;
        }
    }
    transport_.discardInput();
}

Master::Judged Master::exchange(const Bytes& request, const Judge& judge) {
    Judged judged;
    const std::string timeoutText = std::to_string(settings_.timeout.count()) + " ms";
    const int attempts = settings_.retries + 1;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        transport_.discardInput();
        if (!transport_.send(protocol::withPadding(request))) {
            return {false, {kPortFailed, "the port went away: " + transport_.lostReason()}, {}};
        }
        const auto deadline = Clock::now() + settings_.timeout;
        Bytes received;
        std::optional<protocol::ReplyCheck> check;
        while (!(check = judge(received)) && Clock::now() < deadline) {
            if (!transport_.receive(received, deadline)) {
                return {false, {kPortFailed, "the port went away: " + transport_.lostReason()}, {}};
            }
        }
        judged.verdict.reset();
        if (!check) {
            judged.failure.message = received.empty() ? "no reply within " + timeoutText
                                                      : "incomplete reply within " + timeoutText +
                                                            ": " + hexText(received);
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
            case protocol::ReplyVerdict::WrongStation:
                judged.failure.message = "reply from station " +
                                         std::to_string(received[protocol::kStationAt]) +
                                         ", not from the station asked: " + frame;
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
