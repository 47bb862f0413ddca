#include "cli/list_file.h"

#include "link/numbers.h"
#include "link/text_items.h"
#include "protocol/hex.h"
#include "sensors/serial_list.h"

namespace tc24::cli {

namespace {

// The most entries the window's list holds.
constexpr int kMostEntries = 128;

std::string_view withoutByteOrderMark(std::string_view content) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (content.substr(0, kBom.size()) == kBom) {
        content.remove_prefix(kBom.size());
    }
    return content;
}

bool isBlank(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

}  // namespace

std::string listFileContent(const std::vector<ListEntry>& entries) {
    std::vector<std::string> texts;
    texts.reserve(entries.size());
    for (const ListEntry& entry : entries) {
        texts.push_back(entry ? serialNumberText(*entry) : std::string());
    }
    return sensors::serialListContent(texts);
}

ParsedList parseListFile(std::string_view content) {
    ParsedList list;
    ItemReader items(withoutByteOrderMark(content));
    const auto countItem = items.next();
    const auto count = countItem ? numbers::int16RoundedDown(*countItem) : std::nullopt;
    if (!count || *count < 0 || *count > kMostEntries) {
        list.error = "the first item is not an entry count from 0 to " +
                     std::to_string(kMostEntries) + ": \"" + countItem.value_or("") + "\"";
        return list;
    }
    for (int i = 1; i <= *count; ++i) {
        const auto item = items.next();
        if (!item) {
            list.error = "the count is " + std::to_string(*count) + ", but the file ends after " +
                         std::to_string(i - 1) + " entries";
            list.entries.clear();
            return list;
        }
        if (isBlank(*item)) {
            list.entries.emplace_back();
            continue;
        }
        const auto serial = parseSerialNumberText(*item);
        if (!serial) {
            list.error = "entry " + std::to_string(i) +
                         " is not a serial number of eight hex "
                         "bytes separated by single blanks: \"" +
                         *item + "\"";
            list.entries.clear();
            return list;
        }
        list.entries.push_back(*serial);
    }
    return list;
}

}  // namespace tc24::cli
