#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/settings/settings_location.h"
#include "link/files.h"

namespace tc24 {

// comm.set: one line "port,rate" ended by CR LF, e.g. "3,19200". It lives in the settings
// folder (settings_location.h).
struct CommSettings {
    std::int16_t port = 0;  // 1 = COM1
    std::int32_t rate = 0;  // baud rate; 0 stands for 9600
};

// The comm.set that is written.
std::filesystem::path commSetPath(const SettingsLocation& location);

// The first two comma-separated numbers of the file; nullopt when the file is missing,
// unreadable, or does not start with two numbers that fit.
std::optional<CommSettings> parseCommSettings(std::string_view content);
// Reads comm.set from the settings folder; when that is not the program's directory and
// holds none, a comm.set in the program's directory is read instead.
std::optional<CommSettings> readCommSettings(const SettingsLocation& location);

// The comm.set that readCommSettings() reads, and why it was not used.
struct CommSettingsRead {
    std::optional<CommSettings> settings;  // what readCommSettings() returns
    std::filesystem::path path;            // the file read (or looked for, when there is none)
    // Empty when the settings were read or there is no comm.set; otherwise why the file was
    // not used: `holds "xyz", not "port,rate"`, `is empty, not "port,rate"`,
    // `cannot be read: Permission denied`.
    std::string problem;
};
// readCommSettings() with the reason when a comm.set is there but refused, so that tc24-cli
// can name the file before it falls back to its defaults.
CommSettingsRead readCommSettingsReporting(const SettingsLocation& location);

std::string formatCommSettings(const CommSettings& settings);
// Replaces comm.set in the settings folder, creating the folder when needed; returns the
// reason when it could not be written (the old file stays).
std::optional<std::string> writeCommSettings(const SettingsLocation& location, FileWriter& files,
                                             const CommSettings& settings);

}  // namespace tc24
