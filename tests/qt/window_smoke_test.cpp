// The window offscreen: every control with its name, kind, text and tooltip, the stacked
// views and images, the wiring to the handlers, and the Qt adapters of the handlers'
// interfaces (controls, timers, dialogs).

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "app/qt/main_window.h"
#include "app/qt/qt_controls.h"
#include "app/qt/qt_dialogs.h"
#include "app/qt/qt_timer.h"
#include "app/settings/port_device.h"
#include "core/fakes.h"
#include "link/control_names.h"

namespace tc24 {
namespace {

using tc24::testing::FakeDialogs;
using tc24::testing::FakeSerialPort;

// Expected widget classes.
namespace kind {
constexpr const char* Frame = "QGroupBox";
constexpr const char* Button = "QPushButton";
constexpr const char* Label = "QLabel";
constexpr const char* Edit = "QLineEdit";
constexpr const char* Pane = "QPlainTextEdit";
constexpr const char* Combo = "QComboBox";
constexpr const char* Panel = "QWidget";
}  // namespace kind

struct Expected {
    const char* name;
    const char* kind;
    const char* frame;  // innermost frame holding it
    const char* text;   // caption, title or initial text
    const char* tooltip = "";
};

const char* const kSensorTip = "操作前请确保传感器已接入到需要操作的设备指定通道";

// Every named control except the channel arrays, as the window must build it.
const std::vector<Expected> kControls = {
    {control::Frame5, kind::Frame, "", "串口设置"},
    {control::Label3, kind::Label, control::Frame5, "串口号"},
    {control::Combo1, kind::Combo, control::Frame5, "COM4"},
    {control::Label5, kind::Label, control::Frame5, "波特率"},
    {control::Combo2, kind::Combo, control::Frame5, "19200"},
    {control::cmdCom, kind::Button, control::Frame5, "保存设置"},

    {control::Frame10, kind::Frame, "", "MODBUS设置"},
    {control::Label8_0, kind::Label, control::Frame10, "设备地址"},
    {control::txtStationID, kind::Edit, control::Frame10, "2"},
    {control::Label8_1, kind::Label, control::Frame10, "超始地址"},
    {control::txtStartID, kind::Edit, control::Frame10, "0"},
    {control::Label8_2, kind::Label, control::Frame10, "数据长度"},
    {control::txtDataLength, kind::Edit, control::Frame10, "24"},
    {control::Label8_3, kind::Label, control::Frame10, "功 能 码"},
    {control::txtFunID, kind::Edit, control::Frame10, "3"},

    {control::Frame11, kind::Frame, "", "数据查询操作"},
    {control::Label8_4, kind::Label, control::Frame11, "定时时长(ms)"},
    {control::txtTimerSet, kind::Edit, control::Frame11, "1000"},
    {control::comDoOnce, kind::Button, control::Frame11, "单次"},
    {control::cmdOneM, kind::Button, control::Frame11, "循环"},
    {control::cmdStopOnce, kind::Button, control::Frame11, "停止"},

    {control::Frame12, kind::Frame, "", "设备ID修改操作(子功能号0x0B )"},
    {control::Label2_7, kind::Label, control::Frame12, "将地址       改为"},
    {control::txtSetID[0], kind::Edit, control::Frame12, "1"},
    {control::txtSetID[1], kind::Edit, control::Frame12, "1"},
    {control::Label2_13, kind::Label, control::Frame12, "地址值范围为：1-249"},
    {control::cmdReadAdd, kind::Button, control::Frame12, "读地址"},
    {control::cmdChangeID, kind::Button, control::Frame12, "执行"},

    {control::Frame4, kind::Frame, "", "传感器操作区"},
    {control::Frame3, kind::Frame, control::Frame4, "传感器序列号操作"},
    {control::Label2_0, kind::Label, control::Frame3, "编号"},
    {control::txtSensorid2, kind::Edit, control::Frame3, "01"},
    {control::cmdReadSensorID, kind::Button, control::Frame3, "读单个"},
    {control::cmdReadSNAll, kind::Button, control::Frame3, "读全部"},
    {control::cmdSaveSn, kind::Button, control::Frame3, "保存序列号"},
    {control::Frame15, kind::Frame, control::Frame4, "写入序列号到远程指定设备指定位置"},
    {control::cmdAutoSearch, kind::Button, control::Frame15, "自动搜索", kSensorTip},
    {control::cmdOpenFile, kind::Button, control::Frame15, "从文件导入序列号"},
    {control::cmdWriteAllSn, kind::Button, control::Frame15, "自动写入",
     "将文件导入的传感器序列号一次性写入到模块存储器"},
    {control::Label2_4, kind::Label, control::Frame15, "64位唯一序列号"},
    {control::txtSenseSn[0], kind::Edit, control::Frame15, "40"},
    {control::txtSenseSn[1], kind::Edit, control::Frame15, "0"},
    {control::txtSenseSn[2], kind::Edit, control::Frame15, "0"},
    {control::txtSenseSn[3], kind::Edit, control::Frame15, "0"},
    {control::txtSenseSn[4], kind::Edit, control::Frame15, "0"},
    {control::txtSenseSn[5], kind::Edit, control::Frame15, "0"},
    {control::txtSenseSn[6], kind::Edit, control::Frame15, "0"},
    {control::txtSenseSn[7], kind::Edit, control::Frame15, "0"},
    {control::Label6, kind::Label, control::Frame15, "十六进制"},
    {control::Label2_5, kind::Label, control::Frame15, "传感器编号"},
    {control::txtObjSensorid, kind::Edit, control::Frame15, "01"},
    {control::cmdFirst, kind::Button, control::Frame15, "第一个"},
    {control::cmdWriteNext, kind::Button, control::Frame15, "下一个"},
    {control::cmdStopWrite, kind::Button, control::Frame15, "停止写入"},
    {control::Frame14, kind::Frame, control::Frame4, "将新传感器识别到指定位置"},
    {control::Label1, kind::Label, control::Frame14, "传感器编号", "传感器存放的位置编号"},
    {control::txtSensorReadID, kind::Edit, control::Frame14, "1"},
    {control::cmdAutoInput, kind::Button, control::Frame14, "识别", kSensorTip},

    {control::Frame2, kind::Frame, "", "观察窗"},
    {control::PictureShow, kind::Panel, control::Frame2, ""},
    {control::TXTSN, kind::Pane, control::Frame2, ""},

    {control::Frame1, kind::Frame, "", "二次开发命令观察窗口"},
    {control::Label7, kind::Label, control::Frame1, "发送命令:"},
    {control::txtCommand, kind::Pane, control::Frame1, ""},
    {control::txtState, kind::Pane, control::Frame1, ""},

    {control::Frame6, kind::Frame, "", "运行状态指示"},
    {control::Picture2, kind::Panel, control::Frame6, ""},
    {control::lblCounter, kind::Label, control::Frame6, "0", "测试统计"},
    {control::lblErrCounter, kind::Label, control::Frame6, "0", "误码率"},
};

const char* const kImages[] = {control::imgNotConnected, control::ImgYellow, control::imgConnected};

// What the widget shows as its text, read straight from the widget.
QString shownText(const QWidget* w) {
    if (auto* x = qobject_cast<const QGroupBox*>(w))
        return x->title();
    if (auto* x = qobject_cast<const QPushButton*>(w))
        return x->text();
    if (auto* x = qobject_cast<const QLabel*>(w))
        return x->text();
    if (auto* x = qobject_cast<const QLineEdit*>(w))
        return x->text();
    if (auto* x = qobject_cast<const QPlainTextEdit*>(w))
        return x->toPlainText();
    if (auto* x = qobject_cast<const QComboBox*>(w))
        return x->placeholderText();
    return {};
}

QRect inWindow(const QWidget* w) {
    return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size());
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        window = std::make_unique<MainWindow>(dir.path().toStdString(), &port, &dialogs);
    }

    template <typename W = QWidget>
    W* get(const QString& name) const {
        W* w = window->findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }

    void showAt(int width, int height) {
        window->resize(width, height);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    QTemporaryDir dir;
    FakeSerialPort port;
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> window;  // after the fakes: goes first
};

TEST_F(WindowTest, EveryControlHasItsNameKindFrameTextAndTooltip) {
    EXPECT_EQ(window->objectName(), "frmMain");
    EXPECT_FALSE(window->windowTitle().isEmpty());
    for (const Expected& e : kControls) {
        SCOPED_TRACE(e.name);
        const auto matches = window->findChildren<QWidget*>(QString::fromUtf8(e.name));
        ASSERT_EQ(matches.size(), 1) << "exactly one control of each name";
        const QWidget* w = matches.front();
        EXPECT_TRUE(w->inherits(e.kind)) << w->metaObject()->className();
        EXPECT_EQ(shownText(w), QString::fromUtf8(e.text));
        EXPECT_EQ(w->toolTip(), QString::fromUtf8(e.tooltip));
        if (*e.frame != '\0') {
            const auto* frame = get(QString::fromUtf8(e.frame));
            ASSERT_NE(frame, nullptr);
            EXPECT_TRUE(frame->isAncestorOf(w));
            for (const QWidget* p = w->parentWidget(); p != frame; p = p->parentWidget()) {
                EXPECT_EQ(qobject_cast<const QGroupBox*>(p), nullptr) << "in a nested frame";
            }
        }
    }
    const auto* line = get<QFrame>(control::Line1);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->frameShape(), QFrame::HLine);
    EXPECT_TRUE(get(control::Frame6)->isAncestorOf(line));
}

TEST_F(WindowTest, ChannelDisplaysFillThePanel) {
    const auto* panel = get(control::PictureShow);
    for (int i = 0; i < 24; ++i) {
        SCOPED_TRACE(i);
        const auto* value = get<QLineEdit>(control::txtValue[static_cast<std::size_t>(i)]);
        const auto* name = get<QLabel>(control::lblValue[static_cast<std::size_t>(i)]);
        const auto* unit = get<QLabel>(control::lblDanWei[static_cast<std::size_t>(i)]);
        ASSERT_TRUE(value && name && unit);
        EXPECT_EQ(value->text(), "0");
        EXPECT_EQ(name->text(), QStringLiteral("%1#温度值").arg(i + 1));
        EXPECT_EQ(unit->text(), QStringLiteral("℃"));
        EXPECT_TRUE(panel->isAncestorOf(value) && panel->isAncestorOf(name) &&
                    panel->isAncestorOf(unit));
    }
    EXPECT_EQ(window->findChild<QWidget*>("txtValue_24"), nullptr);  // no 25th box

    // Some fonts (WenQuanYi Micro Hei) have an empty glyph for the sign; it must show.
    showAt(1280, 800);
    const QImage unit = get(control::lblDanWei[0])->grab().toImage();
    const QRgb background = unit.pixel(0, 0);
    int inked = 0;
    for (int y = 0; y < unit.height(); ++y) {
        for (int x = 0; x < unit.width(); ++x) {
            inked += unit.pixel(x, y) != background;
        }
    }
    EXPECT_GT(inked, 5);
}

TEST_F(WindowTest, CombosListTheirEntriesWithNothingSelected) {
    auto* ports = get<QComboBox>(control::Combo1);
    auto* rates = get<QComboBox>(control::Combo2);
    ASSERT_TRUE(ports && rates);
    ASSERT_EQ(ports->count(), 16);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(ports->itemText(i), QStringLiteral("COM%1").arg(i + 1));
        EXPECT_EQ(ports->itemData(i, Qt::ToolTipRole).toString().toStdString(),
                  portEntryTooltip(window->settingsLocation(), i + 1));
    }
    EXPECT_EQ(ports->currentIndex(), -1);
    EXPECT_EQ(ports->placeholderText(), "COM4");
    EXPECT_EQ(rates->count(), 3);
    EXPECT_EQ(rates->itemText(0), "9600");
    EXPECT_EQ(rates->itemText(1), "19200");
    EXPECT_EQ(rates->itemText(2), "38400");
    EXPECT_EQ(rates->currentIndex(), -1);
    EXPECT_EQ(rates->placeholderText(), "19200");
}

TEST_F(WindowTest, StatusImagesAreStackedInPicture2) {
    const auto* picture = get(control::Picture2);
    ASSERT_NE(picture, nullptr);
    for (const char* name : kImages) {
        SCOPED_TRACE(name);
        const auto* image = get<QLabel>(name);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->parentWidget(), picture);
        EXPECT_EQ(image->geometry(), QRect(0, 0, 16, 16));
        EXPECT_FALSE(image->pixmap().isNull());
        EXPECT_EQ(image->toolTip(), QStringLiteral("数据采集通讯状态指示"));
    }
    // The port is closed until start-up opens it: that image alone is shown.
    EXPECT_FALSE(get(control::imgNotConnected)->isHidden());
    EXPECT_TRUE(get(control::ImgYellow)->isHidden());
    EXPECT_TRUE(get(control::imgConnected)->isHidden());
    EXPECT_EQ(window->controls().frontImage(), control::imgNotConnected);
}

TEST_F(WindowTest, ResultsBoxLiesOverTheValuePanel) {
    auto* panel = get(control::PictureShow);
    auto* results = get<QPlainTextEdit>(control::TXTSN);
    ASSERT_TRUE(panel && results);
    EXPECT_TRUE(results->isReadOnly());
    EXPECT_EQ(results->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    ASSERT_EQ(results->parentWidget(), panel->parentWidget());
    const QObjectList& siblings = panel->parentWidget()->children();
    EXPECT_GT(siblings.indexOf(results), siblings.indexOf(panel)) << "TXTSN on top";

    showAt(1280, 800);
    EXPECT_EQ(results->geometry(), panel->geometry());
    EXPECT_GT(panel->width(), 300);

    // Each is shown and hidden on its own; the place keeps its size.
    results->hide();
    EXPECT_FALSE(panel->isHidden());
    QApplication::processEvents();
    EXPECT_GT(panel->height(), 200);
    panel->hide();
    results->show();
    QApplication::processEvents();
    EXPECT_TRUE(panel->isHidden());
    EXPECT_FALSE(results->isHidden());
    EXPECT_GT(results->height(), 200);
}

TEST_F(WindowTest, FitsIn1280By800WithoutOverlaps) {
    EXPECT_LE(window->minimumSizeHint().width(), 1280);
    EXPECT_LE(window->minimumSizeHint().height(), 760);
    showAt(1280, 800);
    std::vector<const QWidget*> tops;  // frames not inside another frame
    for (const Expected& e : kControls) {
        const QWidget* w = get(QString::fromUtf8(e.name));
        SCOPED_TRACE(e.name);
        if (e.kind == std::string_view(kind::Frame) && *e.frame == '\0') {
            tops.push_back(w);
        }
        if (w->isVisibleTo(window.get())) {
            EXPECT_TRUE(window->rect().contains(inWindow(w))) << "inside the window";
            EXPECT_GE(w->width(), w->minimumSizeHint().width());
        }
        if (*e.frame != '\0' && e.kind != std::string_view(kind::Frame)) {
            EXPECT_TRUE(inWindow(get(QString::fromUtf8(e.frame))).contains(inWindow(w)));
        }
    }
    for (std::size_t i = 0; i < tops.size(); ++i) {
        for (std::size_t j = i + 1; j < tops.size(); ++j) {
            EXPECT_FALSE(inWindow(tops[i]).intersects(inWindow(tops[j])))
                << tops[i]->objectName().toStdString() << " / "
                << tops[j]->objectName().toStdString();
        }
    }
    // The current address sits in the blanks of its sentence, clear of the words.
    const auto* sentence = get<QLabel>(control::Label2_7);
    const auto* current = get(control::txtSetID[0]);
    const QFontMetrics metrics = sentence->fontMetrics();
    const QRect box = current->geometry();
    EXPECT_EQ(current->parentWidget(), sentence);
    EXPECT_GE(box.left(), metrics.horizontalAdvance(QStringLiteral("将地址")));
    EXPECT_LE(box.right(), sentence->width() - metrics.horizontalAdvance(QStringLiteral("改为")));
    EXPECT_GE(box.width(), metrics.horizontalAdvance(QStringLiteral("249")));
}

TEST_F(WindowTest, TimersArePreciseQTimersThatStartIdle) {
    for (const char* name : {control::Timer2, control::Timer3, control::Timer6}) {
        SCOPED_TRACE(name);
        const auto* timer = window->findChild<QTimer*>(name);
        ASSERT_NE(timer, nullptr);
        EXPECT_EQ(timer->timerType(), Qt::PreciseTimer);
        EXPECT_FALSE(timer->isActive());
        EXPECT_EQ(timer->interval(), 0);
    }
}

TEST_F(WindowTest, EveryLabelledTextBoxHasANameForScreenReaders) {
    for (QLineEdit* box : window->findChildren<QLineEdit*>()) {
        if (box->objectName().startsWith(QStringLiteral("qt_"))) {
            continue;  // a combo box's own editor
        }
        SCOPED_TRACE(box->objectName().toStdString());
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(box);
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty());
    }
    auto* value = get<QLineEdit>(control::txtValue[4]);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(value)->text(QAccessible::Name),
              QStringLiteral("5#温度值"));
}

TEST_F(WindowTest, EveryButtonThePortListAndEveryTimerIsWired) {
    // disconnect() reports whether there was a connection to cut.
    for (const char* name :
         {control::comDoOnce, control::cmdOneM, control::cmdStopOnce, control::cmdCom,
          control::cmdReadAdd, control::cmdChangeID, control::cmdReadSensorID,
          control::cmdReadSNAll, control::cmdSaveSn, control::cmdAutoSearch, control::cmdAutoInput,
          control::cmdOpenFile, control::cmdFirst, control::cmdWriteNext, control::cmdWriteAllSn,
          control::cmdStopWrite}) {
        auto* button = get<QPushButton>(name);
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(QObject::disconnect(button, &QPushButton::clicked, nullptr, nullptr)) << name;
    }
    for (const char* name : {control::Timer2, control::Timer3, control::Timer6}) {
        auto* timer = window->findChild<QTimer*>(name);
        ASSERT_NE(timer, nullptr);
        EXPECT_TRUE(QObject::disconnect(timer, &QTimer::timeout, nullptr, nullptr)) << name;
    }
    EXPECT_TRUE(QObject::disconnect(get<QComboBox>(control::Combo1), &QComboBox::activated, nullptr,
                                    nullptr));
    EXPECT_TRUE(QObject::disconnect(get<QLineEdit>(control::txtSensorid2), &QLineEdit::textEdited,
                                    nullptr, nullptr));
}

TEST_F(WindowTest, OnlyTheOperatorsPortChoiceReopensThePort) {
    auto* ports = get<QComboBox>(control::Combo1);
    ASSERT_NE(ports, nullptr);
    window->controls().setCurrentIndex(control::Combo1, 4);
    EXPECT_EQ(ports->currentIndex(), 4);
    EXPECT_EQ(port.opens, 0) << "a selection from code is not the operator's choice";

    ports->setCurrentIndex(2);
    emit ports->activated(2);
    EXPECT_EQ(port.opens, 1);
    EXPECT_EQ(port.portNumber(), 3);
}

// The Controls adapter over the real widgets.
class ControlsTest : public WindowTest {
protected:
    Controls& ui() { return window->controls(); }
};

TEST_F(ControlsTest, TextsRoundTripOnEveryKindOfControl) {
    for (const char* name : {control::txtStationID, control::TXTSN, control::lblCounter,
                             control::cmdCom, control::Frame2}) {
        ui().setText(name, "温度 25.34");
        EXPECT_EQ(ui().text(name), "温度 25.34") << name;
    }
    EXPECT_EQ(get<QGroupBox>(control::Frame2)->title(), "温度 25.34");
    EXPECT_EQ(ui().text(control::txtFunID), "3");
    EXPECT_EQ(ui().text(control::Label2_7), "将地址       改为");
}

TEST_F(ControlsTest, AppendAddsExactlyTheGivenText) {
    ui().setText(control::TXTSN, "");
    ui().appendText(control::TXTSN, "01:  ");
    ui().appendText(control::TXTSN, " 28 FF");
    EXPECT_EQ(ui().text(control::TXTSN), "01:   28 FF");
    ui().appendText(control::TXTSN, "\r\n");
    ui().appendText(control::TXTSN, "02:");
    EXPECT_EQ(get<QPlainTextEdit>(control::TXTSN)->document()->blockCount(), 2);
    EXPECT_EQ(ui().text(control::TXTSN), "01:   28 FF\n02:");

    ui().appendText(control::txtCommand, "01 ");
    ui().appendText(control::txtCommand, "03 ");
    EXPECT_EQ(ui().text(control::txtCommand), "01 03 ");
    ui().appendText(control::txtSetID[1], "9");
    EXPECT_EQ(ui().text(control::txtSetID[1]), "19");
}

TEST_F(ControlsTest, CombosShowTheirPlaceholderUntilAnEntryIsSelected) {
    EXPECT_EQ(ui().text(control::Combo1), "COM4");
    EXPECT_EQ(ui().currentIndex(control::Combo1), -1);
    EXPECT_EQ(ui().itemCount(control::Combo1), 16);
    EXPECT_EQ(ui().itemText(control::Combo1, 15), "COM16");
    EXPECT_EQ(ui().itemText(control::Combo1, 16), "");
    EXPECT_EQ(ui().itemText(control::Combo2, -1), "");

    QSignalSpy activated(get<QComboBox>(control::Combo2), &QComboBox::activated);
    ui().setCurrentIndex(control::Combo2, 2);
    EXPECT_EQ(ui().currentIndex(control::Combo2), 2);
    EXPECT_EQ(ui().text(control::Combo2), "38400");
    ui().setCurrentIndex(control::Combo2, 3);  // no such entry: ignored
    EXPECT_EQ(ui().currentIndex(control::Combo2), 2);
    ui().setText(control::Combo2, "9600");
    EXPECT_EQ(ui().currentIndex(control::Combo2), 0);
    ui().setCurrentIndex(control::Combo2, -1);
    EXPECT_EQ(ui().text(control::Combo2), "19200");
    EXPECT_EQ(activated.count(), 0);
}

TEST_F(ControlsTest, ColoursAreTheTextColourOfThePalette) {
    EXPECT_EQ(ui().textColor(control::txtValue[3]), TextColor::Black);
    ui().setTextColor(control::txtValue[3], TextColor::Red);
    EXPECT_EQ(ui().textColor(control::txtValue[3]), TextColor::Red);
    auto* box = get<QLineEdit>(control::txtValue[3]);
    EXPECT_EQ(box->palette().color(QPalette::Text), QColor(0xFF, 0, 0));
    EXPECT_EQ(ui().textColor(control::txtValue[4]), TextColor::Black);
    ui().setTextColor(control::txtValue[3], TextColor::Black);
    EXPECT_EQ(box->palette().color(QPalette::Text), QColor(0, 0, 0));
    // Only the text colour is the box's own: the rest still follows the application.
    EXPECT_EQ(box->palette().color(QPalette::Base),
              QApplication::palette(box).color(QPalette::Base));
    // Labels take the colour from their palette at once.
    ui().setTextColor(control::lblValue[3], TextColor::Red);
    EXPECT_EQ(get(control::lblValue[3])->palette().color(QPalette::WindowText), QColor(0xFF, 0, 0));
}

TEST_F(ControlsTest, ShownIsTheControlsOwnFlag) {
    // The window itself is not shown: the controls still report their own flag.
    EXPECT_TRUE(ui().isShown(control::PictureShow));
    ui().setShown(control::TXTSN, false);
    EXPECT_FALSE(ui().isShown(control::TXTSN));
    EXPECT_TRUE(get(control::TXTSN)->isHidden());
    ui().setShown(control::TXTSN, true);
    EXPECT_TRUE(ui().isShown(control::TXTSN));
}

TEST_F(ControlsTest, BringingAnImageToTheFrontShowsItAndHidesTheOtherTwo) {
    for (const char* name : {control::ImgYellow, control::imgConnected, control::imgConnected,
                             control::imgNotConnected, control::ImgYellow}) {
        ui().bringToFront(name);
        EXPECT_EQ(ui().frontImage(), name);
        EXPECT_EQ(get(control::Picture2)->children().constLast(), get(name)) << name;
        for (const char* image : kImages) {
            EXPECT_EQ(get(image)->isHidden(), std::string_view(image) != name) << name << image;
        }
    }
}

TEST_F(ControlsTest, StatusMessagesGoToTheStatusBar) {
    ui().showStatus("/dev/ttyUSB0: 权限不够");
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("/dev/ttyUSB0: 权限不够"));
    ui().showStatus("");
    EXPECT_TRUE(window->statusBar()->currentMessage().isEmpty());
}

TEST_F(ControlsTest, UnknownNamesAndWrongKindsAreHarmless) {
    ui().setText("txtNoSuch", "x");
    ui().appendText("txtNoSuch", "x");
    ui().setTextColor("txtNoSuch", TextColor::Red);
    ui().setShown("txtNoSuch", false);
    ui().bringToFront("imgNoSuch");
    ui().setCurrentIndex(control::txtStationID, 1);
    EXPECT_EQ(ui().text("txtNoSuch"), "");
    EXPECT_EQ(ui().textColor("txtNoSuch"), TextColor::Black);
    EXPECT_FALSE(ui().isShown("txtNoSuch"));
    EXPECT_EQ(ui().currentIndex(control::txtStationID), -1);
    EXPECT_EQ(ui().itemCount("txtNoSuch"), 0);
    EXPECT_EQ(ui().frontImage(), control::imgNotConnected);
    EXPECT_EQ(ui().text(control::txtStationID), "2");
}

// The handlers' timer over a named QTimer: idle at an interval of 0, ticking while enabled
// with an interval above 0.
TEST(TimerTest, TheQTimerRunsExactlyWhileEnabledWithAnInterval) {
    QObject owner;
    QtTimer timer(&owner, control::Timer2);
    auto* qtimer = owner.findChild<QTimer*>(control::Timer2);
    ASSERT_EQ(qtimer, timer.timer());
    EXPECT_TRUE(timer.isEnabled());
    EXPECT_FALSE(timer.isTicking());
    EXPECT_FALSE(qtimer->isActive());

    timer.setInterval(50);
    EXPECT_TRUE(qtimer->isActive());
    EXPECT_EQ(qtimer->interval(), 50);
    timer.setInterval(0);
    EXPECT_FALSE(qtimer->isActive());
    EXPECT_EQ(timer.interval(), 0);

    // Disabled, it keeps its interval but does not run; enabled again, it runs.
    timer.setEnabled(false);
    timer.setInterval(50);
    EXPECT_EQ(timer.interval(), 50);
    EXPECT_FALSE(qtimer->isActive());
    timer.setEnabled(true);
    EXPECT_TRUE(qtimer->isActive());
    timer.setInterval(-5);
    EXPECT_FALSE(qtimer->isActive());
}

TEST(TimerTest, SettingTheIntervalRestartsThePeriodAndEnablingAgainDoesNot) {
    QObject owner;
    QtTimer timer(&owner, control::Timer3);
    timer.setInterval(10000);
    QTest::qWait(300);
    const int left = timer.timer()->remainingTime();
    timer.setEnabled(true);
    EXPECT_LE(timer.timer()->remainingTime(), left) << "enabling an enabled timer restarted it";
    timer.setInterval(10000);
    EXPECT_GT(timer.timer()->remainingTime(), left) << "a new interval starts a new period";
}

TEST(TimerTest, Ticks) {
    QObject owner;
    QtTimer timer(&owner, control::Timer6);
    int ticks = 0;
    QObject::connect(timer.timer(), &QTimer::timeout, [&] { ++ticks; });
    timer.setInterval(5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 2; }, 3000)) << "it repeats";
    timer.setEnabled(false);
    const int stopped = ticks;
    QTest::qWait(30);
    EXPECT_EQ(ticks, stopped);
}

TEST(DialogsTest, FiltersBecomeQtNameFilters) {
    EXPECT_EQ(QtDialogs::nameFilters("txt|*.txt"), "txt (*.txt)");
    EXPECT_EQ(QtDialogs::nameFilters("序列号文件 (*.txt)|*.txt|所有文件（*）|*.*"),
              QStringLiteral("序列号文件 (*.txt);;所有文件（*） (*)"));
    EXPECT_EQ(QtDialogs::nameFilters("Logs|*.log;*.txt"), "Logs (*.log *.txt)");
    EXPECT_EQ(QtDialogs::nameFilters(""), "");
}

TEST(DialogsTest, MessageBoxesCarryTextTitleButtonsAndIcon) {
    QApplication::setApplicationDisplayName(QString::fromUtf8(kApplicationTitle));
    const auto plain = QtDialogs::buildMessageBox({"请选择端口", {}, false, false}, nullptr);
    EXPECT_EQ(plain->text(), "请选择端口");
    EXPECT_EQ(plain->windowTitle(), QString::fromUtf8(kApplicationTitle));
    EXPECT_EQ(plain->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(plain->icon(), QMessageBox::NoIcon);

    const auto warning = QtDialogs::buildMessageBox(
        {"所选的串行端口已被其他设备所使用!", "系统信息", true, true}, nullptr);
    EXPECT_EQ(warning->windowTitle(), "系统信息");
    EXPECT_EQ(warning->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(warning->icon(), QMessageBox::Warning);
}

TEST(DialogsTest, FileDialogsFollowTheRequest) {
    QTemporaryDir dir;
    const auto save = QtDialogs::buildFileDialog({"", dir.path().toStdString(), "txt|*.txt", true},
                                                 true, nullptr);
    EXPECT_EQ(save->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(save->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(save->directory().absolutePath(), QDir(dir.path()).absolutePath());
    EXPECT_EQ(save->nameFilters(), QStringList{"txt (*.txt)"});

    const auto open = QtDialogs::buildFileDialog({"打开文件", "", "", false}, false, nullptr);
    EXPECT_EQ(open->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(open->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(open->windowTitle(), "打开文件");
}

}  // namespace
}  // namespace tc24
