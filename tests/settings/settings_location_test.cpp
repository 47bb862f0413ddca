// Where comm.set and the ports/ links are kept: beside a portable program, in the user's
// configuration folder for an installed one or one whose directory takes no files; and the
// handlers reading and writing them there.

#include "app/settings/settings_location.h"

#include <gtest/gtest.h>

#include <fstream>

#include "app/settings/comm_settings.h"
#include "app/settings/port_device.h"
#include "core/fakes.h"
#include "link/control_names.h"
#include "link/files.h"

using namespace tc24;
using tc24::testing::DiskFiles;
using tc24::testing::TempDir;
namespace fs = std::filesystem;

namespace {

std::string commSetIn(const fs::path& folder) {
    return readWholeFile(folder / "comm.set").value_or("<missing>");
}

// The window's behaviour with its settings in a configuration folder of their own, as when
// its directory is read-only.
struct ConfiguredHarness {
    ConfiguredHarness()
        : config(home.path() / "config" / "tc24"),
          frm(ui, port, dialogs, files, timer2, timer3, timer6, program.path(), config) {}
    TempDir program;
    TempDir home;
    fs::path config;
    tc24::testing::FakeControls ui;
    tc24::testing::FakeSerialPort port;
    tc24::testing::FakeDialogs dialogs;
    DiskFiles files;
    tc24::testing::FakeTimer timer2, timer3, timer6;
    FrmMain frm;
};

}  // namespace

TEST(SettingsLocation, PortableProgramKeepsItsSettingsBesideItUnlessItMayNotWriteThere) {
    const fs::path program = "/opt/tools/tc24";
    const fs::path config = "/home/op/.config/tc24";
    EXPECT_EQ(chooseSettingsLocation(program, true, config).folder, program);
    EXPECT_EQ(chooseSettingsLocation(program, false, config).folder, config);
    // Without a configuration folder there is nowhere better.
    EXPECT_EQ(chooseSettingsLocation(program, false, {}).folder, program);
    EXPECT_EQ(chooseSettingsLocation(program, false, config).programDirectory, program);
}

// Regression: run as root (sudo tc24), an installed copy wrote comm.set and ports/ into
// /usr/bin, since root may create files there.
TEST(SettingsLocation, InstalledProgramUsesTheConfigurationFolderEvenWhereItMayWrite) {
    const fs::path config = "/root/.config/tc24";
    for (const char* folder : {"/usr/bin", "/usr/local/bin", "/bin", "/usr/bin/"}) {
        EXPECT_TRUE(isInstalledProgramDirectory(folder)) << folder;
        EXPECT_EQ(chooseSettingsLocation(folder, true, config).folder, config) << folder;
    }
    // What `cmake --install --prefix` leaves: the program in bin, its menu entry in share.
    TempDir prefix;
    fs::create_directories(prefix.path() / "bin");
    fs::create_directories(prefix.path() / "share" / "applications");
    std::ofstream(prefix.path() / "share" / "applications" / "tc24.desktop") << "[Desktop Entry]\n";
    EXPECT_TRUE(isInstalledProgramDirectory(prefix.path() / "bin"));
    EXPECT_EQ(chooseSettingsLocation(prefix.path() / "bin", true, config).folder, config);
}

TEST(SettingsLocation, BuildTreeOrCopyIsNotAnInstallation) {
    TempDir tree;
    // A build tree's bin has no menu entry beside it; nor has a copy, nor a bin next to
    // another program's menu entry.
    const fs::path build = tree.path() / "build" / "bin";
    const fs::path copy = tree.path() / "tools";
    const fs::path other = tree.path() / "other" / "bin";
    for (const fs::path& folder : {build, copy, other}) {
        fs::create_directories(folder);
    }
    fs::create_directories(tree.path() / "other" / "share" / "applications");
    std::ofstream(tree.path() / "other" / "share" / "applications" / "other.desktop") << "x";
    for (const fs::path& folder : {build, copy, other}) {
        EXPECT_FALSE(isInstalledProgramDirectory(folder)) << folder;
    }
    EXPECT_FALSE(isInstalledProgramDirectory({}));
}

TEST(SettingsInAConfigurationFolder, SavedThereAndReadBackFromThere) {
    ConfiguredHarness h;
    h.frm.Form_Load();
    h.ui.setCurrentIndex(control::Combo1, 4);
    h.ui.setCurrentIndex(control::Combo2, 2);
    h.frm.cmdCom_Click();
    // Saving creates the folder and writes the same format there; nothing beside the program.
    EXPECT_EQ(commSetIn(h.config), "5,38400\r\n");
    EXPECT_FALSE(fs::exists(h.program.path() / "comm.set"));
    EXPECT_EQ(h.dialogs.lastText(), "串口设置保存成功");

    const auto saved = readCommSettings({h.config, h.program.path()});
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->port, 5);
    EXPECT_EQ(saved->rate, 38400);
}

TEST(SettingsInAConfigurationFolder, CommSetShippedBesideTheProgramIsReadUntilTheUserSavesOne) {
    ConfiguredHarness h;
    const SettingsLocation location{h.config, h.program.path()};
    std::ofstream(h.program.path() / "comm.set", std::ios::binary) << "3,19200\r\n";
    ASSERT_TRUE(readCommSettings(location));
    EXPECT_EQ(readCommSettings(location)->port, 3);
    ASSERT_FALSE(writeCommSettings(location, h.files, {6, 9600}));
    EXPECT_EQ(readCommSettings(location)->port, 6);
    EXPECT_EQ(commSetIn(h.program.path()), "3,19200\r\n");  // untouched
}

TEST(SettingsInAConfigurationFolder, FailureToSaveNamesTheFileAndIsNotReportedAsSuccess) {
    ConfiguredHarness h;
    // The configuration folder cannot be created: a file stands where it would go.
    fs::create_directories(h.config.parent_path().parent_path());
    std::ofstream(h.config.parent_path()) << "x";
    h.frm.Form_Load();
    h.ui.setCurrentIndex(control::Combo1, 0);
    h.frm.cmdCom_Click();
    const auto texts = h.dialogs.texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_NE(texts.front().find((h.config / "comm.set").string()), std::string::npos)
        << texts.front();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "串口设置保存成功"), 0);
}

#ifndef _WIN32
TEST(SettingsInAConfigurationFolder, PortLinksThereComeFirstThenThoseBesideTheProgram) {
    ConfiguredHarness h;
    fs::create_directories(h.config / "ports");
    fs::create_directories(h.program.path() / "ports");
    fs::create_symlink("/dev/pts/41", h.config / "ports" / "COM3");
    fs::create_symlink("/dev/pts/42", h.program.path() / "ports" / "COM3");
    fs::create_symlink("/dev/pts/43", h.program.path() / "ports" / "COM4");
    const SettingsLocation location{h.config, h.program.path()};
    EXPECT_EQ(deviceForPort(location, 3), "/dev/pts/41");
    EXPECT_EQ(deviceForPort(location, 4), "/dev/pts/43");  // still found beside the program
    EXPECT_EQ(deviceForPort(location, 5), "/dev/ttyUSB4");
}
#endif
