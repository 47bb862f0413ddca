#include "programming/list_import.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <tuple>

#include "link/control_names.h"
#include "link/files.h"
#include "protocol/hex.h"
#include "protocol/translatable.h"
#include "sensors/serial_list.h"

namespace tc24::programming {

namespace {

constexpr const char* kMalformed = TC24_TR("tc24", "输入的文件数据格式有误！请检查");
constexpr const char* kDialogTitle = TC24_TR("tc24", "打开文件");
constexpr const char* kDialogFilter = TC24_TR("tc24", "序列号文件 (*.txt)|*.txt|所有文件（*）|*.*");
constexpr const char* kCannotOpen = TC24_TR("tc24", "无法打开文件：%1");  // %1 the file
// The pane's first line after an import; %1 the list's entry count.
constexpr const char* kChannels = TC24_TR("tc24", "该设备共有%1个通道\r\n");
constexpr int kBoxes = 8;
static_assert(std::tuple_size_v<decltype(WindowState::SnFileList)> == sensors::kMostListEntries + 1,
              "SnFileList holds entries 1 … kMostListEntries");

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
    if (!(entry >= 0 && entry <= sensors::kMostListEntries)) {
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
        FileDialogRequest{window.translated(kDialogTitle), window.programDirectory.string(),
                          window.translated(kDialogFilter), false});
    if (!chosen) {
        return;  // the operator cancelled: nothing to import, nothing to report
    }
    const std::filesystem::path path(*chosen);
    std::error_code ignored;
    const auto content =
        std::filesystem::is_directory(path, ignored) ? std::nullopt : readWholeFile(path);
    if (!content) {
        // Nothing has changed yet: the listing still belongs to the list in memory.
        window.message(window.translated(kCannotOpen, {*chosen}));
        return;
    }

    ui.setText(control::TXTSN, "");
    // A count beyond 255 is refused before any entry, one beyond the list's room after the
    // entries that fit, a file that ends early after the entries it has: what was read is
    // listed, then the fault reported.
    auto list = sensors::readSerialList(*content, sensors::ListReading::Window);
    if (!list.count) {
        window.message(window.translated(kMalformed));
        return;
    }
    state.ChennelNum = static_cast<std::int16_t>(*list.count);
    ui.setText(control::TXTSN, window.translated(kChannels, {std::to_string(*list.count)}));
    for (std::size_t i = 1; i <= list.entries.size() && i < state.SnFileList.size(); ++i) {
        state.SnFileList[i] = std::move(list.entries[i - 1]);
        ui.appendText(control::TXTSN, FormatHex(static_cast<std::uint8_t>(i)) +
                                          "#: " + state.SnFileList[i] + "\r\n");
    }
    if (!list.error.empty()) {
        window.message(window.translated(kMalformed));
        return;
    }

    // Entry 1 as it now stands, also when it comes from an earlier import.
    if (!fillSerialBoxes(window, 1)) {
        window.message(window.translated(kMalformed));
    }
}

}  // namespace tc24::programming
