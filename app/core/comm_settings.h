#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace tc24 {

// comm.set in the program's directory: one line "port,rate" ended by CR LF, e.g. "3,19200".
struct CommSettings {
    std::int16_t port = 0;  // 1 = COM1
    std::int32_t rate = 0;  // baud rate; 0 stands for 9600
};

std::filesystem::path commSetPath(const std::filesystem::path& programDirectory);

// The first two comma-separated numbers of the file; nullopt when the file is missing,
// unreadable, or does not start with two numbers that fit.
std::optional<CommSettings> parseCommSettings(std::string_view content);
std::optional<CommSettings> readCommSettings(const std::filesystem::path& programDirectory);

std::string formatCommSettings(const CommSettings& settings);
// Replaces comm.set; returns the reason when it could not be written (the old file stays).
std::optional<std::string> writeCommSettings(const std::filesystem::path& programDirectory,
                                             const CommSettings& settings);

}  // namespace tc24
