#include "app/qt/comm_log_window.h"

#include <QAction>
#include <QBrush>
#include <QColor>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

#include "app/platform/qt_file_writer.h"
#include "app/qt/main_window.h"
#include "link/files.h"
#include "protocol/frames.h"
#include "protocol/hex.h"

namespace tc24 {

namespace {

enum Column { Time, Since, Direction, Length, Data, Text, Columns };

const char* const kHeaders[Columns] = {"时间", "距请求(ms)", "方向", "长度", "数据", "说明"};
const char* const kStatisticsHeaders[] = {"请求",     "有效应答",      "CRC错误",
                                          "异常应答", "站号/功能不符", "不完整/无应答",
                                          "最短(ms)", "平均(ms)",      "最长(ms)"};
constexpr int kStatisticsColumns = 9;

QString milliseconds(std::int64_t us) {
    return QString::number(static_cast<double>(us) / 1000.0, 'f', 1);
}

QStringList statisticsCells(const TrafficStatistics& s) {
    QStringList cells{QString::number(s.requests),   QString::number(s.valid),
                      QString::number(s.crcErrors),  QString::number(s.exceptions),
                      QString::number(s.mismatches), QString::number(s.incomplete)};
    if (const auto average = s.averageReplyMs()) {
        cells << milliseconds(s.minReplyUs) << QString::number(*average, 'f', 1)
              << milliseconds(s.maxReplyUs);
    } else {
        cells << QString() << QString() << QString();
    }
    return cells;
}

}  // namespace

TrafficTableModel::TrafficTableModel(std::shared_ptr<TrafficLog> log, QObject* parent)
    : QAbstractTableModel(parent), log_(std::move(log)) {
    sync();
}

int TrafficTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count_;
}

int TrafficTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

QVariant TrafficTableModel::data(const QModelIndex& index, int role) const {
    const auto& rows = log_->rows();
    if (!index.isValid() || index.row() >= count_ ||
        static_cast<std::size_t>(index.row()) >= rows.size()) {
        return {};
    }
    const TrafficRow& row = rows[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
            case Time:
                return QString::fromStdString(trafficWallTime(row.wallMs, false));
            case Since:
                return QString::fromStdString(trafficSince(row.sinceRequestUs));
            case Direction:
                return QString::fromUtf8(trafficDirectionText(row.direction));
            case Length:
                return static_cast<qulonglong>(row.bytes.size());
            case Data:
                return QString::fromStdString(serialNumberText(row.bytes));
            case Text:
                return QString::fromStdString(row.text);
            default:
                return {};
        }
    }
    if (role == Qt::ForegroundRole && row.direction == TrafficDirection::Verdict) {
        return QBrush(row.verdict == TrafficVerdict::Valid ? QColor(0x10, 0x80, 0x20)
                                                           : QColor(0xC0, 0x10, 0x10));
    }
    if (role == Qt::ForegroundRole && row.direction == TrafficDirection::Echo) {
        return QBrush(QColor(0x80, 0x80, 0x80));  // not part of the reply
    }
    if (role == Qt::TextAlignmentRole && (index.column() == Since || index.column() == Length)) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    }
    return {};
}

QVariant TrafficTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= Columns) {
        return {};
    }
    return QString::fromUtf8(kHeaders[section]);
}

int TrafficTableModel::sync() {
    const auto& rows = log_->rows();
    const std::uint64_t oldLast = firstNumber_ + static_cast<std::uint64_t>(count_);  // one past
    if (rows.empty() || count_ == 0 || rows.front().number >= oldLast) {
        // Cleared, first rows, or every row shown has left the ring.
        beginResetModel();
        count_ = static_cast<int>(rows.size());
        firstNumber_ = rows.empty() ? 0 : rows.front().number;
        endResetModel();
        return 0;
    }
    const int dropped = static_cast<int>(rows.front().number - firstNumber_);
    if (dropped > 0) {
        beginRemoveRows({}, 0, dropped - 1);
        count_ -= dropped;
        firstNumber_ = rows.front().number;
        endRemoveRows();
    }
    const int added = static_cast<int>(rows.size()) - count_;
    if (added > 0) {
        beginInsertRows({}, count_, count_ + added - 1);
        count_ += added;
        endInsertRows();
    }
    return std::max(dropped, 0);
}

CommLogWindow::CommLogWindow(std::shared_ptr<TrafficLog> log, QWidget* parent)
    : QWidget(parent, Qt::Window), log_(std::move(log)) {
    setObjectName(QStringLiteral("frmCommLog"));
    setWindowTitle(QStringLiteral("通讯记录"));

    model_ = new TrafficTableModel(log_, this);
    table_ = new QTableView;
    table_->setObjectName(QStringLiteral("tblTraffic"));
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->setVisible(false);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->horizontalHeader()->setStretchLastSection(true);
    QFont hex;
    hex.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Noto Sans Mono")});
    hex.setStyleHint(QFont::TypeWriter);
    table_->setFont(hex);
    table_->setColumnWidth(Time, table_->fontMetrics().horizontalAdvance("00:00:00.000") + 16);
    table_->setColumnWidth(Data, table_->fontMetrics().horizontalAdvance(QString(42, u'0')));

    statistics_ = new QTableWidget(protocol::kRequestKinds + 1, kStatisticsColumns);
    statistics_->setObjectName(QStringLiteral("tblStatistics"));
    statistics_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QStringList headers;
    for (const char* header : kStatisticsHeaders) {
        headers << QString::fromUtf8(header);
    }
    statistics_->setHorizontalHeaderLabels(headers);
    QStringList kinds;
    for (int kind = 0; kind < protocol::kRequestKinds; ++kind) {
        kinds << QString::fromUtf8(protocol::kindName(static_cast<protocol::RequestKind>(kind)));
    }
    kinds << QStringLiteral("合计");
    statistics_->setVerticalHeaderLabels(kinds);

    pause_ = new QPushButton(QStringLiteral("暂停"));
    pause_->setObjectName(QStringLiteral("cmdLogPause"));
    pause_->setCheckable(true);
    auto* clear = new QPushButton(QStringLiteral("清除"));
    clear->setObjectName(QStringLiteral("cmdLogClear"));
    auto* save = new QPushButton(QStringLiteral("保存…"));
    save->setObjectName(QStringLiteral("cmdLogSave"));
    rowsLabel_ = new QLabel;
    rowsLabel_->setObjectName(QStringLiteral("lblLogRows"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pause_);
    buttons->addWidget(clear);
    buttons->addWidget(save);
    buttons->addStretch(1);
    buttons->addWidget(rowsLabel_);

    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(table_);
    split->addWidget(statistics_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(split);
    resize(900, 600);

    // The table follows every change at once (its rows must match the ring); the figures
    // are redrawn at most a few times a second.
    statisticsTimer_ = new QTimer(this);
    statisticsTimer_->setSingleShot(true);
    statisticsTimer_->setInterval(200);
    connect(statisticsTimer_, &QTimer::timeout, this, &CommLogWindow::refreshStatistics);

    connect(pause_, &QPushButton::toggled, this, [this](bool paused) {
        log_->setPaused(paused);
        pause_->setText(paused ? QStringLiteral("继续") : QStringLiteral("暂停"));
    });
    connect(clear, &QPushButton::clicked, this, [this] { log_->clear(); });
    connect(save, &QPushButton::clicked, this, &CommLogWindow::save);

    // The table is laid out and grows later than the rows arrive: at the bottom, every new
    // extent of the scroll bar takes the view along.
    QScrollBar* bar = table_->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this,
            [this, bar](int value) { following_ = value == bar->maximum(); });
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (following_) {
            bar->setValue(maximum);
        }
    });

    log_->changed = [this] { onLogChanged(); };
    refreshStatistics();
}

CommLogWindow::~CommLogWindow() {
    log_->changed = nullptr;
}

void CommLogWindow::install(MainWindow& main) {
    QAction* action = main.toolsBar()->addAction(QStringLiteral("通讯记录"));
    action->setObjectName(QStringLiteral("actCommLog"));
    QObject::connect(action, &QAction::triggered, &main, [&main] {
        auto* window = main.findChild<CommLogWindow*>(QStringLiteral("frmCommLog"));
        if (window == nullptr) {
            window = new CommLogWindow(main.trafficLog(), &main);
        }
        window->show();
        window->raise();
        window->activateWindow();
    });
}

TrafficTableModel& CommLogWindow::model() {
    catchUp();
    return *model_;
}

void CommLogWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    catchUp();
    // Opened, it shows the newest rows, also once the table has its final size.
    following_ = true;
    table_->scrollToBottom();
}

void CommLogWindow::catchUp() {
    if (!stale_) {
        return;
    }
    stale_ = false;
    model_->sync();
    refreshStatistics();
}

void CommLogWindow::onLogChanged() {
    if (!isVisible()) {
        stale_ = true;  // nobody looks: no table work on every poll
        return;
    }
    const int dropped = model_->sync();
    if (!following_ && dropped > 0) {
        // Scrolled up: the rows in view stay in view while old ones leave the ring.
        QScrollBar* bar = table_->verticalScrollBar();
        const int step = table_->verticalScrollMode() == QAbstractItemView::ScrollPerItem
                             ? 1
                             : table_->verticalHeader()->defaultSectionSize();
        bar->setValue(bar->value() - dropped * step);
    }
    if (!statisticsTimer_->isActive()) {
        statisticsTimer_->start();
    }
}

void CommLogWindow::refreshStatistics() {
    for (int kind = 0; kind <= protocol::kRequestKinds; ++kind) {
        const TrafficStatistics figures =
            kind < protocol::kRequestKinds
                ? log_->statistics(static_cast<protocol::RequestKind>(kind))
                : log_->totals();
        const QStringList cells = statisticsCells(figures);
        for (int column = 0; column < kStatisticsColumns; ++column) {
            auto* item = statistics_->item(kind, column);
            if (item == nullptr) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                statistics_->setItem(kind, column, item);
            }
            item->setText(cells[column]);
        }
    }
    rowsLabel_->setText(QStringLiteral("%1 / %2 行%3")
                            .arg(log_->rows().size())
                            .arg(log_->capacity())
                            .arg(log_->paused() ? QStringLiteral("（已暂停）") : QString()));
}

void CommLogWindow::save() {
    const QString csvFilter = QStringLiteral("CSV 文件 (*.csv)");
    const QString textFilter = QStringLiteral("文本文件 (*.txt)");
    QString chosenFilter = csvFilter;
    QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("保存通讯记录"), QString(),
                                     csvFilter + QStringLiteral(";;") + textFilter, &chosenFilter);
    if (path.isEmpty()) {
        return;
    }
    const bool csv = chosenFilter == csvFilter
                         ? !path.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive)
                         : path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
    const QString ending = csv ? QStringLiteral(".csv") : QStringLiteral(".txt");
    if (!path.endsWith(ending, Qt::CaseInsensitive)) {
        path += ending;
    }
    const std::string content = csv ? log_->csv() : log_->text();
    if (const auto failure =
            QtFileWriter().replace(QFile::encodeName(path).toStdString(), content)) {
        QMessageBox::warning(
            this, QStringLiteral("通讯记录"),
            QStringLiteral("无法保存 %1：%2").arg(path, QString::fromStdString(*failure)));
    }
}

}  // namespace tc24
