#include <gtest/gtest.h>

#include <fstream>

#include "core/fakes.h"
#include "diagnostics/echo_filter.h"
#include "diagnostics/traffic_log.h"
#include "diagnostics/traffic_tap.h"
#include "link/control_names.h"
#include "link/window_texts.h"
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

// Registers 0 … 2 of station 1 and the module's reply (25.34, -0.50, no reading).
const char* kQuery = "01 03 00 00 00 03 05 CB";
const char* kReply = "01 03 06 09 E6 FF CE FF FF 78 61";

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The filter alone over a fake port, with a handler that takes what each event offers.
class EchoFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        raw.open();
        filter.setEventHandler([this] {
            kinds.push_back(filter.eventKind());
            if (filter.eventKind() == comm_event::DataReceived) {
                events.push_back(filter.readAll());
                filter.discardInput();
            }
        });
        filter.echoDropped = [this](ByteView echo) {
            dropped.emplace_back(echo.span().begin(), echo.span().end());
        };
        filter.echoSeen = [this] { ++seen; };
    }
    void ask(const char* request, int threshold) {
        filter.discardInput();
        filter.setReceiveThreshold(threshold);
        filter.write(hexBytes(request));
    }

    FakeSerialPort raw;
    EchoFilter filter{raw};
    std::vector<int> kinds;
    std::vector<Bytes> events;
    std::vector<Bytes> dropped;
    int seen = 0;
};

}  // namespace

TEST_F(EchoFilterTest, DropsTheLeadingEchoAndRaisesOneEventForTheWholeReply) {
    filter.setEnabled(true);
    const Bytes line = hexBytes(kQuery) + hexBytes(kReply);
    // However the line cuts echo and reply into chunks: one event, at the reply's last byte.
    const std::vector<std::vector<std::size_t>> cuts = {
        {8}, {}, {3, 12, 16}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}};
    for (const auto& cut : cuts) {
        events.clear();
        dropped.clear();
        ask(kQuery, 11);
        std::size_t from = 0;
        for (std::size_t to : cut) {
            raw.receive(
                {line.begin() + static_cast<long>(from), line.begin() + static_cast<long>(to)});
            from = to;
        }
        EXPECT_TRUE(events.empty()) << cut.size();
        raw.receive({line.begin() + static_cast<long>(from), line.end()});
        ASSERT_EQ(events.size(), 1u) << cut.size();
        EXPECT_EQ(events[0], hexBytes(kReply));
        EXPECT_EQ(dropped, std::vector<Bytes>{hexBytes(kQuery)});
    }
    // The owner sees its own threshold; the port raises an event for every chunk while the
    // echo is due, and then once the rest of the reply can be there.
    events.clear();
    dropped.clear();
    ask(kQuery, 11);
    EXPECT_EQ(filter.receiveThreshold(), 11);
    EXPECT_EQ(raw.threshold, 1);
    raw.receive(hexBytes(kQuery) + hexBytes("01 03 06"));
    EXPECT_EQ(raw.threshold, 8);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(dropped.size(), 1u);
}

TEST_F(EchoFilterTest, LeavesBytesThatOnlyResembleTheEchoOrComeAfterOthers) {
    filter.setEnabled(true);
    struct Case {
        const char* name;
        Bytes line;
        Bytes seen;    // what the handler gets
        bool dropped;  // whether an echo was taken out
    };
    const Case cases[] = {
        // The first seven bytes are the request's, the eighth is not.
        {"resembles", hexBytes("01 03 00 00 00 03 05 CC 00 00 00"),
         hexBytes("01 03 00 00 00 03 05 CC 00 00 00"), false},
        // A byte before the echo: the echo is not first, so it is not taken out.
        {"later", hexBytes("00") + hexBytes(kQuery) + hexBytes("01 03"),
         hexBytes("00") + hexBytes(kQuery) + hexBytes("01 03"), false},
        // Two copies: exactly one is dropped.
        {"twice", hexBytes(kQuery) + hexBytes(kQuery) + hexBytes("01 03 06"),
         hexBytes(kQuery) + hexBytes("01 03 06"), true},
        // No echo at all: the reply passes.
        {"no echo", hexBytes(kReply), hexBytes(kReply), false},
    };
    for (const auto& c : cases) {
        events.clear();
        dropped.clear();
        ask(kQuery, 11);
        raw.receive(c.line);
        ASSERT_EQ(events.size(), 1u) << c.name;
        EXPECT_EQ(events[0], c.seen) << c.name;
        EXPECT_EQ(dropped.size(), c.dropped ? 1u : 0u) << c.name;
    }
    // Only the bytes just written count as the echo, not those of the request before.
    events.clear();
    ask(kQuery, 8);
    ask("01 03 00 00 00 18 45 C0", 8);
    raw.receive(hexBytes(kQuery));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], hexBytes(kQuery));

    // A byte that came before the request does not stand in front of its echo.
    events.clear();
    dropped.clear();
    filter.setReceiveThreshold(0);
    raw.receive(hexBytes("00"));
    filter.setReceiveThreshold(3);
    filter.write(hexBytes(kQuery));
    raw.receive(hexBytes(kQuery) + hexBytes("01 03"));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], hexBytes("00 01 03"));
    EXPECT_EQ(dropped.size(), 1u);
}

TEST_F(EchoFilterTest, AnEchoCutShortIsHandedOverWhenTheInputIsTaken) {
    filter.setEnabled(true);
    ask(kQuery, 11);
    raw.receive(hexBytes("01 03 00 00"));
    EXPECT_TRUE(events.empty());
    // The next request takes the waiting input first: the unfinished echo is not lost.
    EXPECT_EQ(filter.readAll(), hexBytes("01 03 00 00"));
    raw.receive(hexBytes("00 03 05 CB"));
    EXPECT_TRUE(dropped.empty());
    // A port that closes forgets the echo it waited for; the handler hears of the loss.
    ask(kQuery, 3);
    raw.close();
    raw.raise(comm_event::PortLost);
    EXPECT_EQ(kinds.back(), comm_event::PortLost);
    raw.open();
    filter.setReceiveThreshold(3);
    events.clear();
    raw.receive(hexBytes(kQuery));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], hexBytes(kQuery));
}

TEST_F(EchoFilterTest, OffPassesEverythingAndOnlyNamesAnEcho) {
    ask(kQuery, 11);
    EXPECT_EQ(raw.threshold, 11);  // the port's own threshold, unchanged
    raw.receive(hexBytes(kQuery) + hexBytes(kReply));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], hexBytes(kQuery) + hexBytes(kReply));
    EXPECT_TRUE(dropped.empty());
    EXPECT_EQ(seen, 1);

    // A reply that is not the echo is not named; nor one that ends before the request would.
    ask(kQuery, 11);
    raw.receive(hexBytes(kReply));
    ask(kQuery, 4);
    raw.receive(hexBytes("01 03 00 00"));
    EXPECT_EQ(seen, 1);
}

namespace {

// 2023-11-14 22:13:20.000 UTC, and a steady clock the test moves by hand.
struct FakeClock {
    TrafficTime now{1700000000000, 5'000'000};
    void advanceMs(std::int64_t ms) {
        now.wallMs += ms;
        now.steadyUs += ms * 1000;
    }
};

// The window's chain over a fake line: port, echo filter, traffic tap, handlers.
class EchoLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        connectEchoFilter(filter, log, ui);
        std::ofstream(dir.path() / "comm.set", std::ios::binary) << "1,19200\r\n";
        frm.Form_Load();
        ASSERT_TRUE(raw.isOpen());
        ui.set(control::txtStationID, "1");
        ui.set(control::txtDataLength, "3");
    }
    std::vector<const TrafficRow*> rowsOf(TrafficDirection direction) const {
        std::vector<const TrafficRow*> result;
        for (const auto& row : log.rows()) {
            if (row.direction == direction) {
                result.push_back(&row);
            }
        }
        return result;
    }

    FakeClock clock;
    TrafficLog log{[this] { return clock.now; }};
    FakeSerialPort raw;
    EchoFilter filter{raw};
    TrafficTap tap{filter, log};
    TempDir dir;
    FakeControls ui;
    FakeDialogs dialogs;
    FakeTimer t2, t3, t6;
    tc24::testing::DiskFiles files;
    FrmMain frm{ui, tap, dialogs, files, t2, t3, t6, dir.path()};
};

}  // namespace

TEST_F(EchoLineTest, RegisterQueryDecodesTheReplyBehindTheEchoAndLogsTheEchoApart) {
    filter.setEnabled(true);
    const std::string eventsBefore = ui.get(control::lblErrCounter);
    frm.comDoOnce_Click();
    ASSERT_EQ(raw.lastWritten(), hexBytes(kQuery));
    clock.advanceMs(2);
    raw.receive(hexBytes(kQuery) + hexBytes("01 03 06 09"));
    clock.advanceMs(4);
    raw.receive(hexBytes("E6 FF CE FF FF 78 61"));

    EXPECT_EQ(ui.get(control::txtValue[0]), "25.34");
    EXPECT_EQ(ui.get(control::txtValue[1]), "-0.50");
    EXPECT_EQ(ui.get(control::txtState), " 01 03 06 09 E6 FF CE FF FF 78 61");
    // One serial event, as on a line without echo, and channel 3 without a reading.
    EXPECT_EQ(std::stoi(ui.get(control::lblErrCounter)), std::stoi(eventsBefore) + 2);
    EXPECT_NE(ui.status, texts::kEchoSeen);

    // Sent, the echo on its own row, the reply, its verdict.
    ASSERT_EQ(log.rows().size(), 4u);
    const TrafficRow& echo = log.rows()[1];
    EXPECT_EQ(echo.direction, TrafficDirection::Echo);
    EXPECT_EQ(echo.bytes, hexBytes(kQuery));
    EXPECT_EQ(*echo.sinceRequestUs, 2000);
    EXPECT_STREQ(trafficDirectionText(echo.direction), "回显");
    EXPECT_EQ(log.rows()[2].bytes, hexBytes(kReply));
    const TrafficRow& verdict = log.rows()[3];
    EXPECT_EQ(verdict.verdict, TrafficVerdict::Valid);
    EXPECT_EQ(*verdict.sinceRequestUs, 6000);  // timed from the request, not from the echo
    const auto& figures = log.statistics(RequestKind::ReadRegisters);
    EXPECT_EQ(figures.requests, 1u);
    EXPECT_EQ(figures.valid, 1u);
    EXPECT_EQ(figures.mismatches + figures.crcErrors + figures.incomplete, 0u);
    EXPECT_EQ(figures.minReplyUs, 6000);
    EXPECT_NE(log.csv().find(",2.0,回显,8,01 03 00 00 00 03 05 CB,\r\n"), std::string::npos);
    EXPECT_NE(log.text().find("\t回显\t8\t01 03 00 00 00 03 05 CB\t"), std::string::npos);

    // The next request: the echo alone came, no reply; the log calls it no reply, and the
    // echo does not count as part of one.
    frm.comDoOnce_Click();
    raw.receive(hexBytes(kQuery));
    frm.comDoOnce_Click();
    EXPECT_EQ(rowsOf(TrafficDirection::Verdict).back()->verdict, TrafficVerdict::NoReply);
    EXPECT_EQ(rowsOf(TrafficDirection::Echo).size(), 2u);
    EXPECT_EQ(ui.get(control::txtValue[0]), "25.34");
}

TEST_F(EchoLineTest, WithTheOptionOffTheEchoIsNamedInTheStatusBarExceptForFunction06) {
    frm.comDoOnce_Click();
    raw.receive(hexBytes(kQuery) + hexBytes(kReply));
    EXPECT_EQ(ui.status, texts::kEchoSeen);
    // Nothing is taken out: the decoder reads the echo where the reply should be.
    EXPECT_EQ(ui.get(control::txtState).substr(0, 24), " 01 03 00 00 00 03 05 CB");
    EXPECT_TRUE(rowsOf(TrafficDirection::Echo).empty());

    // The address change: the module's reply to function 06 repeats the request.
    ui.status.clear();
    ui.set(control::txtSetID[0], "1");
    ui.set(control::txtSetID[1], "2");
    frm.cmdChangeID_Click();
    ASSERT_EQ(raw.lastWritten(), hexBytes("01 06 0B 00 00 02 0A 2F"));
    raw.receive(hexBytes("01 06 0B 00 00 02 0A 2F 02 06 0B 00 00 02 0A 1C"));
    EXPECT_EQ(ui.status, "");
}

// The bus scan borrows the window's port as this borrower does: its own handler, a threshold
// of one byte, its own requests.
TEST_F(EchoLineTest, WhateverBorrowsTheWindowsPortHearsNoEcho) {
    filter.setEnabled(true);
    SerialPort& port = frm.window().port;
    std::vector<Bytes> chunks;
    port.setEventHandler([&] {
        if (port.eventKind() == comm_event::DataReceived) {
            chunks.push_back(port.readAll());
        }
    });
    const Bytes request = hexBytes("01 03 00 00 00 01 84 0A");
    port.discardInput();
    port.setReceiveThreshold(1);
    port.write(request);
    raw.receive(request);  // the echo alone raises nothing
    EXPECT_TRUE(chunks.empty());
    raw.receive(hexBytes("01 03 02"));
    raw.receive(hexBytes("09 E6 3F 9E"));
    EXPECT_EQ(chunks, (std::vector<Bytes>{hexBytes("01 03 02"), hexBytes("09 E6 3F 9E")}));

    // Echo and reply in one chunk: the reply alone, in one event.
    chunks.clear();
    port.write(request);
    raw.receive(request + hexBytes("01 03 02 09 E6 3F 9E"));
    EXPECT_EQ(chunks, std::vector<Bytes>{hexBytes("01 03 02 09 E6 3F 9E")});
    EXPECT_EQ(rowsOf(TrafficDirection::Echo).size(), 2u);
}
