#include "app/qt/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
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

// The tool bar's own texts; the views name their actions themselves.
constexpr const char* kToolsTitle = QT_TRANSLATE_NOOP("tc24::MainWindow", "工具");
constexpr const char* kLanguageNotSaved =
    QT_TRANSLATE_NOOP("tc24::MainWindow", "无法保存语言设置：%1");
// The language switch reads the same in either language, and names each language in itself.
constexpr const char* kLanguageSwitch = "语言 / Language";
constexpr const char* kChinese = "中文";
constexpr const char* kEnglish = "English";

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
      language_(readToolSettings(settings_).language),
      shownLanguage_(language_),
      ui_(std::make_unique<Ui::frmMain>()) {
    // Before the form and the views are built: they then come up in the saved language.
    installLanguage(language_);
    ui_->setupUi(this);
    setWindowTitle(applicationTitle());

    if (port == nullptr) {
        ownPort_ = std::make_unique<QtSerialPort>(settings_);
        port = ownPort_.get();
    }
    trafficLog_ = std::make_shared<TrafficLog>();
    trafficLog_->setTranslator(translator_);
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
    connectEchoFilter(*echoFilter_, *trafficLog_, *controls_, translator_);
    core_ = std::make_unique<FrmMain>(*controls_, *port_, *dialogs, files_, *timer2_, *timer3_,
                                      *timer6_, programDirectory_, settings_.folder);
    core_->window().translator = &translator_;
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
    toolsBar_ = addToolBar(tr(kToolsTitle));
    toolsBar_->setObjectName(QStringLiteral("toolsBar"));
    toolsBar_->setMovable(false);
    CommLogWindow::install(*this);
    BusScanDialog::install(*this);
    TrendView::install(*this);
    CsvRecording::install(*this);
    recordView_ = RecordView::install(*this);
    installEchoSuppression();
    installLanguageSwitch();
}

void MainWindow::installEchoSuppression() {
    toolsBar_->addSeparator();
    QAction* action = toolsBar_->addAction(translatedText(texts::kEchoSuppression));
    echoAction_ = action;
    action->setObjectName(QStringLiteral("actEchoSuppression"));
    action->setCheckable(true);
    action->setChecked(echoFilter_->enabled());
    action->setToolTip(translatedText(texts::kEchoSuppressionTip));
    connect(action, &QAction::toggled, this, [this](bool on) {
        echoFilter_->setEnabled(on);
        ToolSettings tool = readToolSettings(settings_);
        tool.echoSuppression = on;
        if (const auto failure = writeToolSettings(settings_, tool)) {
            controls_->showStatus(core_->window().translated(texts::kEchoSettingNotSaved) +
                                  *failure);
        }
    });
}

void MainWindow::installLanguageSwitch() {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("menuLanguage"));
    auto* group = new QActionGroup(menu);
    chineseAction_ = menu->addAction(QString::fromUtf8(kChinese));
    chineseAction_->setObjectName(QStringLiteral("actChinese"));
    englishAction_ = menu->addAction(QString::fromUtf8(kEnglish));
    englishAction_->setObjectName(QStringLiteral("actEnglish"));
    for (QAction* choice : {chineseAction_, englishAction_}) {
        choice->setCheckable(true);
        group->addAction(choice);
    }
    (language_ == WindowLanguage::English ? englishAction_ : chineseAction_)->setChecked(true);
    // triggered(): the operator's choice; the check marks set from here do not recurse.
    connect(chineseAction_, &QAction::triggered, this,
            [this] { setLanguage(WindowLanguage::Chinese); });
    connect(englishAction_, &QAction::triggered, this,
            [this] { setLanguage(WindowLanguage::English); });

    toolsBar_->addSeparator();
    QAction* action = toolsBar_->addAction(QString::fromUtf8(kLanguageSwitch));
    action->setObjectName(QStringLiteral("actLanguage"));
    action->setMenu(menu);
    if (auto* button = qobject_cast<QToolButton*>(toolsBar_->widgetForAction(action))) {
        button->setPopupMode(QToolButton::InstantPopup);
    }
}

void MainWindow::setLanguage(WindowLanguage language, bool remember) {
    (language == WindowLanguage::English ? englishAction_ : chineseAction_)->setChecked(true);
    if (language != language_ || installedLanguage() != language) {
        language_ = language;
        installLanguage(language);
        // At once for this window; the posted LanguageChange reaches every other widget.
        retranslate();
    }
    if (!remember) {
        return;
    }
    ToolSettings tool = readToolSettings(settings_);
    if (tool.language == language) {
        return;
    }
    tool.language = language;
    if (const auto failure = writeToolSettings(settings_, tool)) {
        controls_->showStatus(fillIn(tr(kLanguageNotSaved).toStdString(), {*failure}));
    }
}

void MainWindow::changeEvent(QEvent* event) {
    // Posted for every change of the application's translators: once the captions are in the
    // language in force, there is nothing to do again.
    if (event->type() == QEvent::LanguageChange && toolsBar_ != nullptr &&
        installedLanguage() != shownLanguage_) {
        retranslate();
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::retranslate() {
    // Values, counters and panes are not translatable in the form (notr): only words change.
    ui_->retranslateUi(this);
    setWindowTitle(applicationTitle());
    toolsBar_->setWindowTitle(tr(kToolsTitle));
    echoAction_->setText(translatedText(texts::kEchoSuppression));
    echoAction_->setToolTip(translatedText(texts::kEchoSuppressionTip));
    // The views made on first use are not there to hear the change: their actions are here.
    if (auto* action = toolsBar_->findChild<QAction*>(QStringLiteral("actCommLog"))) {
        CommLogWindow::labelAction(*action);
    }
    if (auto* action = toolsBar_->findChild<QAction*>(QStringLiteral("actBusScan"))) {
        BusScanDialog::labelAction(*action);
    }
    // The sentence around the current address changed: the box goes into its new blanks.
    placeCurrentAddressBox();
    shownLanguage_ = installedLanguage();
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

void prepareApplication() {
    QApplication::setApplicationName(QStringLiteral("tc24"));
}

std::unique_ptr<MainWindow> startMainWindow(std::optional<WindowLanguage> language) {
    prepareApplication();
    auto window = std::make_unique<MainWindow>(
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    if (language) {
        window->setLanguage(*language, false);
    }
    window->load();
    window->resize(MainWindow::kStartSize);
    window->show();
    return window;
}

}  // namespace tc24
