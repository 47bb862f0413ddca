// The cheaper painting of the value boxes, the hex panes, the panel pictures and the frames
// must give the very pixels Qt's own painting gives: every case is drawn both ways and
// compared.

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/qt/backdrop.h"
#include "app/qt/counter_label.h"
#include "app/qt/hex_pane.h"
#include "app/qt/main_window.h"
#include "app/qt/panel_cache_style.h"
#include "app/qt/value_box.h"
#include "core/fakes.h"

namespace tc24 {
namespace {

// The widget painted into an image of the backing store's kind, as grab() paints it into a
// pixmap; painted into an image, glyphs on a plain background are copied from cells.
QImage picture(QWidget* widget) {
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget->render(&image);
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Empty when both are the same (each channel within `tolerance`); else how many pixels
// differ and where the first one is.
std::string difference(const QImage& expected, const QImage& actual, int tolerance = 0) {
    const auto near = [tolerance](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) <= tolerance &&
               std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
               std::abs(qBlue(a) - qBlue(b)) <= tolerance &&
               std::abs(qAlpha(a) - qAlpha(b)) <= tolerance;
    };
    if (expected.size() != actual.size()) {
        return "sizes differ";
    }
    int count = 0;
    QPoint first;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            if (!near(expected.pixel(x, y), actual.pixel(x, y)) && count++ == 0) {
                first = {x, y};
            }
        }
    }
    if (count == 0) {
        return {};
    }
    if (qEnvironmentVariableIsSet("TC24_SAVE_DIFFERENCES")) {
        expected.save(QStringLiteral("/tmp/expected.png"));
        actual.save(QStringLiteral("/tmp/actual.png"));
    }
    return std::to_string(count) + " pixels differ, the first at " + std::to_string(first.x()) +
           "," + std::to_string(first.y()) + ": " +
           QColor(expected.pixel(first)).name().toStdString() + " instead of " +
           QColor(actual.pixel(first)).name().toStdString();
}

// A box as the window makes it: right-aligned, fixed width, the window's font.
struct BoxOnScreen {
    QWidget window;
    ValueBox* box = new ValueBox(QStringLiteral("0"));
    PanelCacheStyle style;

    BoxOnScreen() {
        if (const auto font = MainWindow::preferredFont()) {
            window.setFont(*font);
        }
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(box);
        box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 16);
        box->setStyle(&style);
        window.show();
    }

    // Qt's painting, then the value box's own: the quick way paints first, from a value and
    // colour it may only have been shown, and QLineEdit then paints what it caught up with.
    std::pair<QImage, QImage> bothWays() {
        box->setQuickPaint(true);
        const QImage quick = picture(box);
        box->setQuickPaint(false);
        const QImage qt = picture(box);
        box->setQuickPaint(true);
        return {qt, quick};
    }
};

// The tool's window, with fakes for the port and the dialogs, shown at its start-up size.
struct WindowOnScreen {
    QTemporaryDir dir;
    testing::FakeSerialPort port;
    testing::FakeDialogs dialogs;
    MainWindow window{dir.path().toStdString(), &port, &dialogs};

    WindowOnScreen() {
        window.resize(MainWindow::kStartSize);
        window.show();
    }

    QList<ValueBox*> boxes() const { return window.findChildren<ValueBox*>(); }

    // A request and its reply, each painted; every reply has new values.
    int step = 0;
    void poll();

    // What was painted piece by piece so far is what a whole repaint shows.
    void expectSameAsWholeRepaint(const char* when) {
        const QImage pieceByPiece = backingStore();
        EXPECT_EQ(difference(byQLineEdit(), pieceByPiece), "") << when;
    }

    // What was painted piece by piece so far.
    QImage backingStore() {
        QApplication::processEvents();
        QApplication::processEvents();
        return window.screen()
            ->grabWindow(window.winId())
            .toImage()
            .convertToFormat(QImage::Format_ARGB32);
    }

    // The same window as QLineEdit alone paints it, every box from scratch, and no face
    // over the boxes whatever the boxes think of it; the status images and the counters
    // see-through, over what the window paints under them.
    QImage byQLineEdit() {
        Backdrop::setEnabled(false);
        for (ValueBox* box : boxes()) {
            box->setQuickPaint(false);
        }
        const auto faces = window.findChildren<QWidget*>(QStringLiteral("valueBoxFace"));
        std::vector<bool> hidden;
        for (QWidget* face : faces) {
            hidden.push_back(face->isHidden());
            face->hide();
        }
        window.repaint();
        const QImage image = backingStore();
        for (qsizetype i = 0; i < faces.size(); ++i) {
            faces[i]->setHidden(hidden[static_cast<std::size_t>(i)]);
        }
        for (ValueBox* box : boxes()) {
            box->setQuickPaint(true);
        }
        Backdrop::setEnabled(true);
        QApplication::processEvents();
        return image;
    }
};

TEST(ValueBox, PaintsTheSamePixelsAsQLineEditForEveryKindOfValue) {
    BoxOnScreen screen;
    const QStringList values = {"0",     "1",      "20.5", "25.00", "-0.01", "-12.34",
                                "99.99", "655.35", "-5.1", "111",   "8888",  "0.07"};
    for (const QColor& color : {QColor(Qt::black), QColor(255, 0, 0)}) {
        screen.box->showColor(color);
        for (const QString& value : values) {
            screen.box->showValue(value);
            const int quickBefore = screen.box->quickPaints();
            const auto [qt, quick] = screen.bothWays();
            ASSERT_GT(screen.box->quickPaints(), quickBefore) << "the quick way was not taken";
            EXPECT_EQ(difference(qt, quick), "")
                << value.toStdString() << " in " << color.name().toStdString();
        }
    }
}

TEST(ValueBox, LeftAlignedTooAndAnyOtherTextIsLeftToQLineEdit) {
    BoxOnScreen screen;
    screen.box->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    screen.box->setText(QStringLiteral("23.75"));
    auto [qt, quick] = screen.bothWays();
    EXPECT_EQ(difference(qt, quick), "");

    // Letters, a text wider than the box, or an empty box: QLineEdit paints them.
    for (const QString& text :
         {QStringLiteral("温度"), QStringLiteral("1234567890123456"), QString()}) {
        screen.box->setText(text);
        const int quickBefore = screen.box->quickPaints();
        picture(screen.box);
        EXPECT_EQ(screen.box->quickPaints(), quickBefore) << text.toStdString();
    }
}

TEST(ValueBox, FocusAndSelectionArePaintedByQLineEdit) {
    BoxOnScreen screen;
    screen.box->setText(QStringLiteral("21.30"));
    screen.box->selectAll();
    const int quickBefore = screen.box->quickPaints();
    picture(screen.box);
    EXPECT_EQ(screen.box->quickPaints(), quickBefore);
}

TEST(ValueBox, AValueOnlyPaintedReachesQLineEditWhenTheOperatorTurnsToTheBox) {
    BoxOnScreen screen;
    screen.box->showValue(QStringLiteral("25.34"));
    screen.box->showColor(QColor(255, 0, 0));
    picture(screen.box);
    EXPECT_EQ(screen.box->value(), "25.34");
    EXPECT_EQ(screen.box->valueColor(), QColor(255, 0, 0));
    EXPECT_EQ(screen.box->text(), "0") << "the text was laid out although nobody looks at it";

    // A click gives focus: QLineEdit has the value to select and copy.
    QFocusEvent focus(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(screen.box, &focus);
    EXPECT_EQ(screen.box->text(), "25.34");
    EXPECT_EQ(screen.box->palette().color(QPalette::Text), QColor(255, 0, 0));

    // A value the box cannot paint itself goes to QLineEdit at once; so does a text set on
    // QLineEdit directly, which is newer than a value only painted.
    QFocusEvent focusOut(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(screen.box, &focusOut);
    screen.box->showValue(QStringLiteral("断线"));
    EXPECT_EQ(screen.box->text(), "断线");
    screen.box->showValue(QStringLiteral("7.5"));
    screen.box->setText(QStringLiteral("8.5"));
    EXPECT_EQ(screen.box->value(), "8.5");

    // A context menu, too, needs the text.
    screen.box->showValue(QStringLiteral("9.25"));
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(1, 1),
                           screen.box->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(screen.box, &menu);
    EXPECT_EQ(screen.box->text(), "9.25");
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
    }
}

TEST(ValueBox, AFontChangeIsFollowed) {
    BoxOnScreen screen;
    screen.box->setText(QStringLiteral("36.60"));
    picture(screen.box);
    QFont bigger = screen.box->font();
    bigger.setPointSize(bigger.pointSize() + 5);
    screen.box->setFont(bigger);
    screen.box->setFixedWidth(screen.box->fontMetrics().horizontalAdvance("00000000") + 16);
    auto [qt, quick] = screen.bothWays();
    EXPECT_EQ(difference(qt, quick), "");
}

TEST(PanelCacheStyle, PanelPicturesMatchTheStyleAndFollowState) {
    // Two line edits side by side, one with the caching style and one without; enabled,
    // disabled, focused and with another base colour.
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* plain = new QLineEdit(QStringLiteral("12.5"));
    auto* cached = new QLineEdit(QStringLiteral("12.5"));
    PanelCacheStyle style;
    cached->setStyle(&style);
    layout->addWidget(plain);
    layout->addWidget(cached);
    for (QLineEdit* edit : {plain, cached}) {
        edit->setFixedSize(90, 26);
    }
    window.show();

    EXPECT_EQ(difference(picture(plain), picture(cached)), "");
    for (QLineEdit* edit : {plain, cached}) {
        edit->setEnabled(false);
    }
    EXPECT_EQ(difference(picture(plain), picture(cached)), "");
    for (QLineEdit* edit : {plain, cached}) {
        edit->setEnabled(true);
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, QColor(0xFF, 0xFF, 0xE0));
        edit->setPalette(palette);
    }
    EXPECT_EQ(difference(picture(plain), picture(cached)), "");
    EXPECT_GE(style.cachedPanels(), 3);
}

TEST(MainWindowFrames, FramesDrawnFromPicturesLookLikePlainGroupBoxes) {
    QTemporaryDir dir;
    testing::FakeSerialPort port;
    testing::FakeDialogs dialogs;
    MainWindow window(dir.path().toStdString(), &port, &dialogs);
    window.show();
    auto* frame = window.findChild<QGroupBox*>(QStringLiteral("Frame6"));
    ASSERT_NE(frame, nullptr);

    // The same frame drawn by a plain group box of the same size, title, font and style.
    QGroupBox plain(frame->title());
    plain.setFont(frame->font());
    plain.setPalette(frame->palette());
    plain.setFixedSize(frame->size());
    plain.show();

    const auto withoutChildren = [](QWidget* widget) {
        // On the window's background, as on the screen.
        QImage image(widget->size(), QImage::Format_ARGB32);
        image.fill(widget->palette().color(QPalette::Window));
        widget->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
        return image;
    };
    // Blending a picture of a soft edge rounds once more than drawing the edge: a step of
    // one in a colour channel is allowed there.
    EXPECT_EQ(difference(withoutChildren(&plain), withoutChildren(frame), 1), "");

    // A new title is drawn, not the picture of the old one.
    frame->setTitle(QStringLiteral("运行状态"));
    plain.setTitle(QStringLiteral("运行状态"));
    // Blending a picture of a soft edge rounds once more than drawing the edge: a step of
    // one in a colour channel is allowed there.
    EXPECT_EQ(difference(withoutChildren(&plain), withoutChildren(frame), 1), "");
}

// A register reply whose 24 values depend on `step`, so each step changes every box.
std::vector<std::uint8_t> registerReply(int step) {
    std::vector<std::uint8_t> reply{0x01, 0x03, 48};
    for (int i = 0; i < 24; ++i) {
        const int value = i % 5 == 0 ? 65400 - 7 * step - i : 1000 + 111 * i + 13 * step;
        reply.push_back(static_cast<std::uint8_t>(value >> 8));
        reply.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    reply.push_back(0x00);  // the CRC is not checked by the decoder
    reply.push_back(0x00);
    return reply;
}

void WindowOnScreen::poll() {
    window.core().comDoOnce_Click();
    QApplication::processEvents();
    port.receive(registerReply(step++));
    QApplication::processEvents();
}

TEST(MainWindowPainting, WhatPollsPaintPieceByPieceIsWhatAWholeRepaintShows) {
    WindowOnScreen screen;
    MainWindow& window = screen.window;
    testing::FakeSerialPort& port = screen.port;
    QApplication::processEvents();
    port.open();
    const auto boxes = window.findChildren<ValueBox*>();
    ASSERT_EQ(boxes.size(), 24);
    const auto quickPaints = [&boxes] {
        int sum = 0;
        for (const ValueBox* box : boxes) {
            sum += box->quickPaints();
        }
        return sum;
    };
    // Requests turn the boxes red, replies fill them: each repaints only what changed. A
    // steady module answers the same values again; a half reply leaves the boxes red; a value
    // comes back after others.
    const int quickBefore = quickPaints();
    const long cellsBefore = GlyphTable::cellPaints();
    for (const int step : {0, 1, 1, 1, -2, 3, 1}) {
        window.core().comDoOnce_Click();
        QApplication::processEvents();
        if (step < 0) {
            const auto reply = registerReply(-step);
            port.receive({reply.begin(), reply.begin() + 20});
            const QImage pieceByPiece = screen.backingStore();
            EXPECT_EQ(difference(screen.byQLineEdit(), pieceByPiece), "")
                << "red, after half a reply";
            continue;
        }
        port.receive(registerReply(step));
        QApplication::processEvents();
        if (step == 1) {
            const QImage pieceByPiece = screen.backingStore();
            EXPECT_EQ(difference(screen.byQLineEdit(), pieceByPiece), "")
                << "after values of step 1";
        }
    }
    const QImage pieceByPiece = screen.backingStore();
    EXPECT_GT(quickPaints(), quickBefore + 24) << "the values were not painted the quick way";
    EXPECT_GT(GlyphTable::cellPaints(), cellsBefore + 24) << "the values were not copied";
    EXPECT_EQ(difference(screen.byQLineEdit(), pieceByPiece), "");
}

// Makes `window` the active window, so that a box in it can have the focus.
void makeActive(QWidget& window) {
    window.activateWindow();
    QApplication::processEvents();
    if (QApplication::activeWindow() != &window) {
        QApplication::setActiveWindow(&window);
    }
}

TEST(MainWindowPainting, BoxesLeaveTheirColumnsFaceAndComeBack) {
    WindowOnScreen screen;
    MainWindow& window = screen.window;
    screen.port.open();
    const auto boxes = screen.boxes();
    ASSERT_EQ(boxes.size(), 24);
    screen.step = 10;
    screen.poll();

    // The operator clicks into a box: QLineEdit paints it, with its focus frame, and goes on
    // doing so while polls go on; the boxes beside it keep their faces.
    ValueBox* focused = boxes[10];
    // A blinking cursor (in the box, then in the box the focus goes to) would differ from
    // one picture to the next.
    const int flashTime = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(0);
    makeActive(window);
    focused->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(focused->hasFocus());
    screen.expectSameAsWholeRepaint("focus");
    screen.poll();
    screen.expectSameAsWholeRepaint("a poll, focused");
    window.findChild<QWidget*>(QStringLiteral("txtTimerSet"))->setFocus();
    screen.poll();
    screen.expectSameAsWholeRepaint("focus gone");

    // A hidden box takes its face with it, and a shown one gets it back.
    boxes[3]->hide();
    screen.poll();
    screen.expectSameAsWholeRepaint("hidden");
    boxes[3]->show();
    screen.poll();
    screen.expectSameAsWholeRepaint("shown again");

    // Boxes that move take their faces along: with the column, or in it.
    window.resize(MainWindow::kStartSize - QSize(120, 0));
    screen.poll();
    screen.expectSameAsWholeRepaint("column moved");
    window.findChild<QLabel*>(QStringLiteral("lblValue_1"))
        ->setText(QStringLiteral("2#温度值 (A)"));
    screen.poll();
    screen.expectSameAsWholeRepaint("boxes moved in their column");

    // The sensors' results lie over the values while they are shown: the faces go on
    // painting beneath them, and show again once the results are hidden.
    window.controls().setShown("TXTSN", true);
    auto* results = window.findChild<QWidget*>(QStringLiteral("TXTSN"));
    ASSERT_TRUE(results->isVisible());
    ASSERT_TRUE(QRect(results->mapTo(&window, QPoint()), results->size())
                    .intersects(QRect(boxes[0]->mapTo(&window, QPoint()), boxes[0]->size())));
    screen.poll();
    screen.expectSameAsWholeRepaint("under the results");
    window.controls().setShown("TXTSN", false);
    screen.poll();
    screen.expectSameAsWholeRepaint("results hidden");

    // A box that goes away leaves no face behind.
    delete boxes[20];
    screen.poll();
    screen.expectSameAsWholeRepaint("deleted");
    QApplication::setCursorFlashTime(flashTime);
}

TEST(MainWindowPainting, ABoxOfAnotherColourKeepsItsOwnPanel) {
    // Alike boxes share one piece of panel under their faces; a box given another colour
    // must not paint theirs.
    WindowOnScreen screen;
    screen.port.open();
    const auto boxes = screen.boxes();
    ASSERT_EQ(boxes.size(), 24);
    screen.poll();
    QPalette tinted = boxes[5]->palette();
    tinted.setColor(QPalette::Base, QColor(255, 250, 205));
    boxes[5]->setPalette(tinted);
    screen.poll();
    screen.expectSameAsWholeRepaint("one box tinted");
    boxes[5]->setPalette(boxes[4]->palette());
    screen.poll();
    screen.expectSameAsWholeRepaint("tint taken back");
}

TEST(MainWindowPainting, StackedStatusImagesLookLikeTheFrontOneAlone) {
    WindowOnScreen screen;
    MainWindow& window = screen.window;
    const char* const images[] = {"imgNotConnected", "ImgYellow", "imgConnected"};
    for (const char* front : {"ImgYellow", "imgConnected"}) {
        window.controls().bringToFront(front);
        const QImage stacked = picture(&window);

        // The front image alone, the other two hidden.
        for (const char* name : images) {
            window.findChild<QWidget*>(QString::fromUtf8(name))
                ->setHidden(std::string_view(name) != front);
        }
        EXPECT_EQ(difference(picture(&window), stacked), "") << front;
        for (const char* name : images) {
            window.findChild<QWidget*>(QString::fromUtf8(name))->show();
        }
    }
}

// Counts the paint events a widget gets.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

TEST(MainWindowPainting, StatusImagesAndCountersPaintWhatIsUnderThemAndRepaintAlone) {
    WindowOnScreen screen;
    MainWindow& window = screen.window;
    screen.port.open();
    const auto expectOpaque = [&window](const char* when) {
        for (const char* name :
             {"ImgYellow", "imgConnected", "imgNotConnected", "lblCounter", "lblErrCounter"}) {
            EXPECT_TRUE(window.findChild<QWidget*>(QString::fromLatin1(name))
                            ->testAttribute(Qt::WA_OpaquePaintEvent))
                << name << ", " << when;
        }
    };
    screen.poll();
    screen.poll();
    expectOpaque("first polls");
    screen.expectSameAsWholeRepaint("first polls");
    screen.poll();
    expectOpaque("after a whole repaint without them");

    // A poll changes the front image twice and a counter: the frame under them, the window
    // and the images behind the front one are not painted for it.
    const int picturesBefore = Backdrop::pictures();
    auto* frame = window.findChild<QWidget*>(QStringLiteral("Frame6"));
    auto* behind = window.findChild<QWidget*>(QStringLiteral("imgNotConnected"));
    PaintCounter framePaints;
    PaintCounter windowPaints;
    PaintCounter behindPaints;
    frame->installEventFilter(&framePaints);
    window.installEventFilter(&windowPaints);
    behind->installEventFilter(&behindPaints);
    screen.poll();
    screen.poll();
    EXPECT_EQ(framePaints.paints, 0);
    EXPECT_EQ(windowPaints.paints, 0);
    EXPECT_EQ(behindPaints.paints, 0);
    frame->removeEventFilter(&framePaints);
    window.removeEventFilter(&windowPaints);
    behind->removeEventFilter(&behindPaints);
    EXPECT_EQ(Backdrop::pictures(), picturesBefore) << "nothing changed under them";
    screen.expectSameAsWholeRepaint("polls");
    screen.poll();
    expectOpaque("before the window changes");

    // What is under them changes: its colour, their place, the frame's state.
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(0xE0, 0xF0, 0xD0));
    window.setPalette(palette);
    screen.poll();
    screen.expectSameAsWholeRepaint("window colour");
    EXPECT_GT(Backdrop::pictures(), picturesBefore);
    window.resize(MainWindow::kStartSize + QSize(90, 40));
    screen.poll();
    screen.expectSameAsWholeRepaint("window resized");
    frame->setEnabled(false);
    screen.poll();
    screen.expectSameAsWholeRepaint("frame disabled");
    frame->setEnabled(true);
    screen.poll();
    screen.expectSameAsWholeRepaint("frame enabled again");
    window.controls().bringToFront("imgNotConnected");
    screen.expectSameAsWholeRepaint("port closed");
    screen.poll();
    expectOpaque("at the end");
}

TEST(CounterLabel, PaintsTheSamePixelsAsQLabel) {
    MainWindow::applyApplicationFont();
    WindowOnScreen screen;
    MainWindow& window = screen.window;
    for (const char* name : {"lblCounter", "lblErrCounter"}) {
        auto* label = window.findChild<CounterLabel*>(QString::fromLatin1(name));
        ASSERT_NE(label, nullptr) << name;
        for (const QColor& color : {QColor(Qt::black), QColor(255, 0, 0)}) {
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, color);
            label->setPalette(palette);
            for (const QString& number : {QStringLiteral("0"), QStringLiteral("17"),
                                          QStringLiteral("4096"), QStringLiteral("1234567890")}) {
                label->setText(number);
                const int quickBefore = label->quickPaints();
                const QImage quick = picture(label);
                EXPECT_GT(label->quickPaints(), quickBefore) << "the quick way was not taken";
                label->setQuickPaint(false);
                const QImage qt = picture(label);
                label->setQuickPaint(true);
                EXPECT_EQ(difference(qt, quick), "") << name << " " << number.toStdString();
            }
        }
        // Anything else is QLabel's.
        label->setText(QStringLiteral("断开"));
        const int quickBefore = label->quickPaints();
        picture(label);
        EXPECT_EQ(label->quickPaints(), quickBefore);
    }
}

// Hex text as the window writes it: " 01 03 30 …" for replies, "01 03 00 … " for requests.
QString hexText(int bytes, bool reply) {
    QString text;
    for (int i = 0; i < bytes; ++i) {
        const QString byte =
            QStringLiteral("%1").arg((i * 37 + 11) & 0xFF, 2, 16, QLatin1Char('0'));
        text += reply ? QLatin1Char(' ') + byte.toUpper() : byte.toUpper() + QLatin1Char(' ');
    }
    return text;
}

TEST(HexPane, PaintsTheSamePixelsAsQPlainTextEditWhereverItWraps) {
    WindowOnScreen screen;
    MainWindow& window = screen.window;
    auto* pane = window.findChild<HexPane*>(QStringLiteral("txtState"));
    ASSERT_NE(pane, nullptr);

    int quickTexts = 0;
    const long cellsBefore = GlyphTable::cellPaints();
    // The window's width, then narrower ones, so that the lines break after every kind of
    // byte and the last line ends at every distance from the edge.
    for (const int width : {1280, 1100, 1037, 990}) {
        window.resize(width, 800);
        QApplication::processEvents();
        for (int bytes = 0; bytes <= 60; ++bytes) {
            for (const bool reply : {true, false}) {
                const QString text = hexText(bytes, reply);
                pane->showText(text);
                EXPECT_EQ(pane->value(), text);
                const int quickBefore = pane->quickPaints();
                const QImage quick = picture(pane);
                const bool wasQuick = pane->quickPaints() > quickBefore;
                quickTexts += wasQuick;
                pane->setQuickPaint(false);
                EXPECT_EQ(pane->toPlainText(), text);
                const QImage qt = picture(pane);
                pane->setQuickPaint(true);
                EXPECT_EQ(difference(qt, quick), "")
                    << bytes << " bytes, width " << width << (wasQuick ? ", quick" : "");
            }
        }
    }
    // Most of them took the quick way; the rest needed scrolling or wrapped too close to
    // the edge to call.
    EXPECT_GT(quickTexts, 300);
    EXPECT_GT(GlyphTable::cellPaints() - cellsBefore, 300) << "the glyphs were not copied";
}

TEST(HexPane, TheDocumentCatchesUpWhenTheOperatorTurnsToThePane) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* elsewhere = new QLineEdit;  // has the focus, as most of the time
    auto* pane = new HexPane;
    pane->setReadOnly(true);
    pane->setFixedSize(500, 80);
    layout->addWidget(elsewhere);
    layout->addWidget(pane);
    window.show();
    elsewhere->setFocus();
    QApplication::processEvents();  // laid out: the pane has its size

    pane->showText(QStringLiteral(" 01 03 02 09 E6"));
    picture(pane);
    EXPECT_EQ(pane->value(), " 01 03 02 09 E6");
    EXPECT_EQ(pane->toPlainText(), "") << "laid out although nobody looks at it";

    // A click: the document has the text to select and copy.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), pane->mapToGlobal(QPoint(10, 10)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pane->viewport(), &press);
    EXPECT_EQ(pane->toPlainText(), " 01 03 02 09 E6");

    // Text the table has no glyphs for, or too much for the pane, goes to the document.
    elsewhere->setFocus();
    pane->showText(QStringLiteral("串口未打开"));
    EXPECT_EQ(pane->toPlainText(), "串口未打开");
    pane->showText(hexText(300, true));
    EXPECT_EQ(pane->toPlainText(), hexText(300, true));

    // Text set on the document directly is newer than a text only painted.
    pane->showText(QStringLiteral(" 0A"));
    pane->setPlainText(QStringLiteral("B"));
    EXPECT_EQ(pane->value(), "B");
}

}  // namespace
}  // namespace tc24
