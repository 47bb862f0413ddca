#include "app/settings/comm_settings.h"

#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>

#include "link/files.h"
#include "link/numbers.h"
#include "link/text_items.h"

namespace tc24 {

std::filesystem::path commSetPath(const SettingsLocation& location) {
    return location.folder / "comm.set";
}

std::optional<CommSettings> parseCommSettings(std::string_view content) {
    ItemReader items(content);
    const auto portItem = items.next();
    const auto rateItem = items.next();
    if (!portItem || !rateItem) {
        return std::nullopt;
    }
    const auto port = numbers::int16RoundedHalfEven(*portItem);
    const auto rateNumber = numbers::parse(*rateItem);
    const auto rate = rateNumber ? numbers::toInt32(numbers::roundHalfEven(*rateNumber))
                                 : std::optional<std::int32_t>{};
    if (!port || !rate) {
        return std::nullopt;
    }
    return CommSettings{*port, *rate};
}

namespace {

// The file's bytes, or nothing with the reason in `problem`.
std::optional<std::string> readReporting(const std::filesystem::path& path, std::string& problem) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        problem = "is a folder, not a file";
        return std::nullopt;
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int error = errno;
        problem = "cannot be read" +
                  (error != 0 ? ": " + std::generic_category().message(error) : std::string());
        return std::nullopt;
    }
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) {
        problem = "cannot be read";
        return std::nullopt;
    }
    return content.str();
}

// The content as a message shows it: trimmed, control and other bytes as \xNN, cut short.
std::string shownContent(std::string_view content) {
    constexpr std::size_t kShown = 40;
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!content.empty() && space(content.front())) {
        content.remove_prefix(1);
    }
    while (!content.empty() && space(content.back())) {
        content.remove_suffix(1);
    }
    std::string shown;
    for (std::size_t i = 0; i < content.size() && i < kShown; ++i) {
        const auto byte = static_cast<unsigned char>(content[i]);
        if (byte >= 0x20 && byte < 0x7f && byte != '"' && byte != '\\') {
            shown += static_cast<char>(byte);
        } else {
            constexpr const char* kDigits = "0123456789ABCDEF";
            shown += "\\x";
            shown += kDigits[byte >> 4];
            shown += kDigits[byte & 0x0f];
        }
    }
    if (content.size() > kShown) {
        shown += "...";
    }
    return shown;
}

}  // namespace

CommSettingsRead readCommSettingsReporting(const SettingsLocation& location) {
    CommSettingsRead read;
    read.path = commSetPath(location);
    std::error_code ec;
    const std::filesystem::path portable = location.programDirectory / "comm.set";
    // A comm.set in the settings folder, even one that cannot be read, is not replaced by the
    // one beside the program.
    if (read.path != portable && !std::filesystem::exists(read.path, ec) &&
        std::filesystem::exists(portable, ec)) {
        read.path = portable;
    }
    if (!std::filesystem::exists(read.path, ec) && !ec) {
        return read;  // no comm.set: not a problem
    }
    const auto content = readReporting(read.path, read.problem);
    if (!content) {
        return read;
    }
    read.settings = parseCommSettings(*content);
    if (!read.settings) {
        const std::string shown = shownContent(*content);
        read.problem = (shown.empty() ? std::string("is empty") : "holds \"" + shown + "\"") +
                       ", not \"port,rate\"";
    }
    return read;
}

std::optional<CommSettings> readCommSettings(const SettingsLocation& location) {
    return readCommSettingsReporting(location).settings;
}

std::string formatCommSettings(const CommSettings& settings) {
    return std::to_string(settings.port) + "," + std::to_string(settings.rate) + "\r\n";
}

std::optional<std::string> writeCommSettings(const SettingsLocation& location, FileWriter& files,
                                             const CommSettings& settings) {
    const std::filesystem::path path = commSetPath(location);
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) {
        return ec.message();
    }
    return files.replace(path, formatCommSettings(settings));
}

}  // namespace tc24
