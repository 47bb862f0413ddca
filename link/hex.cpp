#include "link/hex.h"

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

}  // namespace tc24
