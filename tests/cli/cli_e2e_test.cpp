// tc24-cli as a script runs it, against tc24-sim on a pseudo-terminal and over TCP.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <csignal>
#include <cstdlib>
#include <fstream>

#include "core/fakes.h"
#include "link/files.h"

#include <signal.h>
#include <sys/types.h>

namespace tc24 {
namespace {

QString program(const char* variable) {
    const char* path = std::getenv(variable);
    return path == nullptr ? QString() : QString::fromUtf8(path);
}

// A tc24-sim process; port() is what tc24-cli's --port takes.
class Simulator {
public:
    explicit Simulator(const QStringList& arguments) {
        process_.start(program("TC24_SIM"), QStringList{"--drift", "0"} + arguments);
        if (!process_.waitForStarted(5000)) {
            return;
        }
        while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
        }
        const QString line = QString::fromUtf8(process_.readLine()).trimmed();
        if (line.startsWith("device ")) {
            port_ = line.mid(7);
        } else if (line.startsWith("tcp ")) {
            port_ = "tcp://" + line.mid(4);
        }
    }
    // Whatever the test did, the tool never talked over a reply.
    ~Simulator() {
        if (!port_.isEmpty()) {
            EXPECT_NE(stop().find(" collisions 0\n"), std::string::npos) << summary_;
        }
    }

    const QString& port() const { return port_; }

    // Stops the simulator; its counters.
    std::string stop() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            process_.waitForFinished(5000);
            summary_ = process_.readAllStandardOutput().toStdString();
        }
        return summary_;
    }

private:
    QProcess process_;
    QString port_;
    std::string summary_;
};

struct Result {
    int status = -1;  // -1: did not finish in time
    std::string out;
    std::string err;
    qint64 ms = 0;
};

Result cli(const Simulator& simulator, const QStringList& arguments) {
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(program("TC24_CLI"),
                  QStringList{"--port", simulator.port(), "--baud", "19200"} + arguments);
    Result result;
    if (process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit) {
        result.status = process.exitCode();
    } else {
        process.kill();
        process.waitForFinished(2000);
    }
    result.ms = clock.elapsed();
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    return result;
}

int lines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

// A list of `count` serial numbers saved by the window's own save code ("保存序列号").
std::string windowList(testing::Harness& window, int count) {
    for (int position = 1; position <= count; ++position) {
        window.state().SnList[static_cast<std::size_t>(position)] =
            "28 11 22 33 44 55 " + std::string(1, static_cast<char>('0' + position)) + "0 9" +
            std::string(1, static_cast<char>('0' + position));
    }
    window.ui.set("txtSensorid2", std::to_string(count + 1));  // after reading `count`
    const auto path = window.dir.path() / "window.txt";
    window.dialogs.saveAnswers.push_back(path.string());
    window.frm.cmdSaveSn_Click();
    return path.string();
}

class CliAgainstSimulator : public ::testing::Test {
protected:
    void SetUp() override {
        if (program("TC24_SIM").isEmpty() || program("TC24_CLI").isEmpty()) {
            GTEST_SKIP() << "TC24_SIM and TC24_CLI name the programs";
        }
    }
    testing::TempDir dir;
};

TEST_F(CliAgainstSimulator, EveryCommand) {
    Simulator simulator({});
    ASSERT_FALSE(simulator.port().isEmpty());

    auto result = cli(simulator, {"read"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(lines(result.out), 24);
    EXPECT_TRUE(
        QString::fromStdString(result.out).contains(QRegularExpression("^1 -?\\d+\\.\\d\\d\\n2 ")))
        << result.out;
    result = cli(simulator, {"--json", "read", "--start", "22"});
    EXPECT_TRUE(contains(result.out, "{\"channels\":[")) << result.out;
    EXPECT_TRUE(contains(result.out, "],\"start\":22,\"station\":1}\n")) << result.out;

    result = cli(simulator, {"watch", "--interval", "20", "--count", "3"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(lines(result.out), 4);
    EXPECT_TRUE(contains(result.out, "time,station,ch1,ch2,")) << result.out;

    // Ctrl+C (or SIGTERM) ends watch after the current line, with status 0.
    QProcess watching;
    watching.start(program("TC24_CLI"), {"--port", simulator.port(), "watch", "--interval", "50"});
    QByteArray csv;
    while (csv.count('\n') < 3 && watching.waitForReadyRead(5000)) {
        csv += watching.readAllStandardOutput();
    }
    watching.terminate();
    ASSERT_TRUE(watching.waitForFinished(5000));
    csv += watching.readAllStandardOutput();
    EXPECT_EQ(watching.exitCode(), 0);
    EXPECT_TRUE(csv.endsWith("\r\n")) << csv.toStdString();

    result = cli(simulator, {"address"});
    EXPECT_EQ(result.out, "1\n");
    result = cli(simulator, {"sensors"});
    EXPECT_EQ(result.out, "23\n");  // 22 in positions and one new

    const std::string list = (dir.path() / "read.txt").string();
    result = cli(simulator,
                 {"serials", "read", "--positions", "1-2", "--out", QString::fromStdString(list)});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(lines(result.out), 2);
    EXPECT_EQ(lines(readWholeFile(list).value_or("")), 3);

    result = cli(simulator, {"identify", "3"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(
        QString::fromStdString(result.out).contains(QRegularExpression("^28( [0-9A-F]{2}){7}\\n$")))
        << result.out;

    result = cli(simulator,
                 {"serials", "write", QString::fromStdString(list), "--from", "5", "--verify"});
    EXPECT_EQ(result.status, 0) << result.err;

    result = cli(simulator, {"set-address", "9"});
    EXPECT_EQ(result.out, "9\n") << result.err;
    result = cli(simulator, {"scan", "--from", "8", "--to", "10", "--timeout", "100"});
    EXPECT_EQ(result.out, "9\n") << result.err;
    EXPECT_TRUE(contains(simulator.stop(), " collisions 0\n"));
}

// A module that answers after the time-out: the retry waits until the late reply is over, so
// nothing is talked over and no reply is taken for another's.
TEST_F(CliAgainstSimulator, ALateReplyIsNeverTalkedOver) {
    Simulator slow({"--delay", "every:2", "--delay-ms", "700"});
    const QStringList line{"--timeout", "500", "--retries", "1"};
    auto result = cli(slow, line + QStringList{"watch", "--interval", "1", "--count", "6"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(lines(result.out), 7);

    testing::Harness window;
    const std::string list = windowList(window, 3);
    result =
        cli(slow, line + QStringList{"serials", "write", QString::fromStdString(list), "--verify"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(contains(slow.stop(), " collisions 0\n"));
}

TEST_F(CliAgainstSimulator, AnEchoingLineWorksWithEchoAndIsNamedWithout) {
    Simulator echoing({"--echo", "--address", "1,7"});
    auto result = cli(echoing, {"read", "--count", "1"});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(contains(result.err, "the line echoes requests: try --echo")) << result.err;

    result = cli(echoing, {"--echo", "read", "--count", "1"});
    EXPECT_EQ(result.status, 0) << result.err;
    result = cli(echoing, {"--echo", "scan", "--to", "9", "--timeout", "50"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "1\n7\n");
    result = cli(echoing, {"--echo", "set-address", "9", "--station", "7"});
    EXPECT_EQ(result.out, "9\n") << result.err;
    EXPECT_TRUE(contains(echoing.stop(), " collisions 0\n"));
}

TEST_F(CliAgainstSimulator, ResultsThatCannotBeWrittenAreNotLost) {
    Simulator simulator({});
    for (const QStringList& command :
         {QStringList{"read"}, QStringList{"watch", "--interval", "10", "--count", "3"},
          QStringList{"--json", "read"}, QStringList{"scan", "--to", "2", "--timeout", "50"}}) {
        QProcess process;
        process.setStandardOutputFile("/dev/full");
        process.start(program("TC24_CLI"), QStringList{"--port", simulator.port()} + command);
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitCode(), 4) << command.join(' ').toStdString();
        EXPECT_TRUE(contains(process.readAllStandardError().toStdString(),
                             "cannot write standard output: No space left on device"));
    }
    // A closed pipe ends the command quietly, as other tools do.
    QProcess shell;
    shell.start("bash", {"-c",
                         "\"$0\" --port \"$1\" watch --interval 10 | head -n 2 >/dev/null; "
                         "echo \"${PIPESTATUS[0]}\"",
                         program("TC24_CLI"), simulator.port()});
    ASSERT_TRUE(shell.waitForFinished(10000));
    EXPECT_EQ(shell.readAllStandardOutput().trimmed().toStdString(), "141");
    EXPECT_EQ(shell.readAllStandardError().toStdString(), "");
}

TEST_F(CliAgainstSimulator, EveryCommandEndsCleanlyOnASignal) {
    Simulator simulator({});
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        QProcess scanning;
        scanning.start(program("TC24_CLI"),
                       {"--port", simulator.port(), "scan", "--timeout", "100"});
        ASSERT_TRUE(scanning.waitForStarted());
        while (!scanning.canReadLine() && scanning.waitForReadyRead(5000)) {
        }
        EXPECT_EQ(scanning.readLine().toStdString(), "1\n");  // station 1 found, the rest silent
        ::kill(static_cast<pid_t>(scanning.processId()), signal);
        ASSERT_TRUE(scanning.waitForFinished(5000));
        EXPECT_EQ(scanning.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(scanning.exitCode(), 128 + signal);
        // The port is free again at once.
        EXPECT_EQ(cli(simulator, {"read", "--count", "1"}).status, 0);
    }
}

TEST_F(CliAgainstSimulator, FaultsEndWithTheRightStatus) {
    {
        Simulator dropping({"--drop", "every:2"});
        EXPECT_EQ(cli(dropping, {"read"}).status, 0);
        const auto dropped = cli(dropping, {"read", "--timeout", "300"});
        EXPECT_EQ(dropped.status, 1);
        EXPECT_TRUE(contains(dropped.err, "no reply within 300 ms")) << dropped.err;
        EXPECT_EQ(cli(dropping, {"read"}).status, 0);
        const auto retried = cli(dropping, {"read", "--timeout", "300", "--retries", "1"});
        EXPECT_EQ(retried.status, 0) << retried.err;
        EXPECT_TRUE(contains(dropping.stop(), "faults drop=2 "));
    }
    {
        Simulator corrupting({"--corrupt", "every:1"});
        const auto result = cli(corrupting, {"read"});
        EXPECT_EQ(result.status, 1);
        EXPECT_TRUE(contains(result.err, "wrong CRC")) << result.err;
    }
    for (const char* transport : {"pty", "tcp"}) {
        QStringList arguments{"--vanish", "every:1", "--vanish-ms", "5000"};
        if (std::string(transport) == "tcp") {
            arguments << "--tcp"
                      << "0";
        }
        Simulator vanishing(arguments);
        const auto result = cli(vanishing, {"serials", "read"});
        EXPECT_TRUE(result.status == 1 || result.status == 3) << transport << result.err;
        EXPECT_LT(result.ms, 4000) << transport;  // the time-out at most, not the line's return
    }
}

TEST_F(CliAgainstSimulator, VerifyCatchesANumberStoredWrongly) {
    testing::Harness window;
    const std::string list = windowList(window, 4);
    Simulator simulator({"--misstore", "every:3"});
    const auto result =
        cli(simulator, {"serials", "write", QString::fromStdString(list), "--verify"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(lines(result.out), 2);
    EXPECT_TRUE(contains(result.err,
                         "position 3: wrote 28 11 22 33 44 55 30 93 but it reads "
                         "back 28 11 22 33 44 55 30 92"))
        << result.err;
}

TEST_F(CliAgainstSimulator, AListSavedByTheWindowComesBackIdentical) {
    testing::Harness window;
    const std::string saved = windowList(window, 5);
    const std::string back = (dir.path() / "back.txt").string();
    for (const char* transport : {"pty", "tcp"}) {
        Simulator second(std::string(transport) == "tcp" ? QStringList{"--tcp", "0"}
                                                         : QStringList{});
        ASSERT_FALSE(second.port().isEmpty()) << transport;
        auto result = cli(second, {"serials", "write", QString::fromStdString(saved), "--verify"});
        EXPECT_EQ(result.status, 0) << transport << result.err;
        result = cli(second, {"serials", "read", "--positions", "1-5", "--out",
                              QString::fromStdString(back)});
        EXPECT_EQ(result.status, 0) << transport << result.err;
        EXPECT_EQ(readWholeFile(back), readWholeFile(saved)) << transport;
        EXPECT_EQ(cli(second, {"read", "--count", "5"}).status, 0) << transport;
    }
}

}  // namespace
}  // namespace tc24
