#include "cli/list_file.h"

#include "protocol/hex.h"
#include "sensors/serial_list.h"

namespace tc24::cli {

std::string listFileContent(const std::vector<ListEntry>& entries) {
    std::vector<std::string> texts;
    texts.reserve(entries.size());
    for (const ListEntry& entry : entries) {
        texts.push_back(entry ? serialNumberText(*entry) : std::string());
    }
    return sensors::serialListContent(texts);
}

ParsedList parseListFile(std::string_view content) {
    auto list = sensors::readSerialList(content, sensors::ListReading::Strict);
    return ParsedList{std::move(list.serials), std::move(list.error)};
}

}  // namespace tc24::cli
