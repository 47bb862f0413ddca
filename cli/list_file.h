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

// Reads a list strictly (sensors/serial_list.h, ListReading::Strict): the window's format, but
// every entry empty or a serial number of eight bytes and the count the number of entries,
// before anything is written. The error names the line and quotes the file's text printably.
ParsedList parseListFile(std::string_view content);

// Reads the list in `file` strictly, at most 64 KiB of it (a list of 128 entries takes under
// 5 KiB; a device such as /dev/zero never ends). The error names the file.
ParsedList readListFile(const std::string& file);

}  // namespace tc24::cli
