#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tc24::cli {

inline constexpr int kDefaultReads = 5;
inline constexpr int kDefaultReadIntervalMs = 1000;
inline constexpr int kMostReads = 100000;
inline constexpr int kLongestReadIntervalMs = 24 * 3600 * 1000;

// What a commissioning is held to and how it reads, as the command line or a profile says;
// unset where it says nothing.
struct CommissionLimits {
    std::optional<int> sensors;                    // the sensor count the module must report
    std::optional<std::pair<int, int>> positions;  // the positions that must hold a sensor
    std::optional<int> minCentidegrees;
    std::optional<int> maxCentidegrees;
    std::optional<int> spreadCentidegrees;
    std::optional<int> reads;       // register queries in the reading window
    std::optional<int> intervalMs;  // between them

    friend bool operator==(const CommissionLimits&, const CommissionLimits&) = default;
};

// Fills what `limits` leaves unset from `fallback`: the command line wins over a profile.
void fillUnset(CommissionLimits& limits, const CommissionLimits& fallback);

// The values as the command line and a profile write them. Each gives nothing for text that is
// not such a value, with the reason in `error` ("more than two decimals").
//   degrees: "25", "-5.5", "25.34": at most two decimals, within the module's -455.35 to 200.00,
//   in hundredths
std::optional<int> parseDegrees(std::string_view text, std::string& error);
//   a spread: degrees from 0
std::optional<int> parseSpread(std::string_view text, std::string& error);
//   positions: "A-B" or "A", within 1-24
std::optional<std::pair<int, int>> parsePositionRange(std::string_view text, std::string& error);
//   a whole decimal number from `low` to `high`
std::optional<int> parseWholeNumber(std::string_view text, int low, int high, std::string& error);

struct ProfileRead {
    CommissionLimits limits;
    std::string error;  // the file or the key that is wrong, and why; empty when it was read
};

// A product's limits in one INI file (QSettings), with the keys sensors, positions, min, max,
// spread, reads and interval, written as on the command line:
//   sensors=8
//   positions=1-8
//   min=-5.5
// A missing or unreadable file, a key it does not know and a value that is not one are errors.
ProfileRead readProfile(const std::filesystem::path& file);

}  // namespace tc24::cli
