#pragma once

#include <cstdint>
#include <span>

namespace tc24 {

// CRC-16/MODBUS: initial 0xFFFF, reflected polynomial 0xA001, no final XOR.
std::uint16_t crc16Modbus(std::span<const std::uint8_t> bytes);

// The two trailer bytes in wire order: the CRC's low-order byte first.
struct CrcBytes {
    std::uint8_t low;   // crc & 0xFF, sent first
    std::uint8_t high;  // crc >> 8, sent second
};
CrcBytes crcTrailer(std::span<const std::uint8_t> bytes);

// True when the last two bytes are the CRC-16 of everything before them.
bool hasValidCrc(std::span<const std::uint8_t> frame);

}  // namespace tc24
