// Arbitrary files through the serial-number list reader, strictly as tc24-cli reads them and
// as the window's import does, then through the import itself and the writes that use the list.

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_window.h"
#include "protocol/hex.h"
#include "protocol/printable.h"
#include "sensors/serial_list.h"

using tc24::fuzzing::FuzzWindow;
using tc24::sensors::ListReading;
using tc24::sensors::readSerialList;

namespace {

void check(bool holds) {
    if (!holds) {
        __builtin_trap();
    }
}

// Nothing a terminal acts on: no C0 control, no DEL, no C1 control (C2 80 … C2 9F).
bool printable(std::string_view text) {
    for (std::size_t k = 0; k < text.size(); ++k) {
        const auto byte = static_cast<std::uint8_t>(text[k]);
        if (byte < 0x20 || byte == 0x7F) {
            return false;
        }
        if (byte == 0xC2 && k + 1 < text.size() && static_cast<std::uint8_t>(text[k + 1]) < 0xA0) {
            return false;
        }
    }
    return true;
}

void readBothWays(std::string_view content) {
    const auto window = readSerialList(content, ListReading::Window);
    check(window.entries.size() <= tc24::sensors::kMostListEntries);
    check(window.serials.empty());
    if (window.error.empty()) {
        check(window.count &&
              static_cast<int>(window.entries.size()) == std::max(*window.count, 0));
    }

    const auto strict = readSerialList(content, ListReading::Strict);
    check(printable(strict.error));
    if (!strict.error.empty()) {
        check(strict.entries.empty() && strict.serials.empty());
        return;
    }
    check(strict.count && *strict.count >= 0 && *strict.count <= tc24::sensors::kMostListEntries);
    check(strict.serials.size() == static_cast<std::size_t>(*strict.count));
    check(strict.entries.size() == strict.serials.size());
    // What tc24-cli accepts the window imports the same, and it saves back to the same list.
    check(window.error.empty() && window.count == strict.count && window.entries == strict.entries);
    std::vector<std::string> texts;
    for (const auto& serial : strict.serials) {
        texts.push_back(serial ? tc24::serialNumberText(*serial) : std::string());
    }
    const auto again = readSerialList(tc24::sensors::serialListContent(texts), ListReading::Strict);
    check(again.error.empty() && again.serials == strict.serials);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    readBothWays(content);
    check(printable(tc24::printableText(content)));

    static const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("tc24-fuzz-list-" + std::to_string(::getpid()));
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(size));
    }
    FuzzWindow w;
    w.port.open();
    w.dialogs.openAnswers.push_back(file.string());
    w.frm.cmdOpenFile_Click();
    // Walk the imported list the way the operator would.
    w.frm.cmdFirst_Click();
    for (int i = 0; i < 4; ++i) {
        w.frm.cmdWriteNext_Click();
    }
    w.frm.cmdWriteAllSn_Click();
    for (int i = 0; i < 4; ++i) {
        w.frm.Timer3_Timer();
    }
    return 0;
}
