#include "protocol/crc16.h"

namespace tc24 {

std::uint16_t crc16Modbus(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1U) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001U)
                             : static_cast<std::uint16_t>(crc >> 1);
        }
    }
    return crc;
}

CrcBytes crcTrailer(std::span<const std::uint8_t> bytes) {
    const std::uint16_t crc = crc16Modbus(bytes);
    return {static_cast<std::uint8_t>(crc & 0xFF), static_cast<std::uint8_t>(crc >> 8)};
}

bool hasValidCrc(std::span<const std::uint8_t> frame) {
    if (frame.size() < 3) {
        return false;
    }
    const auto trailer = crcTrailer(frame.first(frame.size() - 2));
    return frame[frame.size() - 2] == trailer.low && frame[frame.size() - 1] == trailer.high;
}

}  // namespace tc24
