#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tc24 {

// One byte as exactly two upper-case hex digits ("00" … "FF").
std::string FormatHex(std::uint8_t byte);

// Request echo: every byte followed by one space ("01 03 " …), so the text ends with a space.
std::string requestEchoText(std::span<const std::uint8_t> bytes);

// Receive pane: one space before every byte (" 02 03 30"), no trailing space.
std::string receivedHexText(std::span<const std::uint8_t> bytes);

// Serial number as stored and saved: bytes separated by single spaces, no outer blanks.
std::string serialNumberText(std::span<const std::uint8_t> bytes);

}  // namespace tc24
