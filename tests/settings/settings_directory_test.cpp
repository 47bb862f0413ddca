// comm.set and the ports/ links when the program's directory is read-only: the user's
// configuration folder takes their place.

#include "app/settings/settings_directory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <set>

#include "app/settings/comm_settings.h"
#include "app/settings/port_device.h"
#include "core/fakes.h"
#include "link/control_names.h"
#include "link/files.h"

using namespace tc24;
using tc24::testing::Harness;
using tc24::testing::TempDir;
namespace fs = std::filesystem;

namespace {

// Directories the test declares read-only. The permission bits cannot say so: CI runs as
// root, who writes anywhere.
std::set<fs::path>& readOnly() {
    static std::set<fs::path> paths;
    return paths;
}
bool fakeCheck(const fs::path& directory) {
    return readOnly().count(directory) == 0 && takesNewFiles(directory);
}

// Sets an environment variable for the test's lifetime.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class ReadOnlyProgramDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = setDirectoryCheck(&fakeCheck);
        readOnly().insert(h.dir.path());
        config = home.path() / "config";
    }
    void TearDown() override {
        readOnly().clear();
        setDirectoryCheck(previous_);
    }
    std::string commSetIn(const fs::path& folder) {
        return readWholeFile(folder / "comm.set").value_or("<missing>");
    }

    Harness h;
    TempDir home;
    fs::path config;
    ScopedEnv xdg{"XDG_CONFIG_HOME", nullptr};
    ScopedEnv homeVariable{"HOME", nullptr};

private:
    DirectoryCheck previous_ = nullptr;
};

}  // namespace

TEST_F(ReadOnlyProgramDirectory, SettingsGoToXdgConfigHome) {
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    EXPECT_EQ(settingsDirectory(h.dir.path()), config / "tc24");

    // Saving creates the folder and writes the same format there; nothing in the program's
    // directory.
    h.frm.Form_Load();
    h.ui.setCurrentIndex(control::Combo1, 4);
    h.ui.setCurrentIndex(control::Combo2, 2);
    h.frm.cmdCom_Click();
    EXPECT_EQ(commSetIn(config / "tc24"), "5,38400\r\n");
    EXPECT_FALSE(fs::exists(h.dir.path() / "comm.set"));
    EXPECT_EQ(h.dialogs.lastText(), "串口设置保存成功");

    // The next start reads it back from there.
    Harness next;
    readOnly().insert(next.dir.path());
    next.frm.Form_Load();
    EXPECT_EQ(next.state().CommNum, 5);
    EXPECT_EQ(next.state().CommRate, 38400);
}

TEST_F(ReadOnlyProgramDirectory, WithoutXdgConfigHomeItIsDotConfigInHome) {
    ::setenv("HOME", home.path().c_str(), 1);
    EXPECT_EQ(settingsDirectory(h.dir.path()), home.path() / ".config" / "tc24");
    // A relative XDG_CONFIG_HOME is not valid and is ignored.
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(settingsDirectory(h.dir.path()), home.path() / ".config" / "tc24");
    ASSERT_FALSE(writeCommSettings(h.dir.path(), {2, 9600}));
    EXPECT_EQ(commSetIn(home.path() / ".config" / "tc24"), "2,9600\r\n");
}

TEST_F(ReadOnlyProgramDirectory, CommSetShippedBesideTheProgramIsReadUntilTheUserSavesOne) {
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    std::ofstream(h.dir.path() / "comm.set", std::ios::binary) << "3,19200\r\n";
    ASSERT_TRUE(readCommSettings(h.dir.path()));
    EXPECT_EQ(readCommSettings(h.dir.path())->port, 3);
    ASSERT_FALSE(writeCommSettings(h.dir.path(), {6, 9600}));
    EXPECT_EQ(readCommSettings(h.dir.path())->port, 6);
    EXPECT_EQ(commSetIn(h.dir.path()), "3,19200\r\n");  // untouched
}

TEST_F(ReadOnlyProgramDirectory, FailureToSaveNamesTheFileAndIsNotReportedAsSuccess) {
    // The configuration folder cannot be created: a file stands where it would go.
    std::ofstream(config) << "x";
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    h.frm.Form_Load();
    h.ui.setCurrentIndex(control::Combo1, 0);
    h.frm.cmdCom_Click();
    const auto texts = h.dialogs.texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_NE(texts.front().find((config / "tc24" / "comm.set").string()), std::string::npos)
        << texts.front();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "串口设置保存成功"), 0);
}

TEST_F(ReadOnlyProgramDirectory, PortLinksInTheConfigFolderComeFirst) {
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    fs::create_directories(config / "tc24" / "ports");
    fs::create_directories(h.dir.path() / "ports");
    fs::create_symlink("/dev/pts/41", config / "tc24" / "ports" / "COM3");
    fs::create_symlink("/dev/pts/42", h.dir.path() / "ports" / "COM3");
    fs::create_symlink("/dev/pts/43", h.dir.path() / "ports" / "COM4");
    EXPECT_EQ(deviceForPort(h.dir.path(), 3), "/dev/pts/41");
    EXPECT_EQ(deviceForPort(h.dir.path(), 4), "/dev/pts/43");  // still found beside the program
    EXPECT_EQ(deviceForPort(h.dir.path(), 5), "/dev/ttyUSB4");
}

TEST_F(ReadOnlyProgramDirectory, WritableProgramDirectoryStaysFirst) {
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    readOnly().clear();
    fs::create_directories(config / "tc24");
    std::ofstream(config / "tc24" / "comm.set", std::ios::binary) << "9,9600\r\n";
    std::ofstream(h.dir.path() / "comm.set", std::ios::binary) << "2,19200\r\n";
    EXPECT_EQ(settingsDirectory(h.dir.path()), h.dir.path());
    EXPECT_EQ(readCommSettings(h.dir.path())->port, 2);
}

TEST(DirectoryCheck, TellsWhetherNewFilesCanBeCreated) {
    TempDir dir;
    EXPECT_TRUE(takesNewFiles(dir.path()));
    EXPECT_FALSE(takesNewFiles(dir.path() / "missing"));
    std::ofstream(dir.path() / "file") << "x";
    EXPECT_FALSE(takesNewFiles(dir.path() / "file"));
    if (::geteuid() != 0) {
        fs::create_directory(dir.path() / "locked");
        ::chmod((dir.path() / "locked").c_str(), 0555);
        EXPECT_FALSE(takesNewFiles(dir.path() / "locked"));
    }
}

// Regression: run as root (sudo tc24), an installed copy wrote comm.set and ports/ into
// /usr/bin, since root may create files there.
TEST(InstalledProgram, KeepsItsSettingsInTheConfigurationFolderEvenWhereItMayWrite) {
    TempDir prefix;
    TempDir home;
    const fs::path config = home.path() / "config";
    ScopedEnv xdg{"XDG_CONFIG_HOME", config.c_str()};
    // What `cmake --install --prefix` leaves: the program in bin, its menu entry in share.
    fs::create_directories(prefix.path() / "bin");
    fs::create_directories(prefix.path() / "share" / "applications");
    std::ofstream(prefix.path() / "share" / "applications" / "tc24.desktop") << "[Desktop Entry]\n";
    const fs::path bin = prefix.path() / "bin";
    ASSERT_TRUE(takesNewFiles(bin));
    EXPECT_EQ(settingsDirectory(bin), config / "tc24");
    ASSERT_FALSE(writeCommSettings(bin, {2, 9600}));
    EXPECT_TRUE(fs::exists(config / "tc24" / "comm.set"));
    EXPECT_FALSE(fs::exists(bin / "comm.set"));

    // The system's program folders, whoever runs the program; /bin also where it is a link.
    for (const char* folder : {"/usr/bin", "/usr/local/bin", "/bin", "/usr/bin/"}) {
        EXPECT_EQ(settingsDirectory(folder), config / "tc24") << folder;
    }
}

TEST(PortableProgram, BuildTreeOrCopyKeepsItsSettingsBesideIt) {
    TempDir tree;
    TempDir home;
    ScopedEnv xdg{"XDG_CONFIG_HOME", (home.path() / "config").c_str()};
    // A build tree's bin has no menu entry beside it; nor has a copy, nor a bin next to
    // another program's menu entry.
    const fs::path build = tree.path() / "build" / "bin";
    const fs::path copy = tree.path() / "tools";
    const fs::path other = tree.path() / "other" / "bin";
    fs::create_directories(build);
    fs::create_directories(copy);
    fs::create_directories(other);
    fs::create_directories(tree.path() / "other" / "share" / "applications");
    std::ofstream(tree.path() / "other" / "share" / "applications" / "other.desktop") << "x";
    for (const fs::path& folder : {build, copy, other}) {
        EXPECT_FALSE(isInstalledProgramDirectory(folder)) << folder;
        EXPECT_EQ(settingsDirectory(folder), folder);
    }
    ASSERT_FALSE(writeCommSettings(build, {3, 19200}));
    EXPECT_EQ(readWholeFile(build / "comm.set"), "3,19200\r\n");
}
