#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tc24 {

// The whole file as bytes, or nullopt when it cannot be read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

// Writes whole files for the handlers (serial-number lists, comm.set). The Qt layer writes
// through QSaveFile: the content goes to a temporary file beside the old one, which it
// replaces only once all of it is on the disk, so a failure never leaves half a file.
class FileWriter {
public:
    virtual ~FileWriter() = default;
    // The system's reason when it fails; the old file then stays as it was.
    virtual std::optional<std::string> replace(const std::filesystem::path& path,
                                               std::string_view content) = 0;
};

}  // namespace tc24
