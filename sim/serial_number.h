#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>

#include "protocol/codes.h"
#include "protocol/onewire.h"

namespace tc24::sim {

// A sensor's 64-bit serial number as the module stores and sends it, first byte first:
// family code, six id bytes, 1-Wire CRC-8 of the first seven bytes. An empty position
// holds kNoSerialNumber.
using protocol::kNoSerialNumber;
using protocol::SerialNumber;

// The 1-Wire CRC-8 of the last byte, as protocol/onewire.h computes it.
using protocol::hasValidOnewireCrc;
using protocol::onewireCrc8;

// Family 0x28, the six id bytes, and the CRC-8 in the last byte.
SerialNumber makeSerialNumber(const std::array<std::uint8_t, 6>& id);

// A fresh serial number with random id bytes.
SerialNumber randomSerialNumber(std::mt19937& rng);

// Sixteen hex digits, either case, optionally separated by blanks, '-' or ':' between bytes
// ("28FF4B120316029E", "28 ff 4b 12 03 16 02 9e", "28-FF-4B-12-03-16-02-9E").
std::optional<SerialNumber> parseSerialNumber(std::string_view text);

// "28 FF 4B 12 03 16 02 9E".
std::string serialNumberText(const SerialNumber& serial);

}  // namespace tc24::sim
