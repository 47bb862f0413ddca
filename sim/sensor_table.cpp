#include "sim/sensor_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <set>
#include <sstream>
#include <vector>

namespace tc24::sim {

namespace {

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line.substr(0, line.find('#')));
    std::vector<std::string> result;
    std::string word;
    while (in >> word) {
        result.push_back(word);
    }
    return result;
}

std::optional<int> parseWhole(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// A temperature on the sensor's 1/16 degree grid, in hundredths.
int gridCentidegrees(int sixteenths) {
    return static_cast<int>(std::lround(static_cast<double>(sixteenths) * 100.0 / 16.0));
}

}  // namespace

std::optional<int> parseCentidegrees(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    if (whole.empty() || fraction.size() > 2 ||
        (point != std::string_view::npos && fraction.empty())) {
        return std::nullopt;
    }
    const bool digitsOnly = std::all_of(whole.begin(), whole.end(), ::isdigit) &&
                            std::all_of(fraction.begin(), fraction.end(), ::isdigit);
    if (!digitsOnly || whole.size() > 4) {
        return std::nullopt;
    }
    int value = *parseWhole(whole) * 100;
    if (!fraction.empty()) {
        const int hundredths = *parseWhole(fraction);
        value += fraction.size() == 1 ? hundredths * 10 : hundredths;
    }
    value = negative ? -value : value;
    if (value < kLowestCentidegrees || value > kHighestCentidegrees || value == -1) {
        return std::nullopt;
    }
    return value;
}

SensorFileResult parseSensorFile(std::istream& in) {
    SensorFile file;
    std::map<int, std::set<int>> positionsSeen;
    int moduleNumber = 1;
    int lineNumber = 0;
    std::string line;
    auto fail = [&](const std::string& message) {
        return SensorFileResult{std::nullopt,
                                "line " + std::to_string(lineNumber) + ": " + message};
    };
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const auto w = words(line);
        if (w.empty()) {
            continue;
        }
        if (w[0] == "module") {
            const auto n = w.size() == 2 ? parseWhole(w[1]) : std::nullopt;
            if (!n || *n < 1 || *n > 16) {
                return fail("expected \"module N\" with N from 1 to 16");
            }
            moduleNumber = *n;
            file.modules.try_emplace(moduleNumber);
            continue;
        }
        Module& module = file.modules.try_emplace(moduleNumber).first->second;
        const bool isNew = w[0] == "new";
        std::optional<int> position;
        if (!isNew) {
            position = parseWhole(w[0]);
            if (!position || *position < 1 || *position > Module::kPositions) {
                return fail("expected a position from 1 to 24 or \"new\", got \"" + w[0] + "\"");
            }
            if (!positionsSeen[moduleNumber].insert(*position).second) {
                return fail("position " + w[0] + " is listed twice");
            }
        }
        if (w.size() == 2 && w[1] == "empty" && !isNew) {
            continue;
        }
        if (w.size() < 3) {
            return fail(
                "expected \"position serial temperature\", \"position empty\" or "
                "\"new serial temperature\"");
        }
        // The serial number may be written with blanks between its bytes.
        std::string serialText;
        for (std::size_t i = 1; i + 1 < w.size(); ++i) {
            serialText += (i == 1 ? "" : " ") + w[i];
        }
        const std::string& temperatureText = w.back();
        const auto serial = parseSerialNumber(serialText);
        if (!serial || *serial == kNoSerialNumber) {
            return fail("\"" + serialText + "\" is not a serial number of 16 hex digits");
        }
        if (position) {
            module.assign(*position, *serial);
        }
        if (temperatureText == "-" && !isNew) {
            continue;  // listed in the table, but no such sensor answers on the bus
        }
        const auto temperature = parseCentidegrees(temperatureText);
        if (!temperature) {
            return fail("\"" + temperatureText +
                        "\" is not a temperature from -455.35 to 200.00 with at most two "
                        "decimals (and not -0.01)");
        }
        if (module.findSensor(*serial) != nullptr) {
            return fail("sensor " + serialText + " is on the bus twice");
        }
        module.attach(Sensor{*serial, *temperature, 0});
    }
    return SensorFileResult{std::move(file), {}};
}

Module generateModule(std::mt19937& rng, int newSensors) {
    Module module;
    auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };

    // Two empty positions; three cold positions (a freezer and a cold store); one warm one.
    std::vector<int> order(Module::kPositions);
    for (int i = 0; i < Module::kPositions; ++i) {
        order[static_cast<std::size_t>(i)] = i + 1;
    }
    std::shuffle(order.begin(), order.end(), rng);
    const std::set<int> empty{order[0], order[1]};
    const std::set<int> cold{order[2], order[3], order[4]};
    const int warm = order[5];

    auto newSensor = [&](int sixteenths) {
        SerialNumber serial;
        do {
            serial = randomSerialNumber(rng);
        } while (module.findSensor(serial) != nullptr);
        return Sensor{serial, gridCentidegrees(sixteenths), 0};
    };
    for (int position = 1; position <= Module::kPositions; ++position) {
        if (empty.count(position) != 0) {
            continue;
        }
        int sixteenths = pick(18 * 16, 28 * 16);  // room temperature
        if (cold.count(position) != 0) {
            sixteenths = pick(-25 * 16, -1 * 16);
        } else if (position == warm) {
            sixteenths = pick(45 * 16, 85 * 16);
        }
        const Sensor sensor = newSensor(sixteenths);
        module.attach(sensor);
        module.assign(position, sensor.serial);
    }
    for (int i = 0; i < newSensors; ++i) {
        module.attach(newSensor(pick(19 * 16, 24 * 16)));
    }
    return module;
}

}  // namespace tc24::sim
