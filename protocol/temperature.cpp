#include "protocol/temperature.h"

#include <cstdlib>

namespace tc24::protocol {

int registerCentidegrees(std::uint16_t value) {
    return value > kHighestCentidegrees ? static_cast<int>(value) - 65536 : value;
}

std::optional<int> registerReading(std::uint16_t value) {
    if (value == kNoReading) {
        return std::nullopt;
    }
    return registerCentidegrees(value);
}

std::string centidegreesText(int centidegrees) {
    const int magnitude = std::abs(centidegrees);
    std::string text = centidegrees < 0 ? "-" : "";
    text += std::to_string(magnitude / 100);
    text += '.';
    text += static_cast<char>('0' + magnitude % 100 / 10);
    text += static_cast<char>('0' + magnitude % 10);
    return text;
}

}  // namespace tc24::protocol
