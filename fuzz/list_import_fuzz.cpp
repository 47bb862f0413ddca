// Arbitrary files through the serial-number list import, then the writes that use the list.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "fuzz_window.h"

using tc24::fuzzing::FuzzWindow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("tc24-fuzz-list-" + std::to_string(::getpid()));
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
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
