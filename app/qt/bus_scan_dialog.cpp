#include "app/qt/bus_scan_dialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/qt/main_window.h"
#include "app/qt/qt_timer.h"
#include "link/window_texts.h"

namespace tc24 {

namespace {

constexpr const char* kLineTaken = "总线扫描进行中：循环查询、读全部和自动写入已暂停";

}  // namespace

BusScanDialog::BusScanDialog(MainWindow& main) : QWidget(&main, Qt::Window), main_(main) {
    setObjectName(QStringLiteral("frmBusScan"));
    setWindowTitle(QStringLiteral("总线扫描"));

    timer_ = std::make_unique<QtTimer>(this, QStringLiteral("TimerScan"));
    FrmMain* core = &main.core();
    scan_ = std::make_unique<BusScan>(core->window(), *timer_, [core] { core->MSComm1_OnComm(); });
    connect(timer_->timer(), &QTimer::timeout, this, [this] { scan_->tick(); });
    scan_->progressed = [this] { onProgress(); };
    scan_->released = [this] { onReleased(); };

    first_ = new QLineEdit(QStringLiteral("1"));
    first_->setObjectName(QStringLiteral("txtScanFirst"));
    last_ = new QLineEdit(QStringLiteral("249"));
    last_->setObjectName(QStringLiteral("txtScanLast"));
    timeout_ = new QLineEdit(QStringLiteral("100"));
    timeout_->setObjectName(QStringLiteral("txtScanTimeout"));
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("起始站号"), first_);
    fields->addRow(QStringLiteral("结束站号"), last_);
    fields->addRow(QStringLiteral("超时(ms)"), timeout_);

    start_ = new QPushButton(QStringLiteral("开始扫描"));
    start_->setObjectName(QStringLiteral("cmdScanStart"));
    cancel_ = new QPushButton(QStringLiteral("取消"));
    cancel_->setObjectName(QStringLiteral("cmdScanCancel"));
    cancel_->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start_);
    buttons->addWidget(cancel_);
    buttons->addStretch(1);

    progress_ = new QProgressBar;
    progress_->setObjectName(QStringLiteral("prgScan"));
    progress_->setRange(0, 1);
    progress_->setValue(0);
    found_ = new QListWidget;
    found_->setObjectName(QStringLiteral("lstScanFound"));
    take_ = new QPushButton(QStringLiteral("设为设备地址"));
    take_->setObjectName(QStringLiteral("cmdScanTake"));
    take_->setEnabled(false);
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("lblScanStatus"));
    status_->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->addWidget(progress_);
    layout->addWidget(new QLabel(QStringLiteral("应答的站号")));
    layout->addWidget(found_);
    layout->addWidget(take_);
    layout->addWidget(status_);
    resize(320, 420);

    connect(start_, &QPushButton::clicked, this, &BusScanDialog::startScan);
    connect(cancel_, &QPushButton::clicked, this, [this] { scan_->cancel(); });
    connect(take_, &QPushButton::clicked, this, &BusScanDialog::takeSelected);
    connect(found_, &QListWidget::itemDoubleClicked, this, &BusScanDialog::takeSelected);
    connect(found_, &QListWidget::currentRowChanged, this,
            [this](int row) { take_->setEnabled(row >= 0); });
}

// The main window's destructor takes the port's handler back and stops its timers; the scan
// itself leaves them alone (see BusScan).
BusScanDialog::~BusScanDialog() {
    timer_->timer()->disconnect();  // no tick may reach the scan as it goes
    scan_->progressed = nullptr;
    scan_->released = nullptr;
}

void BusScanDialog::install(MainWindow& main) {
    QAction* action = main.toolsBar()->addAction(QStringLiteral("总线扫描"));
    action->setObjectName(QStringLiteral("actBusScan"));
    QObject::connect(action, &QAction::triggered, &main, [&main] {
        auto* dialog = main.findChild<BusScanDialog*>(QStringLiteral("frmBusScan"));
        if (dialog == nullptr) {
            dialog = new BusScanDialog(main);
        }
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
    });
}

void BusScanDialog::closeEvent(QCloseEvent* event) {
    scan_->cancel();  // closing the dialog stops the scan; the line comes back shortly
    QWidget::closeEvent(event);
}

void BusScanDialog::startScan() {
    const auto parsed = BusScan::parse(first_->text().toStdString(), last_->text().toStdString(),
                                       timeout_->text().toStdString());
    if (!parsed.settings) {
        status_->setText(QString::fromStdString(parsed.refusal));
        return;
    }
    found_->clear();
    listedFound_ = 0;
    listedGarbled_ = 0;
    if (const auto refusal = scan_->start(*parsed.settings)) {
        status_->setText(QString::fromStdString(*refusal));
        return;
    }
    if (QWidget* controls = main_.centralWidget()) {
        controls->setEnabled(false);  // no click can send while the scan owns the line
    }
    main_.controls().showStatus(kLineTaken);
    start_->setEnabled(false);
    cancel_->setEnabled(true);
    onProgress();
}

void BusScanDialog::onProgress() {
    progress_->setRange(0, scan_->total());
    progress_->setValue(scan_->done());
    const auto& stations = scan_->found();
    while (listedFound_ < stations.size()) {
        const auto station = stations[listedFound_++];
        auto* item = new QListWidgetItem(QStringLiteral("站 %1").arg(station), found_);
        item->setData(Qt::UserRole, station);
    }
    // A station that answered unreadably is listed too: something is there.
    const auto& garbled = scan_->garbled();
    while (listedGarbled_ < garbled.size()) {
        const auto station = garbled[listedGarbled_++];
        auto* item =
            new QListWidgetItem(QString::fromUtf8(texts::kScanGarbledStation).arg(station), found_);
        item->setData(Qt::UserRole, station);
    }
    if (scan_->settling()) {
        status_->setText(QStringLiteral("等待线路空闲 …"));
        return;
    }
    if (scan_->running()) {
        status_->setText(QStringLiteral("正在询问站 %1 …").arg(scan_->currentStation()));
        return;
    }
    cancel_->setEnabled(false);
    QString outcome = scan_->cancelled() ? QStringLiteral("已取消") : QStringLiteral("扫描完成");
    if (!scan_->failure().empty()) {
        outcome = QString::fromStdString(scan_->failure());
    }
    QString text = QStringLiteral("%1：%2 个站应答").arg(outcome).arg(stations.size());
    if (scan_->echoSeen()) {
        text += QStringLiteral("\n") + QString::fromUtf8(texts::kEchoSeen);
    }
    status_->setText(text);
}

void BusScanDialog::onReleased() {
    if (QWidget* controls = main_.centralWidget()) {
        controls->setEnabled(true);
    }
    main_.controls().showStatus("");
    start_->setEnabled(true);
}

void BusScanDialog::takeSelected() {
    const QListWidgetItem* item = found_->currentItem();
    if (item == nullptr) {
        return;
    }
    scan_->take(static_cast<std::uint8_t>(item->data(Qt::UserRole).toUInt()));
}

}  // namespace tc24
