// tc24-cli commission over a fake line to simulated modules: the options and the profile, the
// steps and what each sends, the record written in every case, the exit statuses and the log.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <set>

#include "cli/commission.h"
#include "cli/fake_line.h"
#include "cli/list_file.h"
#include "link/files.h"
#include "protocol/frames.h"
#include "record/record.h"

namespace tc24::cli {
namespace {

using Fault = FakeLine::Fault;
using protocol::RequestKind;
using protocol::SerialNumber;

// Serial numbers with a valid 1-Wire CRC-8 in their last byte.
constexpr SerialNumber kS1 = {0x28, 0x10, 0x20, 0x30, 0x40, 0x50, 0x01, 0xED};
constexpr SerialNumber kS2 = {0x28, 0x10, 0x20, 0x30, 0x40, 0x50, 0x02, 0x0F};
constexpr SerialNumber kS3 = {0x28, 0x10, 0x20, 0x30, 0x40, 0x50, 0x03, 0x51};
constexpr SerialNumber kS4 = {0x28, 0x10, 0x20, 0x30, 0x40, 0x50, 0x04, 0xD2};

// Positions 1 to 4 hold kS1 to kS4, reading 25.00, 25.10, 24.90 and 25.05.
sim::Module goodModule(std::uint8_t address) {
    sim::Module module(address);
    const std::pair<SerialNumber, int> sensors[] = {
        {kS1, 2500}, {kS2, 2510}, {kS3, 2490}, {kS4, 2505}};
    for (int position = 1; position <= 4; ++position) {
        const auto& [serial, reading] = sensors[position - 1];
        module.attach({serial, reading});
        module.assign(position, serial);
    }
    return module;
}

struct OneModule : Cli {
    OneModule() : Cli(sim::Line({goodModule(1)})) {}
};

QString q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// The quick reading window every run here takes.
const QStringList kQuick{"commission", "--reads", "3", "--interval", "1"};

QJsonObject jsonObject(const std::string& text) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

std::string checkResult(const QJsonObject& record, const char* id) {
    for (const auto& check : record["checks"].toArray()) {
        if (check.toObject()["id"].toString() == id) {
            return check.toObject()["result"].toString().toStdString();
        }
    }
    return "no such check";
}

// The steps not done, "step: reason" each.
std::vector<std::string> notDone(const QJsonObject& record) {
    std::vector<std::string> steps;
    for (const auto& step : record["not_done"].toArray()) {
        steps.push_back(step.toObject()["step"].toString().toStdString() + ": " +
                        step.toObject()["reason"].toString().toStdString());
    }
    return steps;
}

std::vector<RequestKind> kindsSent(const FakeLine& line) {
    std::vector<RequestKind> kinds;
    for (const Bytes& request : line.sent) {
        kinds.push_back(protocol::requestKind(request));
    }
    return kinds;
}

// `count` requests pass, then `fault` strikes the next `times`.
std::deque<Fault> after(int count, Fault fault, int times = 1) {
    std::deque<Fault> faults(static_cast<std::size_t>(count), Fault::None);
    faults.insert(faults.end(), static_cast<std::size_t>(times), fault);
    return faults;
}

constexpr int kFindAndCount = 2;                     // the address query, the sensor count
constexpr int kBeforeReadings = kFindAndCount + 24;  // and the 24 serial numbers

TEST(CommissionUsage, BadOptionsAreRefusedBeforeAnythingIsSent) {
    OneModule cli;
    const auto four = cli.file("four.txt", listFileContent({kS1, kS2, kS3, kS4}));
    const auto gap = cli.file("gap.txt", listFileContent({kS1, std::nullopt, kS3, kS4}));
    const auto profile = cli.file("bad.ini", "min=20\nmax=warm\n");
    const auto unknown = cli.file("unknown.ini", "sensors=4\nspred=0.5\n");
    const auto folder = cli.dir.path() / "records";
    std::filesystem::create_directory(folder);
    const struct {
        QStringList arguments;
        const char* message;
    } cases[] = {
        {{"--min", "5.555"}, "--min 5.555: more than two decimals"},
        {{"--max", "warm"}, "--max warm: expected degrees"},
        {{"--max", "200.01"}, "outside the module's range, -455.35 to 200.00"},
        {{"--spread", "-1"}, "--spread -1: a spread is not negative"},
        {{"--min", "30", "--max", "20"}, "--min 30.00 is above --max 20.00"},
        {{"--sensors", "25"}, "--sensors 25: expected a whole number from 0 to 24"},
        {{"--reads", "0"}, "--reads 0"},
        {{"--positions", "4-2"}, "the last comes before the first"},
        {{"--write"}, "--write needs --list FILE"},
        {{"--scan", "--set-address", "3"}, "--scan and --set-address"},
        {{"--scan", "--list", q(four), "--write"}, "--scan and --write"},
        {{"--scan", "--station", "3"}, "--scan and --station"},
        {{"--from", "3"}, "--from and --to go with --scan"},
        {{"--scan", "--from", "9", "--to", "3"}, "the last station comes before the first"},
        {{"--set-address", "250"}, "--set-address 250"},
        {{"--list", "missing.txt"}, "cannot read missing.txt"},
        {{"--list", q(four), "--sensors", "3"},
         "holds 4 entries, but the expected positions end at position 3 (--sensors 3)"},
        {{"--list", q(four), "--positions", "2-5"}, "end at position 5 (--positions 2-5)"},
        {{"--list", q(gap), "--sensors", "4"}, "entry 2 is empty, but position 2 must hold"},
        {{"--profile", q(profile)}, "bad.ini: max = \"warm\": expected degrees"},
        {{"--profile", q(unknown)}, "unknown key \"spred\""},
        {{"--profile", "none.ini"}, "--profile none.ini: no such file"},
        {{"--record", q(folder)}, "is a directory"},
        {{"--log", q(cli.dir.path() / "missing" / "log.csv")}, "does not exist"},
        {{"--scan", "--record", q(cli.dir.path() / "nowhere")}, "there is no such folder"},
        {{"--record", "same.json", "--log", "same.json"}, "the same file"},
        {{"--bake"}, "Unknown option 'bake'"},
    };
    for (const auto& c : cases) {
        const auto result = cli(QStringList{"commission"} + c.arguments);
        EXPECT_EQ(result.status, kUsage) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_TRUE(cli.line.sent.empty()) << c.message;
    }
}

// The plan a command line and a profile make together.
std::optional<CommissionPlan> plan(const QStringList& arguments, std::string& error) {
    const auto parsed = parseArguments(QStringList{"tc24-cli", "commission"} + arguments);
    if (!parsed.invocation) {
        error = parsed.error;
        return std::nullopt;
    }
    return planCommission(*parsed.invocation, error);
}

TEST(CommissionProfile, FillsWhatTheCommandLineLeavesUnset) {
    testing::TempDir dir;
    const auto write = [&](const char* name, const std::string& content) {
        std::ofstream(dir.path() / name) << content;
        return q(dir.path() / name);
    };
    const QString product = write("product.ini",
                                  "sensors=4\npositions=1-4\nmin=-5.5\nmax = 30\n"
                                  "spread=0.25\nreads=3\ninterval=20\n");
    std::string error;
    auto fromProfile = plan({"--profile", product}, error);
    ASSERT_TRUE(fromProfile) << error;
    EXPECT_EQ(fromProfile->limits.sensors, 4);
    EXPECT_EQ(fromProfile->limits.positions, (std::pair{1, 4}));
    EXPECT_EQ(fromProfile->limits.minCentidegrees, -550);
    EXPECT_EQ(fromProfile->limits.maxCentidegrees, 3000);
    EXPECT_EQ(fromProfile->limits.spreadCentidegrees, 25);
    EXPECT_EQ(fromProfile->reads, 3);
    EXPECT_EQ(fromProfile->intervalMs, 20);

    // The command line wins, key by key.
    auto overridden = plan({"--profile", product, "--min", "10", "--reads", "7"}, error);
    ASSERT_TRUE(overridden) << error;
    EXPECT_EQ(overridden->limits.minCentidegrees, 1000);
    EXPECT_EQ(overridden->limits.maxCentidegrees, 3000);
    EXPECT_EQ(overridden->reads, 7);

    // Without a profile: the defaults, and nothing configured.
    auto bare = plan({}, error);
    ASSERT_TRUE(bare) << error;
    EXPECT_EQ(bare->reads, 5);
    EXPECT_EQ(bare->intervalMs, 1000);
    EXPECT_FALSE(bare->limits.sensors || bare->limits.minCentidegrees || bare->list);
    EXPECT_TRUE(bare->limits.crcCheck);

    // A limit the profile's own min/max contradict is caught after the merge.
    EXPECT_FALSE(plan({"--profile", product, "--max", "-6"}, error));
    EXPECT_NE(error.find("--min -5.50 is above --max -6.00"), std::string::npos) << error;

    // Each bad value names its key.
    const struct {
        const char* content;
        const char* message;
    } bad[] = {
        {"min=1,5\n", "min = \"1,5\""},  // QSettings reads a comma as a list
        {"reads=0\n", "reads = \"0\": expected a whole number from 1"},
        {"positions=0-4\n", "positions = \"0-4\""},
        {"[limits]\nmin=5\n", "unknown key \"limits/min\""},
        {"sensors=four\n", "sensors = \"four\""},
    };
    int written = 0;
    for (const auto& b : bad) {
        // A file of its own each: QSettings may keep what it read of a path.
        const std::string name = "bad" + std::to_string(++written) + ".ini";
        EXPECT_FALSE(plan({"--profile", write(name.c_str(), b.content)}, error)) << b.content;
        EXPECT_NE(error.find(b.message), std::string::npos) << error;
    }
}

TEST(CommissionSteps, AGoodModulePassesAndItsRecordSaysWhatWasDone) {
    OneModule cli;
    const auto record = cli.dir.path() / "module.json";
    const auto result = cli(kQuick + QStringList{"--sensors", "4", "--min", "24.9", "--max",
                                                 "25.10", "--spread", "0.1", "--record", q(record),
                                                 "--operator", "Ann", "--module-id", "A-17"});
    EXPECT_EQ(result.status, kDone) << result.err;
    EXPECT_EQ(result.out, "station 1 (A-17): pass\n");
    EXPECT_EQ(result.err, "");

    // Found at station 250, the sensor count, 24 positions, three readings.
    std::vector<RequestKind> expected{RequestKind::ReadAddress, RequestKind::SensorCount};
    expected.insert(expected.end(), 24, RequestKind::ReadSerialNumber);
    expected.insert(expected.end(), 3, RequestKind::ReadRegisters);
    EXPECT_EQ(kindsSent(cli.line), expected);
    EXPECT_EQ(cli.line.sent.back(), testing::hexBytes("01 03 00 00 00 18 45 C0"));

    // The record field by field is the end-to-end test's; here what the run put into it.
    const auto json = jsonObject(readWholeFile(record).value_or(""));
    EXPECT_EQ(json["verdict"].toString(), "pass");
    EXPECT_EQ(json["operator"].toString(), "Ann");
    EXPECT_EQ(json["line"].toObject()["port"].toString(), "COM1 (/dev/ttyUSB0)");
    EXPECT_EQ(json["module"].toObject()["sensor_count"].toInt(), 4);
    const auto positions = json["positions"].toArray();
    ASSERT_EQ(positions.size(), 24);
    EXPECT_EQ(positions[1].toObject()["serial"].toString(), "28 10 20 30 40 50 02 0F");
    EXPECT_EQ(positions[1].toObject()["readings"].toObject()["count"].toInt(), 3);
    EXPECT_EQ(checkResult(json, "spread"), "pass");
    EXPECT_EQ(checkResult(json, "list_match"), "not_configured");

    // --json prints the record itself, compact, on one line.
    const auto printed = cli(kQuick + QStringList{"--json", "--station", "1"});
    EXPECT_EQ(printed.status, kDone) << printed.err;
    EXPECT_EQ(std::count(printed.out.begin(), printed.out.end(), '\n'), 1);
    EXPECT_EQ(jsonObject(printed.out)["format"].toString(), "tc24-record/1");
}

TEST(CommissionSteps, ChangesTheAddressAndWritesTheListWithVerification) {
    sim::Module module(1);
    module.attach({kS1, 2500});
    module.attach({kS2, 2500});
    module.assign(1, kS1);
    module.assign(2, kS2);
    module.assign(3, kS3);  // a stale number, no such sensor on the bus
    Cli cli(sim::Line({module}));
    // Swapped, and position 3 emptied.
    const auto list = cli.file("list.txt", listFileContent({kS2, kS1, std::nullopt}));
    auto result = cli(kQuick + QStringList{"--station", "1", "--set-address", "9", "--list",
                                           q(list), "--write", "--json"});
    EXPECT_EQ(result.status, kDone) << result.err;
    EXPECT_EQ(cli.line.module(0).address(), 9);
    EXPECT_EQ(cli.line.module(0).assigned(1), kS2);
    EXPECT_EQ(cli.line.module(0).assigned(3), protocol::kNoSerialNumber);

    std::vector<RequestKind> expected{RequestKind::ReadRegisters,  // is a module at 1
                                      RequestKind::ReadRegisters,  // is 9 free
                                      RequestKind::ChangeAddress,
                                      RequestKind::ReadRegisters,  // does it answer at 9
                                      RequestKind::SensorCount};
    for (int position = 1; position <= 3; ++position) {
        expected.push_back(RequestKind::WriteSerialNumber);
        expected.push_back(RequestKind::ReadSerialNumber);  // read back at once
    }
    expected.insert(expected.end(), 21, RequestKind::ReadSerialNumber);
    expected.insert(expected.end(), 3, RequestKind::ReadRegisters);
    EXPECT_EQ(kindsSent(cli.line), expected);
    EXPECT_EQ(cli.line.sent[4][0], 9);  // everything after the change goes to 9
    EXPECT_EQ(cli.line.sent[9], testing::hexBytes("09 22 0C 03 FF FF FF FF FF FF FF FF 4D 2D"));

    auto json = jsonObject(result.out);
    EXPECT_EQ(json["module"].toObject()["address"].toInt(), 9);
    EXPECT_EQ(json["module"].toObject()["old_address"].toInt(), 1);
    EXPECT_EQ(checkResult(json, "list_match"), "pass");
    EXPECT_TRUE(json["checks"].toArray()[3].toObject()["limits"].toObject()["written"].toBool());

    // A number the module stores wrongly is caught by the read-back: a failed check.
    cli.line.module(0).setAddress(1);
    cli.line.misstore = sim::Misstore(*sim::parseFaultRate("every:2"));
    result = cli(kQuick + QStringList{"--station", "1", "--list", q(list), "--write", "--json"});
    EXPECT_EQ(result.status, kCheckFailed) << result.err;
    json = jsonObject(result.out);
    EXPECT_EQ(checkResult(json, "list_match"), "fail");
    EXPECT_EQ(json["positions"].toArray()[1].toObject()["serial"].toString(),
              "28 10 20 30 40 50 01 EC");
    EXPECT_FALSE(json["positions"].toArray()[1].toObject()["matched"].toBool(true));

    // A device already at the new address: the change is not made, and not done.
    Cli two(sim::Line({goodModule(1), goodModule(9)}));
    result = two(kQuick + QStringList{"--station", "1", "--set-address", "9"});
    EXPECT_EQ(result.status, kModuleFailed);
    EXPECT_EQ(two.line.module(0).address(), 1);
    EXPECT_NE(result.out.find("not done: set_address: a device already answers at 9"),
              std::string::npos)
        << result.out;
    EXPECT_EQ(protocol::requestKind(two.line.sent[2]), RequestKind::SensorCount);
    EXPECT_EQ(two.line.sent[2][0], 1);  // the job went on at the address it has
}

TEST(CommissionStatus, EachOutcomeHasItsStatusInOrderOfPrecedence) {
    // A check fails: 5.
    OneModule cli;
    auto result = cli(kQuick + QStringList{"--max", "25.05"});
    EXPECT_EQ(result.status, kCheckFailed);
    EXPECT_EQ(result.out,
              "station 1: fail\n  failed: limits: channel 2 read 25.10, above the limit\n");

    // A step without a valid reply: 1, the verdict incomplete, the steps after it done.
    cli.line.faultOnce = {{RequestKind::SensorCount, Fault::Drop}};
    result = cli(kQuick + QStringList{"--json"});
    EXPECT_EQ(result.status, kModuleFailed);
    auto json = jsonObject(result.out);
    EXPECT_EQ(json["verdict"].toString(), "incomplete");
    EXPECT_EQ(notDone(json), std::vector<std::string>{"sensor_count: no reply within 30 ms"});
    EXPECT_EQ(checkResult(json, "assigned"), "not_run");
    EXPECT_EQ(json["polls"].toObject()["count"].toInt(), 3);

    // A report that cannot be written: 4, above a failed check, below a step not done.
    cli.writeReport = [](const record::Record&, const std::vector<record::CheckResult>&,
                         const std::filesystem::path&) {
        return std::optional<std::string>("No space left on device");
    };
    const QString report = q(cli.dir.path() / "module.pdf");
    result = cli(kQuick + QStringList{"--report", report});
    EXPECT_EQ(result.status, kOutputFailed);
    EXPECT_NE(result.err.find("module.pdf: No space left on device (the report could not be "
                              "written)"),
              std::string::npos)
        << result.err;
    result = cli(kQuick + QStringList{"--report", report, "--max", "25"});
    EXPECT_EQ(result.status, kOutputFailed);
    cli.line.faultOnce = {{RequestKind::SensorCount, Fault::Drop}};
    result = cli(kQuick + QStringList{"--report", report});
    EXPECT_EQ(result.status, kModuleFailed);

    // No module at the station: 1, and nothing more is asked of it.
    cli.line.sent.clear();
    result = cli(kQuick + QStringList{"--station", "8", "--json"});
    EXPECT_EQ(result.status, kModuleFailed);
    EXPECT_EQ(cli.line.sent.size(), 1u);
    json = jsonObject(result.out);
    EXPECT_TRUE(json["module"].toObject()["address"].isNull());
    const auto steps = notDone(json);
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0], "address: station 8: no reply within 30 ms");
    EXPECT_EQ(steps[3], "readings: the module was not found");

    // A configured check that could not run is incomplete: 1, although every step was done.
    Cli empty(sim::Line({sim::Module(1)}));
    result = empty(kQuick + QStringList{"--spread", "0.5"});
    EXPECT_EQ(result.status, kModuleFailed) << result.out;
    EXPECT_EQ(result.out, "station 1: incomplete\n  not run: spread\n");
}

TEST(CommissionPort, ALostPortStillWritesTheRecordWithTheStepsNotDone) {
    OneModule cli;
    cli.line.faults = after(kFindAndCount + 3, Fault::Lose);  // at position 4
    const auto record = cli.dir.path() / "module.json";
    const auto log = cli.dir.path() / "log.csv";
    const auto result =
        cli(kQuick + QStringList{"--record", q(record), "--log", q(log), "--sensors", "4"});
    EXPECT_EQ(result.status, kPortFailed);
    EXPECT_EQ(cli.line.sent.size(), static_cast<std::size_t>(kFindAndCount + 4));

    const auto json = jsonObject(readWholeFile(record).value_or(""));
    EXPECT_EQ(notDone(json),
              (std::vector<std::string>{
                  "serials: position 4: the port went away: the adapter was unplugged",
                  "readings: the port was lost before this step"}));
    EXPECT_EQ(json["verdict"].toString(), "incomplete");
    EXPECT_EQ(json["positions"].toArray()[2].toObject()["state"].toString(), "present");
    EXPECT_EQ(json["positions"].toArray()[3].toObject()["state"].toString(), "not_read");
    EXPECT_EQ(checkResult(json, "positions"), "not_run");
    EXPECT_EQ(checkResult(json, "sensor_count"), "pass");
    const std::string logged = readWholeFile(log).value_or("");
    EXPECT_NE(logged.find(",1,incomplete,\""), std::string::npos) << logged;
}

TEST(CommissionReadings, AFailedPollFailsTheCheckAndNoAnswerAtAllIsAStepNotDone) {
    OneModule cli;
    cli.line.faults = after(kBeforeReadings + 1, Fault::Drop);  // the second poll
    auto result = cli(kQuick + QStringList{"--json"});
    EXPECT_EQ(result.status, kCheckFailed);
    auto json = jsonObject(result.out);
    EXPECT_EQ(checkResult(json, "readings"), "fail");
    EXPECT_EQ(json["polls"].toObject()["failed"].toInt(), 1);
    EXPECT_EQ(json["positions"].toArray()[0].toObject()["readings"].toObject()["count"].toInt(), 2);
    EXPECT_TRUE(notDone(json).empty());

    cli.line.faults = after(kBeforeReadings, Fault::Drop, 3);
    result = cli(kQuick + QStringList{"--json"});
    EXPECT_EQ(result.status, kModuleFailed);
    EXPECT_EQ(notDone(jsonObject(result.out)),
              std::vector<std::string>{"readings: no reading was answered: no reply within 30 ms"});
}

TEST(CommissionScan, CommissionsEveryModuleFoundAtItsOwnAddress) {
    sim::Module warm = goodModule(7);
    warm.attach({kS2, 3100});  // position 2 reads 31.00
    Cli cli(sim::Line({goodModule(3), warm, goodModule(12)}));
    const auto folder = cli.dir.path() / "records";
    std::filesystem::create_directory(folder);
    const auto log = cli.dir.path() / "log.csv";
    std::vector<std::filesystem::path> reports;
    cli.writeReport = [&](const record::Record&, const std::vector<record::CheckResult>&,
                          const std::filesystem::path& file) {
        reports.push_back(file);
        return std::optional<std::string>();
    };
    auto result = cli(kQuick + QStringList{"--scan", "--from", "1", "--to", "15", "--max", "30",
                                           "--record", q(folder), "--report", q(folder), "--log",
                                           q(log), "--json", "--module-id", "C1"});
    EXPECT_EQ(result.status, kCheckFailed) << result.err;
    const auto records = QJsonDocument::fromJson(QByteArray::fromStdString(result.out)).array();
    ASSERT_EQ(records.size(), 3);
    const int addresses[] = {3, 7, 12};
    const char* verdicts[] = {"pass", "fail", "pass"};
    for (int i = 0; i < 3; ++i) {
        const auto json = records[i].toObject();
        EXPECT_EQ(json["module"].toObject()["address"].toInt(), addresses[i]);
        EXPECT_EQ(json["verdict"].toString(), verdicts[i]);
        const std::string base = "tc24-" + std::to_string(addresses[i]) + "-C1-" +
                                 json["start"].toString().left(19).replace(':', '-').toStdString();
        EXPECT_TRUE(std::filesystem::is_regular_file(folder / (base + ".json"))) << base;
        EXPECT_EQ(reports.at(static_cast<std::size_t>(i)), folder / (base + ".pdf"));
    }
    // Each module is asked at its own address, never at 250.
    std::set<int> stations;
    for (const Bytes& request : cli.line.sent) {
        if (protocol::requestKind(request) == RequestKind::ReadSerialNumber) {
            stations.insert(request[0]);
        }
    }
    EXPECT_EQ(stations, (std::set<int>{3, 7, 12}));
    const std::string logged = readWholeFile(log).value_or("");
    EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 4);  // the header and 3 modules

    // The worst module's status: one that did not answer a step outranks a failed check.
    cli.line.faultOnce = {{RequestKind::SensorCount, Fault::Drop}};
    result = cli(kQuick + QStringList{"--scan", "--to", "15", "--max", "30"});
    EXPECT_EQ(result.status, kModuleFailed);
    EXPECT_EQ(result.out.find("station 3: incomplete\n"), 0u) << result.out;
    EXPECT_NE(result.out.find("station 7: fail\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("station 12: pass\n"), std::string::npos) << result.out;

    // An empty range finds nothing to commission.
    result = cli(kQuick + QStringList{"--scan", "--from", "13", "--to", "20", "--json"});
    EXPECT_EQ(result.status, kModuleFailed);
    EXPECT_EQ(result.out, "[]\n");
    EXPECT_NE(result.err.find("no module answered at stations 13-20"), std::string::npos);
}

TEST(CommissionLog, AppendsOneLineAModuleAfterOneHeader) {
    OneModule cli;
    const auto log = cli.dir.path() / "log.csv";
    const auto record = cli.dir.path() / "module.json";
    EXPECT_EQ(cli(kQuick + QStringList{"--log", q(log), "--record", q(record)}).status, kDone);
    EXPECT_EQ(
        cli(kQuick + QStringList{"--log", q(log), "--max", "25", "--module-id", "B,2"}).status,
        kCheckFailed);
    const std::string logged = readWholeFile(log).value_or("");
    EXPECT_EQ(logged.rfind(record::logHeader(), 0), 0u);
    EXPECT_EQ(logged.find("time,", 1), std::string::npos);
    std::vector<std::string> lines;
    std::istringstream in(logged);
    for (std::string line; std::getline(in, line, '\n');) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[1].find(",1,pass,\"\",,," + record.string() + ","), std::string::npos)
        << lines[1];
    EXPECT_NE(lines[2].find(",1,fail,\"limits\",,\"B,2\",,"), std::string::npos) << lines[2];
    EXPECT_NE(lines[2].find(",28 10 20 30 40 50 04 D2,,"), std::string::npos) << lines[2];
}

TEST(CommissionSignals, ASignalWritesTheRecordMarkedInterrupted) {
    OneModule cli;
    const auto record = cli.dir.path() / "module.json";
    cli.line.afterSend = [&] {
        if (cli.line.sent.size() == 10) {  // position 8
            cli.stop = SIGTERM;
        }
    };
    auto result = cli(kQuick + QStringList{"--record", q(record)});
    EXPECT_EQ(result.status, 128 + SIGTERM);
    EXPECT_EQ(cli.line.sent.size(), 10u);
    auto json = jsonObject(readWholeFile(record).value_or(""));
    EXPECT_TRUE(json["interrupted"].toBool());
    EXPECT_EQ(notDone(json),
              (std::vector<std::string>{"serials: interrupted by SIGTERM before position 9",
                                        "readings: interrupted by SIGTERM"}));
    EXPECT_EQ(json["positions"].toArray()[7].toObject()["state"].toString(), "empty");
    EXPECT_EQ(json["positions"].toArray()[8].toObject()["state"].toString(), "not_read");
    EXPECT_NE(result.out.find("station 1: incomplete (interrupted)"), std::string::npos);

    // An address change is confirmed before the job ends.
    cli.stop = 0;
    cli.line.sent.clear();
    cli.line.afterSend = [&] {
        if (protocol::requestKind(cli.line.sent.back()) == RequestKind::ChangeAddress) {
            cli.stop = SIGINT;
        }
    };
    result = cli(kQuick + QStringList{"--set-address", "5", "--record", q(record)});
    EXPECT_EQ(result.status, 128 + SIGINT);
    EXPECT_EQ(kindsSent(cli.line).back(), RequestKind::ReadRegisters);  // at 5
    json = jsonObject(readWholeFile(record).value_or(""));
    EXPECT_EQ(json["module"].toObject()["address"].toInt(), 5);
    EXPECT_EQ(json["module"].toObject()["old_address"].toInt(), 1);
}

TEST(CommissionProgress, ShowsStepAndPositionOnATerminalOnly) {
    OneModule cli;
    cli.terminal = true;
    auto result = cli(kQuick);
    EXPECT_NE(result.err.find("\rstation 1: serial number of position 5 ("), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("\rstation 1: reading 3 ("), std::string::npos);
    EXPECT_EQ(result.err.back(), '\r');
    result = cli(kQuick + QStringList{"--trace"});
    EXPECT_EQ(result.err.find("position 5 ("), std::string::npos);
    cli.terminal = false;
    EXPECT_EQ(cli(kQuick).err, "");
}

}  // namespace
}  // namespace tc24::cli
