#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include "core/fakes.h"
#include "diagnostics/traffic_log.h"
#include "diagnostics/traffic_tap.h"
#include "link/control_names.h"
#include "protocol/frames.h"
#include "protocol/hex.h"

using namespace tc24;
using protocol::RequestKind;
using tc24::testing::FakeControls;
using tc24::testing::FakeDialogs;
using tc24::testing::FakeSerialPort;
using tc24::testing::FakeTimer;
using tc24::testing::hexBytes;
using tc24::testing::TempDir;

namespace {

// 2023-11-14 22:13:20.000 UTC, and a steady clock the test moves by hand.
struct FakeClock {
    TrafficTime now{1700000000000, 5'000'000};
    void advanceMs(std::int64_t ms) {
        now.wallMs += ms;
        now.steadyUs += ms * 1000;
    }
    TrafficClock clock() {
        return [this] { return now; };
    }
};

// Registers 0 … 2 of station 1 and the module's reply (25.34, -0.50, no reading).
const char* kQuery = "01 03 00 00 00 03 05 CB";
const char* kReply = "01 03 06 09 E6 FF CE FF FF 78 61";

class TrafficLogTest : public ::testing::Test {
protected:
    std::vector<const TrafficRow*> verdicts() const {
        std::vector<const TrafficRow*> result;
        for (const auto& row : log.rows()) {
            if (row.direction == TrafficDirection::Verdict) {
                result.push_back(&row);
            }
        }
        return result;
    }
    void receive(const std::string& hex, std::int64_t afterMs) {
        clock.advanceMs(afterMs);
        log.recordReceived(hexBytes(hex));
    }

    FakeClock clock;
    TrafficLog log{clock.clock()};
};

}  // namespace

TEST_F(TrafficLogTest, ReplyInThreeChunksIsJudgedValidOnceComplete) {
    log.recordRequest(hexBytes(kQuery));
    receive("01 03 06", 4);
    receive("09 E6 FF CE", 2);
    EXPECT_TRUE(verdicts().empty());
    receive("FF FF 78 61", 3);

    ASSERT_EQ(log.rows().size(), 5u);
    EXPECT_EQ(log.rows()[0].direction, TrafficDirection::Sent);
    EXPECT_EQ(log.rows()[0].text, "站 1 读寄存器 起始 0 数量 3");
    EXPECT_EQ(trafficSince(log.rows()[1].sinceRequestUs), "4.0");
    EXPECT_EQ(trafficSince(log.rows()[3].sinceRequestUs), "9.0");
    const auto judged = verdicts();
    ASSERT_EQ(judged.size(), 1u);
    EXPECT_EQ(judged[0]->verdict, TrafficVerdict::Valid);
    EXPECT_EQ(judged[0]->bytes, hexBytes(kReply));
    EXPECT_EQ(*judged[0]->sinceRequestUs, 9000);

    // Bytes after the complete reply are shown but judged no further.
    receive("00", 1);
    EXPECT_EQ(verdicts().size(), 1u);
    EXPECT_EQ(log.rows().back().text, "应答之后的多余字节");
    const auto& figures = log.statistics(RequestKind::ReadRegisters);
    EXPECT_EQ(figures.requests, 1u);
    EXPECT_EQ(figures.valid, 1u);
}

TEST_F(TrafficLogTest, EachKindOfBadReplyGetsItsVerdict) {
    struct Case {
        const char* request;
        const char* reply;
        TrafficVerdict verdict;
        const char* text;
    };
    const Case cases[] = {
        // One byte of the reply corrupted on the line.
        {kQuery, "01 03 06 09 E7 FF CE FF FF 78 61", TrafficVerdict::CrcError, "CRC错误"},
        // Start + count beyond register 23: exception 02.
        {"01 03 00 16 00 03 E4 0F", "01 83 02 C0 F1", TrafficVerdict::Exception, "MODBUS异常 2"},
        // A correct frame, but from station 2.
        {kQuery, "02 03 06 09 E6 FF CE FF FF 6C 91", TrafficVerdict::WrongStation, "站号不符"},
    };
    for (const auto& c : cases) {
        TrafficLog fresh(clock.clock());
        fresh.recordRequest(hexBytes(c.request));
        fresh.recordReceived(hexBytes(c.reply));
        ASSERT_EQ(fresh.rows().size(), 3u) << c.reply;
        EXPECT_EQ(fresh.rows()[2].verdict, c.verdict) << c.reply;
        EXPECT_EQ(fresh.rows()[2].text, c.text);
    }
    // An exception reply is complete at five bytes, long before the expected 11.
    log.recordRequest(hexBytes("01 03 00 00 00 00 45 CA"));
    log.recordReceived(hexBytes("01 83 03 01 31"));
    ASSERT_EQ(verdicts().size(), 1u);
    EXPECT_EQ(log.statistics(RequestKind::ReadRegisters).exceptions, 1u);
}

// Regression: a CRC error counted as a valid reply went unnoticed, since no test looked at
// every column for each verdict. One reply of each verdict, each in a log of its own: its
// column counts it, and no other column does, for its kind of request and in the totals.
TEST_F(TrafficLogTest, EachVerdictIsCountedInItsOwnColumnOnly) {
    // requests, valid, CRC errors, exceptions, wrong station or function, incomplete or none
    using Figures = std::array<std::uint64_t, 6>;
    const auto figuresOf = [](const TrafficStatistics& s) {
        return Figures{s.requests, s.valid, s.crcErrors, s.exceptions, s.mismatches, s.incomplete};
    };
    struct Case {
        const char* request;
        const char* reply;  // nullptr: nothing comes
        TrafficVerdict verdict;
        Figures figures;
    };
    const Case cases[] = {
        {kQuery, kReply, TrafficVerdict::Valid, {1, 1, 0, 0, 0, 0}},
        {kQuery, "01 03 06 09 E7 FF CE FF FF 78 61", TrafficVerdict::CrcError, {1, 0, 1, 0, 0, 0}},
        {"01 03 00 16 00 03 E4 0F",
         "01 83 02 C0 F1",
         TrafficVerdict::Exception,
         {1, 0, 0, 1, 0, 0}},
        {kQuery,
         "02 03 06 09 E6 FF CE FF FF 6C 91",
         TrafficVerdict::WrongStation,
         {1, 0, 0, 0, 1, 0}},
        // A whole frame with a valid CRC from station 1, but of function 04.
        {kQuery, "01 04 06 09 E6 FF CE FF FF 39 87", TrafficVerdict::Mismatch, {1, 0, 0, 0, 1, 0}},
        {kQuery, "01 03 06 09 E6", TrafficVerdict::Incomplete, {1, 0, 0, 0, 0, 1}},
        {kQuery, nullptr, TrafficVerdict::NoReply, {1, 0, 0, 0, 0, 1}},
    };
    for (const auto& c : cases) {
        TrafficLog fresh(clock.clock());
        fresh.recordRequest(hexBytes(c.request));
        if (c.reply != nullptr) {
            clock.advanceMs(5);
            fresh.recordReceived(hexBytes(c.reply));
        }
        clock.advanceMs(50);
        // The next request judges what is still pending; it is of another kind, so the
        // figures of the first kind hold the verdict alone.
        fresh.recordRequest(hexBytes("FA 25 02 00 00 01 99 FE"));
        const TrafficRow* verdict = nullptr;
        for (const auto& row : fresh.rows()) {
            if (row.direction == TrafficDirection::Verdict) {
                verdict = &row;
            }
        }
        ASSERT_NE(verdict, nullptr) << trafficVerdictText(c.verdict);
        EXPECT_EQ(verdict->verdict, c.verdict);
        EXPECT_EQ(figuresOf(fresh.statistics(RequestKind::ReadRegisters)), c.figures)
            << trafficVerdictText(c.verdict);
        Figures total = c.figures;
        ++total[0];  // the second request, still waiting
        EXPECT_EQ(figuresOf(fresh.totals()), total) << trafficVerdictText(c.verdict);
        // Only a reply that came whole and in time has a reply time.
        const bool timed =
            c.verdict != TrafficVerdict::Incomplete && c.verdict != TrafficVerdict::NoReply;
        EXPECT_EQ(fresh.statistics(RequestKind::ReadRegisters).timedReplies, timed ? 1u : 0u)
            << trafficVerdictText(c.verdict);
    }
}

TEST_F(TrafficLogTest, ShortOrMissingReplyIsJudgedWhenTheNextRequestReplacesIt) {
    log.recordRequest(hexBytes(kQuery));
    receive("01 03 06 09", 5);
    clock.advanceMs(95);
    log.recordRequest(hexBytes(kQuery));  // the short reply is given up
    clock.advanceMs(100);
    log.recordRequest(hexBytes(kQuery));  // nothing came at all

    const auto judged = verdicts();
    ASSERT_EQ(judged.size(), 2u);
    EXPECT_EQ(judged[0]->verdict, TrafficVerdict::Incomplete);
    EXPECT_EQ(judged[0]->bytes, hexBytes("01 03 06 09"));
    EXPECT_EQ(*judged[0]->sinceRequestUs, 100000);
    EXPECT_EQ(judged[1]->verdict, TrafficVerdict::NoReply);
    // The verdict stands before the request that replaced it.
    EXPECT_EQ(log.rows().back().direction, TrafficDirection::Sent);
    const auto& figures = log.statistics(RequestKind::ReadRegisters);
    EXPECT_EQ(figures.requests, 3u);
    EXPECT_EQ(figures.incomplete, 2u);
    EXPECT_EQ(figures.timedReplies, 0u);
}

TEST_F(TrafficLogTest, RepliesOfThisModulesOwnRequests) {
    // The address change is answered from the new address.
    log.recordRequest(hexBytes("01 06 0B 00 00 02 0A 2F"));
    log.recordReceived(hexBytes("02 06 0B 00 00 02 0A 1C"));
    // Station 250 is answered by a module with its own address; the count has a pad byte.
    log.recordRequest(hexBytes("FA 25 02 00 00 01 99 FE"));
    log.recordReceived(hexBytes("01 25 02 00 01 72 CC"));
    log.recordRequest(hexBytes("FA 25 05 01 00 02 89 4B 00"));
    log.recordReceived(hexBytes("01 25 01 03 51 82"));
    log.recordRequest(hexBytes("01 23 01 03 00 08 34 37"));
    log.recordReceived(hexBytes("01 23 01 FF FF FF FF FF FF FF FF 03 68 B1"));
    log.recordRequest(hexBytes("01 22 0C 07 28 FF 6C 32 A1 16 04 4D E3 62"));
    log.recordReceived(hexBytes("01 22 0C 28 FF 6C 32 A1 16 04 4D CB 6C"));
    for (const auto* row : verdicts()) {
        EXPECT_EQ(row->verdict, TrafficVerdict::Valid) << serialNumberText(row->bytes);
    }
    EXPECT_EQ(verdicts().size(), 5u);
    EXPECT_EQ(log.statistics(RequestKind::ChangeAddress).valid, 1u);
    EXPECT_EQ(log.statistics(RequestKind::SensorCount).valid, 1u);
    EXPECT_EQ(log.rows()[0].text, "站 1 改地址为 2");
    EXPECT_EQ(log.rows().at(12).text, "站 1 写序列号 28 FF 6C 32 A1 16 04 4D 到位置 7");

    // A broadcast expects no reply: no verdict, not counted as missing.
    log.recordRequest(hexBytes("00 22 01 05 00 04 E8 22"));
    log.recordRequest(hexBytes(kQuery));
    EXPECT_EQ(verdicts().size(), 5u);
    EXPECT_EQ(log.totals().incomplete, 0u);
}

TEST_F(TrafficLogTest, ReplyTimesPerKindAgainstTheClock) {
    for (int ms : {4, 10, 7}) {
        log.recordRequest(hexBytes(kQuery));
        receive(kReply, ms);
        clock.advanceMs(50);
    }
    log.recordRequest(hexBytes("01 23 01 03 00 08 34 37"));
    receive("01 23 01 FF FF FF FF FF FF FF FF 03 68 B1", 21);

    const auto& registers = log.statistics(RequestKind::ReadRegisters);
    EXPECT_EQ(registers.timedReplies, 3u);
    EXPECT_EQ(registers.minReplyUs, 4000);
    EXPECT_EQ(registers.maxReplyUs, 10000);
    EXPECT_DOUBLE_EQ(*registers.averageReplyMs(), 7.0);
    EXPECT_EQ(log.statistics(RequestKind::ReadSerialNumber).minReplyUs, 21000);
    const auto all = log.totals();
    EXPECT_EQ(all.requests, 4u);
    EXPECT_EQ(all.maxReplyUs, 21000);
    EXPECT_DOUBLE_EQ(*all.averageReplyMs(), 10.5);

    // A reply taken only when the input was discarded has no known arrival time.
    log.recordRequest(hexBytes(kQuery));
    clock.advanceMs(300);
    log.recordReceived(hexBytes(kReply), true);
    EXPECT_EQ(registers.valid, 4u);
    EXPECT_EQ(registers.timedReplies, 3u);

    log.clear();
    EXPECT_TRUE(log.rows().empty());
    EXPECT_EQ(log.totals().requests, 0u);
    EXPECT_FALSE(log.totals().averageReplyMs());
    // The request pending before the clear is forgotten: its late reply gets no verdict.
    log.recordReceived(hexBytes(kReply));
    EXPECT_TRUE(verdicts().empty());
}

TEST_F(TrafficLogTest, RingKeepsTheLastTenThousandRowsAndPauseStopsRows) {
    EXPECT_EQ(log.capacity(), 10000u);
    for (int i = 0; i < 6000; ++i) {
        log.recordRequest(hexBytes(kQuery));
        log.recordReceived(hexBytes(kReply));
    }
    // 6000 requests, replies and verdicts: 18000 rows recorded, the last 10000 kept.
    ASSERT_EQ(log.rows().size(), 10000u);
    EXPECT_EQ(log.rows().front().number, 8001u);
    EXPECT_EQ(log.rows().back().number, 18000u);
    EXPECT_EQ(log.statistics(RequestKind::ReadRegisters).valid, 6000u);

    log.setPaused(true);
    log.recordRequest(hexBytes(kQuery));
    log.recordReceived(hexBytes(kReply));
    EXPECT_EQ(log.rows().back().number, 18000u);
    EXPECT_EQ(log.statistics(RequestKind::ReadRegisters).valid, 6001u);
    log.setPaused(false);
    log.recordRequest(hexBytes(kQuery));
    EXPECT_EQ(log.rows().back().direction, TrafficDirection::Sent);
}

TEST_F(TrafficLogTest, TextAndCsvExport) {
    setenv("TZ", "UTC", 1);
    tzset();
    log.recordRequest(hexBytes(kQuery));
    receive("01 03 06 09 E6", 3);
    clock.advanceMs(1);
    log.recordReceived(hexBytes("FF CE FF FF 78 61"));

    EXPECT_EQ(
        log.csv(),
        "\xEF\xBB\xBF"
        "序号,时间,距请求(ms),方向,长度,数据,说明\r\n"
        "1,2023-11-14 22:13:20.000,0.0,发送,8,01 03 00 00 00 03 05 CB,站 1 读寄存器 起始 0 "
        "数量 3\r\n"
        "2,2023-11-14 22:13:20.003,3.0,接收,5,01 03 06 09 E6,\r\n"
        "3,2023-11-14 22:13:20.004,4.0,接收,6,FF CE FF FF 78 61,\r\n"
        "4,2023-11-14 22:13:20.004,4.0,判定,11,01 03 06 09 E6 FF CE FF FF 78 61,有效应答\r\n");
    const std::string text = log.text();
    EXPECT_EQ(text.substr(0, text.find("\r\n")),
              "2023-11-14 22:13:20.000\t0.0\t发送\t8\t01 03 00 00 00 03 05 CB\t站 1 读寄存器 起始 "
              "0 数量 3");
    EXPECT_EQ(trafficWallTime(clock.now.wallMs, false), "22:13:20.004");
}

// The tap between the window and the port: the handlers behave exactly as without it.
TEST(TrafficTapTest, WindowTrafficIsLoggedAndDecodedAsBefore) {
    FakeClock clock;
    TrafficLog log(clock.clock());
    FakeSerialPort raw;
    TrafficTap tap(raw, log);
    TempDir dir;
    FakeControls ui;
    FakeDialogs dialogs;
    FakeTimer t2, t3, t6;
    tc24::testing::DiskFiles files;
    FrmMain frm(ui, tap, dialogs, files, t2, t3, t6, dir.path());
    std::ofstream(dir.path() / "comm.set", std::ios::binary) << "1,19200\r\n";
    frm.Form_Load();
    ASSERT_TRUE(raw.isOpen());
    ui.set(control::txtStationID, "1");
    ui.set(control::txtDataLength, "3");

    frm.comDoOnce_Click();
    EXPECT_EQ(raw.lastWritten(), hexBytes(kQuery));
    clock.advanceMs(6);
    raw.receive(hexBytes(kReply));
    EXPECT_EQ(ui.get(control::txtValue[0]), "25.34");
    EXPECT_EQ(ui.get(control::txtValue[1]), "-0.50");
    EXPECT_EQ(ui.get(control::txtState), " 01 03 06 09 E6 FF CE FF FF 78 61");
    EXPECT_EQ(log.rows().back().verdict, TrafficVerdict::Valid);
    EXPECT_EQ(log.statistics(RequestKind::ReadRegisters).minReplyUs, 6000);

    // An exception reply is shorter than the threshold: the window never reads it, but it is
    // taken when the next request discards the waiting input, and judged for its request.
    ui.set(control::txtStartID, "22");
    frm.comDoOnce_Click();
    raw.receive(hexBytes("01 83 02 C0 F1"));
    EXPECT_EQ(ui.get(control::txtState), "");
    const std::size_t before = log.rows().size();
    frm.comDoOnce_Click();
    EXPECT_TRUE(raw.waiting.empty());
    ASSERT_EQ(log.rows().size(), before + 3);
    EXPECT_EQ(log.rows()[before].text, "发送下一请求前清除的输入");
    EXPECT_EQ(log.rows()[before + 1].text, "MODBUS异常 2");
    EXPECT_EQ(log.rows()[before + 2].direction, TrafficDirection::Sent);
    EXPECT_EQ(log.statistics(RequestKind::ReadRegisters).timedReplies, 1u);

    // The end of a reply that reached the system while the handler ran is dropped by the
    // next discard as well: the log still gets it.
    frm.comDoOnce_Click();
    const Bytes reply = hexBytes("01 83 02 C0 F1");
    raw.waiting.assign(reply.begin(), reply.begin() + 3);
    raw.unannounced.assign(reply.begin() + 3, reply.end());
    const std::size_t beforeCut = log.rows().size();
    frm.comDoOnce_Click();
    ASSERT_EQ(log.rows().size(), beforeCut + 3);
    EXPECT_EQ(log.rows()[beforeCut].bytes, reply);
    EXPECT_EQ(log.rows()[beforeCut + 1].text, "MODBUS异常 2");
    const std::size_t withCut = log.rows().size();

    // Nothing is logged for a closed port, which sends nothing.
    raw.close();
    tap.write(hexBytes(kQuery));
    EXPECT_EQ(log.rows().size(), withCut);
}
