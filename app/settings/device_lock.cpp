#include "app/settings/device_lock.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <system_error>

#ifndef _WIN32
#include <signal.h>
#include <sys/types.h>

#include <cerrno>
#endif

namespace tc24 {

namespace fs = std::filesystem;

namespace {

// Whether process `pid` runs. A process of another user still counts (EPERM).
bool processRuns(long long pid) {
#ifdef _WIN32
    (void)pid;
    return false;
#else
    if (pid <= 0 || pid > 0x3fffffff) {
        return false;
    }
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#endif
}

// The process id a lock file starts with; its first 64 bytes are plenty.
std::optional<long long> pidInLockFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    char head[64] = {};
    in.read(head, sizeof head - 1);
    const std::string text(head, static_cast<std::size_t>(in.gcount()));
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) {
        ++at;
    }
    long long pid = 0;
    std::size_t digits = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && digits < 10;
         ++at, ++digits) {
        pid = pid * 10 + (text[at] - '0');
    }
    const bool ended = at == text.size() || std::isspace(static_cast<unsigned char>(text[at]));
    if (digits == 0 || !ended || pid <= 0) {
        return std::nullopt;
    }
    return pid;
}

}  // namespace

std::string realDevicePath(const std::string& device) {
    if (device.empty()) {
        return device;
    }
    std::string path = device;
#ifndef _WIN32
    // As QSerialPort reads a port name: "ttyUSB0" is /dev/ttyUSB0.
    if (!path.starts_with('/') && !path.starts_with("./") && !path.starts_with("../")) {
        path = "/dev/" + path;
    }
#endif
    std::error_code ec;
    const fs::path real = fs::canonical(path, ec);
    return ec ? device : real.string();
}

std::string lockFileName(const std::string& device) {
    std::string name = device;
    constexpr std::string_view kDevices = "/dev/";
    if (name.starts_with(kDevices)) {
        name.erase(0, kDevices.size());
    }
    std::replace(name.begin(), name.end(), '/', '_');
    return "LCK.." + name;
}

std::vector<fs::path> lockFolders() {
    return {"/var/lock", "/etc/locks", "/var/spool/locks",  "/var/spool/uucp",
            "/tmp",      "/var/tmp",   "/var/lock/lockdev", "/run/lock"};
}

std::optional<long long> lockHolder(const std::string& device,
                                    const std::vector<fs::path>& folders) {
    const std::string name = lockFileName(device);
    for (const fs::path& folder : folders) {
        if (const auto pid = pidInLockFile(folder / name); pid && processRuns(*pid)) {
            return pid;
        }
    }
    return std::nullopt;
}

std::optional<long long> lockHolder(const std::string& device) {
    return lockHolder(device, lockFolders());
}

PortErrorKind openFailureKind(PortErrorKind reported, bool readableAndWritable, bool lockHeld) {
    if (reported == PortErrorKind::Permission && (readableAndWritable || lockHeld)) {
        return PortErrorKind::Busy;
    }
    return reported;
}

}  // namespace tc24
