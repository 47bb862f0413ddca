#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tc24::protocol {

// A temperature register holds hundredths of a degree Celsius, high byte first. Values
// above 20000 are negative (two's complement) and 65535 marks a position without a reading.
inline constexpr std::uint16_t kNoReading = 0xFFFF;
inline constexpr int kHighestCentidegrees = 20000;
inline constexpr int kLowestCentidegrees = kHighestCentidegrees + 1 - 65536;  // -455.35

// The register as hundredths of a degree, the "no reading" mark included (it reads -0.01):
// what the window's boxes are filled from once that mark has been handled.
int registerCentidegrees(std::uint16_t value);

// The register's temperature in hundredths of a degree; nullopt for "no reading".
std::optional<int> registerReading(std::uint16_t value);

// Hundredths of a degree as the window shows them ("#0.00"): 2534 is "25.34", -50 "-0.50".
std::string centidegreesText(int centidegrees);

}  // namespace tc24::protocol
