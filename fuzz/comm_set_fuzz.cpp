// Arbitrary comm.set contents through the settings reader and start-up.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "app/settings/comm_settings.h"
#include "fuzz_window.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    (void)tc24::parseCommSettings(content);

    static const std::filesystem::path directory = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("tc24-fuzz-comm-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    std::ofstream(directory / "comm.set", std::ios::binary | std::ios::trunc) << content;
    tc24::fuzzing::FuzzWindow w(directory);
    w.frm.Form_Load();
    return 0;
}
