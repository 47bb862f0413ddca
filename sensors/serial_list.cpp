#include "sensors/serial_list.h"

#include <cstddef>

#include "link/numbers.h"
#include "link/text_items.h"
#include "protocol/hex.h"
#include "protocol/printable.h"

namespace tc24::sensors {

namespace {

// The window's entry counter is a byte: a count beyond it is refused before any entry is read.
constexpr int kWindowCounterLimit = 255;

// Editors that save UTF-8 may put a byte-order mark before the count; it is not part of it.
std::string_view withoutByteOrderMark(std::string_view content) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (content.starts_with(kBom)) {
        content.remove_prefix(kBom.size());
    }
    return content;
}

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string quoted(std::string_view text) {
    return "\"" + printableText(text) + "\"";
}

std::string lineText(const ItemReader& items) {
    return "line " + std::to_string(items.line()) + ": ";
}

std::string entriesText(int entries) {
    return std::to_string(entries) + (entries == 1 ? " entry" : " entries");
}

// A count as a person writes it: decimal digits only.
std::optional<int> wholeCount(std::string_view text) {
    text = trimmed(text);
    if (text.empty() || text.size() > 9) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

// A non-empty entry: exactly eight fields separated by single blanks, each a byte as the
// window's serial-number boxes take it when it writes them (parseHexByte). The serial number,
// or why the entry is none.
struct EntryCheck {
    std::optional<protocol::SerialNumber> serial;
    std::string fault;
};

EntryCheck checkEntry(std::string_view entry) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t blank = entry.find(' ', start);
        fields.push_back(
            entry.substr(start, blank == std::string_view::npos ? blank : blank - start));
        if (blank == std::string_view::npos) {
            break;
        }
        start = blank + 1;
    }
    protocol::SerialNumber serial{};
    std::size_t bytes = 0;
    while (bytes < fields.size()) {
        const auto byte = parseHexByte(fields[bytes]);
        if (!byte) {
            break;
        }
        if (bytes < serial.size()) {
            serial[bytes] = *byte;
        }
        ++bytes;
    }
    if (bytes == fields.size()) {
        if (bytes == serial.size()) {
            return {serial, {}};
        }
        return {std::nullopt, std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes") +
                                  " where a serial number has " + std::to_string(serial.size())};
    }
    // Eight bytes read, or the eighth with more text glued to it ("… 04 5E;").
    const std::size_t last = serial.size() - 1;
    if (bytes > last ||
        (bytes == last && fields[last].size() > 2 && parseHexByte(fields[last].substr(0, 2)))) {
        return {std::nullopt, "text after the eighth byte"};
    }
    return {std::nullopt, "not eight hex bytes separated by single blanks"};
}

// The quotes around an item as the window writes them: closed, nothing after the closing one.
std::string quoteFault(const ItemReader& items) {
    if (!items.closed()) {
        return lineText(items) + "the quote opened here is not closed";
    }
    if (!trimmed(items.textAfterQuote()).empty()) {
        return lineText(items) +
               "text after the closing quote: " + quoted(trimmed(items.textAfterQuote()));
    }
    return {};
}

SerialList readWindowList(ItemReader& items) {
    SerialList list;
    const auto countItem = items.next();
    const auto count = countItem ? numbers::int16RoundedDown(*countItem) : std::nullopt;
    if (!count) {
        list.error = "the first item is not an entry count: " + quoted(countItem.value_or(""));
        return list;
    }
    list.count = *count;
    if (*count > kWindowCounterLimit) {
        list.error = "the count " + std::to_string(*count) + " is beyond " +
                     std::to_string(kWindowCounterLimit);
        return list;
    }
    for (int i = 1; i <= *count; ++i) {
        if (i > kMostListEntries) {
            list.error = "the count " + std::to_string(*count) + " is beyond the " +
                         std::to_string(kMostListEntries) + " entries the list holds";
            return list;
        }
        auto entry = items.next();
        if (!entry) {
            list.error = "the count is " + std::to_string(*count) + ", but the file ends after " +
                         entriesText(i - 1);
            return list;
        }
        list.entries.push_back(std::move(*entry));
    }
    return list;
}

SerialList readStrictList(ItemReader& items) {
    SerialList list;
    const auto countItem = items.next();
    if (!countItem) {
        list.error = "the file is empty: it holds no entry count";
        return list;
    }
    const std::size_t countLine = items.line();
    const auto count = wholeCount(*countItem);
    if (!count || *count > kMostListEntries) {
        list.error = lineText(items) + "the first item is not an entry count from 0 to " +
                     std::to_string(kMostListEntries) + ": " + quoted(*countItem);
        return list;
    }
    if (auto fault = quoteFault(items); !fault.empty()) {
        list.error = std::move(fault);
        return list;
    }
    list.count = *count;
    const std::string countText = std::to_string(*count) + " on line " + std::to_string(countLine);

    for (int i = 1; i <= *count; ++i) {
        auto entry = items.next();
        if (!entry) {
            list.error =
                "the count is " + countText + ", but the file ends after " + entriesText(i - 1);
            break;
        }
        if (auto fault = quoteFault(items); !fault.empty()) {
            list.error = std::move(fault);
            break;
        }
        const std::string_view text = trimmed(*entry);
        if (text.empty()) {
            list.serials.emplace_back();  // a position not read
        } else if (auto check = checkEntry(text); check.serial) {
            list.serials.push_back(*check.serial);
        } else {
            list.error = lineText(items) + "entry " + std::to_string(i) +
                         " is not a serial number (" + check.fault + "): " + quoted(*entry);
            break;
        }
        list.entries.push_back(std::move(*entry));
    }

    // Blank lines may end the file; a further entry, even an empty one, means the count is wrong.
    while (list.error.empty()) {
        const auto extra = items.next();
        if (!extra) {
            break;
        }
        if (items.quoted() || !trimmed(*extra).empty()) {
            list.error = lineText(items) + "more entries than the count of " + countText + ": " +
                         quoted(*extra);
        }
    }
    if (!list.error.empty()) {
        list.entries.clear();
        list.serials.clear();
    }
    return list;
}

}  // namespace

std::string serialListContent(const std::vector<std::string>& entries) {
    std::string content = std::to_string(entries.size()) + "\r\n";
    for (const std::string& entry : entries) {
        content += '"';
        content += entry;
        content += "\"\r\n";
    }
    return content;
}

SerialList readSerialList(std::string_view content, ListReading mode) {
    ItemReader items(withoutByteOrderMark(content));
    return mode == ListReading::Window ? readWindowList(items) : readStrictList(items);
}

}  // namespace tc24::sensors
