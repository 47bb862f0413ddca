// "调试记录" on the real window against tc24-sim: the engineer reads the address, searches the
// sensors, reads all serial numbers and polls, and the view's record, saved as JSON, says
// what `tc24-cli commission` says of the same module (a twin simulator with the same sensor
// table and no drift): the address, the serial numbers by position, the sensor count, the
// checks' results and the verdict. Then it saves the PDF too.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <cstdio>
#include <fstream>

#include "app/qt/main_window.h"
#include "app/qt/record_view.h"
#include "core/fakes.h"
#include "link/control_names.h"
#include "link/files.h"
#include "link/window_texts.h"
#include "qt/sim_process.h"

namespace tc24 {
namespace {

using testing::FakeDialogs;
using testing::FakeQuestions;
using testing::SimProcess;
using testing::TempDir;

// Positions 1 to 22 hold sensors whose serial numbers end in their 1-Wire CRC-8; 23 and 24
// are empty. Position 7 reads 1.50 degrees above the others: the spread check fails it.
void writeSensorTable(const std::filesystem::path& file) {
    const char* serials[] = {
        "28 A1 6C 50 07 00 01 B9", "28 A1 6C 50 07 00 02 5B", "28 A1 6C 50 07 00 03 05",
        "28 A1 6C 50 07 00 04 86", "28 A1 6C 50 07 00 05 D8", "28 A1 6C 50 07 00 06 3A",
        "28 A1 6C 50 07 00 07 64", "28 A1 6C 50 07 00 08 25", "28 A1 6C 50 07 00 09 7B",
        "28 A1 6C 50 07 00 0A 99", "28 A1 6C 50 07 00 0B C7", "28 A1 6C 50 07 00 0C 44",
        "28 A1 6C 50 07 00 0D 1A", "28 A1 6C 50 07 00 0E F8", "28 A1 6C 50 07 00 0F A6",
        "28 A1 6C 50 07 00 10 7A", "28 A1 6C 50 07 00 11 24", "28 A1 6C 50 07 00 12 C6",
        "28 A1 6C 50 07 00 13 98", "28 A1 6C 50 07 00 14 1B", "28 A1 6C 50 07 00 15 45",
        "28 A1 6C 50 07 00 16 A7"};
    std::ofstream out(file);
    for (int position = 1; position <= 22; ++position) {
        out << position << "  " << serials[position - 1] << "  "
            << (position == 7 ? "23.00" : "21.50") << "\n";
    }
}

QJsonObject readJson(const std::filesystem::path& file) {
    QFile in(QString::fromStdString(file.string()));
    if (!in.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QJsonDocument::fromJson(in.readAll()).object();
}

// The fields the window and tc24-cli must agree on, one per line, so a difference reads as
// the field that differs.
std::vector<std::string> comparedFields(const QJsonObject& record) {
    std::vector<std::string> fields;
    const QJsonObject module = record["module"].toObject();
    fields.push_back(
        "address " +
        QJsonDocument(QJsonArray{module["address"]}).toJson(QJsonDocument::Compact).toStdString());
    fields.push_back("sensor_count " + QJsonDocument(QJsonArray{module["sensor_count"]})
                                           .toJson(QJsonDocument::Compact)
                                           .toStdString());
    for (const QJsonValue& entry : record["positions"].toArray()) {
        const QJsonObject position = entry.toObject();
        fields.push_back("position " + std::to_string(position["position"].toInt()) + " " +
                         position["state"].toString().toStdString() + " " +
                         position["serial"].toString().toStdString());
    }
    for (const QJsonValue& entry : record["checks"].toArray()) {
        const QJsonObject check = entry.toObject();
        fields.push_back("check " + check["id"].toString().toStdString() + " " +
                         check["result"].toString().toStdString());
    }
    fields.push_back("verdict " + record["verdict"].toString().toStdString());
    return fields;
}

class RecordViewEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        table = dir.path() / "sensors.txt";
        writeSensorTable(table);
        const QStringList simArguments{
            "--baud", "19200", "--drift", "0", "--sensors", QString::fromStdString(table.string())};
        windowSim = std::make_unique<SimProcess>(dir.path(), 3, simArguments);
        ASSERT_TRUE(windowSim->ok()) << windowSim->error();
        cliSim = std::make_unique<SimProcess>(cliDir.path(), 4, simArguments);
        ASSERT_TRUE(cliSim->ok()) << cliSim->error();

        std::ofstream(dir.path() / "comm.set", std::ios::binary) << "3,19200\r\n";
        window = std::make_unique<MainWindow>(dir.path(), nullptr, &dialogs);
        window->load();
        window->show();
        view = window->recordView();
        ASSERT_NE(view, nullptr);
        view->record().setQuestions(questions);
    }

    void click(const char* name) { window->findChild<QPushButton*>(name)->click(); }
    std::string text(const char* name) { return window->controls().text(name); }
    bool waitForMessage(const std::string& message, int timeoutMs) {
        return QTest::qWaitFor(
            [&] {
                for (const auto& box : dialogs.shown) {
                    if (box.text == message) {
                        return true;
                    }
                }
                return false;
            },
            timeoutMs);
    }
    // Types into one of the view's fields and presses Enter, as the engineer does.
    void enter(const char* field, const QString& value) {
        auto* edit = view->findChild<QLineEdit*>(field);
        ASSERT_NE(edit, nullptr) << field;
        edit->clear();
        QTest::keyClicks(edit, value);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    TempDir dir;
    TempDir cliDir;
    std::filesystem::path table;
    FakeDialogs dialogs;
    FakeQuestions questions;
    std::unique_ptr<SimProcess> windowSim;
    std::unique_ptr<SimProcess> cliSim;
    std::unique_ptr<MainWindow> window;
    RecordView* view = nullptr;
};

TEST_F(RecordViewEndToEnd, TheWindowsRecordSaysWhatTc24CliCommissionSaysOfTheSameModule) {
    // The view is on the tool bar.
    QAction* action = window->toolsBar()->findChild<QAction*>("actCommissioning");
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text().toStdString(), texts::kRecordAction);
    action->trigger();
    ASSERT_TRUE(view->isVisible());

    enter("recordSensors", "22");
    enter("recordPositions", "1-22");
    enter("recordMin", "10");
    enter("recordMax", "40");
    enter("recordSpread", "1");
    enter("recordOperator", "Li");

    // What the engineer does anyway.
    window->controls().setText(control::txtStationID, "9");  // the address read puts in 1
    click(control::cmdReadAdd);
    ASSERT_TRUE(QTest::qWaitFor([&] { return text(control::txtStationID) == "1"; }, 3000))
        << text(control::TXTSN);
    click(control::cmdAutoSearch);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return view->record().record().sensorCount.has_value(); }, 3000))
        << text(control::TXTSN);
    click(control::cmdReadSNAll);
    window->findChild<QTimer*>(control::Timer6)->setInterval(150);
    ASSERT_TRUE(waitForMessage("读取完成", 15000)) << text(control::TXTSN);
    // A serial number's reply raises its event three bytes before its end. The rest reaches
    // the record with the window's next read of the port, unless the port dropped it unread
    // while the window discarded its input right after the event: the view then shows the
    // position as not read, and the engineer reads it again.
    int readAgain = 0;
    for (int round = 0; round < 3; ++round) {
        for (int position = 1; position <= 24; ++position) {
            if (view->record().record().serials[static_cast<std::size_t>(position - 1)].state !=
                record::PositionSerial::State::NotRead) {
                continue;
            }
            ++readAgain;
            window->controls().setText(control::txtSensorid2, std::to_string(position));
            const auto before = window->core().state().lastRequest.number;
            click(control::cmdReadSensorID);
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return window->core().state().lastRequest.number > before; }, 1000));
            QTest::qWait(100);
        }
    }
    std::printf("positions read again: %d\n", readAgain);
    window->controls().setText(control::txtTimerSet, "100");
    click(control::cmdOneM);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->record().record().polls >= 5; }, 5000));
    click(control::cmdStopOnce);
    QTest::qWait(300);  // the last poll's reply

    const auto mine = view->record().record();
    EXPECT_EQ(mine.failedPolls, 0);
    auto* verdict = view->findChild<QLabel*>("recordVerdict");
    EXPECT_EQ(verdict->text().toStdString(),
              record::verdictName(record::Verdict::Fail, record::Language::Chinese));
    auto* positions = view->findChild<QTableWidget*>("recordPositionsTable");
    EXPECT_EQ(positions->item(0, 0)->text().toStdString(), "28 A1 6C 50 07 00 01 B9");
    EXPECT_EQ(positions->item(23, 0)->text().toStdString(), texts::kRecordEmpty);

    // Saved as JSON under the name it proposes.
    questions.paths.push_back(std::filesystem::path());
    view->findChild<QPushButton*>("recordSave")->click();
    ASSERT_EQ(questions.proposals.size(), 1u);
    const auto windowRecord = questions.proposals.front();
    EXPECT_EQ(windowRecord.parent_path(), dir.path());
    const QJsonObject fromWindow = readJson(windowRecord);
    ASSERT_FALSE(fromWindow.isEmpty()) << windowRecord;
    EXPECT_EQ(fromWindow["tool"].toObject()["name"].toString(), "tc24");
    EXPECT_EQ(fromWindow["operator"].toString(), "Li");
    EXPECT_EQ(fromWindow["line"].toObject()["port"].toString(), "COM3");
    EXPECT_FALSE(fromWindow["end"].toString().isEmpty());

    // The same module through tc24-cli.
    const char* simulator = std::getenv("TC24_SIM");
    ASSERT_NE(simulator, nullptr);
    const auto cli = std::filesystem::path(simulator).parent_path() / "tc24-cli";
    ASSERT_TRUE(std::filesystem::exists(cli)) << cli << " is built beside the simulator";
    const auto cliRecord = cliDir.path() / "cli.json";
    QProcess process;
    process.start(QString::fromStdString(cli.string()),
                  {"--port",      QString::fromStdString(cliSim->device()),
                   "--baud",      "19200",
                   "--timeout",   "500",
                   "--no-echo",   "commission",
                   "--sensors",   "22",
                   "--positions", "1-22",
                   "--min",       "10",
                   "--max",       "40",
                   "--spread",    "1",
                   "--reads",     "3",
                   "--interval",  "100",
                   "--operator",  "Li",
                   "--record",    QString::fromStdString(cliRecord.string())});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 5) << process.readAllStandardError().toStdString();
    const QJsonObject fromCli = readJson(cliRecord);
    ASSERT_FALSE(fromCli.isEmpty()) << process.readAllStandardError().toStdString();

    const auto expected = comparedFields(fromCli);
    EXPECT_EQ(comparedFields(fromWindow), expected);
    // What the two agree on is a module that answered: no empty comparison.
    EXPECT_NE(std::find(expected.begin(), expected.end(), "check spread fail"), expected.end());
    EXPECT_NE(std::find(expected.begin(), expected.end(), "check positions pass"), expected.end());
    EXPECT_NE(std::find(expected.begin(), expected.end(), "check list_match not_configured"),
              expected.end());

    // And the printable report beside it.
    questions.paths.push_back(std::filesystem::path());
    view->findChild<QPushButton*>("recordSavePdf")->click();
    ASSERT_EQ(questions.proposals.size(), 2u);
    const auto pdf = readWholeFile(questions.proposals.back());
    ASSERT_TRUE(pdf) << questions.proposals.back();
    EXPECT_EQ(pdf->substr(0, 5), "%PDF-");

    // Saved, the window closes without a question.
    window->close();
    EXPECT_TRUE(questions.asked.empty());
}

TEST_F(RecordViewEndToEnd, ClosingTheWindowWithAnUnsavedRecordAsksFirst) {
    click(control::cmdReadAdd);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->record().hasData(); }, 3000));
    questions.yesNo = {false};
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(questions.asked.size(), 1u);
    EXPECT_EQ(questions.asked[0].text, texts::kRecordDiscardOnClose);
    questions.yesNo = {true};
    EXPECT_TRUE(window->close());
}

}  // namespace
}  // namespace tc24
