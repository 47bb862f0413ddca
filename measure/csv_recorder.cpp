#include "measure/csv_recorder.h"

#include <cstdio>

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
    // std::localtime shares one result between calls; the handlers all run on one thread.
    const std::tm* local = std::localtime(&whole);
    return local != nullptr ? isoLocalTime(*local, static_cast<int>(millis)) : std::string();
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

}  // namespace tc24::measure
