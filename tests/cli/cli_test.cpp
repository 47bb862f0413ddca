// tc24-cli's commands over a fake line to simulated modules, with faults chosen request by
// request: what is sent, what is printed and the exit status.

#include <gtest/gtest.h>

#include <QStringList>
#include <deque>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "cli/cli.h"
#include "cli/list_file.h"
#include "core/fakes.h"
#include "link/files.h"
#include "measure/csv_recorder.h"
#include "protocol/frames.h"
#include "protocol/requests.h"
#include "sim/faults.h"
#include "sim/line.h"

namespace tc24::cli {
namespace {

constexpr protocol::SerialNumber kSerialA = {0x28, 0xFF, 0x6C, 0x32, 0xA1, 0x16, 0x04, 0x4D};
constexpr protocol::SerialNumber kSerialB = {0x28, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x01, 0x67};

// Modules 1 and 5 on one line; module 1 has kSerialA at position 1, a sensor without a
// reading at position 2 and the new sensor kSerialB.
sim::Line twoModules() {
    sim::Module first(1);
    first.attach({kSerialA, 2534});
    first.assign(1, kSerialA);
    first.assign(2, {0x28, 0, 0, 0, 0, 0, 0, 0x01});  // not on the sensor bus: no reading
    first.attach({kSerialB, 2150});
    return sim::Line({first, sim::Module(5)});
}

// The time-out every run of the tool gets here.
constexpr auto kTimeout = std::chrono::milliseconds(30);

class FakeLine : public Transport {
public:
    enum class Fault {
        None,
        Drop,     // the module acts, its reply is lost
        Unheard,  // the request never reaches the module
        Corrupt,
        Lose,   // the line goes away
        Late,   // half the reply in time, the rest just after the time-out
        Stray,  // a reply from the station below arrives before the one asked for
    };

    explicit FakeLine(sim::Line line) : line_(std::move(line)) {}

    void discardInput() override { pending_.clear(); }

    bool send(std::span<const std::uint8_t> bytes) override {
        if (lost_) {
            return false;
        }
        sent.emplace_back(bytes.begin(), bytes.end());
        Fault fault = faults.empty() ? Fault::None : faults.front();
        if (!faults.empty()) {
            faults.pop_front();
        }
        if (const auto once = faultOnce.find(protocol::requestKind(bytes));
            once != faultOnce.end()) {
            fault = once->second;
            faultOnce.erase(once);
        }
        if (fault == Fault::Unheard) {
            return true;
        }
        // The module ignores the byte that follows the sensor count request.
        const auto length = static_cast<std::size_t>(protocol::requestLength(bytes));
        const auto frame = bytes.first(std::min(length, bytes.size()));
        Bytes reply = line_.handle(frame).reply;
        if (!reply.empty()) {
            misstore.afterRequest(line_, frame);
        }
        if (fault == Fault::Lose) {
            lost_ = true;
        } else if (fault == Fault::Corrupt && !reply.empty()) {
            reply[reply.size() / 2] ^= 0x5A;
        } else if (fault == Fault::Stray && !reply.empty()) {
            Bytes stray(reply.begin(), reply.end() - 2);
            --stray[0];
            pending_ = protocol::withCrc(std::move(stray));
        } else if (fault == Fault::Late) {
            const auto half = reply.begin() + static_cast<long>(reply.size() / 2);
            pending_.assign(reply.begin(), half);
            late_.assign(half, reply.end());
            lateAt_ = Clock::now() + kTimeout + std::chrono::milliseconds(2);
            return true;
        }
        if (fault == Fault::Drop || fault == Fault::Lose) {
            return true;
        }
        // A reply goes out after whatever is still on its way.
        Bytes& queue = late_.empty() ? pending_ : late_;
        queue.insert(queue.end(), reply.begin(), reply.end());
        return true;
    }

    bool receive(Bytes& into, Clock::time_point deadline) override {
        if (lost_) {
            return false;
        }
        if (pending_.empty() && !late_.empty() && lateAt_ <= deadline) {
            std::this_thread::sleep_until(lateAt_);
            pending_ = std::move(late_);
            late_.clear();
        }
        if (pending_.empty() && noise > 0) {
            std::this_thread::sleep_for(noiseGap);
            --noise;
            ++noiseTaken;
            into.push_back(0xFF);
            return true;
        }
        if (pending_.empty()) {
            std::this_thread::sleep_until(deadline);  // nothing more is coming
        }
        into.insert(into.end(), pending_.begin(), pending_.end());
        pending_.clear();
        return true;
    }

    std::string lostReason() const override { return "the adapter was unplugged"; }

    sim::Module& module(std::size_t index) { return line_.modules()[index]; }

    std::deque<Fault> faults;                          // for the requests in the order sent
    std::map<protocol::RequestKind, Fault> faultOnce;  // for the first request of a kind
    std::vector<Bytes> sent;
    sim::Misstore misstore;
    // Bytes of noise on the line once nothing else is due, one every noiseGap.
    int noise = 0;
    int noiseTaken = 0;
    std::chrono::milliseconds noiseGap{0};

private:
    sim::Line line_;
    Bytes pending_;
    Bytes late_;  // on its way, arriving at lateAt_
    Clock::time_point lateAt_;
    bool lost_ = false;
};

// Forwards to the test's line, which outlives the run.
class Borrowed : public Transport {
public:
    explicit Borrowed(Transport& line) : line_(line) {}
    void discardInput() override { line_.discardInput(); }
    bool send(std::span<const std::uint8_t> bytes) override { return line_.send(bytes); }
    bool receive(Bytes& into, Clock::time_point deadline) override {
        return line_.receive(into, deadline);
    }
    std::string lostReason() const override { return line_.lostReason(); }

private:
    Transport& line_;
};

struct Run {
    int status;
    std::string out;
    std::string err;
};

struct Cli {
    Cli() : line(twoModules()) {}

    Run operator()(QStringList arguments) {
        std::ostringstream out;
        std::ostringstream err;
        Environment environment(dir.path(), out, err);
        environment.errIsTerminal = terminal;
        environment.open = [this](const Endpoint&, int, std::chrono::milliseconds) {
            return OpenedTransport{std::make_unique<Borrowed>(line), {}};
        };
        arguments =
            QStringList{"tc24-cli", "--timeout", QString::number(kTimeout.count())} + arguments;
        const int status = run(arguments, environment);
        return {status, out.str(), err.str()};
    }

    std::filesystem::path file(const std::string& name, const std::string& content) {
        const auto path = dir.path() / name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    testing::TempDir dir;
    FakeLine line;
    bool terminal = false;
};

TEST(CliUsage, BadInputIsRefusedBeforeAnythingIsSent) {
    Cli cli;
    const auto list = cli.file("list.txt", "2\r\n\"28 FF 6C 32 A1 16 04 4D\"\r\n\"28 FF\"\r\n");
    const auto longList = cli.file("long.txt", "3\r\n\"\"\r\n\"\"\r\n\"\"\r\n");
    const auto emptyList = cli.file("empty.txt", "0\r\n");
    // A valid list, padded beyond what any list of the module's 24 positions needs.
    const auto hugeList =
        cli.file("huge.txt", listFileContent({kSerialA}) + std::string(64 * 1024, '\n'));
    const auto name = [](const std::filesystem::path& path) {
        return QString::fromStdString(path.string());
    };
    const struct {
        QStringList arguments;
        const char* message;
    } cases[] = {
        {{}, "no command"},
        {{"bake"}, "unknown command bake"},
        {{"read", "--start", "20", "--count", "5"},
         "--count 5: expected a whole number from 1 to 4"},
        {{"read", "--station", "250"}, "--station 250"},
        {{"--baud", "fast", "read"}, "--baud fast"},
        {{"read", "--timeout", "0"}, "--timeout 0"},
        {{"read", "--port", "COM0"}, "COM1 to COM255"},
        {{"read", "--port", "tcp://host"}, "tcp://HOST:PORT"},
        {{"set-address", "250"}, "set-address 250"},
        {{"set-address"}, "missing argument"},
        {{"identify", "0"}, "identify 0"},
        {{"serials", "read", "--positions", "5-3"}, "the last comes before the first"},
        {{"serials", "read", "--positions", "1-25"}, "--positions 25"},
        {{"serials", "write", "missing.txt"}, "cannot read missing.txt"},
        {{"serials", "write", name(list)}, "entry 2 is not a serial"},
        {{"serials", "write", name(longList), "--from", "23"}, "reach position 25"},
        {{"serials", "write", name(longList)}, "long.txt holds no serial number"},
        {{"serials", "write", name(emptyList)}, "empty.txt holds no serial number"},
        {{"serials", "write", name(hugeList)}, "huge.txt is larger than 64 KiB"},
        {{"serials", "write", "/dev/zero"}, "/dev/zero is larger than 64 KiB"},
        {{"scan", "--from", "9", "--to", "8"}, "--to 8"},
        {{"watch", "extra"}, "unexpected argument extra"},
    };
    for (const auto& c : cases) {
        const auto result = cli(c.arguments);
        EXPECT_EQ(result.status, kUsage) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_TRUE(cli.line.sent.empty()) << c.message;
    }
}

TEST(CliCommands, PrintResultsAsTextOrJson) {
    Cli cli;
    auto result = cli({"read", "--count", "3"});
    EXPECT_EQ(result.status, kDone) << result.err;
    EXPECT_EQ(result.out, "1 25.34\n2 -\n3 -\n");
    EXPECT_EQ(cli.line.sent.back(), testing::hexBytes("01 03 00 00 00 03 05 CB"));

    result = cli({"--json", "read", "--start", "1", "--count", "1"});
    EXPECT_EQ(result.out, "{\"station\":1,\"start\":1,\"channels\":[null]}\n");

    result = cli({"sensors"});  // station 250: both modules answer at once and garble it
    EXPECT_EQ(result.status, kModuleFailed);
    EXPECT_NE(result.err.find("wrong CRC"), std::string::npos) << result.err;
    EXPECT_EQ(cli.line.sent.back(), testing::hexBytes("FA 25 05 01 00 02 89 4B 00"));
    result = cli({"sensors", "--station", "5"});  // asked at its own address: one answers
    EXPECT_EQ(result.out, "0\n") << result.err;
    EXPECT_EQ(cli.line.sent.back(), testing::hexBytes("05 25 05 01 00 02 9D 44 00"));

    result = cli({"identify", "3", "--json"});
    EXPECT_EQ(result.out, "{\"position\":3,\"serial\":\"28 AA BB CC DD EE 01 67\"}\n");

    result = cli({"scan", "--to", "6"});
    EXPECT_EQ(result.status, kDone);
    EXPECT_EQ(result.out, "1\n5\n");

    result = cli({"set-address", "7", "--station", "5"});
    EXPECT_EQ(result.status, kDone) << result.err;
    EXPECT_EQ(cli.line.module(1).address(), 7);
    // The change counts once the module answers at its new address.
    EXPECT_EQ(cli.line.sent.back(), testing::hexBytes("07 03 00 00 00 01 84 6C"));
}

TEST(CliRetries, TimeOutsAndCrcErrorsAreRetriedRefusalsAreNot) {
    using Fault = FakeLine::Fault;
    Cli cli;
    cli.line.faults = {Fault::Drop};
    auto result = cli({"read"});
    EXPECT_EQ(result.status, kModuleFailed);
    EXPECT_EQ(result.err, "tc24-cli: no reply within 30 ms\n");

    cli.line.faults = {Fault::Corrupt};
    result = cli({"read"});
    EXPECT_EQ(result.status, kModuleFailed);
    EXPECT_NE(result.err.find("reply with a wrong CRC: 01 03 30"), std::string::npos);

    cli.line.faults = {Fault::Drop, Fault::Corrupt};
    cli.line.sent.clear();
    result = cli({"read", "--retries", "2"});
    EXPECT_EQ(result.status, kDone) << result.err;
    EXPECT_EQ(cli.line.sent.size(), 3u);

    result = cli({"serials", "read", "--positions", "1", "--station", "9", "--retries", "1"});
    EXPECT_EQ(result.err, "tc24-cli: position 1: no reply within 30 ms (2 attempts)\n");

    cli.line.sent.clear();
    result = cli({"identify", "4", "--station", "5", "--retries", "3"});  // no new sensor
    EXPECT_EQ(result.status, kModuleFailed);
    EXPECT_EQ(result.err,
              "tc24-cli: the module refused the request: exception 04 (device failure)\n");
    EXPECT_EQ(cli.line.sent.size(), 2u);  // position 4 read first; the refusal is not resent
}

TEST(CliLine, WhatIsLeftOfOneReplyDoesNotSpoilTheNext) {
    using Fault = FakeLine::Fault;
    Cli cli;
    // The rest of a late reply is waited out, not taken for the start of the retry's reply.
    cli.line.faults = {Fault::Late};
    auto result = cli({"read", "--count", "1", "--retries", "1"});
    EXPECT_EQ(result.status, kDone) << result.err;
    EXPECT_EQ(result.out, "1 25.34\n");

    // A late reply from station 4 does not make station 5 look silent.
    cli.line.faults = {Fault::Stray};
    result = cli({"scan", "--from", "5", "--to", "5"});
    EXPECT_EQ(result.out, "5\n") << result.err;

    // A line that never goes quiet after a broken reply is left after 256 bytes or the
    // time-out, whichever comes first.
    for (const auto gap : {std::chrono::milliseconds(0), std::chrono::milliseconds(1)}) {
        cli.line.faults = {Fault::Corrupt};
        cli.line.noise = 1000;
        cli.line.noiseTaken = 0;
        cli.line.noiseGap = gap;
        result = cli({"read", "--retries", "1"});
        EXPECT_EQ(result.status, kDone) << result.err;
        if (gap.count() == 0) {
            EXPECT_EQ(cli.line.noiseTaken, 256);
        } else {
            EXPECT_LT(cli.line.noiseTaken, 100);
        }
    }
}

TEST(CliChanges, AreSentOnceAndALostReplyIsJudgedByTheirEffect) {
    using Fault = FakeLine::Fault;
    Cli cli;
    // The module takes address 7 but its reply is lost: it answers at 7, so the change is done.
    cli.line.faultOnce = {{protocol::RequestKind::ChangeAddress, Fault::Drop}};
    auto result = cli({"set-address", "7", "--station", "5", "--retries", "2"});
    EXPECT_EQ(result.status, kDone) << result.err;
    EXPECT_EQ(result.out, "7\n");
    EXPECT_EQ(cli.line.module(1).address(), 7);
    EXPECT_EQ(cli.line.sent.size(), 3u);  // is 7 free, the change once, the check at 7

    cli.line.faultOnce = {{protocol::RequestKind::ChangeAddress, Fault::Unheard}};
    result = cli({"set-address", "8", "--station", "7"});
    EXPECT_EQ(result.status, kModuleFailed);
    EXPECT_EQ(result.err, "tc24-cli: no reply within 30 ms, and nothing answers at 8\n");

    // Two modules at one address would garble each other's replies: refused, nothing changed.
    cli.line.sent.clear();
    result = cli({"set-address", "1", "--station", "7"});
    EXPECT_EQ(result.status, kModuleFailed);
    EXPECT_EQ(result.err, "tc24-cli: a device already answers at 1; choose a free address\n");
    EXPECT_EQ(cli.line.module(1).address(), 7);
    EXPECT_EQ(cli.line.sent.size(), 1u);

    // The new sensor is assigned but the reply lost: position 3 read back holds it.
    cli.line.faultOnce = {{protocol::RequestKind::Identify, Fault::Drop}};
    cli.line.sent.clear();
    result = cli({"identify", "3", "--retries", "2"});
    EXPECT_EQ(result.status, kDone) << result.err;
    EXPECT_EQ(result.out, "28 AA BB CC DD EE 01 67\n");
    EXPECT_EQ(cli.line.sent.size(), 3u);  // position 3 before, identify once, position 3 after
}

TEST(CliPort, ALineThatGoesAwayEndsWithStatusThree) {
    Cli cli;
    cli.line.faults = {FakeLine::Fault::None, FakeLine::Fault::Lose};
    const auto result = cli({"serials", "read", "--positions", "1-3"});
    EXPECT_EQ(result.status, kPortFailed);
    EXPECT_EQ(result.out, "1 28 FF 6C 32 A1 16 04 4D\n");
    EXPECT_NE(result.err.find("position 2: the port went away: the adapter was unplugged"),
              std::string::npos)
        << result.err;

    Cli unopened;
    std::ostringstream out, err;
    Environment environment(unopened.dir.path(), out, err);
    environment.open = [](const Endpoint& endpoint, int baud, std::chrono::milliseconds) {
        EXPECT_EQ(endpoint.device, "/dev/ttyUSB2");
        EXPECT_EQ(baud, 9600);  // comm.set's rate 0
        return OpenedTransport{nullptr, "Permission denied"};
    };
    unopened.file("comm.set", "3,0\r\n");
    EXPECT_EQ(run({"tc24-cli", "read"}, environment), kPortFailed);
    EXPECT_EQ(err.str(), "tc24-cli: cannot open COM3 (/dev/ttyUSB2): Permission denied\n");
}

TEST(CliSerials, WritesSkipEmptyEntriesAndVerifyNamesTheFirstMismatch) {
    Cli cli;
    const auto list = cli.file("list.txt", listFileContent({std::nullopt, kSerialA, kSerialB}));
    auto result = cli({"serials", "write", QString::fromStdString(list.string()), "--from", "10"});
    EXPECT_EQ(result.status, kDone) << result.err;
    EXPECT_EQ(result.out, "11 28 FF 6C 32 A1 16 04 4D\n12 28 AA BB CC DD EE 01 67\n");
    EXPECT_EQ(cli.line.module(0).assigned(10), protocol::kNoSerialNumber);
    EXPECT_EQ(cli.line.module(0).assigned(12), kSerialB);

    cli.line.misstore = sim::Misstore(*sim::parseFaultRate("every:2"));
    result = cli({"serials", "write", QString::fromStdString(list.string()), "--verify"});
    EXPECT_EQ(result.status, kModuleFailed);
    EXPECT_EQ(result.out, "2 28 FF 6C 32 A1 16 04 4D\n");
    EXPECT_EQ(result.err,
              "tc24-cli: position 3: wrote 28 AA BB CC DD EE 01 67 but it reads back "
              "28 AA BB CC DD EE 01 66\n");
}

TEST(CliSerials, ProgressGoesToATerminalOnly) {
    Cli cli;
    auto result = cli({"serials", "read", "--positions", "1-2"});
    EXPECT_EQ(result.err, "");
    cli.terminal = true;
    result = cli({"serials", "read", "--positions", "1-2"});
    EXPECT_EQ(result.out, "1 28 FF 6C 32 A1 16 04 4D\n2 28 00 00 00 00 00 00 01\n");
    EXPECT_NE(result.err.find("\rposition 1 (1 of 2)"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("\rposition 2 (2 of 2), about 0 s left"), std::string::npos);
    EXPECT_EQ(result.err.back(), '\r');  // the line is cleared at the end
}

TEST(CliSerials, ListsAreTheWindowsFormat) {
    testing::Harness window;
    window.state().SnList[1] = "28 FF 6C 32 A1 16 04 4D";
    window.state().SnList[3] = "28 AA BB CC DD EE 01 67";
    window.ui.set("txtSensorid2", "4");  // the position after the last one read
    window.dialogs.saveAnswers.push_back((window.dir.path() / "saved.txt").string());
    window.frm.cmdSaveSn_Click();
    const auto saved = readWholeFile(window.dir.path() / "saved.txt");
    ASSERT_TRUE(saved);

    const auto parsed = parseListFile(*saved);
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.entries, (std::vector<ListEntry>{kSerialA, std::nullopt, kSerialB}));
    EXPECT_EQ(listFileContent(parsed.entries), *saved);
}

TEST(CliWatch, CsvHasTheColumnsOfTheWindowsRecording) {
    Cli cli;
    const auto result = cli({"watch", "--interval", "1", "--count", "2"});
    EXPECT_EQ(result.status, kDone) << result.err;
    std::istringstream lines(result.out);
    std::string header, line;
    std::getline(lines, header, '\n');
    EXPECT_EQ(header + '\n', measure::csvHeader());
    int polls = 0;
    while (std::getline(lines, line, '\n')) {
        ++polls;
        // time, station 1, 25.34, then 23 channels without a reading
        EXPECT_EQ(line.substr(23), ",1,25.34" + std::string(23, ',') + "\r") << line;
    }
    EXPECT_EQ(polls, 2);
}

}  // namespace
}  // namespace tc24::cli
