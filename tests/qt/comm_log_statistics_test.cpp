// The statistics of "通讯记录" as the window shows them: each figure in the column its header
// names, for the kind of request and in the total. Each verdict comes a different number of
// times and each reply time differs, so a figure in another column cannot pass.

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTableWidget>
#include <QTest>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include "app/qt/comm_log_window.h"
#include "core/fakes.h"
#include "diagnostics/traffic_log.h"

namespace tc24 {
namespace {

using testing::hexBytes;

const char* kQuery = "01 03 00 00 00 03 05 CB";  // registers 0 … 2 of station 1

// A row of the table: header → text.
using Cells = std::map<std::string, std::string>;

class CommLogStatistics : public ::testing::Test {
protected:
    // A request and, after `ms`, its reply (none when `reply` is null).
    void exchange(const char* request, const char* reply, int ms) {
        log->recordRequest(hexBytes(request));
        now.steadyUs += ms * 1000;
        if (reply != nullptr) {
            log->recordReceived(hexBytes(reply));
        }
        now.steadyUs += 50'000;
    }
    void times(int count, const char* request, const char* reply, int ms) {
        for (int i = 0; i < count; ++i) {
            exchange(request, reply, ms);
        }
    }

    // The row of `kind` as the table shows it, by the headers' names.
    Cells shown(const QString& kind) {
        auto* table = window.findChild<QTableWidget*>("tblStatistics");
        EXPECT_NE(table, nullptr);
        Cells cells;
        for (int row = 0; row < table->rowCount(); ++row) {
            if (table->verticalHeaderItem(row)->text() != kind) {
                continue;
            }
            for (int column = 0; column < table->columnCount(); ++column) {
                const QTableWidgetItem* item = table->item(row, column);
                cells[table->horizontalHeaderItem(column)->text().toStdString()] =
                    item != nullptr ? item->text().toStdString() : std::string();
            }
        }
        return cells;
    }

    TrafficTime now{1700000000000, 5'000'000};
    std::shared_ptr<TrafficLog> log = std::make_shared<TrafficLog>([this] { return now; });
    CommLogWindow window{log};
};

TEST_F(CommLogStatistics, EachFigureIsShownInItsOwnColumn) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    times(1, kQuery, "01 03 06 09 E6 FF CE FF FF 78 61", 2);   // valid
    times(2, kQuery, "01 03 06 09 E7 FF CE FF FF 78 61", 9);   // CRC error
    times(3, "01 03 00 16 00 03 E4 0F", "01 83 02 C0 F1", 4);  // exception 02
    times(1, kQuery, "02 03 06 09 E6 FF CE FF FF 6C 91", 4);   // station 2 answers
    times(3, kQuery, "01 04 06 09 E6 FF CE FF FF 39 87", 4);   // function 04 answers
    times(2, kQuery, "01 03 06 09", 4);                        // cut short
    times(3, kQuery, nullptr, 0);                              // nothing
    // Another kind of request (reading the address) judges the last one and stays pending.
    log->recordRequest(hexBytes("FA 25 02 00 00 01 99 FE"));
    window.model();  // the batch now

    // Ten timed replies: 2 ms once, 9 ms twice, 4 ms seven times.
    const Cells registers{{"请求", "15"},      {"有效应答", "1"},      {"CRC错误", "2"},
                          {"异常应答", "3"},   {"站号/功能不符", "4"}, {"不完整/无应答", "5"},
                          {"最短(ms)", "2.0"}, {"平均(ms)", "4.8"},    {"最长(ms)", "9.0"}};
    EXPECT_EQ(shown("读寄存器"), registers);
    Cells total = registers;
    total["请求"] = "16";
    EXPECT_EQ(shown("合计"), total);
    const Cells waiting{{"请求", "1"},     {"有效应答", "0"},      {"CRC错误", "0"},
                        {"异常应答", "0"}, {"站号/功能不符", "0"}, {"不完整/无应答", "0"},
                        {"最短(ms)", ""},  {"平均(ms)", ""},       {"最长(ms)", ""}};
    EXPECT_EQ(shown("读地址"), waiting);
}

// The time column looks a second's local time up once; every row still shows its own moment,
// also across a second's end, and a row from an earlier second after a later one.
TEST_F(CommLogStatistics, EachRowShowsItsOwnTimeAcrossSeconds) {
    const std::int64_t wallTimes[] = {1700000000998, 1700000000999, 1700000001000,
                                      1700000001001, 1700000000500, 1700000059999};
    for (const std::int64_t wallMs : wallTimes) {
        now.wallMs = wallMs;
        log->recordRequest(hexBytes(kQuery));
    }
    // Each request, and the verdict on the one before it (no reply), at the request's moment.
    TrafficTableModel& model = window.model();
    const auto& rows = log->rows();
    ASSERT_EQ(model.rowCount(), static_cast<int>(2 * std::size(wallTimes) - 1));
    auto timeShown = [&](int row) {
        return model.data(model.index(row, 0), Qt::DisplayRole).toString().toStdString();
    };
    for (int row = 0; row < model.rowCount(); ++row) {
        const auto wallMs = rows[static_cast<std::size_t>(row)].wallMs;
        EXPECT_EQ(timeShown(row), trafficWallTime(wallMs, false)) << wallMs;
    }
    // Asked again in another order, from the last row up.
    for (int row = model.rowCount() - 1; row >= 0; --row) {
        EXPECT_EQ(timeShown(row),
                  trafficWallTime(rows[static_cast<std::size_t>(row)].wallMs, false));
    }
}

}  // namespace
}  // namespace tc24
