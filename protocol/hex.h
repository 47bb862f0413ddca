#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "protocol/codes.h"

namespace tc24 {

// One byte as exactly two upper-case hex digits ("00" … "FF").
std::string FormatHex(std::uint8_t byte);

// Request echo: every byte followed by one space ("01 03 " …), so the text ends with a space.
std::string requestEchoText(std::span<const std::uint8_t> bytes);

// Receive pane: one space before every byte (" 02 03 30"), no trailing space.
std::string receivedHexText(std::span<const std::uint8_t> bytes);

// Bytes separated by single spaces, no outer blanks: a serial number as stored and saved,
// and a frame in a log line.
std::string serialNumberText(std::span<const std::uint8_t> bytes);
inline std::string hexText(std::span<const std::uint8_t> bytes) {
    return serialNumberText(bytes);
}

// One byte typed as hex digits of either case: at least one digit, value 0 to FF, nothing else.
std::optional<std::uint8_t> parseHexByte(std::string_view text);

// A serial number as a list entry holds it: split at every single blank, each field trimmed,
// the first eight fields one byte each as hex digits of either case (0 to FF); fields after
// the eighth are ignored. Two blanks in a row give an empty field, which is no byte.
std::optional<protocol::SerialNumber> parseSerialNumberText(std::string_view text);

}  // namespace tc24
