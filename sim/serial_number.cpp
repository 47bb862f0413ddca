#include "sim/serial_number.h"

#include "protocol/hex.h"

#include <cstdio>

namespace tc24::sim {

SerialNumber makeSerialNumber(const std::array<std::uint8_t, 6>& id) {
    SerialNumber serial{};
    serial[0] = protocol::kSensorFamily;
    for (std::size_t i = 0; i < id.size(); ++i) {
        serial[i + 1] = id[i];
    }
    serial[7] = onewireCrc8(std::span(serial).first(7));
    return serial;
}

SerialNumber randomSerialNumber(std::mt19937& rng) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::array<std::uint8_t, 6> id{};
    for (auto& b : id) {
        b = static_cast<std::uint8_t>(byte(rng));
    }
    return makeSerialNumber(id);
}

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == '-' || c == ':';
}

}  // namespace

std::optional<SerialNumber> parseSerialNumber(std::string_view text) {
    SerialNumber serial{};
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < text.size() && isSeparator(text[i])) {
        ++i;
    }
    while (i < text.size()) {
        if (count == serial.size() || i + 1 >= text.size()) {
            return std::nullopt;
        }
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        serial[count++] = static_cast<std::uint8_t>(high << 4 | low);
        i += 2;
        // Separators are allowed between bytes and at the end, not inside a byte.
        while (i < text.size() && isSeparator(text[i])) {
            ++i;
        }
    }
    if (count != serial.size()) {
        return std::nullopt;
    }
    return serial;
}

std::string serialNumberText(const SerialNumber& serial) {
    return tc24::serialNumberText(serial);
}

}  // namespace tc24::sim
