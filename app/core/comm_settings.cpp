#include "app/core/comm_settings.h"

#include "link/files.h"
#include "link/numbers.h"
#include "link/text_items.h"

namespace tc24 {

std::filesystem::path commSetPath(const std::filesystem::path& programDirectory) {
    return programDirectory / "comm.set";
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

std::optional<CommSettings> readCommSettings(const std::filesystem::path& programDirectory) {
    const auto content = readWholeFile(commSetPath(programDirectory));
    if (!content) {
        return std::nullopt;
    }
    return parseCommSettings(*content);
}

std::string formatCommSettings(const CommSettings& settings) {
    return std::to_string(settings.port) + "," + std::to_string(settings.rate) + "\r\n";
}

std::optional<std::string> writeCommSettings(const std::filesystem::path& programDirectory,
                                             const CommSettings& settings) {
    return writeFileReplacing(commSetPath(programDirectory), formatCommSettings(settings));
}

}  // namespace tc24
