#pragma once

#include <cstddef>
#include <optional>

#include "link/window.h"
#include "protocol/byte_view.h"

namespace tc24::measure {

// The register replies whose readings the views beside the window (trend, CSV recording)
// get. The boxes show every received chunk as the receive rules say, also a piece of a reply
// or the tail of one with the head of the next; a recording must not. A chunk counts only
// when by itself it is the valid reply to the request written last: right station,
// function, length and CRC, the communication log's "有效应答", and the length the decoder
// read it with. And it counts once: a second copy for the same request is not a new
// measurement.
bool takeAsReading(WindowState& state, ByteView received);

// Whether `received` starts with the valid reply to `request`, judged as the communication
// log judges it; nullopt when it does not, else the reply's length.
std::optional<std::size_t> validReplyLength(ByteView request, ByteView received);

}  // namespace tc24::measure
