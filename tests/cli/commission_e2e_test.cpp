// tc24-cli commission as a production line runs it, against tc24-sim on a pseudo-terminal:
// the record read back field by field, a failing module for each check, the log, the printed
// report, --scan over three modules.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>

#include "core/fakes.h"
#include "link/files.h"
#include "record/record.h"

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
        }
    }
    // Whatever the test did, the tool never talked over a reply.
    ~Simulator() {
        if (!port_.isEmpty()) {
            EXPECT_NE(stop().find(" collisions 0\n"), std::string::npos) << summary_;
        }
    }

    const QString& port() const { return port_; }

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
};

// Short time-outs and a quick reading window: two readings 50 ms apart.
const QStringList kLine{"--baud", "19200", "--timeout", "100"};
const QStringList kQuick{"commission", "--reads", "2", "--interval", "50"};

Result cli(const Simulator& simulator, const QStringList& arguments) {
    QProcess process;
    process.start(program("TC24_CLI"), QStringList{"--port", simulator.port()} + kLine + arguments);
    Result result;
    if (process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit) {
        result.status = process.exitCode();
    } else {
        process.kill();
        process.waitForFinished(2000);
    }
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    return result;
}

QJsonObject jsonObject(const std::string& text) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

QJsonObject checkOf(const QJsonObject& record, const char* id) {
    for (const auto& check : record["checks"].toArray()) {
        if (check.toObject()["id"].toString() == id) {
            return check.toObject();
        }
    }
    return {};
}

// Sensors with a valid 1-Wire CRC-8 in their last byte, written out as the table and the
// record write them.
const char* const kSerials[] = {"28 10 20 30 40 50 01 ED", "28 10 20 30 40 50 02 0F",
                                "28 10 20 30 40 50 03 51", "28 10 20 30 40 50 04 D2"};
const char* const kReadings[] = {"25.00", "25.10", "24.90", "25.05"};

// A module's table: positions 1 to 4 hold kSerials, reading kReadings; `extra` is appended.
std::string goodTable(const std::string& extra = {}) {
    std::string table;
    for (int i = 0; i < 4; ++i) {
        table += std::to_string(i + 1) + "  " + kSerials[i] + "  " + kReadings[i] + "\n";
    }
    return table + extra;
}

class CommissionAgainstSimulator : public ::testing::Test {
protected:
    void SetUp() override {
        if (program("TC24_SIM").isEmpty() || program("TC24_CLI").isEmpty()) {
            GTEST_SKIP() << "TC24_SIM and TC24_CLI name the programs";
        }
    }
    QString file(const std::string& name, const std::string& content) {
        std::ofstream(dir.path() / name, std::ios::binary) << content;
        return path(name);
    }
    QString path(const std::string& name) const {
        return QString::fromStdString((dir.path() / name).string());
    }
    // A simulator of one module at address 1 with `table`, and `faults`.
    std::unique_ptr<Simulator> simulator(const std::string& table, const QStringList& faults = {}) {
        ++tables_;
        return std::make_unique<Simulator>(
            QStringList{"--sensors", file("table" + std::to_string(tables_) + ".txt", table)} +
            faults);
    }
    testing::TempDir dir;

private:
    int tables_ = 0;
};

TEST_F(CommissionAgainstSimulator, AGoodModulePassesAndItsRecordReadsBackFieldByField) {
    const auto module = simulator(goodTable());
    ASSERT_FALSE(module->port().isEmpty());
    const QString list = file("list.txt",
                              "4\r\n\"28 10 20 30 40 50 01 ED\"\r\n\"28 10 20 30 40 50 02 0F\"\r\n"
                              "\"28 10 20 30 40 50 03 51\"\r\n\"28 10 20 30 40 50 04 D2\"\r\n");
    const QString record = path("module.json");
    const QString log = path("production.csv");
    const auto result =
        cli(*module, kQuick + QStringList{"--sensors",   "4",      "--positions", "1-4",
                                          "--list",      list,     "--min",       "24.9",
                                          "--max",       "25.1",   "--spread",    "0.15",
                                          "--record",    record,   "--log",       log,
                                          "--operator",  "Li Wei", "--note",      "bath at 25 °C",
                                          "--module-id", "CAB-01"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "station 1 (CAB-01): pass\n");

    const auto json = jsonObject(readWholeFile(record.toStdString()).value_or(""));
    QProcess version;
    version.start(program("TC24_CLI"), {"--version"});
    ASSERT_TRUE(version.waitForFinished(5000));
    EXPECT_EQ(json["format"].toString(), "tc24-record/1");
    EXPECT_EQ(json["tool"].toObject()["name"].toString(), "tc24-cli");
    EXPECT_EQ("tc24-cli " + json["tool"].toObject()["version"].toString() + "\n",
              QString::fromUtf8(version.readAllStandardOutput()));
    const QRegularExpression iso(
        "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d$");
    EXPECT_TRUE(iso.match(json["start"].toString()).hasMatch())
        << json["start"].toString().toStdString();
    EXPECT_TRUE(iso.match(json["end"].toString()).hasMatch());
    EXPECT_LE(json["start"].toString(), json["end"].toString());
    EXPECT_EQ(json["operator"].toString(), "Li Wei");
    EXPECT_EQ(json["note"].toString(), QString::fromUtf8("bath at 25 °C"));
    EXPECT_EQ(json["module_id"].toString(), "CAB-01");
    EXPECT_EQ(json["line"].toObject()["port"].toString(), module->port());
    EXPECT_EQ(json["line"].toObject()["baud"].toInt(), 19200);
    EXPECT_EQ(json["module"].toObject()["address"].toInt(), 1);
    EXPECT_TRUE(json["module"].toObject()["old_address"].isNull());
    EXPECT_EQ(json["module"].toObject()["sensor_count"].toInt(), 4);

    const auto positions = json["positions"].toArray();
    ASSERT_EQ(positions.size(), 24);
    const double readings[] = {25.0, 25.1, 24.9, 25.05};
    for (int i = 0; i < 24; ++i) {
        const auto entry = positions[i].toObject();
        const auto stats = entry["readings"].toObject();
        EXPECT_EQ(entry["position"].toInt(), i + 1);
        if (i < 4) {
            EXPECT_EQ(entry["state"].toString(), "present") << i;
            EXPECT_EQ(entry["serial"].toString(), kSerials[i]);
            EXPECT_EQ(entry["expected"].toString(), kSerials[i]);
            EXPECT_TRUE(entry["matched"].toBool());
            EXPECT_EQ(stats["count"].toInt(), 2);
            EXPECT_EQ(stats["no_reading"].toInt(), 0);
            EXPECT_EQ(stats["lowest"].toDouble(), readings[i]);
            EXPECT_EQ(stats["mean"].toDouble(), readings[i]);
            EXPECT_EQ(stats["highest"].toDouble(), readings[i]);
        } else {
            EXPECT_EQ(entry["state"].toString(), "empty") << i;
            EXPECT_TRUE(entry["serial"].isNull());
            EXPECT_FALSE(entry.contains("expected"));  // beyond the list
            EXPECT_EQ(stats["count"].toInt(), 0);
            EXPECT_EQ(stats["no_reading"].toInt(), 2);
        }
    }
    EXPECT_EQ(json["polls"].toObject()["count"].toInt(), 2);
    EXPECT_EQ(json["polls"].toObject()["failed"].toInt(), 0);
    EXPECT_TRUE(json["not_done"].toArray().isEmpty());
    EXPECT_FALSE(json["interrupted"].toBool());
    EXPECT_EQ(json["verdict"].toString(), "pass");
    const auto checks = json["checks"].toArray();
    ASSERT_EQ(checks.size(), 9);
    const char* ids[] = {"sensor_count", "positions", "assigned", "list_match", "duplicates",
                         "crc8",         "limits",    "spread",   "readings"};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(checks[i].toObject()["id"].toString(), ids[i]);
        EXPECT_EQ(checks[i].toObject()["result"].toString(), "pass") << ids[i];
    }
    EXPECT_EQ(checkOf(json, "sensor_count")["limits"].toObject()["expected"].toInt(), 4);
    EXPECT_EQ(checkOf(json, "limits")["limits"].toObject()["min"].toDouble(), 24.9);
    EXPECT_EQ(checkOf(json, "limits")["limits"].toObject()["max"].toDouble(), 25.1);
    EXPECT_EQ(checkOf(json, "spread")["limits"].toObject()["spread"].toDouble(), 0.15);
    EXPECT_EQ(checkOf(json, "list_match")["limits"].toObject()["list"].toString(), list);
    EXPECT_FALSE(checkOf(json, "list_match")["limits"].toObject()["written"].toBool());

    // The production log: its header, then the module's line.
    const std::string logged = readWholeFile(log.toStdString()).value_or("");
    const auto lineEnd = logged.find("\r\n");
    ASSERT_NE(lineEnd, std::string::npos);
    EXPECT_EQ(logged.substr(0, lineEnd + 2), record::logHeader());
    const std::string line = logged.substr(lineEnd + 2);
    EXPECT_EQ(line.substr(0, 29), json["end"].toString().toStdString());
    EXPECT_EQ(line.substr(29), ",1,pass,\"\",Li Wei,CAB-01," + record.toStdString() + "," +
                                   json["tool"].toObject()["version"].toString().toStdString() +
                                   "," + kSerials[0] + "," + kSerials[1] + "," + kSerials[2] + "," +
                                   kSerials[3] + std::string(20, ',') + "\r\n");
}

// Each check failed on its own, by the module's table, a fault or a limit: status 5 each.
TEST_F(CommissionAgainstSimulator, EachCheckFailsWithStatusFive) {
    const QString swapped =
        file("swapped.txt",
             "4\r\n\"28 10 20 30 40 50 01 ED\"\r\n\"28 10 20 30 40 50 03 51\"\r\n"
             "\"28 10 20 30 40 50 02 0F\"\r\n\"28 10 20 30 40 50 04 D2\"\r\n");
    const QString twice = file("twice.txt",
                               "5\r\n\"28 10 20 30 40 50 01 ED\"\r\n\"28 10 20 30 40 50 02 0F\"\r\n"
                               "\"28 10 20 30 40 50 03 51\"\r\n\"28 10 20 30 40 50 04 D2\"\r\n"
                               "\"28 10 20 30 40 50 01 ED\"\r\n");
    const struct {
        const char* check;
        std::string table;
        QStringList faults;
        QStringList options;
    } cases[] = {
        {"sensor_count", goodTable(), {}, {"--sensors", "5", "--positions", "1-4"}},
        {"positions", goodTable(), {}, {"--positions", "1-5"}},
        {"assigned", goodTable("new  28 A0 B0 C0 D0 E0 01 06  21.50\n"), {}, {}},
        {"list_match", goodTable(), {}, {"--list", swapped}},
        // The table cannot put one sensor at two positions; a list written with --write can.
        {"duplicates", goodTable(), {}, {"--list", twice, "--write"}},
        {"crc8", goodTable("5  28 10 20 30 40 50 05 8D  25.00\n"), {}, {}},
        {"limits", goodTable(), {}, {"--min", "24.95"}},
        {"spread", goodTable("5  28 10 20 30 40 50 05 8C  26.00\n"), {}, {"--spread", "0.5"}},
        // Reply 27 is the first reading's (after the find, the count and 24 positions).
        {"readings", goodTable(), {"--exception", "every:27"}, {"--station", "1"}},
    };
    for (const auto& c : cases) {
        const auto module = simulator(c.table, c.faults);
        const auto result = cli(*module, kQuick + c.options + QStringList{"--json"});
        EXPECT_EQ(result.status, 5) << c.check << "\n" << result.err;
        const auto json = jsonObject(result.out);
        EXPECT_EQ(checkOf(json, c.check)["result"].toString(), "fail") << c.check << result.out;
        EXPECT_EQ(json["verdict"].toString(), "fail") << c.check;
        EXPECT_TRUE(json["not_done"].toArray().isEmpty()) << c.check << result.out;
    }
}

TEST_F(CommissionAgainstSimulator, AStepWithoutAReplyIsNotDoneWithStatusOne) {
    // Reply 2 is the sensor count's.
    const auto module = simulator(goodTable(), {"--drop", "every:2"});
    const auto result = cli(*module, kQuick + QStringList{"--station", "1", "--json"});
    EXPECT_EQ(result.status, 1) << result.err;
    const auto json = jsonObject(result.out);
    // Position 2 and the second reading are dropped too: a failed check, which a step not
    // done outranks.
    EXPECT_EQ(json["verdict"].toString(), "fail");
    EXPECT_EQ(checkOf(json, "readings")["result"].toString(), "fail");
    ASSERT_EQ(json["not_done"].toArray().size(), 2) << result.out;
    const auto first = json["not_done"].toArray()[0].toObject();
    EXPECT_EQ(first["step"].toString(), "sensor_count");
    EXPECT_EQ(first["reason"].toString(), "no reply within 100 ms");
}

TEST_F(CommissionAgainstSimulator, TheReportHoldsTheSerialNumbersReadingsAndVerdict) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) {
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    const auto module = simulator(goodTable());
    const QString report = path("module.pdf");
    const auto result = cli(*module, kQuick + QStringList{"--report", report, "--max", "25.05"});
    EXPECT_EQ(result.status, 5) << result.err;
    QProcess text;
    text.start("pdftotext", {"-layout", report, "-"});
    ASSERT_TRUE(text.waitForFinished(10000));
    const QString page = QString::fromUtf8(text.readAllStandardOutput());
    for (const char* serial : kSerials) {
        EXPECT_TRUE(page.contains(serial)) << serial << "\n" << page.toStdString();
    }
    for (const char* reading : kReadings) {
        EXPECT_TRUE(page.contains(reading)) << reading;
    }
    EXPECT_TRUE(page.contains("Verdict: fail")) << page.toStdString();
    EXPECT_TRUE(page.contains("channel 2 read 25.10, above the limit")) << page.toStdString();
}

TEST_F(CommissionAgainstSimulator, ScanCommissionsThreeModulesOnOneLine) {
    const std::string table =
        "module 1\n" + goodTable() + "module 2\n" + goodTable() + "module 3\n" + goodTable();
    const auto line = simulator(table, {"--address", "3,7,12"});
    const auto folder = dir.path() / "records";
    std::filesystem::create_directory(folder);
    const QString log = path("production.csv");
    const auto result =
        cli(*line, kQuick + QStringList{"--scan", "--from", "1", "--to", "14", "--record",
                                        QString::fromStdString(folder.string()), "--log", log,
                                        "--json", "--sensors", "4"});
    EXPECT_EQ(result.status, 0) << result.err;
    const auto records = QJsonDocument::fromJson(QByteArray::fromStdString(result.out)).array();
    ASSERT_EQ(records.size(), 3) << result.out;
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        files.push_back(entry.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    ASSERT_EQ(files.size(), 3u);
    const int found[] = {3, 7, 12};
    const int named[] = {12, 3, 7};  // as the names sort
    for (std::size_t i = 0; i < 3; ++i) {
        const auto json = records[static_cast<int>(i)].toObject();
        EXPECT_EQ(json["module"].toObject()["address"].toInt(), found[i]);
        EXPECT_EQ(json["verdict"].toString(), "pass");
        EXPECT_EQ(files[i].rfind("tc24-" + std::to_string(named[i]) + "-", 0), 0u) << files[i];
        EXPECT_EQ(files[i].substr(files[i].size() - 5), ".json") << files[i];
    }
    const std::string logged = readWholeFile(log.toStdString()).value_or("");
    EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 4);
}

TEST_F(CommissionAgainstSimulator, ASignalWritesTheRecordMarkedInterrupted) {
    const auto module = simulator(goodTable());
    const QString record = path("module.json");
    QProcess job;
    job.start(program("TC24_CLI"), QStringList{"--port", module->port()} + kLine +
                                       QStringList{"commission", "--reads", "100", "--interval",
                                                   "50", "--record", record, "--json"});
    ASSERT_TRUE(job.waitForStarted());
    QThread::msleep(1200);  // into the reading window
    ::kill(static_cast<pid_t>(job.processId()), SIGTERM);
    ASSERT_TRUE(job.waitForFinished(5000));
    EXPECT_EQ(job.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(job.exitCode(), 128 + SIGTERM);
    const auto json = jsonObject(readWholeFile(record.toStdString()).value_or(""));
    EXPECT_TRUE(json["interrupted"].toBool());
    EXPECT_GT(json["polls"].toObject()["count"].toInt(), 0);
    EXPECT_LT(json["polls"].toObject()["count"].toInt(), 100);
    EXPECT_EQ(jsonObject(job.readAllStandardOutput().toStdString()), json);
}

}  // namespace
}  // namespace tc24
