#include "app/settings/port_device.h"

#include <optional>
#include <system_error>

namespace tc24 {

namespace fs = std::filesystem;

namespace {

#ifndef _WIN32
// The device that <folder>/COMn names, or nothing when there is no such entry.
// A link ports/COMn maps the entry to any device: /dev/ttyACM0, /dev/serial/by-id/...,
// a pseudo-terminal. Its target is used even when it is missing, so the user sees
// which device the entry would open. A relative target counts from the ports folder.
std::optional<std::string> deviceInPortsFolder(const fs::path& folder, const std::string& name) {
    const fs::path link = folder / name;
    std::error_code ec;
    const fs::file_status linkStatus = fs::symlink_status(link, ec);
    if (!ec && fs::is_symlink(linkStatus)) {
        fs::path target = fs::read_symlink(link, ec);
        if (!ec && !target.empty()) {
            if (target.is_relative()) {
                target = link.parent_path() / target;
            }
            return target.lexically_normal().string();
        }
    }
    // Something other than a link under that name (a device node, a copy) is opened as it is.
    if (!ec && fs::exists(linkStatus)) {
        return link.lexically_normal().string();
    }
    return std::nullopt;
}
#endif

}  // namespace

std::string deviceForPort(const SettingsLocation& location, int portNumber) {
    if (portNumber < 1) {
        return {};
    }
    const std::string name = "COM" + std::to_string(portNumber);
#ifdef _WIN32
    (void)location;
    return name;
#else
    // The settings directory first; when that is the user's configuration folder, links in
    // the program's directory still count for entries it does not map.
    if (auto device = deviceInPortsFolder(location.folder / "ports", name)) {
        return *device;
    }
    if (location.folder != location.programDirectory) {
        if (auto device = deviceInPortsFolder(location.programDirectory / "ports", name)) {
            return *device;
        }
    }
    return "/dev/ttyUSB" + std::to_string(portNumber - 1);
#endif
}

std::string portEntryTooltip(const SettingsLocation& location, int portNumber) {
    const std::string name = "COM" + std::to_string(portNumber);
    const std::string device = deviceForPort(location, portNumber);
    if (device.empty()) {
        return name + ": no such port";
    }
#ifdef _WIN32
    return name;
#else
    std::error_code ec;
    const bool present = fs::exists(device, ec) && !ec;
    return name + " \u2192 " + device + (present ? " (present)" : " (not present)");
#endif
}

}  // namespace tc24
