#include "measure/valid_replies.h"

#include "protocol/frames.h"

namespace tc24::measure {

std::optional<std::size_t> validReplyLength(ByteView request, ByteView received) {
    // A layout the frame rules do not know is judged as one whole frame, as the log does.
    const auto check = protocol::expectedReplyLength(request.span())
                           ? protocol::checkReply(request.span(), received.span())
                           : protocol::checkWholeReply(request.span(), received.span());
    if (!check || check->verdict != protocol::ReplyVerdict::Valid) {
        return std::nullopt;
    }
    return check->length;
}

bool takeAsReading(WindowState& state, ByteView received) {
    const SentRequest& request = state.lastRequest;
    if (request.number == 0 || request.number == state.readingTakenFor) {
        return false;
    }
    // The decoder placed its registers by RecLength: only a reply of that length was read
    // as the reply it is.
    const auto length = validReplyLength(ByteView(request.bytes), received);
    if (!length || *length != static_cast<std::size_t>(state.RecLength)) {
        return false;
    }
    state.readingTakenFor = request.number;
    return true;
}

}  // namespace tc24::measure
