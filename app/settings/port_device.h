#pragma once

#include <filesystem>
#include <string>

namespace tc24 {

// The device that port entry COMn opens. On Linux: the target of the link
// <settings directory>/ports/COMn when it exists (see settings_directory.h; a link in the
// program's directory counts too when the settings live in the user's configuration folder),
// otherwise /dev/ttyUSB{n-1}.
// On Windows: COMn itself.
std::string deviceForPort(const std::filesystem::path& programDirectory, int portNumber);

// Tooltip of a port entry: the device it opens and whether that device is present.
std::string portEntryTooltip(const std::filesystem::path& programDirectory, int portNumber);

}  // namespace tc24
