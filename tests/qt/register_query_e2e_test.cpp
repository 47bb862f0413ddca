// The real window and QSerialPort on one end of a pseudo-terminal; the test answers the
// register query on the other end, as the module would.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <fstream>

#include "app/qt/main_window.h"
#include "core/fakes.h"
#include "link/control_names.h"
#include "protocol/crc16.h"
#include "qt/pty_pair.h"

namespace tc24 {
namespace {

using testing::FakeDialogs;
using testing::Pty;
using testing::TempDir;

std::vector<std::uint8_t> withCrc(std::vector<std::uint8_t> frame) {
    const auto trailer = crcTrailer(frame);
    frame.push_back(trailer.low);
    frame.push_back(trailer.high);
    return frame;
}

class RegisterQueryEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        std::filesystem::create_directories(dir.path() / "ports");
        std::filesystem::create_symlink(pty.slaveName, dir.path() / "ports" / "COM2");
        std::ofstream(dir.path() / "comm.set", std::ios::binary) << "2,19200\r\n";
        window = std::make_unique<MainWindow>(dir.path(), nullptr, &dialogs);
        window->load();
        window->show();
    }

    QLineEdit* box(int index) {
        return window->findChild<QLineEdit*>(control::txtValue[static_cast<std::size_t>(index)]);
    }
    void click(const char* name) {
        auto* button = window->findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        button->click();
    }

    TempDir dir;
    Pty pty;
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> window;
};

TEST_F(RegisterQueryEndToEnd, SingleQueryFillsAllBoxesBlackWithThePeersValues) {
    click(control::comDoOnce);
    const auto request = pty.receive(8);
    ASSERT_EQ(request, (std::vector<std::uint8_t>{0x01, 0x03, 0x00, 0x00, 0x00, 0x18, 0x45, 0xC0}));
    EXPECT_EQ(window->findChild<QPlainTextEdit*>(control::txtCommand)->toPlainText(),
              "01 03 00 00 00 18 45 C0 ");
    // Waiting for the reply: every box red, the yellow image alone shown.
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(box(i)->palette().color(QPalette::Text), QColor(0xFF, 0, 0)) << i;
    }
    EXPECT_FALSE(window->findChild<QLabel*>(control::ImgYellow)->isHidden());
    EXPECT_TRUE(window->findChild<QLabel*>(control::imgConnected)->isHidden());

    // Register i holds 20.00 + i degrees; channel 5 reads -0.50, channel 24 has no sensor.
    std::vector<std::uint8_t> reply{0x01, 0x03, 48};
    for (int i = 0; i < 24; ++i) {
        int value = 2000 + 100 * i;
        if (i == 4) {
            value = 65486;
        }
        if (i == 23) {
            value = 65535;
        }
        reply.push_back(static_cast<std::uint8_t>(value >> 8));
        reply.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    reply = withCrc(reply);
    // Two chunks with a gap, as a real line delivers them.
    pty.send({reply.begin(), reply.begin() + 20});
    QTest::qWait(30);
    EXPECT_EQ(box(0)->text(), "0");
    pty.send({reply.begin() + 20, reply.end()});

    // Read through Qt's public API only, as a screen reader or an automation tool would.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return box(23)->text() == "0" && box(0)->text() != "0"; }, 3000));
    for (int i = 0; i < 24; ++i) {
        const QString expected = i == 4 ? "-0.50" : i == 23 ? "0" : QString::number(20 + i) + ".00";
        EXPECT_EQ(box(i)->text(), expected) << i;
        EXPECT_EQ(box(i)->palette().color(QPalette::Text), QColor(0, 0, 0)) << i;
    }
    for (const int i : {0, 4, 23}) {
        EXPECT_EQ(QAccessible::queryAccessibleInterface(box(i))->text(QAccessible::Value),
                  box(i)->text())
            << i;
    }
    EXPECT_TRUE(window->findChild<QPlainTextEdit*>(control::txtState)
                    ->toPlainText()
                    .startsWith(QStringLiteral(" 01 03 30 07 D0 08 34")));
    EXPECT_FALSE(window->findChild<QLabel*>(control::imgConnected)->isHidden());
    EXPECT_TRUE(window->findChild<QLabel*>(control::ImgYellow)->isHidden());
    EXPECT_TRUE(window->findChild<QLabel*>(control::imgNotConnected)->isHidden());
    // the event and channel 24
    EXPECT_EQ(window->findChild<QLabel*>(control::lblErrCounter)->text(), "2");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(RegisterQueryEndToEnd, PeerThatVanishesClosesThePortAndTheNextQuerySaysSo) {
    pty.closeMaster();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->controls().text(control::lblErrCounter) == "1"; }, 3000));
    click(control::comDoOnce);
    ASSERT_EQ(dialogs.shown.size(), 1U);
    EXPECT_EQ(dialogs.shown[0].text, "打开串口出错，请确定串口是否已被占用");
    EXPECT_EQ(window->controls().frontImage(), control::imgNotConnected);
}

}  // namespace
}  // namespace tc24
