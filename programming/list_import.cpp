#include "programming/list_import.h"

#include <cstdint>
#include <filesystem>
#include <optional>

#include "link/control_names.h"
#include "link/files.h"
#include "link/numbers.h"
#include "link/text_items.h"
#include "protocol/hex.h"

namespace tc24::programming {

namespace {

constexpr const char* kMalformed = "输入的文件数据格式有误！请检查";
constexpr const char* kDialogTitle = "打开文件";
constexpr const char* kDialogFilter = "序列号文件 (*.txt)|*.txt|所有文件（*）|*.*";
constexpr int kListSlots = 128;  // SnFileList holds entries 1 … 128
// The entry counter of the listing is a byte: a count beyond it is refused before any entry
// is read, a count from 129 to 255 after the 128 entries that fit.
constexpr int kCounterLimit = 255;
constexpr int kBoxes = 8;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

// Editors that save UTF-8 may put a byte-order mark before the count; it is not part of it.
std::string_view withoutByteOrderMark(std::string_view content) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (content.substr(0, kBom.size()) == kBom) {
        content.remove_prefix(kBom.size());
    }
    return content;
}

}  // namespace

std::vector<std::string> entryFields(std::string_view entry) {
    std::vector<std::string> fields;
    if (entry.empty()) {
        return fields;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t blank = entry.find(' ', start);
        if (blank == std::string_view::npos) {
            fields.push_back(trimmed(entry.substr(start)));
            return fields;
        }
        fields.push_back(trimmed(entry.substr(start, blank - start)));
        start = blank + 1;
    }
}

bool fillSerialBoxes(Window& window, double entry) {
    if (!(entry >= 0 && entry <= kListSlots)) {
        return false;
    }
    const auto fields = entryFields(window.state.SnFileList[static_cast<std::size_t>(entry)]);
    for (int k = 0; k < kBoxes; ++k) {
        if (static_cast<std::size_t>(k) >= fields.size()) {
            return false;
        }
        window.ui.setText(control::txtSenseSn[static_cast<std::size_t>(k)],
                          fields[static_cast<std::size_t>(k)]);
    }
    return true;
}

void cmdOpenFile_Click(Window& window) {
    auto& ui = window.ui;
    auto& state = window.state;
    ui.setShown(control::PictureShow, false);
    ui.setShown(control::TXTSN, true);

    const auto chosen = window.dialogs.askOpenFile(
        FileDialogRequest{kDialogTitle, window.programDirectory.string(), kDialogFilter, false});
    if (!chosen) {
        return;  // the operator cancelled: nothing to import, nothing to report
    }
    const std::filesystem::path path(*chosen);
    std::error_code ignored;
    const auto content =
        std::filesystem::is_directory(path, ignored) ? std::nullopt : readWholeFile(path);
    if (!content) {
        // Nothing has changed yet: the listing still belongs to the list in memory.
        window.message("无法打开文件：" + *chosen);
        return;
    }

    ui.setText(control::TXTSN, "");
    ItemReader items(withoutByteOrderMark(*content));
    const auto countItem = items.next();
    const auto count = countItem ? numbers::int16RoundedDown(*countItem) : std::nullopt;
    if (!count) {
        window.message(kMalformed);
        return;
    }
    state.ChennelNum = *count;
    ui.setText(control::TXTSN, "该设备共有" + std::to_string(*count) + "个通道\r\n");

    if (*count > kCounterLimit) {
        window.message(kMalformed);
        return;
    }
    for (int i = 1; i <= *count; ++i) {
        if (i > kListSlots) {
            window.message(kMalformed);  // the list has no room for more
            return;
        }
        auto entry = items.next();
        if (!entry) {
            window.message(kMalformed);  // the file ends before the count is reached
            return;
        }
        state.SnFileList[static_cast<std::size_t>(i)] = std::move(*entry);
        ui.appendText(control::TXTSN, FormatHex(static_cast<std::uint8_t>(i)) + "#: " +
                                          state.SnFileList[static_cast<std::size_t>(i)] + "\r\n");
    }

    // Entry 1 as it now stands, also when it comes from an earlier import.
    if (!fillSerialBoxes(window, 1)) {
        window.message(kMalformed);
    }
}

}  // namespace tc24::programming
