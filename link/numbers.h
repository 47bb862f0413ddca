#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The one home of the number rules the window applies to typed fields.
namespace tc24::numbers {

// The numeric test: optional blanks, an optional sign, digits with an optional fraction
// ("5", "5.", ".5", "-2.75"), an optional exponent ("1e3"), optional blanks. Empty text,
// blanks alone, letters, two signs or a lone "." are not numbers.
bool isNumeric(std::string_view text);

// The field's value when it passes the numeric test and is finite.
std::optional<double> parse(std::string_view text);

// Rounding towards minus infinity.
double roundDown(double value);
// Rounding to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double value);

// Checked narrowing of a whole number: nullopt when it does not fit.
std::optional<std::uint8_t> toByte(double wholeNumber);
std::optional<std::int16_t> toInt16(double wholeNumber);
std::optional<std::int32_t> toInt32(double wholeNumber);

// Shortcuts for the common "field, rounded down, as a byte / 16-bit number" conversions.
std::optional<std::uint8_t> byteRoundedDown(std::string_view text);
std::optional<std::int16_t> int16RoundedDown(std::string_view text);
std::optional<std::int16_t> int16RoundedHalfEven(std::string_view text);

// Decimal text of a number as the window writes it back into a field: no leading zeros,
// no trailing fraction zeros ("3", "-1", "2.5").
std::string toText(double value);

}  // namespace tc24::numbers
