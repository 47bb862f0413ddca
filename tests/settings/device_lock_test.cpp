#include "app/settings/device_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/fakes.h"

namespace tc24 {
namespace {

namespace fs = std::filesystem;

#ifndef _WIN32

TEST(DeviceLock, LockFileIsNamedAsQSerialPortNamesIt) {
    EXPECT_EQ(lockFileName("/dev/ttyUSB0"), "LCK..ttyUSB0");
    EXPECT_EQ(lockFileName("/dev/pts/3"), "LCK..pts_3");
    EXPECT_EQ(lockFileName("/dev/serial/by-id/usb-FTDI-if00"), "LCK..serial_by-id_usb-FTDI-if00");
    EXPECT_EQ(lockFileName("/srv/tc24/ports/COM1"), "LCK.._srv_tc24_ports_COM1");
}

TEST(DeviceLock, EveryLinkToADeviceLeadsToOneRealPath) {
    tc24::testing::TempDir dir;
    const fs::path device = dir.path() / "ttyX";
    std::ofstream(device).put('x');
    fs::create_directories(dir.path() / "by-id");
    fs::create_directories(dir.path() / "ports");
    // As udev's by-id links and the ports/ folder chain them: relative, link to link.
    fs::create_symlink("../ttyX", dir.path() / "by-id" / "adapter");
    fs::create_symlink(dir.path() / "by-id" / "adapter", dir.path() / "ports" / "COM1");
    const std::string real = fs::canonical(device).string();
    EXPECT_EQ(realDevicePath((dir.path() / "ports" / "COM1").string()), real);
    EXPECT_EQ(realDevicePath((dir.path() / "by-id" / "adapter").string()), real);
    EXPECT_EQ(realDevicePath((dir.path() / "by-id" / ".." / "ttyX").string()), real);

    // What does not resolve is opened as given, for the open to say it is missing.
    const std::string missing = (dir.path() / "ttyGone").string();
    EXPECT_EQ(realDevicePath(missing), missing);
    fs::create_symlink(missing, dir.path() / "ports" / "COM2");
    EXPECT_EQ(realDevicePath((dir.path() / "ports" / "COM2").string()),
              (dir.path() / "ports" / "COM2").string());
    EXPECT_EQ(realDevicePath(""), "");
    // A bare name is a device under /dev, as QSerialPort reads it, never a file here.
    EXPECT_EQ(realDevicePath("null"), "/dev/null");
    EXPECT_EQ(realDevicePath("tc24-no-such-tty"), "tc24-no-such-tty");
}

// A process id that no process has: a child that has ended and been reaped.
long long endedProcess() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

class LockHolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(first());
        fs::create_directories(second());
    }
    fs::path first() const { return dir_.path() / "lock"; }
    fs::path second() const { return dir_.path() / "run-lock"; }
    void lock(const fs::path& folder, const std::string& content) const {
        std::ofstream(folder / "LCK..pts_9", std::ios::binary) << content;
    }
    std::optional<long long> holder() const {
        return lockHolder("/dev/pts/9", {first(), second()});
    }

    tc24::testing::TempDir dir_;
};

TEST_F(LockHolderTest, NoLockFileNoHolder) {
    EXPECT_FALSE(holder());
    lock(first(), std::to_string(::getpid()));
    EXPECT_FALSE(lockHolder("/dev/pts/19", {first(), second()}));  // another device's lock
}

TEST_F(LockHolderTest, QLockFileAndTenColumnLocksNameTheirProcess) {
    const long long self = ::getpid();
    // QLockFile: process id, program, host, boot id, one a line.
    lock(first(), std::to_string(self) + "\ntc24\nbench-pc\n0a1b2c\n");
    EXPECT_EQ(holder(), self);

    char uucp[16];
    std::snprintf(uucp, sizeof uucp, "%10lld\n", self);
    lock(first(), uucp);
    EXPECT_EQ(holder(), self);
}

TEST_F(LockHolderTest, StaleOrUnreadableLocksNameNobody) {
    const long long ended = endedProcess();
    for (const std::string& content :
         {std::to_string(ended) + "\ntc24\nhost\n", std::string(), std::string("tc24\n"),
          std::to_string(::getpid()) + "x\n", std::string("-1\n"), std::string("0\n"),
          std::string("99999999999999999999\n")}) {
        lock(first(), content);
        EXPECT_FALSE(holder()) << content;
    }
}

TEST_F(LockHolderTest, EveryLockFolderIsLookedIn) {
    lock(first(), std::to_string(endedProcess()) + "\n");
    lock(second(), std::to_string(::getpid()) + "\n");
    EXPECT_EQ(holder(), ::getpid());
}

TEST(DeviceLock, QtsPermissionErrorIsBusyUnlessTheDeviceIsClosedToThisUser) {
    using K = PortErrorKind;
    struct Case {
        K reported;
        bool readableAndWritable;
        bool lockHeld;
        K kind;
    };
    for (const Case& c : {
             Case{K::Permission, false, false, K::Permission},  // not in dialout
             Case{K::Permission, true, false, K::Busy},  // Qt's lock, or an exclusive terminal
             Case{K::Permission, false, true, K::Busy},  // a live lock comes first
             Case{K::Permission, true, true, K::Busy},
             Case{K::Missing, true, true, K::Missing},
             Case{K::Other, true, true, K::Other},
         }) {
        EXPECT_EQ(openFailureKind(c.reported, c.readableAndWritable, c.lockHeld), c.kind)
            << static_cast<int>(c.reported) << c.readableAndWritable << c.lockHeld;
    }
}

#endif

}  // namespace
}  // namespace tc24
