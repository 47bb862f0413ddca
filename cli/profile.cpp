#include "cli/profile.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <algorithm>

#include "protocol/codes.h"
#include "protocol/temperature.h"

namespace tc24::cli {

namespace {

// A profile is a few lines; anything far larger is not one.
constexpr qint64 kLargestProfile = 64 * 1024;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Up to `high`, or nothing for more digits than any value in range has.
std::optional<long long> digitsValue(std::string_view digits, long long high) {
    long long value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > high) {
            return std::nullopt;
        }
    }
    return value;
}

}  // namespace

void fillUnset(CommissionLimits& limits, const CommissionLimits& fallback) {
    const auto fill = [](auto& value, const auto& other) {
        if (!value) {
            value = other;
        }
    };
    fill(limits.sensors, fallback.sensors);
    fill(limits.positions, fallback.positions);
    fill(limits.minCentidegrees, fallback.minCentidegrees);
    fill(limits.maxCentidegrees, fallback.maxCentidegrees);
    fill(limits.spreadCentidegrees, fallback.spreadCentidegrees);
    fill(limits.reads, fallback.reads);
    fill(limits.intervalMs, fallback.intervalMs);
}

std::optional<int> parseDegrees(std::string_view text, std::string& error) {
    std::size_t at = 0;
    const bool negative = !text.empty() && text.front() == '-';
    at += negative ? 1 : 0;
    const std::size_t wholeStart = at;
    while (at < text.size() && isDigit(text[at])) {
        ++at;
    }
    const std::string_view whole = text.substr(wholeStart, at - wholeStart);
    std::string_view fraction;
    if (at < text.size() && text[at] == '.') {
        const std::size_t fractionStart = ++at;
        while (at < text.size() && isDigit(text[at])) {
            ++at;
        }
        fraction = text.substr(fractionStart, at - fractionStart);
        if (fraction.empty()) {
            at = text.size() + 1;  // "5." is not written as a temperature
        }
    }
    if (whole.empty() || at != text.size()) {
        error = "expected degrees, e.g. 25, -5.5 or 25.34";
        return std::nullopt;
    }
    if (fraction.size() > 2) {
        error = "more than two decimals: the module reads hundredths of a degree";
        return std::nullopt;
    }
    const std::string range = protocol::centidegreesText(protocol::kLowestCentidegrees) + " to " +
                              protocol::centidegreesText(protocol::kHighestCentidegrees);
    const auto degrees = digitsValue(whole, 100000);
    if (!degrees) {
        error = "outside the module's range, " + range;
        return std::nullopt;
    }
    long long hundredths = *degrees * 100;
    if (!fraction.empty()) {
        hundredths += (fraction[0] - '0') * 10 + (fraction.size() > 1 ? fraction[1] - '0' : 0);
    }
    hundredths = negative ? -hundredths : hundredths;
    if (hundredths < protocol::kLowestCentidegrees || hundredths > protocol::kHighestCentidegrees) {
        error = "outside the module's range, " + range;
        return std::nullopt;
    }
    return static_cast<int>(hundredths);
}

std::optional<int> parseSpread(std::string_view text, std::string& error) {
    const auto spread = parseDegrees(text, error);
    if (spread && *spread < 0) {
        error = "a spread is not negative";
        return std::nullopt;
    }
    return spread;
}

std::optional<int> parseWholeNumber(std::string_view text, int low, int high, std::string& error) {
    const bool negative = !text.empty() && text.front() == '-';
    const std::string_view digits = text.substr(negative ? 1 : 0);
    const bool allDigits = !digits.empty() && std::all_of(digits.begin(), digits.end(),
                                                          [](char c) { return isDigit(c); });
    const auto value = allDigits ? digitsValue(digits, 1LL << 40) : std::nullopt;
    const long long signedValue = value ? (negative ? -*value : *value) : 0;
    if (!value || signedValue < low || signedValue > high) {
        error =
            "expected a whole number from " + std::to_string(low) + " to " + std::to_string(high);
        return std::nullopt;
    }
    return static_cast<int>(signedValue);
}

std::optional<std::pair<int, int>> parsePositionRange(std::string_view text, std::string& error) {
    const auto dash = text.find('-');
    const std::string_view first = text.substr(0, dash);
    const std::string_view last = dash == std::string_view::npos ? first : text.substr(dash + 1);
    const auto low = parseWholeNumber(first, protocol::kFirstPosition, protocol::kPositions, error);
    const auto high = parseWholeNumber(last, protocol::kFirstPosition, protocol::kPositions, error);
    if (!low || !high) {
        error = "expected A-B within 1-" + std::to_string(protocol::kPositions) + ", e.g. 1-24";
        return std::nullopt;
    }
    if (*high < *low) {
        error = "the last comes before the first";
        return std::nullopt;
    }
    return std::pair{*low, *high};
}

ProfileRead readProfile(const std::filesystem::path& file) {
    ProfileRead read;
    const std::string shown = file.string();
    const QString path = QFile::decodeName(QByteArray::fromStdString(shown));
    const QFileInfo info(path);
    if (!info.exists()) {
        read.error = shown + ": no such file";
        return read;
    }
    if (!info.isFile()) {
        read.error = shown + " is not a file";
        return read;
    }
    if (info.size() > kLargestProfile) {
        read.error = shown + " is larger than 64 KiB: not a profile";
        return read;
    }
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) {
        read.error = "cannot read " + shown + ": " + probe.errorString().toStdString();
        return read;
    }
    const QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        read.error = shown + " is not an INI file";
        return read;
    }
    for (const QString& key : settings.allKeys()) {
        const QVariant value = settings.value(key);
        const std::string name = key.toStdString();
        // A value with a comma reads as a list, "@Variant(…)" as something else: not a limit.
        const bool isText = value.typeId() == QMetaType::QString;
        const std::string text = isText ? value.toString().toStdString() : std::string(1, ',');
        const std::string given = value.typeId() == QMetaType::QStringList
                                      ? value.toStringList().join(',').toStdString()
                                      : value.toString().toStdString();
        std::string why;
        bool known = true;
        bool ok = true;
        const auto take = [&](auto& slot, auto parsed) {
            ok = parsed.has_value();
            slot = parsed;
        };
        if (name == "sensors") {
            take(read.limits.sensors, parseWholeNumber(text, 0, protocol::kPositions, why));
        } else if (name == "positions") {
            take(read.limits.positions, parsePositionRange(text, why));
        } else if (name == "min") {
            take(read.limits.minCentidegrees, parseDegrees(text, why));
        } else if (name == "max") {
            take(read.limits.maxCentidegrees, parseDegrees(text, why));
        } else if (name == "spread") {
            take(read.limits.spreadCentidegrees, parseSpread(text, why));
        } else if (name == "reads") {
            take(read.limits.reads, parseWholeNumber(text, 1, kMostReads, why));
        } else if (name == "interval") {
            take(read.limits.intervalMs, parseWholeNumber(text, 1, kLongestReadIntervalMs, why));
        } else {
            known = false;
        }
        if (!known) {
            read.error = shown + ": unknown key \"" + name +
                         "\" (a profile holds sensors, positions, min, max, spread, reads, "
                         "interval)";
            return read;
        }
        if (!ok) {
            read.error = shown + ": " + name + " = \"" + given + "\": " + why;
            read.limits = {};
            return read;
        }
    }
    return read;
}

}  // namespace tc24::cli
