#pragma once

#include <string>
#include <vector>

namespace tc24::sensors {

// A serial-number list as the window saves it and its import reads it back: the entry count,
// then the entries of positions 1, 2, … each in double quotes, every line ending in CR LF.
// An entry is a serial number as the window shows it ("28 FF 4B 12 03 16 02 9E"), or empty
// for a position not read.
std::string serialListContent(const std::vector<std::string>& entries);

}  // namespace tc24::sensors
