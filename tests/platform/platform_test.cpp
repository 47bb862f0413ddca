// The Qt Core pieces the window and tc24-cli share: the settings location from Qt's standard
// folders, files replaced whole through QSaveFile, and files appended line by line.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <string>

#include "app/platform/line_file.h"
#include "app/platform/qt_file_writer.h"
#include "app/platform/settings_folder.h"
#include "core/fakes.h"
#include "link/files.h"

using namespace tc24;
using tc24::testing::TempDir;
namespace fs = std::filesystem;

namespace {

// Sets an environment variable for the test's lifetime.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        set(value);
    }
    ~ScopedEnv() { set(old_); }

private:
    void set(const std::optional<std::string>& value) {
        if (value) {
            ::setenv(name_, value->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    const char* name_;
    std::optional<std::string> old_;
};

// Directories a test declares read-only. Permission bits cannot say so: CI runs as root,
// who writes anywhere.
std::set<fs::path>& readOnly() {
    static std::set<fs::path> paths;
    return paths;
}
bool fakeCheck(const fs::path& directory) {
    return readOnly().count(directory) == 0 && directoryIsWritable(directory);
}

class SettingsFolder : public ::testing::Test {
protected:
    void SetUp() override { previous_ = setWritableCheck(&fakeCheck); }
    void TearDown() override {
        readOnly().clear();
        setWritableCheck(previous_);
    }
    TempDir program;
    TempDir home;
    ScopedEnv xdg{"XDG_CONFIG_HOME", std::nullopt};
    ScopedEnv homeVariable{"HOME", home.path().string()};

private:
    WritableCheck previous_ = nullptr;
};

}  // namespace

TEST_F(SettingsFolder, APortableCopyKeepsItsSettingsBesideItself) {
    EXPECT_EQ(settingsLocation(program.path()).folder, program.path());
    EXPECT_EQ(settingsLocation(program.path()).programDirectory, program.path());
}

TEST_F(SettingsFolder, AReadOnlyDirectoryUsesTheConfigurationFolderOfTheDesktop) {
    readOnly().insert(program.path());
    // ~/.config/tc24 by default, where earlier versions kept them too.
    EXPECT_EQ(settingsLocation(program.path()).folder, home.path() / ".config" / "tc24");
    const fs::path config = home.path() / "elsewhere";
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    EXPECT_EQ(settingsLocation(program.path()).folder, config / "tc24");
}

TEST_F(SettingsFolder, AnInstalledProgramNeverWritesBesideItself) {
    EXPECT_EQ(settingsLocation("/usr/bin").folder, home.path() / ".config" / "tc24");
}

TEST(Directories, WritableMeansAnExistingFolder) {
    TempDir dir;
    EXPECT_TRUE(directoryIsWritable(dir.path()));
    EXPECT_FALSE(directoryIsWritable(dir.path() / "missing"));
    std::ofstream(dir.path() / "file") << "x";
    EXPECT_FALSE(directoryIsWritable(dir.path() / "file"));
}

TEST(QtFileWriter, ReplacesTheWholeFileOrLeavesTheOldOne) {
    TempDir dir;
    const fs::path file = dir.path() / "list.txt";
    QtFileWriter files;
    ASSERT_FALSE(files.replace(file, "2\r\n\"a\"\r\n"));
    ASSERT_FALSE(files.replace(file, "1\r\n"));
    EXPECT_EQ(readWholeFile(file), "1\r\n");
    if (::geteuid() != 0) {  // root ignores directory permissions
        fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_TRUE(files.replace(file, "new\r\n"));
        EXPECT_EQ(readWholeFile(file), "1\r\n");
        fs::permissions(dir.path(), fs::perms::owner_all);
    }

    // A folder that does not exist: the reason, and nothing left behind.
    const auto missing = files.replace(dir.path() / "no-such-folder" / "list.txt", "x");
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->empty());
    EXPECT_FALSE(fs::exists(dir.path() / "no-such-folder"));
    // A folder where the file should be is not replaced.
    fs::create_directory(dir.path() / "taken");
    EXPECT_TRUE(files.replace(dir.path() / "taken", "x"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "taken"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

TEST(LineFile, EveryLineIsInTheFileAsSoonAsItIsAppended) {
    TempDir dir;
    const auto path = dir.path() / "run.csv";
    LineFile file;
    ASSERT_FALSE(file.open(path, "time,station\r\n"));
    EXPECT_TRUE(file.isOpen());
    std::string expected = "time,station\r\n";
    EXPECT_EQ(readWholeFile(path), expected);
    for (int i = 0; i < 3; ++i) {
        const std::string line = "2026-01-05T07:03:0" + std::to_string(i) + ".000,1\r\n";
        ASSERT_FALSE(file.append(line));
        expected += line;
        // Read by another reader while the file is still open.
        EXPECT_EQ(readWholeFile(path), expected) << i;
    }
}

TEST(LineFile, AnExistingFileIsContinuedNotReplaced) {
    TempDir dir;
    const auto path = dir.path() / "run.csv";
    {
        LineFile first;
        ASSERT_FALSE(first.open(path, "h\r\n"));
        ASSERT_FALSE(first.append("a\r\n"));
    }
    LineFile second;
    ASSERT_FALSE(second.open(path, "h\r\n"));
    ASSERT_FALSE(second.append("b\r\n"));
    EXPECT_EQ(readWholeFile(path), "h\r\na\r\nb\r\n");
}

TEST(LineFile, FileThatCannotBeOpenedGivesTheReasonAndStaysClosed) {
    TempDir dir;
    LineFile file;
    const auto missingFolder = file.open(dir.path() / "no-such-folder" / "run.csv", "h\r\n");
    ASSERT_TRUE(missingFolder);
    EXPECT_FALSE(missingFolder->empty());
    EXPECT_FALSE(file.isOpen());
    EXPECT_TRUE(file.open(dir.path(), "h\r\n"));  // a folder is not a file
    EXPECT_FALSE(file.isOpen());
    EXPECT_TRUE(file.append("x\r\n"));  // nothing open: refused, not silently dropped
    EXPECT_FALSE(fs::exists(dir.path() / "no-such-folder"));
}
