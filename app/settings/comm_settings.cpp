#include "app/settings/comm_settings.h"

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

std::optional<CommSettings> readCommSettings(const SettingsLocation& location) {
    const std::filesystem::path path = commSetPath(location);
    auto content = readWholeFile(path);
    if (!content) {
        std::error_code ec;
        const std::filesystem::path portable = location.programDirectory / "comm.set";
        if (path == portable || std::filesystem::exists(path, ec)) {
            return std::nullopt;  // missing, or there but unreadable: not replaced by another
        }
        content = readWholeFile(portable);
        if (!content) {
            return std::nullopt;
        }
    }
    return parseCommSettings(*content);
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
