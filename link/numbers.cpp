#include "link/numbers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace tc24::numbers {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

bool isNumeric(std::string_view text) {
    text = trimmed(text);
    std::size_t i = 0;
    const std::size_t n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    while (i < n && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        std::size_t exponentDigits = 0;
        while (i < n && isDigit(text[i])) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            return false;
        }
    }
    return i == n;
}

std::optional<double> parse(std::string_view text) {
    if (!isNumeric(text)) {
        return std::nullopt;
    }
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);  // from_chars takes no plus sign
    }
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) {
        return std::nullopt;
    }
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

double roundDown(double value) { return std::floor(value); }

double roundHalfEven(double value) {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction > 0.5) {
        return lower + 1;
    }
    if (fraction < 0.5) {
        return lower;
    }
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

std::optional<std::uint8_t> toByte(double wholeNumber) {
    if (!(wholeNumber >= 0 && wholeNumber <= 255)) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(wholeNumber);
}

std::optional<std::int16_t> toInt16(double wholeNumber) {
    if (!(wholeNumber >= std::numeric_limits<std::int16_t>::min() &&
          wholeNumber <= std::numeric_limits<std::int16_t>::max())) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(wholeNumber);
}

std::optional<std::int32_t> toInt32(double wholeNumber) {
    if (!(wholeNumber >= std::numeric_limits<std::int32_t>::min() &&
          wholeNumber <= std::numeric_limits<std::int32_t>::max())) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(wholeNumber);
}

std::optional<std::uint8_t> byteRoundedDown(std::string_view text) {
    auto value = parse(text);
    return value ? toByte(roundDown(*value)) : std::nullopt;
}

std::optional<std::int16_t> int16RoundedDown(std::string_view text) {
    auto value = parse(text);
    return value ? toInt16(roundDown(*value)) : std::nullopt;
}

std::optional<std::int16_t> int16RoundedHalfEven(std::string_view text) {
    auto value = parse(text);
    return value ? toInt16(roundHalfEven(*value)) : std::nullopt;
}

std::string toText(double value) {
    if (value == 0) {
        return "0";  // also turns -0 into "0"
    }
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (error != std::errc{}) {
        return "0";
    }
    std::string text(buffer, end);
    // Large whole numbers print as 1e+20 in shortest form; the window only writes back
    // small positions and counters, so the shortest form is fine.
    return text;
}

}  // namespace tc24::numbers
