#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/faults.h"

namespace tc24::sim {

struct Options {
    int baud = 19200;
    double turnaroundMs = 3.0;
    std::vector<std::uint8_t> addresses;  // one per module; empty means one module at 1
    std::string statePath;
    std::string sensorsPath;
    std::string linkPath;
    std::uint32_t seed = 1;
    int newSensors = 1;
    std::optional<double> driftDegrees;  // default: 0.5 for generated tables, 0 from a file
    bool log = false;
    std::optional<double> exitAfterSeconds;
    FaultSettings faults;
    FaultRate misstore;          // serial-number writes stored changed (Misstore)
    std::optional<int> tcpPort;  // serve on 127.0.0.1:port instead of a pseudo-terminal
    bool echo = false;           // every byte the client sends comes back to it at once
    std::uint32_t faultSeed = 1;
    bool help = false;
};

// Parses the command line; on a mistake returns nothing and describes it in error.
std::optional<Options> parseOptions(int argc, char** argv, std::string& error);

const char* usageText();

}  // namespace tc24::sim
