#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/settings/settings_location.h"

namespace tc24::cli {

// Where the modules are: a serial device, or a serial device server on the network.
struct Endpoint {
    enum class Kind { Serial, Tcp };
    Kind kind = Kind::Serial;
    std::string device;  // Serial: the device to open
    std::string host;    // Tcp
    int tcpPort = 0;
    std::string shownName;  // for messages: "COM3 (/dev/ttyUSB2)", "tcp://host:502"
};

// "COMn" maps as the window maps its port entries (a link <settings folder>/ports/COMn,
// otherwise /dev/ttyUSB{n-1}); "tcp://HOST:PORT" is a network endpoint; anything else is a
// device path used as given. Nothing, with the reason in `error`, for a malformed name.
std::optional<Endpoint> resolvePort(std::string_view text, const SettingsLocation& settings,
                                    std::string& error);

}  // namespace tc24::cli
