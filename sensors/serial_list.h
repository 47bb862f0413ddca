#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/codes.h"

namespace tc24::sensors {

// A serial-number list as the window saves it and its import reads it back: the entry count,
// then the entries of positions 1, 2, … each in double quotes, every line ending in CR LF.
// An entry is a serial number as the window shows it ("28 FF 4B 12 03 16 02 9E"), or empty
// for a position not read.
std::string serialListContent(const std::vector<std::string>& entries);

// The most entries a list holds: the window keeps them in positions 1 … 128 of SnFileList.
inline constexpr int kMostListEntries = 128;

// How a list is read. Both read items as link/text_items.h does (commas or line ends, quotes
// optional) and skip a byte-order mark before the count.
enum class ListReading {
    // The window's import: the count is a number rounded down to 16 bits; a count beyond 255
    // is refused before any entry is read, one from 129 to 255 after the 128 entries that
    // fit; entries are kept as the file holds them, whatever they are; nothing after the
    // counted entries is read.
    Window,
    // tc24-cli, which writes the entries to a module: the count is a whole number from 0 to
    // 128; each entry is empty (a position not read) or exactly eight hex bytes separated by
    // single blanks; the count is the number of entries, and only blank lines may follow
    // them. Anything else is refused, naming its line.
    Strict,
};

struct SerialList {
    // The first item as a count; nullopt when it is none.
    std::optional<int> count;
    // The entries read, of positions 1, 2, …, as the file holds them.
    std::vector<std::string> entries;
    // Strict reading only: each entry's serial number, nullopt for an empty entry.
    std::vector<std::optional<protocol::SerialNumber>> serials;
    // Why the list was not read whole, empty when it was. A strict reading then keeps no
    // entries; the window's lists what it read before the fault.
    std::string error;
};

SerialList readSerialList(std::string_view content, ListReading mode);

}  // namespace tc24::sensors
