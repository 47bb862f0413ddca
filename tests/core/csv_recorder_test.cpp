// CSV lines from register replies as the window decodes them, and the file they go to.

#include "measure/csv_recorder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "core/fakes.h"
#include "link/control_names.h"
#include "link/files.h"
#include "protocol/crc16.h"

using namespace tc24;
using tc24::testing::Harness;
using tc24::testing::hexBytes;

namespace {

Bytes reply(std::uint8_t station, const std::string& registerHex) {
    Bytes bytes{station, 0x03};
    const Bytes values = hexBytes(registerHex);
    bytes.push_back(static_cast<std::uint8_t>(values.size()));
    bytes.insert(bytes.end(), values.begin(), values.end());
    const auto trailer = crcTrailer(bytes);
    bytes.push_back(trailer.low);
    bytes.push_back(trailer.high);
    return bytes;
}

// Sends "单次" with the given fields, lets `answer` arrive, and returns the CSV line for it
// (with a fixed time) as a reply observer sees it.
struct Recorded {
    std::string line;
    RegisterReading reading;
};

Recorded query(Harness& h, const Bytes& answer) {
    Recorded recorded;
    h.frm.window().readingObservers.clear();  // one query's observer at a time
    h.frm.window().readingObservers.push_back([&recorded](const RegisterReading& reading) {
        recorded.reading = reading;
        recorded.line = measure::csvLine("T", recorded.reading);
    });
    h.frm.comDoOnce_Click();
    h.port.receive(answer);
    return recorded;
}

std::string registers(int count, int base) {
    std::string hex;
    char word[8];
    for (int i = 0; i < count; ++i) {
        std::snprintf(word, sizeof word, "%02X %02X ", (base + i) >> 8, (base + i) & 0xFF);
        hex += word;
    }
    return hex;
}

}  // namespace

TEST(CsvLine, FullReplyGivesAllChannelsAsTheBoxesShowThem) {
    Harness h;
    h.startWithOpenPort();
    // 25.00, 25.01, ... 25.23 °C; channel 2 below zero.
    std::string hex = registers(24, 2500);
    hex.replace(6, 5, "FF CE");  // register 1: -0.50
    const Recorded r = query(h, reply(1, hex));
    std::string expected = "T,1,25.00,-0.50";
    for (int i = 2; i < 24; ++i) {
        expected += ",25." + std::string(i < 10 ? "0" : "") + std::to_string(i);
    }
    EXPECT_EQ(r.line, expected + "\r\n");
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(r.reading.channels[i].text,
                  h.ui.text(control::txtValue[static_cast<std::size_t>(i)]))
            << i;
    }
}

TEST(CsvLine, ChannelsTheReplyDidNotFillAreEmpty) {
    Harness h;
    h.startWithOpenPort();
    // Three registers from start address 2: the decoder fills boxes 2, 3 and 4.
    h.ui.set(control::txtDataLength, "3");
    h.ui.set(control::txtStartID, "2");
    const Recorded r = query(h, reply(1, "09 E6 00 00 4E 20"));
    EXPECT_EQ(r.line, "T,1,,,25.34,0.00,200.00" + std::string(19, ',') + "\r\n");
    EXPECT_EQ(h.ui.redBoxes(), 21);
}

TEST(CsvLine, ChannelWithoutReadingIsEmptyNotZero) {
    Harness h;
    h.startWithOpenPort();
    std::string hex = registers(24, 1000);
    hex.replace(0, 5, "FF FF");       // register 0: no reading
    hex.replace(23 * 6, 5, "FF FF");  // register 23: no reading
    hex.replace(6, 5, "00 00");       // register 1: a real 0.00
    const Recorded r = query(h, reply(1, hex));
    EXPECT_EQ(h.ui.text(control::txtValue[0]), "0");  // the box shows 0 ...
    EXPECT_EQ(r.reading.channels[0].state, ChannelReading::State::NoReading);
    EXPECT_EQ(r.reading.channels[23].state, ChannelReading::State::NoReading);
    EXPECT_EQ(r.line.substr(0, 10), "T,1,,0.00,");  // ... the line leaves it empty
    EXPECT_EQ(r.line.substr(r.line.size() - 9), ",10.22,\r\n");
}

TEST(CsvLine, StationIsTheModuleThatAnswered) {
    Harness h;
    h.startWithOpenPort();
    h.ui.set(control::txtDataLength, "1");
    h.ui.set(control::txtStationID, "7");
    EXPECT_EQ(query(h, reply(7, "09 E6")).line.substr(0, 10), "T,7,25.34,");
    // Another module's reply is shown in the boxes but recorded by no one.
    h.ui.set(control::txtStationID, "2");
    EXPECT_EQ(query(h, reply(7, "0A 00")).line, "");
    EXPECT_EQ(h.ui.text(control::txtValue[0]), "25.60");
}

TEST(CsvLine, FieldsWithSeparatorsAreQuoted) {
    RegisterReading reading;
    reading.station = 1;
    reading.channels[0] = {ChannelReading::State::Value, "1,5"};
    reading.channels[1] = {ChannelReading::State::Value, "say \"hi\""};
    const std::string line = measure::csvLine("T", reading);
    EXPECT_EQ(line, "T,1,\"1,5\",\"say \"\"hi\"\"\"" + std::string(22, ',') + "\r\n");
}

TEST(CsvLine, HeaderNamesTimeStationAnd24Channels) {
    const std::string header = measure::csvHeader();
    EXPECT_EQ(header.substr(0, 21), "time,station,ch1,ch2,");
    EXPECT_EQ(header.substr(header.size() - 7), ",ch24\r\n");
    EXPECT_EQ(std::count(header.begin(), header.end(), ','), 25);
}

TEST(CsvTime, LocalIso8601WithMilliseconds) {
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 0;
    local.tm_mday = 5;
    local.tm_hour = 7;
    local.tm_min = 3;
    local.tm_sec = 9;
    EXPECT_EQ(measure::isoLocalTime(local, 45), "2026-01-05T07:03:09.045");

    const char* previous = std::getenv("TZ");
    const std::string saved = previous != nullptr ? previous : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    using namespace std::chrono;
    EXPECT_EQ(measure::isoLocalTime(system_clock::time_point(milliseconds(86'400'999))),
              "1970-01-02T00:00:00.999");
    EXPECT_EQ(measure::isoLocalTime(system_clock::time_point(milliseconds(-1))),
              "1969-12-31T23:59:59.999");
    ::setenv("TZ", "CET-1", 1);
    ::tzset();
    EXPECT_EQ(measure::isoLocalTime(system_clock::time_point(milliseconds(0))),
              "1970-01-01T01:00:00.000");
    if (previous != nullptr) {
        ::setenv("TZ", saved.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
}
