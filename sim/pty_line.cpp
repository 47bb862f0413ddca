#include "sim/pty_line.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tc24::sim {

namespace {

struct SpeedEntry {
    int baud;
    speed_t speed;
};

constexpr SpeedEntry kSpeeds[] = {
    {1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},
    {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
    {230400, B230400}, {460800, B460800}, {921600, B921600},
};

std::string reason(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

speed_t speedConstant(int baud) {
    for (const auto& entry : kSpeeds) {
        if (entry.baud == baud) {
            return entry.speed;
        }
    }
    return B0;
}

int baudOf(speed_t speed) {
    for (const auto& entry : kSpeeds) {
        if (entry.speed == speed) {
            return entry.baud;
        }
    }
    return 0;
}

bool PtyLine::open(int baud, std::string& error) {
    close();
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0) {
        error = reason("posix_openpt");
        return false;
    }
    char name[128] = {};
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0) {
        error = reason("pseudo-terminal setup");
        close();
        return false;
    }
    path_ = name;
    spareSlave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (spareSlave_ < 0) {
        error = reason(name);
        close();
        return false;
    }
    termios settings{};
    if (::tcgetattr(spareSlave_, &settings) != 0) {
        error = reason("tcgetattr");
        close();
        return false;
    }
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&settings, speedConstant(baud));
    ::cfsetospeed(&settings, speedConstant(baud));
    if (::tcsetattr(spareSlave_, TCSANOW, &settings) != 0) {
        error = reason("tcsetattr");
        close();
        return false;
    }
    return true;
}

void PtyLine::close() {
    if (spareSlave_ >= 0) {
        ::close(spareSlave_);
        spareSlave_ = -1;
    }
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
    path_.clear();
}

int PtyLine::clientBaud() const {
    termios settings{};
    if (spareSlave_ < 0 || ::tcgetattr(spareSlave_, &settings) != 0) {
        return 0;
    }
    return baudOf(::cfgetospeed(&settings));
}

bool DeviceLink::create(const std::string& linkPath, const std::string& target,
                        std::string& error) {
    namespace fs = std::filesystem;
    remove();
    std::error_code ec;
    const fs::path path(linkPath);
    if (path.has_parent_path()) {
        fs::create_directories(path.parent_path(), ec);
        if (ec) {
            error = path.parent_path().string() + ": " + ec.message();
            return false;
        }
    }
    const auto status = fs::symlink_status(path, ec);
    if (fs::exists(status)) {
        if (!fs::is_symlink(status)) {
            error = linkPath + " exists and is not a symbolic link; not replacing it";
            return false;
        }
        fs::remove(path, ec);
    }
    fs::create_symlink(target, path, ec);
    if (ec) {
        error = linkPath + ": " + ec.message();
        return false;
    }
    link_ = linkPath;
    target_ = target;
    return true;
}

void DeviceLink::remove() {
    if (link_.empty()) {
        return;
    }
    std::error_code ec;
    const auto pointsTo = std::filesystem::read_symlink(link_, ec);
    if (!ec && pointsTo == target_) {
        std::filesystem::remove(link_, ec);
    }
    link_.clear();
    target_.clear();
}

}  // namespace tc24::sim
