// tc24-cli's commands over a fake line to simulated modules, with faults chosen request by
// request: what is sent, what is printed and the exit status.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QStringList>
#include <deque>
#include <fstream>
#include <map>
#include <sstream>

#include <csignal>
#include <limits>
#include <thread>

#include "cli/cli.h"
#include "cli/fake_line.h"
#include "cli/list_file.h"
#include "core/fakes.h"
#include "link/files.h"
#include "measure/csv_recorder.h"
#include "protocol/frames.h"
#include "protocol/replies.h"
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

// A runner over twoModules().
struct TwoModules : Cli {
    TwoModules() : Cli(twoModules()) {}
};

TEST(CliUsage, BadInputIsRefusedBeforeAnythingIsSent) {
    TwoModules cli;
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
        {{"--json", "serials", "read", "--out", "-"}, "give one"},
        {{"scan", "--echo", "--no-echo"}, "give one of them"},
    };
    for (const auto& c : cases) {
        const auto result = cli(c.arguments);
        EXPECT_EQ(result.status, kUsage) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_TRUE(cli.line.sent.empty()) << c.message;
    }
}

TEST(CliCommands, PrintResultsAsTextOrJson) {
    TwoModules cli;
    auto result = cli({"read", "--count", "3"});
    EXPECT_EQ(result.status, kDone) << result.err;
    EXPECT_EQ(result.out, "1 25.34\n2 -\n3 -\n");
    EXPECT_EQ(cli.line.sent.back(), testing::hexBytes("01 03 00 00 00 03 05 CB"));

    result = cli({"--json", "read", "--start", "1", "--count", "1"});
    EXPECT_EQ(result.out, "{\"channels\":[null],\"start\":1,\"station\":1}\n");

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
    TwoModules cli;
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
              "tc24-cli: no new sensor on the module, or more than one (exception 04)\n");
    EXPECT_EQ(cli.line.sent.size(), 2u);  // position 4 read first; the refusal is not resent
}

TEST(CliLine, WhatIsLeftOfOneReplyDoesNotSpoilTheNext) {
    using Fault = FakeLine::Fault;
    TwoModules cli;
    // The rest of a late reply is waited out, not taken for the start of the retry's reply.
    cli.line.faults = {Fault::Late};
    auto result = cli({"read", "--count", "1", "--retries", "1"});
    EXPECT_EQ(result.status, kDone) << result.err;
    EXPECT_EQ(result.out, "1 25.34\n");

    // A late reply from station 4 does not make station 5 look silent.
    cli.line.faults = {Fault::Stray};
    result = cli({"scan", "--from", "5", "--to", "5"});
    EXPECT_EQ(result.out, "5\n") << result.err;

    // A line that never goes quiet after a broken reply does not hold the tool: the next
    // request waits for silence, and gives up after a while rather than talk over the noise.
    for (const Clock::duration gap :
         {std::chrono::microseconds(100), std::chrono::microseconds(1500)}) {
        cli.line.faults = {Fault::Corrupt};
        cli.line.startNoise(std::numeric_limits<int>::max(), gap);  // noise that never ends
        cli.line.sent.clear();
        const auto started = Clock::now();
        result = cli({"read", "--retries", "1"});
        EXPECT_EQ(result.status, kModuleFailed);
        EXPECT_NE(result.err.find("the line never fell silent"), std::string::npos) << result.err;
        EXPECT_LE(cli.line.sent.size(), 1u);  // the retry is not sent into the noise
        EXPECT_LT(Clock::now() - started, std::chrono::seconds(1));
    }
    cli.line.noise = 0;
}

TEST(CliChanges, AreSentOnceAndALostReplyIsJudgedByTheirEffect) {
    using Fault = FakeLine::Fault;
    TwoModules cli;
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
    TwoModules cli;
    cli.line.faults = {FakeLine::Fault::None, FakeLine::Fault::Lose};
    const auto result = cli({"serials", "read", "--positions", "1-3"});
    EXPECT_EQ(result.status, kPortFailed);
    EXPECT_EQ(result.out, "1 28 FF 6C 32 A1 16 04 4D\n");
    EXPECT_NE(result.err.find("position 2: the port went away: the adapter was unplugged"),
              std::string::npos)
        << result.err;

    TwoModules unopened;
    std::ostringstream out, err;
    StreamOutput results(out);
    Environment environment(unopened.dir.path(), results, err);
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
    TwoModules cli;
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
    TwoModules cli;
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
    TwoModules cli;
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

namespace tc24::cli {
namespace {

using Fault = FakeLine::Fault;

// Results that cannot be written end the command with status 4 and the system's reason.
class FailingOutput : public Output {
public:
    explicit FailingOutput(std::size_t room) : room_(room) {}
    bool write(std::string_view text) override {
        if (text.size() > room_) {
            room_ = 0;
            return false;
        }
        room_ -= text.size();
        written += text;
        return true;
    }
    bool flush() override { return room_ > 0; }
    std::string error() const override { return "No space left on device"; }
    std::string name() const override { return "standard output"; }
    std::string written;

private:
    std::size_t room_;
};

Run runWithOutput(Cli& cli, Output& output, QStringList arguments) {
    std::ostringstream err;
    Environment environment(cli.dir.path(), output, err);
    environment.open = [&cli](const Endpoint&, int, std::chrono::milliseconds) {
        return OpenedTransport{std::make_unique<Borrowed>(cli.line), {}};
    };
    arguments = QStringList{"tc24-cli", "--timeout", "30"} + arguments;
    return {run(arguments, environment), "", err.str()};
}

TEST(CliOutput, ResultsThatCannotBeWrittenEndWithStatusFour) {
    const QStringList commands[] = {
        {"read"},
        {"--json", "read"},
        {"watch", "--interval", "1", "--count", "3"},
        {"serials", "read", "--positions", "1-3"},
        {"scan", "--to", "5"},
        {"sensors", "--station", "1"},
    };
    for (const QStringList& command : commands) {
        TwoModules cli;
        FailingOutput full(0);
        const auto result = runWithOutput(cli, full, command);
        EXPECT_EQ(result.status, kOutputFailed) << command.join(' ').toStdString();
        EXPECT_NE(result.err.find("cannot write standard output: No space left on device"),
                  std::string::npos)
            << result.err;
    }
    // watch stops at its first row that cannot be written.
    TwoModules cli;
    FailingOutput headerOnly(measure::csvHeader().size() + 10);
    const auto watch =
        runWithOutput(cli, headerOnly, {"watch", "--interval", "1", "--count", "50"});
    EXPECT_EQ(watch.status, kOutputFailed);
    EXPECT_EQ(cli.line.sent.size(), 1u);
}

TEST(CliOutput, OutWritesOnlyRegularFilesAndNewPaths) {
    TwoModules cli;
    const auto fifo = cli.dir.path() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto folder = cli.dir.path() / "folder";
    std::filesystem::create_directory(folder);
    for (const auto& path : {fifo, folder, std::filesystem::path("/dev/null"),
                             cli.dir.path() / "missing" / "list.txt"}) {
        const auto result =
            cli({"serials", "read", "--positions", "1", "--out", QString::fromStdString(path)});
        EXPECT_EQ(result.status, kUsage) << path;
        EXPECT_TRUE(cli.line.sent.empty()) << path;
    }
    EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    const auto watched =
        cli({"watch", "--count", "1", "--out", QString::fromStdString(fifo.string())});
    EXPECT_EQ(watched.status, kUsage);

    // A link is followed: the file it names gets the list, the link stays a link.
    const auto target = cli.file("target.txt", "old");
    const auto link = cli.dir.path() / "link.txt";
    std::filesystem::create_symlink(target, link);
    auto result = cli(
        {"serials", "read", "--positions", "1-2", "--out", QString::fromStdString(link.string())});
    EXPECT_EQ(result.status, kDone) << result.err;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(parseListFile(*readWholeFile(target)).entries.size(), 2u);

    // "-" is standard output, in the list format.
    result = cli({"serials", "read", "--positions", "1", "--out", "-"});
    EXPECT_EQ(result.status, kDone) << result.err;
    EXPECT_EQ(result.out, listFileContent({kSerialA}));
    EXPECT_FALSE(std::filesystem::exists(cli.dir.path() / "-"));
}

TEST(CliOutput, WatchAppendsToItsFileWithOneHeader) {
    TwoModules cli;
    const auto csv = cli.dir.path() / "log.csv";
    const QString path = QString::fromStdString(csv.string());
    for (int run = 0; run < 2; ++run) {
        const auto result = cli({"watch", "--interval", "1", "--count", "2", "--out", path});
        EXPECT_EQ(result.status, kDone) << result.err;
        EXPECT_EQ(result.out, "");
    }
    const std::string content = *readWholeFile(csv);
    EXPECT_EQ(content.rfind(measure::csvHeader(), 0), 0u);
    EXPECT_EQ(content.find(measure::csvHeader(), 1), std::string::npos);
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 5);
}

TEST(CliJson, AFailureStillSaysWhatWasDone) {
    TwoModules cli;
    const auto list = cli.file("list.txt", listFileContent({kSerialA, kSerialB}));
    cli.line.misstore = sim::Misstore(*sim::parseFaultRate("every:2"));
    auto result =
        cli({"--json", "serials", "write", QString::fromStdString(list.string()), "--verify"});
    EXPECT_EQ(result.status, kModuleFailed);
    EXPECT_EQ(result.out,
              "{\"error\":{\"message\":\"position 2: wrote 28 AA BB CC DD EE 01 67 but it reads "
              "back 28 AA BB CC DD EE 01 66\",\"status\":1},\"station\":1,\"written\":[{"
              "\"position\":1,\"serial\":\"28 FF 6C 32 A1 16 04 4D\",\"verified\":true}]}\n");

    cli.line.faults = {Fault::Drop};
    result = cli({"--json", "read", "--count", "2"});
    EXPECT_EQ(result.out,
              "{\"error\":{\"message\":\"no reply within 30 ms\",\"status\":1},\"start\":0,"
              "\"station\":1}\n");

    // Temperatures are numbers as QJsonDocument writes them.
    cli.line.module(0).attach({kSerialA, -50});
    result = cli({"--json", "read", "--count", "1"});
    EXPECT_EQ(result.out, "{\"channels\":[-0.5],\"start\":0,\"station\":1}\n") << result.err;
}

TEST(CliScan, CoversEveryAddressAndNamesGarbledAnswers) {
    TwoModules cli;
    cli.line.module(1).setAddress(249);
    auto result = cli({"scan", "--from", "248"});
    EXPECT_EQ(result.status, kDone) << result.err;
    EXPECT_EQ(result.out, "249\n");
    EXPECT_EQ(cli.line.sent.size(), 2u);

    cli.line.sent.clear();
    cli.line.module(1).setAddress(5);
    cli.line.faults = {Fault::None, Fault::None, Fault::None, Fault::None, Fault::Corrupt};
    result = cli({"scan", "--to", "5", "--json"});
    EXPECT_EQ(result.status, kModuleFailed);
    EXPECT_NE(result.err.find("station 5 answered, but garbled: reply with a wrong CRC"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.out.find("\"garbled\":[5]"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\"stations\":[1]"), std::string::npos) << result.out;
}

TEST(CliRetries, ZeroRetriesIsOneAttemptAndBusyIsAskedAgain) {
    TwoModules cli;
    cli.line.faults = {Fault::Drop};
    auto result = cli({"read", "--retries", "0"});
    EXPECT_EQ(result.status, kModuleFailed);
    EXPECT_EQ(cli.line.sent.size(), 1u);

    cli.line.sent.clear();
    cli.line.faults = {Fault::Busy, Fault::Busy};
    result = cli({"read", "--count", "1", "--retries", "2"});
    EXPECT_EQ(result.status, kDone) << result.err;
    EXPECT_EQ(cli.line.sent.size(), 3u);

    // A change is resent only when the module said it was busy.
    cli.line.sent.clear();
    cli.line.faultOnce = {{protocol::RequestKind::ChangeAddress, Fault::Busy}};
    result = cli({"set-address", "9", "--station", "5", "--retries", "1"});
    EXPECT_EQ(result.status, kDone) << result.err;
    EXPECT_EQ(cli.line.module(1).address(), 9);
    EXPECT_EQ(cli.line.sent.size(), 4u);  // is 9 free, busy, the change, the check at 9
}

TEST(CliChanges, AConfirmationOfAnotherValueIsNotAChange) {
    TwoModules cli;
    cli.line.faultOnce = {{protocol::RequestKind::ChangeAddress, Fault::Other}};
    const auto result = cli({"set-address", "9", "--station", "5"});
    EXPECT_EQ(result.status, kModuleFailed);
    EXPECT_NE(result.err.find("does not answer the request"), std::string::npos) << result.err;
}

TEST(CliEcho, AnEchoingLineIsNamedAndWorksWithEcho) {
    TwoModules cli;
    cli.line.echo = true;
    auto result = cli({"read", "--count", "1"});
    EXPECT_EQ(result.status, kModuleFailed);
    EXPECT_NE(result.err.find("the line echoes requests: try --echo"), std::string::npos)
        << result.err;

    result = cli({"read", "--count", "1", "--echo"});
    EXPECT_EQ(result.status, kDone) << result.err;
    EXPECT_EQ(result.out, "1 25.34\n");

    // tc24.ini gives the default, which --no-echo overrides.
    cli.file("tc24.ini", "[line]\nechoSuppression=true\n");
    result = cli({"read", "--count", "1"});
    EXPECT_EQ(result.status, kDone) << result.err;
    result = cli({"read", "--count", "1", "--no-echo"});
    EXPECT_EQ(result.status, kModuleFailed);
}

TEST(CliTrace, ShowsEveryFrameWithItsTime) {
    TwoModules cli;
    cli.line.echo = true;
    const auto result = cli({"read", "--count", "1", "--echo", "--trace"});
    EXPECT_EQ(result.status, kDone) << result.err;
    EXPECT_NE(result.err.find("sent"), std::string::npos);
    EXPECT_NE(result.err.find("echo dropped"), std::string::npos);
    EXPECT_NE(result.err.find("received"), std::string::npos);
    EXPECT_NE(result.err.find("01 03 00 00 00 01 84 0A"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(" ms  "), std::string::npos);
}

TEST(CliMessages, SayWhatHappened) {
    TwoModules cli;
    auto result = cli({"set-address", "-1"});
    EXPECT_EQ(result.status, kUsage);
    EXPECT_NE(result.err.find("set-address -1: expected a whole number from 1 to 249"),
              std::string::npos)
        << result.err;

    result = cli({"sensors"});  // both modules answer at 250 at once
    EXPECT_NE(result.err.find("several modules may have answered at once"), std::string::npos)
        << result.err;

    // Bytes of a garbage file are quoted, never sent to the terminal as they are.
    const auto garbage = cli.file("garbage.txt", "1\r\n\"\x1b]0;owned\x07\"\r\n");
    result = cli({"serials", "write", QString::fromStdString(garbage.string())});
    EXPECT_EQ(result.status, kUsage);
    EXPECT_EQ(result.err.find('\x1b'), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("\\x1b"), std::string::npos) << result.err;

    // A corrupt comm.set is named before the fallback is used.
    cli.file("comm.set", "garbage\r\n");
    result = cli({"read", "--count", "1"});
    EXPECT_EQ(result.status, kDone);
    EXPECT_NE(result.err.find("comm.set"), std::string::npos) << result.err;
}

TEST(CliSignals, EveryCommandEndsCleanlyAfterItsCurrentRequest) {
    TwoModules cli;
    cli.terminal = true;
    cli.stop = SIGINT;
    auto result = cli({"serials", "read"});
    EXPECT_EQ(result.status, 128 + SIGINT);
    EXPECT_TRUE(cli.line.sent.empty());
    result = cli({"scan", "--json"});
    EXPECT_EQ(result.status, 128 + SIGINT);
    EXPECT_NE(result.out.find("interrupted by SIGINT"), std::string::npos) << result.out;

    // watch keeps its own status.
    cli.stop = SIGHUP;
    result = cli({"watch"});
    EXPECT_EQ(result.status, kDone);
}

TEST(CliWatch, ReconnectsWhenThePortComesBack) {
    TwoModules cli;
    cli.line.faults = {Fault::None, Fault::Lose};
    cli.refusedOpens = 2;
    auto result = cli({"watch", "--interval", "1", "--count", "3", "--reconnect"});
    EXPECT_EQ(result.status, kDone) << result.err;
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 4);  // header + 3 rows
    EXPECT_NE(result.err.find("the port went away"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("is back"), std::string::npos) << result.err;
    EXPECT_EQ(cli.opens, 4);  // the first, two refused, the one that worked

    cli.line.faults = {Fault::Lose};
    cli.refusedOpens = 1000;
    result = cli({"watch", "--interval", "1", "--reconnect-for", "1"});
    EXPECT_EQ(result.status, kPortFailed);
    EXPECT_NE(result.err.find("gave up after 1 s"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace tc24::cli
