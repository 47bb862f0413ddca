#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tc24 {

using Bytes = std::vector<std::uint8_t>;

// Read-only view of one received chunk. Every access is bounds-checked: a reply that is
// short, long or garbage yields std::nullopt instead of a crash, so decoders skip the
// step and go on with the next one.
class ByteView {
public:
    ByteView() = default;
    ByteView(const Bytes& bytes)
        : bytes_(bytes.data(), bytes.size()) {}                       // NOLINT: implicit on purpose
    ByteView(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}  // NOLINT

    std::optional<std::uint8_t> at(std::size_t index) const {
        if (index >= bytes_.size()) {
            return std::nullopt;
        }
        return bytes_[index];
    }
    // Index given as a signed number (box and register arithmetic can go negative).
    std::optional<std::uint8_t> atSigned(long long index) const {
        if (index < 0) {
            return std::nullopt;
        }
        return at(static_cast<std::size_t>(index));
    }
    // Big-endian 16-bit register at index, index + 1.
    std::optional<std::uint16_t> word(std::size_t index) const {
        auto hi = at(index);
        auto lo = at(index + 1);
        if (!hi || !lo) {
            return std::nullopt;
        }
        return static_cast<std::uint16_t>(*hi << 8 | *lo);
    }
    std::size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }
    std::span<const std::uint8_t> span() const { return bytes_; }

private:
    std::span<const std::uint8_t> bytes_;
};

}  // namespace tc24
