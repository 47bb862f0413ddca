#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "protocol/byte_view.h"
#include "link/traffic_log.h"

namespace tc24::measure {

// The register replies that the trend and the CSV recording take. The boxes show every
// received chunk as the receive rules say, also a piece of a reply or the tail of one with
// the head of the next; a recording must not. It takes a chunk only when the chunk by itself
// is the valid reply to the request written last, the one the decoder was armed for: right
// station, function, length and CRC, the communication log's "有效应答". And it takes it once:
// a second copy for the same request is not a new measurement.
class ValidReplies {
public:
    // `request`: the request written last; `recLength`: the reply length the decoder read.
    bool accept(const SentRequest& request, std::int16_t recLength, ByteView received);

private:
    std::uint64_t lastAccepted_ = 0;  // number of the request whose reply was taken
};

// Whether `received` starts with the valid reply to `request`, judged as the communication
// log judges it; nullopt when it does not, else the reply's length.
std::optional<std::size_t> validReplyLength(ByteView request, ByteView received);

}  // namespace tc24::measure
