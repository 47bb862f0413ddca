#pragma once

#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "link/readings.h"
#include "measure/register_query.h"

namespace tc24::measure {

// Recording of register replies as CSV, one line per decoded reply:
//   2026-12-07T14:03:21.045,1,25.34,,-0.50,...
// local time (ISO 8601, milliseconds, no offset: spreadsheets read it as a date), the
// station that answered (byte 0 of the reply), then the 24 channels as their boxes show
// them. A channel is empty where the reply did not fill its box and where the module had no
// reading (65535, shown as 0 in the box), so no 0 °C is recorded that was never measured.
// Lines end with CR LF.

std::string isoLocalTime(const std::tm& local, int milliseconds);
std::string isoLocalTime(std::chrono::system_clock::time_point time);

// The first line of a new file.
std::string csvHeader();
// One line, with its CR LF.
std::string csvLine(std::string_view time, const RegisterReading& reading);

// Appends lines to a file, each written through to the disk before append() returns, so a
// crash or power cut loses at most the line being written. An existing file is continued,
// never truncated; a new or empty one gets the header first.
class CsvWriter {
public:
    CsvWriter() = default;
    ~CsvWriter();
    CsvWriter(const CsvWriter&) = delete;
    CsvWriter& operator=(const CsvWriter&) = delete;

    // The system's reason when the file cannot be opened or the header cannot be written.
    std::optional<std::string> open(const std::filesystem::path& path);
    // The system's reason when the line could not be written completely.
    std::optional<std::string> append(std::string_view line);
    void close();

    bool isOpen() const { return fd_ >= 0; }
    const std::filesystem::path& path() const { return path_; }

private:
    int fd_ = -1;
    std::filesystem::path path_;
};

}  // namespace tc24::measure
