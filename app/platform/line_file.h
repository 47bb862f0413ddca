#pragma once

#include <QFile>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tc24 {

// A file that lines are appended to, as CSV recording does. Each line is handed to the
// system before append() returns, so a program that is killed or crashes loses nothing it
// appended; only a power cut can take the last few seconds. No line waits for the disk
// itself: a slow USB stick must not stall the window's thread. An existing file is
// continued, never truncated; an empty or new one gets the header first.
class LineFile {
public:
    // The system's reason when the file cannot be opened or the header cannot be written.
    std::optional<std::string> open(const std::filesystem::path& path, std::string_view header);
    // The system's reason when the line could not be written completely.
    std::optional<std::string> append(std::string_view line);
    void close();

    bool isOpen() const { return file_.isOpen(); }
    const std::filesystem::path& path() const { return path_; }

private:
    QFile file_;
    std::filesystem::path path_;
};

}  // namespace tc24
