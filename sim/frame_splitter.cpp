#include "sim/frame_splitter.h"

#include "protocol/crc16.h"

namespace tc24::sim {

namespace {

constexpr long kUnknown = -1;
constexpr std::size_t kShortestFrame = 4;  // address, function, two CRC bytes

// A complete frame of known layout with a valid CRC at the start of these bytes: its length.
std::size_t completeFrameAt(std::span<const std::uint8_t> bytes) {
    const long length = requestLength(bytes);
    if (length <= 0 || static_cast<std::size_t>(length) > bytes.size()) {
        return 0;
    }
    const auto frame = bytes.first(static_cast<std::size_t>(length));
    return hasValidCrc(frame) ? frame.size() : 0;
}

}  // namespace

std::vector<Bytes> FrameSplitter::feed(std::span<const std::uint8_t> bytes) {
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    if (buffer_.size() > kMaxBuffered) {
        drop(buffer_.size() - kMaxBuffered);
    }
    std::vector<Bytes> frames;
    extract(frames);
    return frames;
}

std::vector<Bytes> FrameSplitter::silence() {
    std::vector<Bytes> frames;
    extract(frames);
    // A frame of unknown layout ends here: the whole buffer, or its tail after leftovers.
    for (std::size_t from = 0; from + kShortestFrame <= buffer_.size(); ++from) {
        const std::span<const std::uint8_t> tail =
            std::span<const std::uint8_t>(buffer_).subspan(from);
        if (requestLength(tail) == kUnknown && hasValidCrc(tail)) {
            frames.emplace_back(tail.begin(), tail.end());
            dropped_ += from;
            buffer_.clear();
            return frames;
        }
    }
    // The start of a known request may still be completed by bytes that were merely slow
    // (and if it was noise, the next request pushes it out). Anything else is dropped.
    if (!buffer_.empty() && requestLength(buffer_) == kUnknown) {
        drop(buffer_.size());
    }
    return frames;
}

void FrameSplitter::extract(std::vector<Bytes>& frames) {
    while (!buffer_.empty()) {
        const std::span<const std::uint8_t> all(buffer_);
        if (const std::size_t length = completeFrameAt(all)) {
            frames.emplace_back(buffer_.begin(), buffer_.begin() + static_cast<long>(length));
            buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<long>(length));
            continue;
        }
        // No frame at the start yet. A complete valid frame further on means the bytes
        // before it were noise or the rest of a broken frame.
        std::size_t next = 1;
        while (next + kShortestFrame <= buffer_.size() && completeFrameAt(all.subspan(next)) == 0) {
            ++next;
        }
        if (next + kShortestFrame <= buffer_.size()) {
            drop(next);
            continue;
        }
        // A known layout whose bytes are all there but whose CRC fails: resynchronise.
        const long length = requestLength(all);
        if (length > 0 && static_cast<std::size_t>(length) <= buffer_.size()) {
            drop(1);
            continue;
        }
        break;  // wait for more bytes or for the silent interval
    }
}

void FrameSplitter::drop(std::size_t count) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<long>(count));
    dropped_ += count;
}

}  // namespace tc24::sim
