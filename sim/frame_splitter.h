#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "protocol/byte_view.h"
#include "protocol/frames.h"

namespace tc24::sim {

// Cuts the received byte stream into request frames. A request of a known layout is
// recognised as soon as all its bytes are there with a valid CRC, so requests that arrive
// in pieces or back to back are found without waiting. A silent interval on the line (3.5
// character times) ends frames of unknown layout. Bytes that belong to no frame with a valid
// CRC (noise, a trailing pad byte, a broken request) are dropped.
class FrameSplitter {
public:
    static constexpr std::size_t kMaxBuffered = 256;

    // Bytes as they arrive; returns the frames completed by them, in order.
    std::vector<Bytes> feed(std::span<const std::uint8_t> bytes);

    // The line has been silent for the inter-frame interval. Returns a buffered frame of
    // unknown layout if its CRC is valid; drops bytes that cannot start a request.
    std::vector<Bytes> silence();

    std::size_t pending() const { return buffer_.size(); }
    std::uint64_t droppedBytes() const { return dropped_; }

private:
    void extract(std::vector<Bytes>& frames);
    void drop(std::size_t count);

    Bytes buffer_;
    std::uint64_t dropped_ = 0;
};

// Length of a request from its first bytes: 0 when more bytes are needed to tell, -1 when
// the function code has no layout known here (such frames end at a silent interval).
inline long requestLength(std::span<const std::uint8_t> start) {
    return protocol::requestLength(start);
}

}  // namespace tc24::sim
