#include "measure/csv_recorder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tc24::measure {

namespace {

// A field as RFC 4180 wants it: quoted when it holds a separator, quote or line break.
std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::optional<std::string> writeAll(int fd, std::string_view bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::string(std::strerror(errno));
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fdatasync(fd) != 0) {
        return std::string(std::strerror(errno));
    }
    return std::nullopt;
}

}  // namespace

std::string isoLocalTime(const std::tm& local, int milliseconds) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  milliseconds);
    return text;
}

std::string isoLocalTime(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(time.time_since_epoch()).count();
    // Floor towards minus infinity, so times before 1970 keep 0..999 milliseconds.
    long long seconds = sinceEpoch / 1000;
    long long millis = sinceEpoch % 1000;
    if (millis < 0) {
        millis += 1000;
        --seconds;
    }
    const std::time_t whole = static_cast<std::time_t>(seconds);
    std::tm local{};
    ::localtime_r(&whole, &local);
    return isoLocalTime(local, static_cast<int>(millis));
}

std::string csvHeader() {
    std::string header = "time,station";
    for (int i = 1; i <= kValueBoxes; ++i) {
        header += ",ch" + std::to_string(i);
    }
    return header + "\r\n";
}

std::string csvLine(std::string_view time, const RegisterReading& reading) {
    std::string line = csvField(time);
    line += ',';
    if (reading.station) {
        line += std::to_string(*reading.station);
    }
    for (const auto& channel : reading.channels) {
        line += ',';
        if (channel.state == ChannelReading::State::Value) {
            line += csvField(channel.text);
        }
    }
    return line + "\r\n";
}

CsvWriter::~CsvWriter() {
    close();
}

std::optional<std::string> CsvWriter::open(const std::filesystem::path& path) {
    close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        return std::string(std::strerror(errno));
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const std::string reason = std::strerror(errno);
        ::close(fd);
        return reason;
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        return std::string("不是普通文件");
    }
    if (status.st_size == 0) {
        if (auto error = writeAll(fd, csvHeader())) {
            ::close(fd);
            return error;
        }
    }
    fd_ = fd;
    path_ = path;
    return std::nullopt;
}

std::optional<std::string> CsvWriter::append(std::string_view line) {
    if (fd_ < 0) {
        return std::string(std::strerror(EBADF));
    }
    return writeAll(fd_, line);
}

void CsvWriter::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

}  // namespace tc24::measure
