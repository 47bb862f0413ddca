#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/codes.h"

namespace tc24::cli {

// The window's serial-number list (sensors/serial_list.h), one entry per position from 1: a
// serial number, or none for a position not read.
using ListEntry = std::optional<protocol::SerialNumber>;

// The file's content for entries of positions 1, 2, ….
std::string listFileContent(const std::vector<ListEntry>& entries);

struct ParsedList {
    std::vector<ListEntry> entries;
    std::string error;  // why the content is not such a list; entries are then empty
};

// Reads a list the way the window's import does (items separated by commas or line ends,
// quotes optional, a byte-order mark ignored), but refuses any entry that is neither empty
// nor a serial number, before anything is written.
ParsedList parseListFile(std::string_view content);

}  // namespace tc24::cli
