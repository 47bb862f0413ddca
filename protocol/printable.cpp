#include "protocol/printable.h"

#include <cstddef>
#include <cstdint>

namespace tc24 {

namespace {

bool isContinuation(std::uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence of two or more bytes at the start of `bytes`,
// 0 when there is none: no overlong forms, no surrogates, nothing beyond U+10FFFF.
std::size_t sequenceLength(std::string_view bytes) {
    const auto at = [&](std::size_t k) { return static_cast<std::uint8_t>(bytes[k]); };
    const std::uint8_t lead = at(0);
    std::size_t length = 0;
    // The range the second byte must lie in; it narrows for the leads that could otherwise
    // start an overlong form, a surrogate or a code point beyond U+10FFFF.
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (bytes.size() < length || at(1) < low || at(1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (!isContinuation(at(k))) {
            return 0;
        }
    }
    return length;
}

void appendEscaped(std::string& text, std::string_view bytes) {
    constexpr const char* kDigits = "0123456789abcdef";
    for (const char c : bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        text += "\\x";
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
}

}  // namespace

std::string printableText(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const auto byte = static_cast<std::uint8_t>(bytes[pos]);
        if (byte >= 0x20 && byte < 0x7F) {
            text += static_cast<char>(byte);
            ++pos;
            continue;
        }
        const std::size_t length = byte < 0x80 ? 0 : sequenceLength(bytes.substr(pos));
        if (length == 0) {
            appendEscaped(text, bytes.substr(pos, 1));  // C0, DEL, or not UTF-8
            ++pos;
            continue;
        }
        const std::string_view sequence = bytes.substr(pos, length);
        // U+0080 … U+009F, the C1 controls, are C2 80 … C2 9F.
        const bool c1 = byte == 0xC2 && static_cast<std::uint8_t>(sequence[1]) <= 0x9F;
        if (c1) {
            appendEscaped(text, sequence);
        } else {
            text += sequence;
        }
        pos += length;
    }
    return text;
}

}  // namespace tc24
