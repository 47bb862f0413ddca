#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tc24 {

// The whole file as bytes, or nullopt when it cannot be read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

// Replaces the file with `content` so that a failure never leaves half a file: the content
// goes to a temporary file beside it, which is flushed and then renamed over the old one.
// Returns the reason when it fails; the old file is then untouched.
std::optional<std::string> writeFileReplacing(const std::filesystem::path& path,
                                              const std::string& content);

}  // namespace tc24
