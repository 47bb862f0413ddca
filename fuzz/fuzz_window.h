#pragma once

// The window's behaviour over fakes, for fuzz targets (no test framework).

#include <filesystem>

#include "core/fakes.h"

namespace tc24::fuzzing {

struct FuzzWindow {
    explicit FuzzWindow(std::filesystem::path directory = std::filesystem::temp_directory_path())
        : frm(ui, port, dialogs, files, timer2, timer3, timer6, std::move(directory)) {}
    testing::FakeControls ui;
    testing::FakeSerialPort port;
    testing::FakeDialogs dialogs;
    testing::DiskFiles files;
    testing::FakeTimer timer2;
    testing::FakeTimer timer3;
    testing::FakeTimer timer6;
    FrmMain frm;
};

}  // namespace tc24::fuzzing
