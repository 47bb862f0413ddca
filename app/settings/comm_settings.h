#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace tc24 {

// comm.set: one line "port,rate" ended by CR LF, e.g. "3,19200". It lives in the settings
// directory (app/core/settings_directory.h): the program's directory, or the user's
// configuration folder when the program's directory is read-only.
struct CommSettings {
    std::int16_t port = 0;  // 1 = COM1
    std::int32_t rate = 0;  // baud rate; 0 stands for 9600
};

// The comm.set that is written: in the settings directory.
std::filesystem::path commSetPath(const std::filesystem::path& programDirectory);

// The first two comma-separated numbers of the file; nullopt when the file is missing,
// unreadable, or does not start with two numbers that fit.
std::optional<CommSettings> parseCommSettings(std::string_view content);
// Reads comm.set from the settings directory; when that is the user's configuration folder
// and holds none, a comm.set in the program's directory is read instead.
std::optional<CommSettings> readCommSettings(const std::filesystem::path& programDirectory);

std::string formatCommSettings(const CommSettings& settings);
// Replaces comm.set in the settings directory, creating the directory when needed; returns the
// reason when it could not be written (the old file stays).
std::optional<std::string> writeCommSettings(const std::filesystem::path& programDirectory,
                                             const CommSettings& settings);

}  // namespace tc24
