#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "link/control_names.h"
#include "link/numbers.h"
#include "link/observations.h"
#include "link/window.h"
#include "protocol/byte_view.h"
#include "protocol/frames.h"
#include "protocol/replies.h"

namespace tc24 {

// Which replies the module observers get (link/observations.h), judged as the register
// readings are (measure/valid_replies.h): the window shows every received chunk as the
// receive rules say, also a piece of a reply, the tail of one or another module's answer; a
// record must not take those. A chunk counts only when by itself it starts with the whole
// valid reply to the request written last: right station, function, length and CRC (the
// communication log's "有效应答"), and content that answers the request as its strict parser
// in protocol/replies.h reads it (sub-function, position or number echoed). And it counts
// once: a second copy for the same request is no new datum.

template <typename Value>
using ReplyParser = std::optional<protocol::Parsed<Value>> (*)(std::span<const std::uint8_t>,
                                                               std::span<const std::uint8_t>);

// The value the reply carries, when `received` is such a reply to the request written last
// and that request is of `kind`; nullopt otherwise. Marks the request as answered.
template <typename Value>
std::optional<Value> takeReply(WindowState& state, ByteView received, protocol::RequestKind kind,
                               ReplyParser<Value> parse) {
    const SentRequest& request = state.lastRequest;
    if (request.number == 0 || request.number == state.readingTakenFor ||
        protocol::requestKind(request.bytes) != kind) {
        return std::nullopt;
    }
    const auto parsed = parse(request.bytes, received.span());
    if (!parsed || !parsed->valid()) {
        return std::nullopt;
    }
    state.readingTakenFor = request.number;
    return parsed->value;
}

// When `received` is only the start of the reply to the request written last (shorter than
// that reply, and not taken yet), keeps the request so that the bytes read after it can make
// the reply whole: `finish` then gets it (Window::heldReply).
inline void holdPartialReply(Window& window, ByteView received, Decoder finish) {
    const SentRequest& request = window.state.lastRequest;
    const auto length = protocol::expectedReplyLength(request.bytes);
    if (request.number == 0 || request.number == window.state.readingTakenFor || !length ||
        received.size() >= *length) {
        return;
    }
    window.heldReply = Window::HeldReply{request.number, finish, window.port.receiveThreshold()};
}

// Byte `at` of the request written last (the position of a serial-number request).
inline std::optional<std::uint8_t> lastRequestByte(const WindowState& state, std::size_t at) {
    return ByteView(state.lastRequest.bytes).at(at);
}

// Hands an observation about `station` to the module observers, when that station is the one
// in txtStationID: a view records one module, the one the window talks to.
inline void tellModuleObservers(Window& window, int station, const ModuleObservation& observation) {
    const auto shown = numbers::byteRoundedDown(window.ui.text(control::txtStationID));
    if (!shown || *shown != station) {
        return;
    }
    for (const auto& observer : window.moduleObservers) {
        observer(observation);
    }
}

}  // namespace tc24
