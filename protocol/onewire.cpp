#include "protocol/onewire.h"

namespace tc24::protocol {

std::uint8_t onewireCrc8(std::span<const std::uint8_t> bytes) {
    std::uint8_t crc = 0;
    for (std::uint8_t byte : bytes) {
        for (int bit = 0; bit < 8; ++bit) {
            const bool mix = ((crc ^ byte) & 1U) != 0;
            crc = static_cast<std::uint8_t>(crc >> 1);
            if (mix) {
                crc ^= 0x8C;
            }
            byte = static_cast<std::uint8_t>(byte >> 1);
        }
    }
    return crc;
}

bool hasValidOnewireCrc(const SerialNumber& serial) {
    return onewireCrc8(std::span(serial).first(kSerialNumberBytes - 1)) ==
           serial[kSerialNumberBytes - 1];
}

}  // namespace tc24::protocol
