#pragma once

#include <filesystem>
#include <string>

namespace tc24 {

// The device that port entry COMn opens. On Linux: the target of the link
// <program directory>/ports/COMn when it exists, otherwise /dev/ttyUSB{n-1}.
// On Windows: COMn itself.
std::string deviceForPort(const std::filesystem::path& programDirectory, int portNumber);

// Tooltip of a port entry: the device it opens and whether that device is present.
std::string portEntryTooltip(const std::filesystem::path& programDirectory, int portNumber);

}  // namespace tc24
