#include "app/qt/bus_scan_dialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QEvent>
#include <QTimer>
#include <QToolBar>

#include "app/qt/language.h"
#include "app/qt/main_window.h"
#include "app/qt/qt_timer.h"
#include "app/qt/ui_bus_scan_dialog.h"
#include "link/window_texts.h"

namespace tc24 {

namespace {
// A listed station whose answer could not be read.
constexpr int kGarbledRole = Qt::UserRole + 1;
}  // namespace

BusScanDialog::BusScanDialog(MainWindow& main)
    : QWidget(&main, Qt::Window), ui_(std::make_unique<Ui::BusScanDialog>()), main_(main) {
    ui_->setupUi(this);

    timer_ = std::make_unique<QtTimer>(this, QStringLiteral("TimerScan"));
    FrmMain* core = &main.core();
    scan_ = std::make_unique<BusScan>(core->window(), *timer_, [core] { core->MSComm1_OnComm(); });
    connect(timer_->timer(), &QTimer::timeout, this, [this] { scan_->tick(); });
    scan_->progressed = [this] { onProgress(); };
    scan_->released = [this] { onReleased(); };

    // The end station is never before the start.
    connect(ui_->txtScanFirst, &QSpinBox::valueChanged, ui_->txtScanLast, &QSpinBox::setMinimum);
    ui_->txtScanLast->setMinimum(ui_->txtScanFirst->value());

    connect(ui_->cmdScanStart, &QPushButton::clicked, this, &BusScanDialog::startScan);
    connect(ui_->cmdScanCancel, &QPushButton::clicked, this, [this] { scan_->cancel(); });
    connect(ui_->cmdScanTake, &QPushButton::clicked, this, &BusScanDialog::takeSelected);
    connect(ui_->lstScanFound, &QListWidget::itemDoubleClicked, this, &BusScanDialog::takeSelected);
    connect(ui_->lstScanFound, &QListWidget::currentRowChanged, this,
            [this](int row) { ui_->cmdScanTake->setEnabled(row >= 0); });
}

// The main window's destructor takes the port's handler back and stops its timers; the scan
// itself leaves them alone (see BusScan).
BusScanDialog::~BusScanDialog() {
    timer_->timer()->disconnect();  // no tick may reach the scan as it goes
    scan_->progressed = nullptr;
    scan_->released = nullptr;
}

void BusScanDialog::install(MainWindow& main) {
    QAction* action = main.toolsBar()->addAction(QString());
    action->setObjectName(QStringLiteral("actBusScan"));
    labelAction(*action);
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

void BusScanDialog::labelAction(QAction& action) {
    action.setText(tr("总线扫描"));
}

void BusScanDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        ui_->retranslateUi(this);
        relabel();
    }
    QWidget::changeEvent(event);
}

QString BusScanDialog::stationText(unsigned station, bool garbled) {
    return garbled ? translatedText(texts::kScanGarbledStation).arg(station)
                   : tr("站 %1").arg(station);
}

void BusScanDialog::relabel() {
    // The stations listed and the status line in the new language.
    for (int row = 0; row < ui_->lstScanFound->count(); ++row) {
        QListWidgetItem* item = ui_->lstScanFound->item(row);
        const auto station = item->data(Qt::UserRole).toUInt();
        const bool garbled = item->data(kGarbledRole).toBool();
        item->setText(stationText(station, garbled));
    }
    if (scan_->running() || scan_->done() > 0) {
        onProgress();
    } else {
        ui_->lblScanStatus->clear();
    }
}

void BusScanDialog::closeEvent(QCloseEvent* event) {
    scan_->cancel();  // closing the dialog stops the scan; the line comes back shortly
    QWidget::closeEvent(event);
}

void BusScanDialog::startScan() {
    // A number still being typed counts as it stands.
    ui_->txtScanFirst->interpretText();
    ui_->txtScanLast->interpretText();
    ui_->txtScanTimeout->interpretText();
    ui_->lstScanFound->clear();
    listedFound_ = 0;
    listedGarbled_ = 0;
    const BusScan::Settings settings{ui_->txtScanFirst->value(), ui_->txtScanLast->value(),
                                     ui_->txtScanTimeout->value()};
    if (const auto refusal = scan_->start(settings)) {
        ui_->lblScanStatus->setText(translatedText(refusal->c_str()));
        return;
    }
    if (QWidget* controls = main_.centralWidget()) {
        controls->setEnabled(false);  // no click can send while the scan owns the line
    }
    main_.controls().showStatus(
        tr("总线扫描进行中：循环查询、读全部和自动写入已暂停").toStdString());
    ui_->cmdScanStart->setEnabled(false);
    ui_->cmdScanCancel->setEnabled(true);
    onProgress();
}

void BusScanDialog::onProgress() {
    ui_->prgScan->setRange(0, scan_->total());
    ui_->prgScan->setValue(scan_->done());
    const auto& stations = scan_->found();
    while (listedFound_ < stations.size()) {
        const auto station = stations[listedFound_++];
        auto* item = new QListWidgetItem(stationText(station, false), ui_->lstScanFound);
        item->setData(Qt::UserRole, station);
    }
    // A station that answered unreadably is listed too: something is there.
    const auto& garbled = scan_->garbled();
    while (listedGarbled_ < garbled.size()) {
        const auto station = garbled[listedGarbled_++];
        auto* item = new QListWidgetItem(stationText(station, true), ui_->lstScanFound);
        item->setData(Qt::UserRole, station);
        item->setData(kGarbledRole, true);
    }
    if (scan_->settling()) {
        ui_->lblScanStatus->setText(tr("等待线路空闲 …"));
        return;
    }
    if (scan_->running()) {
        ui_->lblScanStatus->setText(tr("正在询问站 %1 …").arg(scan_->currentStation()));
        return;
    }
    ui_->cmdScanCancel->setEnabled(false);
    QString outcome = scan_->cancelled() ? tr("已取消") : tr("扫描完成");
    if (!scan_->failure().empty()) {
        outcome = translatedText(scan_->failure().c_str());
    }
    QString text = tr("%1：%2 个站应答").arg(outcome).arg(stations.size());
    if (scan_->echoSeen()) {
        text += QStringLiteral("\n") + translatedText(texts::kEchoSeen);
    }
    ui_->lblScanStatus->setText(text);
}

void BusScanDialog::onReleased() {
    if (QWidget* controls = main_.centralWidget()) {
        controls->setEnabled(true);
    }
    main_.controls().showStatus("");
    ui_->cmdScanStart->setEnabled(true);
}

void BusScanDialog::takeSelected() {
    const QListWidgetItem* item = ui_->lstScanFound->currentItem();
    if (item == nullptr) {
        return;
    }
    scan_->take(static_cast<std::uint8_t>(item->data(Qt::UserRole).toUInt()));
}

}  // namespace tc24
