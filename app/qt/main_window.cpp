#include "app/qt/main_window.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "app/core/port_device.h"
#include "app/qt/backdrop.h"
#include "app/qt/bus_scan_dialog.h"
#include "app/qt/comm_log_window.h"
#include "app/qt/counter_label.h"
#include "app/qt/csv_recording.h"
#include "app/qt/hex_pane.h"
#include "app/qt/panel_cache_style.h"
#include "app/qt/qt_controls.h"
#include "app/qt/qt_dialogs.h"
#include "app/qt/qt_serial_port.h"
#include "app/qt/qt_timer.h"
#include "app/qt/trend_view.h"
#include "app/qt/value_box.h"
#include "link/traffic_tap.h"
#include "link/window.h"

namespace tc24 {

namespace {

constexpr int kChannels = 24;
constexpr int kChannelsPerColumn = 8;
constexpr int kSerialBytes = 8;
constexpr int kPorts = 16;
constexpr int kImageSize = 16;
constexpr const char* kStatusTooltip = "数据采集通讯状态指示";
constexpr const char* kSensorTooltip = "操作前请确保传感器已接入到需要操作的设备指定通道";

QString indexed(const char* name, int index) {
    return QStringLiteral("%1_%2").arg(name).arg(index);
}

QLabel* makeLabel(const QString& name, const QString& text) {
    auto* label = new QLabel(text);
    label->setObjectName(name);
    return label;
}

// Room for ten digits: years of polling every 10 ms.
void fixCounterSize(QLabel* label) {
    const QFontMetrics metrics = label->fontMetrics();
    label->setFixedSize(std::max(60, metrics.horizontalAdvance(QStringLiteral("0000000000")) + 4),
                        label->sizeHint().height());
}

QLineEdit* makeEdit(const QString& name, const QString& text, int digits = 0,
                    QLineEdit* edit = nullptr) {
    if (edit == nullptr) {
        edit = new QLineEdit(text);
    }
    edit->setObjectName(name);
    if (digits > 0) {
        const int width = edit->fontMetrics().horizontalAdvance(QString(digits, u'0'));
        edit->setFixedWidth(width + 16);  // frame and text margins
    }
    return edit;
}

QPushButton* makeButton(const QString& name, const QString& caption) {
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    return button;
}

// A frame that paints its border and title from a picture made once per size. The style
// draws a frame by loading and scaling an image on every paint, and every box that changes
// inside the frame repaints the part of the frame beneath it, so a poll would redraw the
// frames a dozen times for nothing.
class FrameBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent* event) override {
        const qreal ratio = devicePixelRatioF();
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        if (picture_.isNull() || picture_.deviceIndependentSize() != QSizeF(size()) ||
            picture_.devicePixelRatio() != ratio || pictureTitle_ != option.text ||
            pictureState_ != option.state) {
            picture_ = QPixmap((QSizeF(size()) * ratio).toSize());
            picture_.setDevicePixelRatio(ratio);
            picture_.fill(Qt::transparent);
            pictureTitle_ = option.text;
            pictureState_ = option.state;
            // What QGroupBox::paintEvent draws, with a painter set up as on the widget.
            QPainter picturePainter(&picture_);
            picturePainter.setFont(font());
            picturePainter.setPen(palette().color(QPalette::WindowText));
            picturePainter.setBackground(palette().brush(QPalette::Window));
            style()->drawComplexControl(QStyle::CC_GroupBox, &option, &picturePainter, this);
        }
        // Rectangle by rectangle: one blend of the whole picture clipped to a scattered
        // region costs more than the few small pieces that changed.
        QPainter painter(this);
        for (const QRect& rect : event->region()) {
            const QRectF source(QPointF(rect.topLeft()) * ratio, QSizeF(rect.size()) * ratio);
            painter.drawPixmap(QRectF(rect), picture_, source);
        }
    }

    void changeEvent(QEvent* event) override {
        // Font, palette, style or enabled state: draw the picture anew.
        picture_ = QPixmap();
        QGroupBox::changeEvent(event);
    }

private:
    QPixmap picture_;
    QString pictureTitle_;
    QStyle::State pictureState_;
};

QGroupBox* makeFrame(const QString& name, const QString& title) {
    auto* frame = new FrameBox(title);
    frame->setObjectName(name);
    return frame;
}

QPlainTextEdit* makeTextPane(const QString& name, int lines, QPlainTextEdit* pane) {
    pane->setObjectName(name);
    pane->setReadOnly(true);
    pane->setUndoRedoEnabled(false);  // read-only: no history to keep of each new text
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    const int lineHeight = pane->fontMetrics().lineSpacing();
    pane->setMinimumHeight(lines * lineHeight + 12);
    return pane;
}

// One of the three status images. They lie on top of each other and a change of front is a
// raise, as with the original's z-order; hiding and showing them twice a poll had the window
// lay out, send enter and leave events and repaint the tool bar under the pointer. Only the
// front one (its parent's last child) paints its dot, so the ones below never show through
// its soft edge. Each paints what the window has under it first and so covers its area: the
// change of front twice a poll repaints the front image alone, not also the two under it,
// the frame and the window.
class StatusImage : public QLabel {
public:
    explicit StatusImage(QWidget* parent) : QLabel(parent) {}

protected:
    void paintEvent(QPaintEvent* event) override {
        if (Backdrop::taking()) {
            return;
        }
        QPainter painter(this);
        backdrop_.paint(painter);
        if (parent() == nullptr || parent()->children().constLast() != this) {
            return;
        }
        if (!Backdrop::enabled() || !paintDot(painter)) {
            painter.end();  // QLabel paints with a painter of its own
            QLabel::paintEvent(event);
        }
    }

private:
    // What QLabel paints for a plain picture label (no frame, margin or scaling, enabled):
    // the picture placed in the contents by the style, here with the painter already begun.
    bool paintDot(QPainter& painter) {
        const QPixmap dot = pixmap();
        if (dot.isNull() || !isEnabled() || hasScaledContents() || frameWidth() != 0 ||
            margin() != 0) {
            return false;
        }
        style()->drawItemPixmap(&painter, contentsRect(),
                                QStyle::visualAlignment(layoutDirection(), alignment()), dot);
        return true;
    }

    Backdrop backdrop_{*this};
};

QPixmap statusDot(const QColor& color) {
    QPixmap pixmap(kImageSize, kImageSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color.darker(160), 1));
    painter.setBrush(color);
    painter.drawEllipse(QRectF(1.5, 1.5, kImageSize - 3, kImageSize - 3));
    return pixmap;
}

// A label whose text has a run of blanks for a text box to sit in ("将地址       改为"): the
// box is a child of the label placed over the blanks, which are drawn as wide as the box.
class GapLabel : public QLabel {
public:
    GapLabel(const QString& text, QWidget* box) : QLabel(text), box_(box) { box_->setParent(this); }

    QSize sizeHint() const override {
        const Parts parts = split();
        if (!parts.valid) {
            return QLabel::sizeHint();
        }
        const QFontMetrics metrics = fontMetrics();
        const int width = metrics.horizontalAdvance(parts.before) + gapWidth() +
                          metrics.horizontalAdvance(parts.after);
        const int height = std::max(metrics.height(), box_->sizeHint().height());
        const QMargins margins = contentsMargins();
        return {width + margins.left() + margins.right(),
                height + margins.top() + margins.bottom()};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override {
        const Parts parts = split();
        if (!parts.valid) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        const QRect area = contentsRect();
        const int beforeWidth = fontMetrics().horizontalAdvance(parts.before);
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, parts.before);
        painter.drawText(area.adjusted(beforeWidth + gapWidth(), 0, 0, 0),
                         Qt::AlignLeft | Qt::AlignVCenter, parts.after);
    }

    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        place();
    }

    void changeEvent(QEvent* event) override {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::FontChange) {
            updateGeometry();
            place();
        }
    }

private:
    struct Parts {
        bool valid = false;
        QString before;
        QString after;
    };

    Parts split() const {
        const QString value = text();
        const qsizetype start = value.indexOf(QStringLiteral("  "));
        if (start < 0) {
            return {};
        }
        qsizetype end = start;
        while (end < value.size() && value[end] == u' ') {
            ++end;
        }
        return {true, value.left(start), value.mid(end)};
    }

    int boxWidth() const {
        return box_->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 16;
    }
    int gapWidth() const { return boxWidth() + 8; }

    void place() {
        const Parts parts = split();
        if (!parts.valid) {
            return;
        }
        const int height = box_->sizeHint().height();
        const int left = contentsRect().left() + fontMetrics().horizontalAdvance(parts.before) + 4;
        box_->setGeometry(left, contentsRect().top() + (contentsRect().height() - height) / 2,
                          boxWidth(), height);
    }

    QWidget* box_;
};

// The port list refreshes its entries' tooltips (device and presence) each time it opens.
class PortComboBox : public QComboBox {
public:
    std::function<void()> beforePopup;

    void showPopup() override {
        if (beforePopup) {
            beforePopup();
        }
        QComboBox::showPopup();
    }
};

}  // namespace

MainWindow::MainWindow(std::filesystem::path programDirectory, SerialPort* port, Dialogs* dialogs,
                       QWidget* parent)
    : QMainWindow(parent), programDirectory_(std::move(programDirectory)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromUtf8(kApplicationTitle));
    if (const auto font = preferredFont()) {
        setFont(*font);
    }

    if (port == nullptr) {
        ownPort_ = std::make_unique<QtSerialPort>(programDirectory_);
        port = ownPort_.get();
    }
    trafficLog_ = std::make_shared<TrafficLog>();
    trafficTap_ = std::make_unique<TrafficTap>(*port, *trafficLog_);
    port_ = trafficTap_.get();
    if (dialogs == nullptr) {
        ownDialogs_ = std::make_unique<QtDialogs>(this);
        dialogs = ownDialogs_.get();
    }

    buildWidgets();

    controls_ = std::make_unique<QtControls>(this, statusBar());
    core_ = std::make_unique<FrmMain>(*controls_, *port_, *dialogs, *timer2_, *timer3_, *timer6_,
                                      programDirectory_);
    connectHandlers();
    installTools();
}

void MainWindow::installTools() {
    toolsBar_ = addToolBar(QStringLiteral("工具"));
    toolsBar_->setObjectName(QStringLiteral("toolsBar"));
    toolsBar_->setMovable(false);
    CommLogWindow::install(*this);
    BusScanDialog::install(*this);
    TrendView::install(*this);
    CsvRecording::install(*this);
}

MainWindow::~MainWindow() {
    // Nothing may reach the handlers while the window comes apart.
    port_->setEventHandler([] {});
    for (QtTimer* timer : {timer2_, timer3_, timer6_}) {
        timer->setEnabled(false);
        timer->disconnect();
    }
    core_.reset();
}

void MainWindow::applyApplicationFont() {
    if (const auto font = preferredFont()) {
        QApplication::setFont(*font);
    }
}

std::optional<QFont> MainWindow::preferredFont() {
    static const QString family = QStringLiteral("WenQuanYi Micro Hei");
    if (!QFontDatabase::families().contains(family)) {
        return std::nullopt;
    }
    QFont font = QApplication::font();
    font.setFamilies({family});
    return font;
}

Controls& MainWindow::controls() {
    return *controls_;
}

void MainWindow::load() {
    core_->Form_Load();
}

void MainWindow::buildWidgets() {
    auto* left = new QVBoxLayout;
    left->addWidget(buildSerialFrame());
    left->addWidget(buildModbusFrame());
    left->addWidget(buildQueryFrame());
    left->addWidget(buildAddressFrame());
    left->addWidget(buildSensorFrame());
    left->addStretch(1);

    auto* right = new QVBoxLayout;
    right->addWidget(buildObservationFrame(), 3);
    right->addWidget(buildCommandFrame(), 1);
    right->addWidget(buildStatusFrame());

    auto* central = new QWidget;
    auto* columns = new QHBoxLayout(central);
    columns->addLayout(left, 0);
    columns->addLayout(right, 1);
    setCentralWidget(central);

    for (QtTimer** timer : {&timer2_, &timer3_, &timer6_}) {
        *timer = new QtTimer(this);
    }
    timer2_->setObjectName(QStringLiteral("Timer2"));
    timer3_->setObjectName(QStringLiteral("Timer3"));
    timer6_->setObjectName(QStringLiteral("Timer6"));

    statusBar()->setSizeGripEnabled(true);
}

QGroupBox* MainWindow::buildSerialFrame() {
    auto* frame = makeFrame(QStringLiteral("Frame5"), QStringLiteral("串口设置"));

    auto* ports = new PortComboBox;
    ports->setObjectName(QStringLiteral("Combo1"));
    for (int n = 1; n <= kPorts; ++n) {
        ports->addItem(QStringLiteral("COM%1").arg(n));
    }
    ports->setPlaceholderText(QStringLiteral("COM4"));
    ports->setCurrentIndex(-1);
    ports->beforePopup = [this, ports] { refreshPortTooltips(ports); };

    auto* rates = new QComboBox;
    rates->setObjectName(QStringLiteral("Combo2"));
    rates->addItems({QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400")});
    rates->setPlaceholderText(QStringLiteral("19200"));
    rates->setCurrentIndex(-1);

    auto* layout = new QHBoxLayout(frame);
    layout->addWidget(makeLabel(QStringLiteral("Label3"), QStringLiteral("串口号")));
    layout->addWidget(ports);
    layout->addSpacing(12);
    layout->addWidget(makeLabel(QStringLiteral("Label5"), QStringLiteral("波特率")));
    layout->addWidget(rates);
    layout->addStretch(1);
    layout->addWidget(makeButton(QStringLiteral("cmdCom"), QStringLiteral("保存设置")));

    refreshPortTooltips(ports);
    return frame;
}

void MainWindow::refreshPortTooltips(QComboBox* ports) const {
    for (int n = 1; n <= ports->count(); ++n) {
        ports->setItemData(n - 1, QString::fromStdString(portEntryTooltip(programDirectory_, n)),
                           Qt::ToolTipRole);
    }
}

QGroupBox* MainWindow::buildModbusFrame() {
    auto* frame = makeFrame(QStringLiteral("Frame10"), QStringLiteral("MODBUS设置"));
    auto* layout = new QGridLayout(frame);
    struct Field {
        const char* label;
        const char* caption;
        const char* edit;
        const char* text;
    };
    const Field fields[] = {
        {"Label8_0", "设备地址", "txtStationID", "2"},
        {"Label8_1", "超始地址", "txtStartID", "0"},
        {"Label8_2", "数据长度", "txtDataLength", "24"},
        {"Label8_3", "功 能 码", "txtFunID", "3"},
    };
    for (int i = 0; i < 4; ++i) {
        const int row = i / 2;
        const int column = (i % 2) * 3;
        layout->addWidget(makeLabel(fields[i].label, QString::fromUtf8(fields[i].caption)), row,
                          column);
        layout->addWidget(makeEdit(fields[i].edit, fields[i].text), row, column + 1);
    }
    layout->setColumnMinimumWidth(2, 16);
    return frame;
}

QGroupBox* MainWindow::buildQueryFrame() {
    auto* frame = makeFrame(QStringLiteral("Frame11"), QStringLiteral("数据查询操作"));
    auto* layout = new QHBoxLayout(frame);
    layout->addWidget(makeLabel(QStringLiteral("Label8_4"), QStringLiteral("定时时长(ms)")));
    layout->addWidget(makeEdit(QStringLiteral("txtTimerSet"), QStringLiteral("1000"), 6));
    layout->addStretch(1);
    layout->addWidget(makeButton(QStringLiteral("comDoOnce"), QStringLiteral("单次")));
    layout->addWidget(makeButton(QStringLiteral("cmdOneM"), QStringLiteral("循环")));
    layout->addWidget(makeButton(QStringLiteral("cmdStopOnce"), QStringLiteral("停止")));
    return frame;
}

QGroupBox* MainWindow::buildAddressFrame() {
    auto* frame =
        makeFrame(QStringLiteral("Frame12"), QStringLiteral("设备ID修改操作(子功能号0x0B )"));

    // "将地址 [current] 改为 [new]": the current address sits in the blanks of the caption.
    auto* sentence = new GapLabel(QStringLiteral("将地址       改为"),
                                  makeEdit(indexed("txtSetID", 0), QStringLiteral("1")));
    sentence->setObjectName(QStringLiteral("Label2_7"));

    auto* row = new QHBoxLayout;
    row->addWidget(sentence);
    row->addWidget(makeEdit(indexed("txtSetID", 1), QStringLiteral("1"), 3));
    row->addStretch(1);
    row->addWidget(makeButton(QStringLiteral("cmdReadAdd"), QStringLiteral("读地址")));
    row->addWidget(makeButton(QStringLiteral("cmdChangeID"), QStringLiteral("执行")));

    auto* layout = new QVBoxLayout(frame);
    layout->addLayout(row);
    layout->addWidget(makeLabel(indexed("Label2", 13), QStringLiteral("地址值范围为：1-249")));
    return frame;
}

QGroupBox* MainWindow::buildSensorFrame() {
    auto* frame = makeFrame(QStringLiteral("Frame4"), QStringLiteral("传感器操作区"));
    auto* layout = new QVBoxLayout(frame);

    // Serial-number readout.
    auto* readout = makeFrame(QStringLiteral("Frame3"), QStringLiteral("传感器序列号操作"));
    auto* readoutRow = new QHBoxLayout(readout);
    readoutRow->addWidget(makeLabel(indexed("Label2", 0), QStringLiteral("编号")));
    readoutRow->addWidget(makeEdit(QStringLiteral("txtSensorid2"), QStringLiteral("01"), 3));
    readoutRow->addStretch(1);
    readoutRow->addWidget(makeButton(QStringLiteral("cmdReadSensorID"), QStringLiteral("读单个")));
    readoutRow->addWidget(makeButton(QStringLiteral("cmdReadSNAll"), QStringLiteral("读全部")));
    readoutRow->addWidget(makeButton(QStringLiteral("cmdSaveSn"), QStringLiteral("保存序列号")));
    layout->addWidget(readout);

    // Search, list import and writing.
    auto* writing =
        makeFrame(QStringLiteral("Frame15"), QStringLiteral("写入序列号到远程指定设备指定位置"));
    auto* search = makeButton(QStringLiteral("cmdAutoSearch"), QStringLiteral("自动搜索"));
    search->setToolTip(QString::fromUtf8(kSensorTooltip));
    auto* writeAll = makeButton(QStringLiteral("cmdWriteAllSn"), QStringLiteral("自动写入"));
    writeAll->setToolTip(QStringLiteral("将文件导入的传感器序列号一次性写入到模块存储器"));

    auto* actions = new QHBoxLayout;
    actions->addWidget(search);
    actions->addWidget(
        makeButton(QStringLiteral("cmdOpenFile"), QStringLiteral("从文件导入序列号")));
    actions->addWidget(writeAll);

    auto* serial = new QHBoxLayout;
    serial->setSpacing(3);
    serial->addWidget(makeLabel(indexed("Label2", 4), QStringLiteral("64位唯一序列号")));
    for (int i = 0; i < kSerialBytes; ++i) {
        serial->addWidget(makeEdit(indexed("txtSenseSn", i),
                                   i == 0 ? QStringLiteral("40") : QStringLiteral("0"), 2));
    }
    serial->addWidget(makeLabel(QStringLiteral("Label6"), QStringLiteral("十六进制")));
    serial->addStretch(1);

    auto* target = new QHBoxLayout;
    target->addWidget(makeLabel(indexed("Label2", 5), QStringLiteral("传感器编号")));
    target->addWidget(makeEdit(QStringLiteral("txtObjSensorid"), QStringLiteral("01"), 3));
    target->addStretch(1);
    target->addWidget(makeButton(QStringLiteral("cmdFirst"), QStringLiteral("第一个")));
    target->addWidget(makeButton(QStringLiteral("cmdWriteNext"), QStringLiteral("下一个")));
    target->addWidget(makeButton(QStringLiteral("cmdStopWrite"), QStringLiteral("停止写入")));

    auto* writingLayout = new QVBoxLayout(writing);
    writingLayout->addLayout(actions);
    writingLayout->addLayout(serial);
    writingLayout->addLayout(target);
    layout->addWidget(writing);

    // Identification of a new sensor.
    auto* identify =
        makeFrame(QStringLiteral("Frame14"), QStringLiteral("将新传感器识别到指定位置"));
    auto* identifyButton = makeButton(QStringLiteral("cmdAutoInput"), QStringLiteral("识别"));
    identifyButton->setToolTip(QString::fromUtf8(kSensorTooltip));
    auto* identifyRow = new QHBoxLayout(identify);
    identifyRow->addWidget(makeLabel(QStringLiteral("Label1"), QStringLiteral("传感器编号")));
    identifyRow->addWidget(makeEdit(QStringLiteral("txtSensorReadID"), QStringLiteral("1"), 3));
    identifyRow->addStretch(1);
    identifyRow->addWidget(identifyButton);
    layout->addWidget(identify);
    return frame;
}

QGroupBox* MainWindow::buildObservationFrame() {
    auto* frame = makeFrame(QStringLiteral("Frame2"), QStringLiteral("观察窗"));

    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("PictureShow"));
    // The boxes are repainted with every poll; their panels come from pictures. The style
    // belongs to the window and the boxes hold it through a guarded pointer.
    auto* valueBoxStyle = new PanelCacheStyle;
    valueBoxStyle->setParent(this);
    // Each column of eight channels is a widget of its own: when the boxes change, Qt
    // works out what to repaint column by column and passes over the names and units beside
    // them, instead of weighing every one of the panel's 72 controls against the 24 boxes.
    auto* columns = new QHBoxLayout(panel);
    columns->setSpacing(6);
    // WenQuanYi Micro Hei maps the degree-Celsius sign to an empty glyph; prefer a font that
    // draws it and keep the window's font for the rest.
    QFont unitFont;
    unitFont.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans")});
    QGridLayout* grid = nullptr;
    for (int i = 0; i < kChannels; ++i) {
        const int row = i % kChannelsPerColumn;
        if (row == 0) {
            if (i > 0) {
                // At least 18 px between columns; the spare width goes to the gaps and
                // after the last column alike.
                columns->addSpacerItem(
                    new QSpacerItem(18, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
                columns->setStretch(columns->count() - 1, 1);
            }
            auto* column = new QWidget;
            grid = new QGridLayout(column);
            grid->setContentsMargins(0, 0, 0, 0);
            grid->setHorizontalSpacing(6);
            grid->setVerticalSpacing(columns->spacing());
            columns->addWidget(column);
        }
        auto* name = makeLabel(indexed("lblValue", i), QStringLiteral("%1#温度值").arg(i + 1));
        name->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* value = makeEdit(indexed("txtValue", i), {}, 7, new ValueBox(QStringLiteral("0")));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setStyle(valueBoxStyle);
        grid->addWidget(name, row, 0);
        grid->addWidget(value, row, 1);
        auto* unit = makeLabel(indexed("lblDanWei", i), QStringLiteral("℃"));
        unit->setFont(unitFont);
        grid->addWidget(unit, row, 2);
    }
    columns->addStretch(1);

    auto* results = makeTextPane(QStringLiteral("TXTSN"), 8, new QPlainTextEdit);

    // Both views share one place; the text results lie over the value panel.
    auto* layout = new QGridLayout(frame);
    layout->addWidget(panel, 0, 0);
    layout->addWidget(results, 0, 0);
    results->raise();
    return frame;
}

QGroupBox* MainWindow::buildCommandFrame() {
    auto* frame = makeFrame(QStringLiteral("Frame1"), QStringLiteral("二次开发命令观察窗口"));
    auto* layout = new QGridLayout(frame);
    auto* caption = makeLabel(QStringLiteral("Label7"), QStringLiteral("发送命令:"));
    layout->addWidget(caption, 0, 0, Qt::AlignTop);
    auto* command = makeTextPane(QStringLiteral("txtCommand"), 2, new HexPane);
    auto* state = makeTextPane(QStringLiteral("txtState"), 3, new HexPane);
    layout->addWidget(command, 0, 1);
    layout->addWidget(state, 1, 0, 1, 2);
    layout->setRowStretch(1, 1);
    return frame;
}

QGroupBox* MainWindow::buildStatusFrame() {
    auto* frame = makeFrame(QStringLiteral("Frame6"), QStringLiteral("运行状态指示"));

    auto* picture = new QWidget;
    picture->setObjectName(QStringLiteral("Picture2"));
    picture->setFixedSize(kImageSize, kImageSize);
    const struct {
        const char* name;
        QColor color;
    } images[] = {
        {status_image::NotConnected, QColor(0xD0, 0x20, 0x20)},
        {status_image::Yellow, QColor(0xF0, 0xC8, 0x00)},
        {status_image::Connected, QColor(0x20, 0xB0, 0x30)},
    };
    QLabel* first = nullptr;
    for (const auto& image : images) {
        auto* label = new StatusImage(picture);
        label->setObjectName(QString::fromUtf8(image.name));
        label->setGeometry(0, 0, kImageSize, kImageSize);
        label->setPixmap(statusDot(image.color));
        label->setToolTip(QString::fromUtf8(kStatusTooltip));
        if (first == nullptr) {
            first = label;
        }
    }
    // The port is closed until start-up opens it.
    first->raise();

    // The counters change with every poll; at a fixed size a new number repaints the label
    // alone instead of laying out the whole window again.
    auto* counter = new CounterLabel(QStringLiteral("0"));
    counter->setObjectName(QStringLiteral("lblCounter"));
    counter->setToolTip(QStringLiteral("测试统计"));
    fixCounterSize(counter);
    auto* errors = new CounterLabel(QStringLiteral("0"));
    errors->setObjectName(QStringLiteral("lblErrCounter"));
    errors->setToolTip(QStringLiteral("误码率"));
    fixCounterSize(errors);

    auto* line = new QFrame;
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedWidth(24);

    auto* layout = new QHBoxLayout(frame);
    layout->addWidget(picture);
    layout->addSpacing(12);
    layout->addWidget(counter);
    layout->addWidget(line);
    layout->addWidget(errors);
    layout->addStretch(1);
    return frame;
}

void MainWindow::connectHandlers() {
    FrmMain* core = core_.get();
    const struct {
        const char* button;
        void (FrmMain::*handler)();
    } clicks[] = {
        {"comDoOnce", &FrmMain::comDoOnce_Click},
        {"cmdOneM", &FrmMain::cmdOneM_Click},
        {"cmdStopOnce", &FrmMain::cmdStopOnce_Click},
        {"cmdCom", &FrmMain::cmdCom_Click},
        {"cmdReadAdd", &FrmMain::cmdReadAdd_Click},
        {"cmdChangeID", &FrmMain::cmdChangeID_Click},
        {"cmdReadSensorID", &FrmMain::cmdReadSensorID_Click},
        {"cmdReadSNAll", &FrmMain::cmdReadSNAll_Click},
        {"cmdSaveSn", &FrmMain::cmdSaveSn_Click},
        {"cmdAutoSearch", &FrmMain::cmdAutoSearch_Click},
        {"cmdAutoInput", &FrmMain::cmdAutoInput_Click},
        {"cmdOpenFile", &FrmMain::cmdOpenFile_Click},
        {"cmdFirst", &FrmMain::cmdFirst_Click},
        {"cmdWriteNext", &FrmMain::cmdWriteNext_Click},
        {"cmdWriteAllSn", &FrmMain::cmdWriteAllSn_Click},
        {"cmdStopWrite", &FrmMain::cmdStopWrite_Click},
    };
    for (const auto& click : clicks) {
        auto* button = findChild<QPushButton*>(QString::fromUtf8(click.button));
        connect(button, &QPushButton::clicked, this,
                [core, handler = click.handler] { (core->*handler)(); });
    }

    // activated(): the operator's choice only, so selecting an entry from code does not recurse.
    connect(findChild<QComboBox*>(QStringLiteral("Combo1")), &QComboBox::activated, this,
            [core] { core->Combo1_Click(); });

    connect(timer2_, &QtTimer::timeout, this, [core] { core->Timer2_Timer(); });
    connect(timer3_, &QtTimer::timeout, this, [core] { core->Timer3_Timer(); });
    connect(timer6_, &QtTimer::timeout, this, [core] { core->Timer6_Timer(); });
}

std::unique_ptr<MainWindow> startMainWindow() {
    QApplication::setApplicationName(QStringLiteral("tc24"));
    // Message boxes without a title of their own show this one.
    QApplication::setApplicationDisplayName(QString::fromUtf8(kApplicationTitle));
    MainWindow::applyApplicationFont();
    auto window = std::make_unique<MainWindow>(
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    window->load();
    window->resize(MainWindow::kStartSize);
    window->show();
    return window;
}

}  // namespace tc24
