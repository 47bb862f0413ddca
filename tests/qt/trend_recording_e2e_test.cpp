// The trend view and CSV recording on the real window, attached to tc24-sim.

#include <gtest/gtest.h>

#include <QAction>
#include <QChart>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPalette>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QXYSeries>
#include <cmath>
#include <fstream>
#include <sstream>

#include <QLineEdit>
#include "app/qt/csv_recording.h"
#include "app/qt/main_window.h"
#include "app/qt/trend_view.h"
#include "core/fakes.h"
#include "diagnostics/traffic_log.h"
#include "link/control_names.h"
#include "link/files.h"
#include "measure/csv_recorder.h"
#include "protocol/frames.h"
#include "qt/sim_process.h"

namespace tc24 {
namespace {

using testing::FakeDialogs;
using testing::SimProcess;
using testing::TempDir;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> fieldsOf(std::string line) {
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos;
         start = comma + 1) {
        fields.push_back(line.substr(start, comma - start));
    }
    fields.push_back(line.substr(start));
    return fields;
}

class TrendAndRecording : public ::testing::Test {
protected:
    void SetUp() override {
        // Position 5 has no sensor: its register reads 65535.
        std::ofstream sensors(dir.path() / "sensors.txt");
        for (int i = 1; i <= 24; ++i) {
            if (i != 5) {
                sensors << i << " 28 00 00 00 00 00 " << QString::asprintf("%02X", i).toStdString()
                        << " 00 " << 20 + i << ".25\n";
            }
        }
        sensors.close();
        sim = std::make_unique<SimProcess>(
            dir.path(), 2,
            QStringList{"--baud", "38400", "--sensors",
                        QString::fromStdString((dir.path() / "sensors.txt").string())} +
                simFaults);
        ASSERT_TRUE(sim->ok()) << sim->error();
        std::ofstream(dir.path() / "comm.set", std::ios::binary) << "2,38400\r\n";
        window = std::make_unique<MainWindow>(dir.path(), nullptr, &dialogs);
        window->load();
        window->show();
        trend = window->findChild<TrendView*>("trendView");
        recording = window->findChild<CsvRecording*>("csvRecording");
        ASSERT_NE(trend, nullptr);
        ASSERT_NE(recording, nullptr);
    }
    bool allBlack() {
        for (int i = 0; i < 24; ++i) {
            auto* box =
                window->findChild<QLineEdit*>(control::txtValue[static_cast<std::size_t>(i)]);
            if (box->palette().color(QPalette::Text) != QColor(0, 0, 0)) {
                return false;
            }
        }
        return true;
    }
    // One "单次" and its reply.
    void queryOnce() {
        window->findChild<QPushButton*>(control::comDoOnce)->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return allBlack(); }, 5000))
            << window->controls().text(control::txtState);
    }

    QStringList simFaults;
    TempDir dir;
    FakeDialogs dialogs;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<MainWindow> window;
    TrendView* trend = nullptr;
    CsvRecording* recording = nullptr;
};

TEST_F(TrendAndRecording, ToolBarOffersBothViews) {
    QStringList texts;
    for (QAction* a : window->toolsBar()->actions()) {
        texts << a->text();
    }
    EXPECT_TRUE(texts.contains("温度曲线")) << texts.join(",").toStdString();
    EXPECT_TRUE(texts.contains("记录数据")) << texts.join(",").toStdString();
    EXPECT_TRUE(recording->action()->isCheckable());
}

TEST_F(TrendAndRecording, EveryReplyIsOnDiskWhileRecordingAndMatchesTheBoxes) {
    const auto file = dir.path() / "run";  // no extension: .csv is added
    dialogs.saveAnswers.push_back(file.string());
    recording->action()->trigger();
    ASSERT_TRUE(recording->isRecording()) << dialogs.lastText();
    EXPECT_TRUE(recording->action()->isChecked());
    const auto csv = dir.path() / "run.csv";
    EXPECT_EQ(recording->path(), csv);

    for (int n = 1; n <= 3; ++n) {
        queryOnce();
        // Flushed: the file holds every completed line while recording is still on.
        const auto lines = linesOf(readWholeFile(csv).value_or(""));
        ASSERT_EQ(lines.size(), static_cast<std::size_t>(n + 1));
        EXPECT_EQ(lines.front() + "\n", measure::csvHeader());
        const auto fields = fieldsOf(lines.back());
        ASSERT_EQ(fields.size(), 26u) << lines.back();
        EXPECT_EQ(fields[0].size(), 23u) << fields[0];  // 2026-01-05T07:03:09.045
        EXPECT_EQ(fields[0][10], 'T');
        EXPECT_EQ(fields[1], "1");
        for (int i = 0; i < 24; ++i) {
            const std::string box =
                window->controls().text(control::txtValue[static_cast<std::size_t>(i)]);
            if (i == 4) {
                EXPECT_EQ(box, "0");
                EXPECT_EQ(fields[2 + i], "") << "no reading is not 0 degrees";
            } else {
                EXPECT_EQ(fields[2 + i], box) << i;
            }
        }
    }
    EXPECT_EQ(fieldsOf(linesOf(*readWholeFile(csv)).back())[2], "21.25");

    recording->action()->trigger();
    EXPECT_FALSE(recording->isRecording());
    EXPECT_FALSE(recording->action()->isChecked());
    queryOnce();
    EXPECT_EQ(linesOf(*readWholeFile(csv)).size(), 4u);  // stopped: no more lines
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.lastText();
}

TEST_F(TrendAndRecording, FileThatCannotBeOpenedLeavesRecordingOff) {
    const auto file = dir.path() / "missing-folder" / "run.csv";
    dialogs.saveAnswers.push_back(file.string());
    recording->action()->trigger();
    EXPECT_FALSE(recording->isRecording());
    EXPECT_FALSE(recording->action()->isChecked());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_NE(dialogs.lastText().find(file.string()), std::string::npos) << dialogs.lastText();

    // Cancelling the file dialog leaves it off without a message.
    recording->action()->trigger();
    EXPECT_FALSE(recording->action()->isChecked());
    EXPECT_EQ(dialogs.shown.size(), 1u);
    queryOnce();
    EXPECT_FALSE(std::filesystem::exists(file));
}

// The channels the chart draws something of (lines or dots), by name.
QStringList drawnChannels(TrendView* trend) {
    QStringList names;
    for (auto* series : trend->chart()->series()) {
        auto* points = qobject_cast<QXYSeries*>(series);
        if (points != nullptr && points->count() > 0 && !names.contains(points->name())) {
            names << points->name();
        }
    }
    return names;
}

// The register the module sends for `degrees`.
std::uint16_t registerOf(double degrees) {
    const long hundredths = std::lround(degrees * 100);
    return static_cast<std::uint16_t>(hundredths < 0 ? hundredths + 65536 : hundredths);
}

TEST_F(TrendAndRecording, TrendCollectsRepliesWithGapsForChannelsWithoutReading) {
    queryOnce();
    queryOnce();
    EXPECT_EQ(trend->store().fullResolutionReplies(), 2u);
    const auto [from, to] = *trend->store().range(measure::TrendWindow::All);
    EXPECT_TRUE(trend->store().segments(4, from, to).empty());
    ASSERT_EQ(trend->store().segments(0, from, to).size(), 1u);
    EXPECT_DOUBLE_EQ(trend->store().segments(0, from, to)[0][0].value, 21.25);

    window->findChildren<QAction*>("actionTrend").front()->trigger();
    EXPECT_TRUE(trend->isVisible());
    trend->refresh();
    const QStringList names = drawnChannels(trend);
    EXPECT_EQ(names.size(), 23) << names.join(",").toStdString();
    EXPECT_FALSE(names.contains("5#"));

    // Cleared, nothing is drawn; the series stay for the next refresh.
    const auto series = trend->chart()->series().size();
    trend->findChild<QPushButton*>("trendClear")->click();
    EXPECT_TRUE(drawnChannels(trend).isEmpty());
    EXPECT_EQ(trend->chart()->series().size(), series);
}

TEST_F(TrendAndRecording, ChannelWarmedByHandIsDrawnBoldAndNamed) {
    auto& store = trend->store();
    const double now = trend->now();
    for (int t = 0; t <= 10; ++t) {
        measure::ChannelRegisters registers;
        for (int channel = 0; channel < 24; ++channel) {
            registers[static_cast<std::size_t>(channel)] =
                registerOf(channel == 16 ? 21.0 + 0.4 * t : 20.0 + channel);
        }
        store.add(now - 10 + t, registers);
    }
    trend->show();
    trend->refresh();
    ASSERT_TRUE(trend->highlighted());
    EXPECT_EQ(trend->highlighted()->channel, 16);
    const QString leader = trend->findChild<QLabel*>("trendLeader")->text();
    EXPECT_TRUE(leader.contains("17#")) << leader.toStdString();
    for (auto* series : trend->chart()->series()) {
        if (auto* line = qobject_cast<QLineSeries*>(series)) {
            EXPECT_EQ(line->pen().widthF() > 3, line->name() == "17#")
                << line->name().toStdString();
        }
    }
}

class TrendAndRecordingOnACorruptingLine : public TrendAndRecording {
protected:
    // Every second reply has one byte changed.
    TrendAndRecordingOnACorruptingLine() { simFaults = {"--corrupt", "every:2"}; }
};

// Regression: a misdecoded chunk reached the trend and the CSV file as a temperature.
TEST_F(TrendAndRecordingOnACorruptingLine, OnlyValidRepliesAreRecordedWhileTheBoxesShowAll) {
    dialogs.saveAnswers.push_back((dir.path() / "run.csv").string());
    recording->action()->trigger();
    ASSERT_TRUE(recording->isRecording()) << dialogs.lastText();
    const auto& statistics = window->trafficLog()->statistics(protocol::RequestKind::ReadRegisters);
    for (int n = 0; n < 6; ++n) {
        queryOnce();  // the boxes show every reply, corrupted or not
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return statistics.valid + statistics.crcErrors == 6; }))
        << statistics.valid << " valid, " << statistics.crcErrors << " CRC errors";
    EXPECT_EQ(statistics.valid, 3u);
    EXPECT_EQ(recording->lines(), 3);
    EXPECT_EQ(linesOf(*readWholeFile(dir.path() / "run.csv")).size(), 4u);
    EXPECT_EQ(trend->store().fullResolutionReplies(), 3u);
}

}  // namespace
}  // namespace tc24
