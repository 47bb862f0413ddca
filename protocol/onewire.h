#pragma once

#include <cstdint>
#include <span>

#include "protocol/codes.h"

namespace tc24::protocol {

// Dallas/Maxim 1-Wire CRC-8: polynomial x^8 + x^5 + x^4 + 1, reflected (0x8C), initial 0.
std::uint8_t onewireCrc8(std::span<const std::uint8_t> bytes);

// True when byte 7 of a sensor's serial number is the CRC-8 of bytes 0 to 6, as in every
// 1-Wire part's ROM code.
bool hasValidOnewireCrc(const SerialNumber& serial);

}  // namespace tc24::protocol
