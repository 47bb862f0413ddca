#include "app/qt/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <algorithm>

#include "app/platform/settings_folder.h"
#include "app/platform/tool_settings.h"
#include "app/qt/bus_scan_dialog.h"
#include "app/qt/comm_log_window.h"
#include "app/qt/csv_recording.h"
#include "app/qt/qt_controls.h"
#include "app/qt/qt_dialogs.h"
#include "app/qt/qt_serial_port.h"
#include "app/qt/qt_timer.h"
#include "app/qt/record_view.h"
#include "app/qt/trend_view.h"
#include "app/qt/ui_frm_main.h"
#include "app/settings/port_device.h"
#include "diagnostics/echo_filter.h"
#include "diagnostics/held_reply_tap.h"
#include "diagnostics/traffic_tap.h"
#include "link/control_names.h"
#include "link/window.h"
#include "link/window_texts.h"

namespace tc24 {

namespace {

constexpr int kImageSize = 16;

// A round lamp for a status image, drawn once at start-up for the screen's pixel ratio.
QPixmap statusDot(const QColor& color, qreal pixelRatio) {
    QPixmap pixmap(QSize(kImageSize, kImageSize) * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color.darker(160), 1));
    painter.setBrush(color);
    painter.drawEllipse(QRectF(1.5, 1.5, kImageSize - 3, kImageSize - 3));
    return pixmap;
}

// Width of the current-address box: three digits and the box's frame.
int addressBoxWidth(const QLineEdit* box) {
    return box->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 16;
}

}  // namespace

MainWindow::MainWindow(std::filesystem::path programDirectory, SerialPort* port, Dialogs* dialogs,
                       QWidget* parent)
    : QMainWindow(parent),
      programDirectory_(std::move(programDirectory)),
      settings_(tc24::settingsLocation(programDirectory_)),
      ui_(std::make_unique<Ui::frmMain>()) {
    ui_->setupUi(this);
    setWindowTitle(QString::fromUtf8(kApplicationTitle));

    if (port == nullptr) {
        ownPort_ = std::make_unique<QtSerialPort>(settings_);
        port = ownPort_.get();
    }
    trafficLog_ = std::make_shared<TrafficLog>();
    // The tap sees what the filter lets through; the filter reports the echo it takes out.
    echoFilter_ = std::make_unique<EchoFilter>(*port);
    echoFilter_->setEnabled(readToolSettings(settings_).echoSuppression);
    heldReplyTap_ = std::make_unique<HeldReplyTap>(*echoFilter_);
    trafficTap_ = std::make_unique<TrafficTap>(*heldReplyTap_, *trafficLog_);
    port_ = trafficTap_.get();
    if (dialogs == nullptr) {
        ownDialogs_ = std::make_unique<QtDialogs>(this);
        dialogs = ownDialogs_.get();
    }

    prepareControls();
    timer2_ = std::make_unique<QtTimer>(this, control::Timer2);
    timer3_ = std::make_unique<QtTimer>(this, control::Timer3);
    timer6_ = std::make_unique<QtTimer>(this, control::Timer6);
    controls_ = std::make_unique<QtControls>(this, statusBar());
    // The port is closed until start-up opens it.
    controls_->bringToFront(control::imgNotConnected);
    connectEchoFilter(*echoFilter_, *trafficLog_, *controls_);
    core_ = std::make_unique<FrmMain>(*controls_, *port_, *dialogs, files_, *timer2_, *timer3_,
                                      *timer6_, programDirectory_, settings_.folder);
    heldReplyTap_->attach(core_->window());
    connectHandlers();
    installTools();
}

MainWindow::~MainWindow() {
    // Nothing may reach the handlers while the window comes apart.
    port_->setEventHandler([] {});
    for (const auto* timer : {timer2_.get(), timer3_.get(), timer6_.get()}) {
        timer->timer()->stop();
        timer->timer()->disconnect();
    }
    core_.reset();
}

void MainWindow::prepareControls() {
    const qreal pixelRatio = qApp->devicePixelRatio();
    ui_->imgNotConnected->setPixmap(statusDot(QColor(0xD0, 0x20, 0x20), pixelRatio));
    ui_->ImgYellow->setPixmap(statusDot(QColor(0xF0, 0xC8, 0x00), pixelRatio));
    ui_->imgConnected->setPixmap(statusDot(QColor(0x20, 0xB0, 0x30), pixelRatio));

    // The counters change with every poll. At a fixed size a new number repaints the label
    // alone; a label that may grow has the whole window laid out again for each number.
    for (QLabel* counter : {ui_->lblCounter, ui_->lblErrCounter}) {
        const int tenDigits =
            counter->fontMetrics().horizontalAdvance(QStringLiteral("0000000000"));
        counter->setFixedSize(std::max(counter->minimumWidth(), tenDigits + 4),
                              counter->sizeHint().height());
    }

    // "将地址 [current] 改为 [new]": the current address sits in the blanks of the sentence.
    ui_->txtSetID_0->setParent(ui_->Label2_7);
    ui_->txtSetID_0->show();
    ui_->Label2_7->installEventFilter(this);
    placeCurrentAddressBox();

    refreshPortTooltips();
    ui_->Combo1->beforePopup = [this] { refreshPortTooltips(); };
}

void MainWindow::placeCurrentAddressBox() {
    QLabel* sentence = ui_->Label2_7;
    QLineEdit* box = ui_->txtSetID_0;
    const QString text = sentence->text();
    const qsizetype start = text.indexOf(QStringLiteral("  "));
    if (start < 0) {
        return;
    }
    qsizetype end = start;
    while (end < text.size() && text[end] == u' ') {
        ++end;
    }

    // The original's font has blanks half a character wide, so that the seven of the
    // sentence leave room for the box; in a fixed-pitch font they do again. Only the family
    // is set: the size follows the window, and the Chinese characters come from the same
    // fallback font as everywhere else.
    const QStringList fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont).families();
    if (sentence->font().families() != fixed) {
        QFont font;
        font.setFamilies(fixed);
        sentence->setFont(font);  // comes back here through the FontChange event
        // The digits as in every other box: the window's family, not the sentence's.
        const QFont windowFont = sentence->parentWidget()->font();
        QFont digits;
        digits.setFamilies(windowFont.families().isEmpty() ? QStringList{windowFont.family()}
                                                           : windowFont.families());
        box->setFont(digits);
    }
    const int boxWidth = addressBoxWidth(box);
    const QFontMetrics metrics = sentence->fontMetrics();
    const QRect area = sentence->contentsRect();
    const int height = box->sizeHint().height();
    const int gapLeft = metrics.horizontalAdvance(text.left(start));
    const int gapWidth = metrics.horizontalAdvance(text.left(end)) - gapLeft;
    const QRect logical(area.left() + gapLeft + (gapWidth - boxWidth) / 2,
                        area.top() + (area.height() - height) / 2, boxWidth, height);
    box->setGeometry(QStyle::visualRect(sentence->layoutDirection(), area, logical));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->Label2_7) {
        switch (event->type()) {
            case QEvent::Resize:
            case QEvent::FontChange:
            case QEvent::LayoutDirectionChange:
                placeCurrentAddressBox();
                break;
            default:
                break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::refreshPortTooltips() {
    QComboBox* ports = ui_->Combo1;
    for (int n = 1; n <= ports->count(); ++n) {
        ports->setItemData(n - 1, QString::fromStdString(portEntryTooltip(settings_, n)),
                           Qt::ToolTipRole);
    }
}

void MainWindow::installTools() {
    toolsBar_ = addToolBar(QStringLiteral("工具"));
    toolsBar_->setObjectName(QStringLiteral("toolsBar"));
    toolsBar_->setMovable(false);
    CommLogWindow::install(*this);
    BusScanDialog::install(*this);
    TrendView::install(*this);
    CsvRecording::install(*this);
    recordView_ = RecordView::install(*this);
    installEchoSuppression();
}

void MainWindow::installEchoSuppression() {
    toolsBar_->addSeparator();
    QAction* action = toolsBar_->addAction(QString::fromUtf8(texts::kEchoSuppression));
    action->setObjectName(QStringLiteral("actEchoSuppression"));
    action->setCheckable(true);
    action->setChecked(echoFilter_->enabled());
    action->setToolTip(QString::fromUtf8(texts::kEchoSuppressionTip));
    connect(action, &QAction::toggled, this, [this](bool on) {
        echoFilter_->setEnabled(on);
        ToolSettings tool = readToolSettings(settings_);
        tool.echoSuppression = on;
        if (const auto failure = writeToolSettings(settings_, tool)) {
            controls_->showStatus(texts::kEchoSettingNotSaved + *failure);
        }
    });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (recordView_ != nullptr && !recordView_->mayClose()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

Controls& MainWindow::controls() {
    return *controls_;
}

void MainWindow::load() {
    core_->Form_Load();
}

void MainWindow::connectHandlers() {
    FrmMain* core = core_.get();
    const struct {
        QPushButton* button;
        void (FrmMain::*handler)();
    } clicks[] = {
        {ui_->comDoOnce, &FrmMain::comDoOnce_Click},
        {ui_->cmdOneM, &FrmMain::cmdOneM_Click},
        {ui_->cmdStopOnce, &FrmMain::cmdStopOnce_Click},
        {ui_->cmdCom, &FrmMain::cmdCom_Click},
        {ui_->cmdReadAdd, &FrmMain::cmdReadAdd_Click},
        {ui_->cmdChangeID, &FrmMain::cmdChangeID_Click},
        {ui_->cmdReadSensorID, &FrmMain::cmdReadSensorID_Click},
        {ui_->cmdReadSNAll, &FrmMain::cmdReadSNAll_Click},
        {ui_->cmdSaveSn, &FrmMain::cmdSaveSn_Click},
        {ui_->cmdAutoSearch, &FrmMain::cmdAutoSearch_Click},
        {ui_->cmdAutoInput, &FrmMain::cmdAutoInput_Click},
        {ui_->cmdOpenFile, &FrmMain::cmdOpenFile_Click},
        {ui_->cmdFirst, &FrmMain::cmdFirst_Click},
        {ui_->cmdWriteNext, &FrmMain::cmdWriteNext_Click},
        {ui_->cmdWriteAllSn, &FrmMain::cmdWriteAllSn_Click},
        {ui_->cmdStopWrite, &FrmMain::cmdStopWrite_Click},
    };
    for (const auto& click : clicks) {
        connect(click.button, &QPushButton::clicked, this,
                [core, handler = click.handler] { (core->*handler)(); });
    }

    // activated(): the operator's choice only, so selecting an entry from code does not recurse.
    connect(ui_->Combo1, &QComboBox::activated, this, [core] { core->Combo1_Click(); });
    // textEdited(): the operator's typing only, not the position a read moves on to.
    connect(ui_->txtSensorid2, &QLineEdit::textEdited, this,
            [core] { core->txtSensorid2_Edited(); });

    connect(timer2_->timer(), &QTimer::timeout, this, [core] { core->Timer2_Timer(); });
    connect(timer3_->timer(), &QTimer::timeout, this, [core] { core->Timer3_Timer(); });
    connect(timer6_->timer(), &QTimer::timeout, this, [core] { core->Timer6_Timer(); });
}

std::unique_ptr<MainWindow> startMainWindow() {
    QApplication::setApplicationName(QStringLiteral("tc24"));
    // Message boxes without a title of their own show this one.
    QApplication::setApplicationDisplayName(QString::fromUtf8(kApplicationTitle));
    auto window = std::make_unique<MainWindow>(
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    window->load();
    window->resize(MainWindow::kStartSize);
    window->show();
    return window;
}

}  // namespace tc24
