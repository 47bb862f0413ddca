#include "protocol/hex.h"

namespace tc24 {

std::string FormatHex(std::uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string{kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

std::string requestEchoText(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t byte : bytes) {
        text += FormatHex(byte);
        text += ' ';
    }
    return text;
}

std::string receivedHexText(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t byte : bytes) {
        text += ' ';
        text += FormatHex(byte);
    }
    return text;
}

std::string serialNumberText(std::span<const std::uint8_t> bytes) {
    std::string text = receivedHexText(bytes);
    return text.empty() ? text : text.substr(1);
}

std::optional<std::uint8_t> parseHexByte(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (const char c : text) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else {
            return std::nullopt;
        }
        value = value * 16 + digit;
        if (value > 0xFF) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint8_t>(value);
}

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::optional<protocol::SerialNumber> parseSerialNumberText(std::string_view text) {
    protocol::SerialNumber serial{};
    for (std::size_t k = 0; k < serial.size(); ++k) {
        const std::size_t blank = text.find(' ');
        if (blank == std::string_view::npos && k + 1 < serial.size()) {
            return std::nullopt;  // fewer than eight fields
        }
        const auto byte = parseHexByte(trimmed(text.substr(0, blank)));
        if (!byte) {
            return std::nullopt;
        }
        serial[k] = *byte;
        text = blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
    }
    return serial;
}

}  // namespace tc24
