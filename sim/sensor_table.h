#pragma once

#include <istream>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "sim/module.h"

namespace tc24::sim {

// The sensor table file, one entry per line ('#' starts a comment):
//
//   module 2                        the following lines describe the second module
//   1    28FF4B120316029E  25.34    position 1 holds this sensor, reading 25.34 degrees
//   2    empty                      position 2 holds no sensor (same as leaving it out)
//   3    28FF6C32A116045E  -        position 3 names a sensor that is not on the bus
//   new  2840A1B2C3D4E5F6  21.50    a sensor on the bus that no position refers to yet
//
// Lines before any "module" line describe the first module. A serial number may be
// written with blanks, "-" or ":" between its bytes. Temperatures are degrees with
// at most two decimals, from -455.35 to 200.00, but not -0.01 (that reads as 65535).
struct SensorFile {
    std::map<int, Module> modules;  // by module number, 1 = first
};

struct SensorFileResult {
    std::optional<SensorFile> file;
    std::string error;  // "line 4: ..." when file is empty
};

SensorFileResult parseSensorFile(std::istream& in);

// A temperature in degrees with at most two decimals, as hundredths.
std::optional<int> parseCentidegrees(std::string_view text);

// A plausible module: 22 of the 24 positions hold a sensor (two are empty), most of them
// at room temperature, a few below zero, one warm; plus newSensors sensors not yet
// assigned. Temperatures fall on the sensor's 1/16 degree steps.
Module generateModule(std::mt19937& rng, int newSensors);

// "25.34", "-0.50": the text the tool's boxes show.
using protocol::centidegreesText;

}  // namespace tc24::sim
