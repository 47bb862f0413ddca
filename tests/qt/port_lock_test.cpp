// One device, many names: the window's port and tc24-cli open a device under its real path,
// so that QSerialPort's lock keeps a second program out whichever name either was given
// (the device itself, a by-id link, a link under ports/). Over real pseudo-terminals; CI runs
// as root, whom the terminal's own exclusive mode does not stop, so the lock is all there is.

#include <fcntl.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/qt/qt_serial_port.h"
#include "qt/pty_pair.h"

namespace tc24 {
namespace {

namespace fs = std::filesystem;
using testing::Pty;

// tc24-cli beside the test programs (one output folder for every program of the build).
QString cliProgram() {
    const QString program = QCoreApplication::applicationDirPath() + "/tc24-cli";
    return QFileInfo(program).isExecutable() ? program : QString();
}

struct CliResult {
    int status = -1;
    std::string err;
};

CliResult runCli(const QString& port) {
    QProcess process;
    process.start(cliProgram(), {"--port", port, "--baud", "9600", "--timeout", "200", "address"});
    CliResult result;
    if (process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit) {
        result.status = process.exitCode();
    } else {
        process.kill();
        process.waitForFinished(2000);
    }
    result.err = process.readAllStandardError().toStdString();
    return result;
}

std::string inUseByThisProcess() {
    return "in use by another program (process " +
           std::to_string(QCoreApplication::applicationPid()) + ")";
}

// The pseudo-terminal's slave reached as udev and the ports/ folder reach an adapter: COM1 links
// to a by-id link, which links to the device.
class PortLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tc24-lock-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        pty_ = std::make_unique<Pty>();
        ASSERT_TRUE(pty_->ok());
        // tc24-cli must not inherit the line: closing the master here is to end it.
        ::fcntl(pty_->master, F_SETFD, FD_CLOEXEC);
        ::fcntl(pty_->spareSlave, F_SETFD, FD_CLOEXEC);
        fs::create_directories(dir_ / "by-id");
        fs::create_directories(dir_ / "ports");
        fs::create_symlink(pty_->slaveName, byId());
        fs::create_symlink(byId(), dir_ / "ports" / "COM1");
        port_ = std::make_unique<QtSerialPort>(SettingsLocation{dir_, dir_});
        port_->setPortNumber(1);
    }
    void TearDown() override {
        port_.reset();
        pty_.reset();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path byId() const { return dir_ / "by-id" / "usb-adapter-if00"; }
    QString device() const { return QString::fromStdString(pty_->slaveName); }

    fs::path dir_;
    std::unique_ptr<Pty> pty_;
    std::unique_ptr<QtSerialPort> port_;
};

TEST_F(PortLockTest, ADeviceHeldUnderItsOwnNameIsBusyThroughTheLinks) {
    QSerialPort other(device());
    ASSERT_TRUE(other.open(QIODevice::ReadWrite)) << other.errorString().toStdString();

    port_->open();
    EXPECT_FALSE(port_->isOpen());
    EXPECT_EQ(port_->lastErrorKind(), PortErrorKind::Busy);
    const std::string reason = port_->lastError();
    EXPECT_NE(reason.find(inUseByThisProcess()), std::string::npos) << reason;
    EXPECT_NE(reason.find(byId().string()), std::string::npos) << reason;  // the name given
    EXPECT_NE(reason.find(pty_->slaveName), std::string::npos) << reason;  // and the device

    // Once the other program lets go, the port opens.
    other.close();
    port_->open();
    EXPECT_TRUE(port_->isOpen()) << port_->lastError();
    EXPECT_EQ(port_->lastErrorKind(), PortErrorKind::None);
}

TEST_F(PortLockTest, APortOpenedThroughALinkKeepsOutEveryOtherName) {
    port_->open();
    ASSERT_TRUE(port_->isOpen()) << port_->lastError();

    QSerialPort byName(device());
    EXPECT_FALSE(byName.open(QIODevice::ReadWrite)) << "the device itself";
    QtSerialPort direct(SettingsLocation{dir_ / "elsewhere", dir_ / "elsewhere"});
    direct.setPortNumber(2);
    fs::create_directories(dir_ / "elsewhere" / "ports");
    fs::create_symlink(pty_->slaveName, dir_ / "elsewhere" / "ports" / "COM2");
    direct.open();
    EXPECT_FALSE(direct.isOpen()) << "another link";
    EXPECT_EQ(direct.lastErrorKind(), PortErrorKind::Busy);

    // The lock goes with the port: closed, the device opens under any name.
    port_->close();
    EXPECT_TRUE(byName.open(QIODevice::ReadWrite)) << byName.errorString().toStdString();
    byName.close();
    direct.open();
    EXPECT_TRUE(direct.isOpen()) << direct.lastError();
}

TEST_F(PortLockTest, TheCliSaysADeviceHeldUnderAnotherNameIsInUse) {
    if (cliProgram().isEmpty()) {
        GTEST_SKIP() << "tc24-cli is not built beside "
                     << QCoreApplication::applicationDirPath().toStdString();
    }
    // The window holds the device through its links; tc24-cli is given the device itself.
    port_->open();
    ASSERT_TRUE(port_->isOpen()) << port_->lastError();
    const CliResult byDevice = runCli(device());
    EXPECT_EQ(byDevice.status, 3) << byDevice.err;
    EXPECT_EQ(byDevice.err,
              "tc24-cli: cannot open " + pty_->slaveName + ": " + inUseByThisProcess() + "\n");
    port_->close();

    // Another program holds the device itself; tc24-cli is given a link.
    QSerialPort other(device());
    ASSERT_TRUE(other.open(QIODevice::ReadWrite)) << other.errorString().toStdString();
    const CliResult byLink = runCli(QString::fromStdString(byId().string()));
    EXPECT_EQ(byLink.status, 3) << byLink.err;
    EXPECT_EQ(byLink.err,
              "tc24-cli: cannot open " + byId().string() + ": " + inUseByThisProcess() + "\n");
    EXPECT_EQ(byLink.err.find("dialout"), std::string::npos);
}

TEST_F(PortLockTest, TheCliSaysAMissingDeviceIsMissing) {
    if (cliProgram().isEmpty()) {
        GTEST_SKIP() << "tc24-cli is not built beside "
                     << QCoreApplication::applicationDirPath().toStdString();
    }
    const std::string missing = (dir_ / "by-id" / "unplugged").string();
    const CliResult result = runCli(QString::fromStdString(missing));
    EXPECT_EQ(result.status, 3) << result.err;
    EXPECT_EQ(result.err, "tc24-cli: cannot open " + missing + ": no such device\n");
}

TEST_F(PortLockTest, TheCliSaysTheDeviceWentAway) {
    if (cliProgram().isEmpty()) {
        GTEST_SKIP() << "tc24-cli is not built beside "
                     << QCoreApplication::applicationDirPath().toStdString();
    }
    QProcess process;
    process.start(cliProgram(), {"--port", QString::fromStdString(byId().string()), "--baud",
                                 "9600", "--timeout", "5000", "address"});
    // The request is on the line: the adapter is pulled while tc24-cli waits for the reply.
    ASSERT_FALSE(pty_->receive(8, 10000).empty());
    pty_.reset();
    ASSERT_TRUE(process.waitForFinished(10000));
    const std::string err = process.readAllStandardError().toStdString();
    EXPECT_EQ(process.exitCode(), 3) << err;
    EXPECT_NE(err.find("the device went away (unplugged?)"), std::string::npos) << err;
}

}  // namespace
}  // namespace tc24
