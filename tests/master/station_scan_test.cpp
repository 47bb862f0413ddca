// The scan loop over the line master: which stations count as found or garbled, and what a
// silent station costs.

#include "master/station_scan.h"

#include <gtest/gtest.h>

#include "master/virtual_line.h"
#include "protocol/codes.h"
#include "protocol/replies.h"
#include "protocol/requests.h"

namespace tc24::master {
namespace {

using namespace std::chrono_literals;
using testing::Arrival;
using testing::VirtualLine;

struct Scanned {
    StationScan scan;
    VirtualLine line;
    std::vector<StationAnswer> answers;
};

void runScan(StationScan& scan, VirtualLine& line, LineMaster& master,
             std::vector<StationAnswer>* answers = nullptr) {
    while (!scan.finished()) {
        const StationAnswer answer = scan.record(line.run(master, scan.transaction()));
        if (answers != nullptr) {
            answers->push_back(answer);
        }
        if (answer == StationAnswer::Lost) {
            break;
        }
    }
}

TEST(StationScan, TheDefaultRangeIsEveryAddressAModuleCanHave) {
    EXPECT_EQ(kScanFirstStation, 1);
    EXPECT_EQ(kScanLastStation, protocol::kHighestStation);
}

TEST(StationScan, FindsRepliesAndExceptionsAndNamesGarbledStations) {
    VirtualLine line([](const Bytes& request, int) -> std::vector<Arrival> {
        const std::uint8_t station = request[0];
        const std::uint16_t value = 100;
        switch (station) {
            case 2:
                return {{5ms, protocol::registerReply(2, std::span(&value, 1))}};
            case 3:  // busy still means a module is there
                return {{5ms, protocol::exceptionReply(3, 0x03, protocol::kDeviceBusy)}};
            case 5: {  // two modules at one address: a wrong CRC
                Bytes reply = protocol::registerReply(5, std::span(&value, 1));
                reply[3] ^= 0x11;
                return {{5ms, reply}};
            }
            default:
                return {};
        }
    });
    LineMaster master(LineTiming::serial(19200, 50ms));
    StationScan scan(1, 6);
    runScan(scan, line, master);
    EXPECT_EQ(scan.found(), (std::vector<std::uint8_t>{2, 3}));
    EXPECT_EQ(scan.garbled(), (std::vector<std::uint8_t>{5}));
    EXPECT_EQ(scan.done(), 6);
    EXPECT_EQ(line.sent.size(), 6u);  // busy is not asked again
    EXPECT_EQ(line.collisions, 0);
}

TEST(StationScan, ASilentStationCostsOneTimeOutAndTheScanGoesOnAtOnce) {
    VirtualLine line([](const Bytes&, int) { return std::vector<Arrival>{}; });
    LineMaster master(LineTiming::serial(19200, 50ms));
    StationScan scan(10, 14);
    runScan(scan, line, master);
    ASSERT_EQ(line.sent.size(), 5u);
    for (std::size_t i = 1; i < line.sent.size(); ++i) {
        const auto step = line.sent[i].first - line.sent[i - 1].first;
        EXPECT_GE(step, 54ms);  // the request's 8 characters, then 50 ms
        EXPECT_LT(step, 58ms);  // no guard
    }
    EXPECT_TRUE(scan.found().empty());
}

TEST(StationScan, AGarbledAnswerIsFollowedByTheGuard) {
    VirtualLine line([](const Bytes& request, int) -> std::vector<Arrival> {
        if (request[0] == 1) {
            return {{5ms, {0x01, 0x03, 0x02}}};
        }
        return {};
    });
    LineMaster master(LineTiming::serial(19200, 50ms));
    StationScan scan(1, 2);
    runScan(scan, line, master);
    ASSERT_EQ(line.sent.size(), 2u);
    EXPECT_GE(line.sent[1].first - line.sent[0].first, 5ms + 30ms + 50ms);
    EXPECT_EQ(scan.garbled(), (std::vector<std::uint8_t>{1}));
}

TEST(StationScan, StopsWhereThePortWentAway) {
    VirtualLine line([](const Bytes&, int) { return std::vector<Arrival>{}; });
    line.lostAtSend = true;
    LineMaster master(LineTiming::serial(19200, 50ms));
    StationScan scan(1, 5);
    std::vector<StationAnswer> answers;
    runScan(scan, line, master, &answers);
    EXPECT_EQ(answers, std::vector<StationAnswer>{StationAnswer::Lost});
    EXPECT_EQ(scan.done(), 0);
}

}  // namespace
}  // namespace tc24::master
