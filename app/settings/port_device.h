#pragma once

#include <string>

#include "app/settings/settings_location.h"

namespace tc24 {

// The device that port entry COMn opens. On Linux: the target of the link
// <settings folder>/ports/COMn when it exists (a link in the program's directory counts too
// when the settings live in the user's configuration folder), otherwise /dev/ttyUSB{n-1}.
// On Windows: COMn itself.
std::string deviceForPort(const SettingsLocation& location, int portNumber);

// Tooltip of a port entry: the device it opens and whether that device is present.
std::string portEntryTooltip(const SettingsLocation& location, int portNumber);

}  // namespace tc24
