#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace tc24::sim::testing {

// "01 03 00 00" -> {0x01, 0x03, 0x00, 0x00}
inline std::vector<std::uint8_t> hex(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::uint8_t> bytes;
    unsigned value = 0;
    while (in >> std::hex >> value) {
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

}  // namespace tc24::sim::testing
