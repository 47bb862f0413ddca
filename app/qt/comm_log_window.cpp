#include "app/qt/comm_log_window.h"

#include <QAction>
#include <QBrush>
#include <QColor>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <span>

#include "app/platform/qt_file_writer.h"
#include "app/qt/language.h"
#include "app/qt/main_window.h"
#include "app/qt/ui_comm_log_window.h"
#include "link/files.h"
#include "protocol/frames.h"
#include "protocol/hex.h"

namespace tc24 {

namespace {

enum Column { Time, Since, Direction, Length, Data, Text, Columns };

const char* const kHeaders[Columns] = {QT_TRANSLATE_NOOP("tc24::TrafficTableModel", "时间"),
                                       QT_TRANSLATE_NOOP("tc24::TrafficTableModel", "距请求(ms)"),
                                       QT_TRANSLATE_NOOP("tc24::TrafficTableModel", "方向"),
                                       QT_TRANSLATE_NOOP("tc24::TrafficTableModel", "长度"),
                                       QT_TRANSLATE_NOOP("tc24::TrafficTableModel", "数据"),
                                       QT_TRANSLATE_NOOP("tc24::TrafficTableModel", "说明")};
// The statistics table's columns, in the order of the form's headers.
constexpr int kStatisticsColumns = 9;

QString milliseconds(std::int64_t us) {
    return QString::number(static_cast<double>(us) / 1000.0, 'f', 1);
}

// Whether the bytes as hex ("01 03 30") are wider than `chars` characters (0: no limit).
bool tooWide(const Bytes& bytes, int chars) {
    return chars > 0 && 3 * static_cast<qsizetype>(bytes.size()) - 1 > chars;
}

// The bytes as hex, shortened by whole bytes to `chars` characters ending in " …".
QString dataText(const Bytes& bytes, int chars) {
    if (!tooWide(bytes, chars)) {
        return QString::fromStdString(serialNumberText(bytes));
    }
    const int shown = std::max(1, (chars - 1) / 3);  // "XX " each, and room for "…"
    return QString::fromStdString(
               serialNumberText(std::span(bytes).first(static_cast<std::size_t>(shown)))) +
           QStringLiteral(" …");
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
                return wallTime(row.wallMs);
            case Since:
                return QString::fromStdString(trafficSince(row.sinceRequestUs));
            case Direction:
                return translatedText(trafficDirectionText(row.direction));
            case Length:
                return static_cast<qulonglong>(row.bytes.size());
            case Data:
                return dataText(row.bytes, dataChars_);
            case Text:
                return QString::fromStdString(row.text);
            default:
                return {};
        }
    }
    if (role == Qt::ToolTipRole && index.column() == Data && tooWide(row.bytes, dataChars_)) {
        return QString::fromStdString(serialNumberText(row.bytes));
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
    return tr(kHeaders[section]);
}

QString TrafficTableModel::wallTime(std::int64_t wallMs) const {
    // The local time of a second is looked up once: every row of the second shares it, and
    // std::localtime reads the time zone on every call.
    const std::int64_t milliseconds = ((wallMs % 1000) + 1000) % 1000;
    const std::int64_t second = wallMs - milliseconds;
    if (second != cachedSecond_ || cachedClock_.isEmpty()) {
        cachedSecond_ = second;
        const QString clock = QString::fromStdString(trafficWallTime(second, false));
        cachedClock_ = clock.size() > 3 ? clock.chopped(3) : QString();  // "12:03:04."
    }
    if (cachedClock_.isEmpty()) {
        return {};
    }
    return cachedClock_ + QStringLiteral("%1").arg(milliseconds, 3, 10, QLatin1Char('0'));
}

void TrafficTableModel::setDataColumnChars(int chars) {
    if (chars == dataChars_) {
        return;
    }
    dataChars_ = chars;
    if (count_ > 0) {
        emit dataChanged(index(0, Data), index(count_ - 1, Data),
                         {Qt::DisplayRole, Qt::ToolTipRole});
    }
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
    : QWidget(parent, Qt::Window),
      ui_(std::make_unique<Ui::CommLogWindow>()),
      log_(std::move(log)) {
    ui_->setupUi(this);

    model_ = new TrafficTableModel(log_, this);
    QTableView* table = ui_->tblTraffic;
    table->setModel(model_);
    QFont hex;
    hex.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Noto Sans Mono")});
    hex.setStyleHint(QFont::TypeWriter);
    // A monospaced font has no kerning or ligatures to shape, nor do Chinese characters: laid
    // out without shaping, the cells' text gives the same pixels for a quarter less drawing.
    hex.setStyleStrategy(QFont::PreferNoShaping);
    table->setFont(hex);
    // No grid between the rows (the form): the columns stand apart by their spacing, as in a
    // packet list, and each batch draws a fourteenth less. Every row one line high: the view
    // never asks a row for its height.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    connect(table->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) {
                if (column == Data) {
                    fitDataColumn(width);
                }
            });
    table->setColumnWidth(Time, table->fontMetrics().horizontalAdvance("00:00:00.000") + 16);
    table->setColumnWidth(Data, table->fontMetrics().horizontalAdvance(QString(42, u'0')));
    fitDataColumn(table->columnWidth(Data));

    QTableWidget* statistics = ui_->tblStatistics;
    QFont figuresFont = statistics->font();
    figuresFont.setStyleStrategy(QFont::PreferNoShaping);  // figures, as the rows' hex
    statistics->setFont(figuresFont);
    statistics->setRowCount(protocol::kRequestKinds + 1);
    labelKinds();
    statistics->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    statistics->verticalHeader()->setDefaultSectionSize(statistics->fontMetrics().height() + 4);
    statistics->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);

    batchTimer_ = new QTimer(this);
    batchTimer_->setSingleShot(true);
    batchTimer_->setInterval(kBatchMs);
    connect(batchTimer_, &QTimer::timeout, this, &CommLogWindow::showBatch);

    connect(ui_->cmdLogPause, &QPushButton::toggled, this, [this](bool paused) {
        log_->setPaused(paused);
        ui_->cmdLogPause->setText(paused ? tr("继续") : tr("暂停"));
    });
    connect(ui_->cmdLogClear, &QPushButton::clicked, this, [this] { log_->clear(); });
    connect(ui_->cmdLogSave, &QPushButton::clicked, this, &CommLogWindow::save);

    // The table is laid out and grows later than the rows arrive: at the bottom, every new
    // extent of the scroll bar takes the view along.
    QScrollBar* bar = table->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this,
            [this, bar](int value) { following_ = value == bar->maximum(); });
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (following_) {
            bar->setValue(maximum);
        }
    });

    fitRowsLabel();
    log_->changed = [this] { onLogChanged(); };
    refreshStatistics();
}

CommLogWindow::~CommLogWindow() {
    log_->changed = nullptr;
    // The table goes with the widgets below this one, after this object's members: its scroll
    // bar's last signals must not reach them.
    ui_->tblTraffic->verticalScrollBar()->disconnect(this);
    ui_->tblTraffic->horizontalHeader()->disconnect(this);
}

void CommLogWindow::labelAction(QAction& action) {
    action.setText(tr("通讯记录"));
}

void CommLogWindow::labelKinds() {
    QStringList kinds;
    for (int kind = 0; kind < protocol::kRequestKinds; ++kind) {
        kinds << translatedText(protocol::kindName(static_cast<protocol::RequestKind>(kind)));
    }
    kinds << tr("合计");
    ui_->tblStatistics->setVerticalHeaderLabels(kinds);
}

void CommLogWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        // The form, the kinds of request, the column headers and the count of rows. A row's
        // direction is a label and follows at the next redraw; its note (the request in
        // words, the verdict) keeps the words it was recorded with.
        const bool paused = ui_->cmdLogPause->isChecked();
        ui_->retranslateUi(this);
        ui_->cmdLogPause->setText(paused ? tr("继续") : tr("暂停"));
        labelKinds();
        emit model_->headerDataChanged(Qt::Horizontal, 0, model_->columnCount() - 1);
        fitRowsLabel();
        refreshStatistics();
    }
    QWidget::changeEvent(event);
}

void CommLogWindow::install(MainWindow& main) {
    QAction* action = main.toolsBar()->addAction(QString());
    action->setObjectName(QStringLiteral("actCommLog"));
    labelAction(*action);
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
    showBatch();
    return *model_;
}

void CommLogWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!sized_) {
        // Opened the first time, the figures of every kind and their total are in view
        // without scrolling; the rows get the rest.
        sized_ = true;
        QTableWidget* statistics = ui_->tblStatistics;
        const int figures =
            statistics->horizontalHeader()->sizeHint().height() +
            statistics->rowCount() * statistics->verticalHeader()->defaultSectionSize() +
            2 * statistics->frameWidth();
        const int total = ui_->logSplit->height() - ui_->logSplit->handleWidth();
        ui_->logSplit->setSizes({total - figures, figures});
    }
    showBatch();
    // Opened, it shows the newest rows, also once the table has its final size.
    following_ = true;
    ui_->tblTraffic->scrollToBottom();
}

QString CommLogWindow::rowsText(std::size_t rows, bool paused) const {
    return tr("%1 / %2 行%3")
        .arg(rows)
        .arg(log_->capacity())
        .arg(paused ? tr("（已暂停）") : QString());
}

void CommLogWindow::fitRowsLabel() {
    // As wide as the widest count: a new count repaints the label instead of laying out the
    // window again, in every batch.
    QLabel* label = ui_->lblLogRows;
    label->setFixedSize(
        label->fontMetrics().size(Qt::TextSingleLine, rowsText(log_->capacity(), true)) +
        QSize(2 * label->margin() + 4, 2 * label->margin()));
}

void CommLogWindow::fitDataColumn(int width) {
    // The item's text has the style's focus margin on either side.
    QTableView* table = ui_->tblTraffic;
    const int margin =
        table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1;
    const int digit = table->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    model_->setDataColumnChars(std::max(1, (width - 2 * margin) / std::max(1, digit)));
}

void CommLogWindow::onLogChanged() {
    stale_ = true;
    // Nobody looks at a hidden window: no table work on every poll; it catches up when shown.
    if (isVisible() && !batchTimer_->isActive()) {
        batchTimer_->start();
    }
}

void CommLogWindow::showBatch() {
    batchTimer_->stop();
    if (!stale_) {
        return;
    }
    stale_ = false;
    const int dropped = model_->sync();
    if (!following_ && dropped > 0) {
        // Scrolled up: the rows in view stay in view while old ones leave the ring.
        QTableView* table = ui_->tblTraffic;
        QScrollBar* bar = table->verticalScrollBar();
        const int step = table->verticalScrollMode() == QAbstractItemView::ScrollPerItem
                             ? 1
                             : table->verticalHeader()->defaultSectionSize();
        bar->setValue(bar->value() - dropped * step);
    }
    refreshStatistics();
}

void CommLogWindow::refreshStatistics() {
    for (int kind = 0; kind <= protocol::kRequestKinds; ++kind) {
        const TrafficStatistics figures =
            kind < protocol::kRequestKinds
                ? log_->statistics(static_cast<protocol::RequestKind>(kind))
                : log_->totals();
        const QStringList cells = statisticsCells(figures);
        for (int column = 0; column < kStatisticsColumns; ++column) {
            auto* item = ui_->tblStatistics->item(kind, column);
            if (item == nullptr) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                ui_->tblStatistics->setItem(kind, column, item);
            }
            // An unchanged figure is not redrawn.
            if (item->text() != cells[column]) {
                item->setText(cells[column]);
            }
        }
    }
    ui_->lblLogRows->setText(rowsText(log_->rows().size(), log_->paused()));
}

void CommLogWindow::save() {
    const QString csvFilter = tr("CSV 文件 (*.csv)");
    const QString textFilter = tr("文本文件 (*.txt)");
    QString chosenFilter = csvFilter;
    QString path =
        QFileDialog::getSaveFileName(this, tr("保存通讯记录"), QString(),
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
        QMessageBox::warning(this, tr("通讯记录"),
                             tr("无法保存 %1：%2").arg(path, QString::fromStdString(*failure)));
    }
}

}  // namespace tc24
