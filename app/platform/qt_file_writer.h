#pragma once

#include "link/files.h"

namespace tc24 {

// Whole files through QSaveFile: written to a temporary file beside the old one, which
// commit() puts in its place only when everything reached the disk.
class QtFileWriter : public FileWriter {
public:
    std::optional<std::string> replace(const std::filesystem::path& path,
                                       std::string_view content) override;
};

}  // namespace tc24
