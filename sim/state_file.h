#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tc24::sim {

// The simulator's state file keeps each module's bus address across restarts, one line per
// module: "module 1 address 5". Other lines are ignored.
std::map<int, std::uint8_t> loadAddresses(const std::string& path);

// Writes the addresses of modules 1, 2, … (in order) through a temporary file renamed over
// the old one, so a failed write leaves the old state intact. False when it fails.
bool saveAddresses(const std::string& path, const std::vector<std::uint8_t>& addresses);

}  // namespace tc24::sim
