// The serial port over a real pseudo-terminal pair: the test plays the module on the master
// side, the port under test opens the slave through <program directory>/ports/COM1.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/qt/qt_serial_port.h"
#include "qt/process_stats.h"
#include "qt/pty_pair.h"

namespace tc24 {
namespace {

using testing::cpuSeconds;

namespace fs = std::filesystem;
using testing::Pty;
using Bytes = std::vector<std::uint8_t>;

// How long to watch for an event that must not come.
constexpr int kQuietMs = 200;
// Upper bound for an event that must come.
constexpr int kEventMs = 3000;

Bytes counting(std::size_t n, std::uint8_t first = 1) {
    Bytes bytes(n);
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<std::uint8_t>(first + i);
    }
    return bytes;
}

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tc24-serial-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        fs::create_directory(dir_ / "ports");
        pty_ = std::make_unique<Pty>();
        ASSERT_TRUE(pty_->ok());
        mapCom1(pty_->slaveName);
        port_ = std::make_unique<QtSerialPort>(SettingsLocation{dir_, dir_});
        port_->setPortNumber(1);
        port_->setEventHandler([this] {
            kinds_.push_back(port_->eventKind());
            if (onEvent_) {
                onEvent_();
            }
        });
    }
    void TearDown() override {
        port_.reset();
        pty_.reset();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    void mapCom1(const fs::path& device) {
        const fs::path link = dir_ / "ports" / "COM1";
        fs::remove(link);
        fs::create_symlink(device, link);
    }
    void openPort() {
        port_->open();
        ASSERT_TRUE(port_->isOpen()) << port_->lastError();
    }
    bool waitForEvents(std::size_t count) {
        return QTest::qWaitFor([&] { return kinds_.size() >= count; }, kEventMs);
    }
    std::size_t dataEvents() const {
        return static_cast<std::size_t>(
            std::count(kinds_.begin(), kinds_.end(), comm_event::DataReceived));
    }

    fs::path dir_;
    std::unique_ptr<Pty> pty_;
    std::unique_ptr<QtSerialPort> port_;
    std::vector<int> kinds_;
    std::function<void()> onEvent_;
};

TEST_F(SerialPortTest, DataEventComesOnceExactlyThresholdBytesAreWaiting) {
    openPort();
    std::uint8_t next = 1;
    for (const int threshold : {1, 6, 13}) {
        SCOPED_TRACE(threshold);
        kinds_.clear();
        port_->setReceiveThreshold(threshold);
        EXPECT_EQ(port_->receiveThreshold(), threshold);

        const Bytes head = counting(threshold - 1, next);
        if (!head.empty()) {
            pty_->send(head);
        }
        QTest::qWait(kQuietMs);
        EXPECT_TRUE(kinds_.empty()) << "event with only " << threshold - 1 << " bytes waiting";

        const Bytes last = counting(1, static_cast<std::uint8_t>(next + threshold - 1));
        pty_->send(last);
        ASSERT_TRUE(waitForEvents(1));
        QTest::qWait(50);
        EXPECT_EQ(kinds_, std::vector<int>{comm_event::DataReceived});

        Bytes all = head;
        all.push_back(last[0]);
        EXPECT_EQ(port_->readAll(), all);
        EXPECT_TRUE(port_->readAll().empty()) << "read bytes must leave the buffer";
        next = static_cast<std::uint8_t>(next + threshold);
    }
}

TEST_F(SerialPortTest, AReplyInManySmallChunksRaisesOneEventWithAllOfIt) {
    openPort();
    port_->setReceiveThreshold(53);
    for (int i = 0; i < 53; i += 2) {
        pty_->send(counting(std::min(2, 53 - i), static_cast<std::uint8_t>(i)));
        ::usleep(1'000);
    }
    ASSERT_TRUE(waitForEvents(1));
    QTest::qWait(50);
    EXPECT_EQ(dataEvents(), 1u);
    EXPECT_EQ(port_->readAll(), counting(53, 0));

    // A read takes every waiting byte, also those short of the threshold.
    pty_->send(counting(7));
    QTest::qWait(kQuietMs);
    EXPECT_EQ(dataEvents(), 1u);
    port_->setReceiveThreshold(0);  // disarmed, as before each request
    EXPECT_EQ(port_->readAll(), counting(7));
}

TEST_F(SerialPortTest, AThresholdAboveWhatTheTerminalHoldsAtOnceStillComes) {
    // A terminal hands over at most a few hundred bytes at a time; a longer reply must still
    // raise its one event.
    openPort();
    port_->setReceiveThreshold(305);
    for (int i = 0; i < 305; i += 61) {
        pty_->send(counting(61, static_cast<std::uint8_t>(i)));
        ::usleep(2'000);
    }
    ASSERT_TRUE(waitForEvents(1));
    const Bytes received = port_->readAll();
    ASSERT_EQ(received.size(), 305u);
    EXPECT_EQ(received.front(), 0);
    EXPECT_EQ(received.back(), static_cast<std::uint8_t>(244 + 60));
    EXPECT_EQ(dataEvents(), 1u);
}

TEST_F(SerialPortTest, ThresholdZeroRaisesNothingAndBytesStayWaiting) {
    openPort();
    port_->setReceiveThreshold(0);
    pty_->send(counting(20));
    QTest::qWait(kQuietMs);
    EXPECT_TRUE(kinds_.empty());

    // Setting a threshold the waiting bytes already meet raises nothing by itself.
    port_->setReceiveThreshold(8);
    QTest::qWait(kQuietMs);
    EXPECT_TRUE(kinds_.empty());
    EXPECT_EQ(port_->readAll(), counting(20));
}

TEST_F(SerialPortTest, DiscardInputDropsBufferedAndQueuedBytes) {
    openPort();
    port_->setReceiveThreshold(1);
    pty_->send({0xAA, 0xBB, 0xCC});
    ASSERT_TRUE(waitForEvents(1));
    port_->discardInput();
    EXPECT_TRUE(port_->readAll().empty());

    // Bytes still in the system's queue, not yet seen by the event loop, go too.
    kinds_.clear();
    pty_->send({0xDD, 0xEE});
    ::usleep(20'000);
    port_->discardInput();
    QTest::qWait(kQuietMs);
    EXPECT_TRUE(kinds_.empty());
    EXPECT_TRUE(port_->readAll().empty());

    // The dropped bytes do not count towards the next threshold.
    port_->setReceiveThreshold(3);
    pty_->send({1, 2});
    QTest::qWait(kQuietMs);
    EXPECT_TRUE(kinds_.empty());
    pty_->send({3});
    ASSERT_TRUE(waitForEvents(1));
    EXPECT_EQ(port_->readAll(), (Bytes{1, 2, 3}));
}

TEST_F(SerialPortTest, BytesSentBeforeOpeningAreNotDelivered) {
    pty_->send(counting(10));
    ::usleep(20'000);
    openPort();
    port_->setReceiveThreshold(1);
    QTest::qWait(kQuietMs);
    EXPECT_TRUE(kinds_.empty());
    EXPECT_TRUE(port_->readAll().empty());
}

TEST_F(SerialPortTest, WriteSendsAllBytesInOrder) {
    port_->write({1, 2, 3});  // closed: nothing is sent, nothing breaks
    openPort();
    const Bytes frame{0x01, 0x03, 0x00, 0x00, 0x00, 0x18, 0x45, 0xC0};
    port_->write(frame);
    port_->write({0xFF, 0x00});
    Bytes expected = frame;
    expected.insert(expected.end(), {0xFF, 0x00});
    EXPECT_EQ(pty_->receive(expected.size()), expected);
}

TEST_F(SerialPortTest, ARequestLeavesAtOnceAndALargeWriteKeepsItsOrder) {
    openPort();
    // On the line before the event loop comes round (and before the window paints for the
    // tick that sent it).
    const Bytes frame{0x01, 0x03, 0x00, 0x00, 0x00, 0x18, 0x45, 0xC0};
    port_->write(frame);
    pollfd ready{pty_->master, POLLIN, 0};
    ASSERT_EQ(::poll(&ready, 1, 0), 1);
    Bytes got(frame.size());
    ASSERT_EQ(::read(pty_->master, got.data(), got.size()), static_cast<ssize_t>(frame.size()));
    EXPECT_EQ(got, frame);

    // More than the terminal takes at once: the rest, and what follows it, come after in order.
    const Bytes large = counting(200000);
    port_->write(large);
    port_->write(frame);
    Bytes expected = large;
    expected.insert(expected.end(), frame.begin(), frame.end());
    const Bytes received = pty_->receive(expected.size(), 10000);
    ASSERT_EQ(received.size(), expected.size());
    EXPECT_EQ(received, expected);
}

TEST_F(SerialPortTest, SettingsTextSetsTheLine) {
    EXPECT_EQ(port_->settings(), "9600,N,8,1");
    port_->setSettings("38400,N,8,1");
    openPort();
    EXPECT_EQ(pty_->lineSpeed(), static_cast<speed_t>(B38400));
    termios t{};
    ::tcgetattr(pty_->spareSlave, &t);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & CSTOPB, 0u);

    // Applied at once while the port is open.
    port_->setSettings("19200,N,8,1");
    EXPECT_EQ(port_->settings(), "19200,N,8,1");
    EXPECT_EQ(pty_->lineSpeed(), static_cast<speed_t>(B19200));

    // Text that names no line leaves the settings in force.
    for (const char* bad : {"", "abc", "0,N,8,1", "9600,X,8,1", "9600,N,9,1", "9600,N,8"}) {
        port_->setSettings(bad);
        EXPECT_EQ(port_->settings(), "19200,N,8,1") << bad;
    }
    EXPECT_EQ(pty_->lineSpeed(), static_cast<speed_t>(B19200));
    EXPECT_TRUE(port_->isOpen());
}

TEST_F(SerialPortTest, OpeningAMissingDeviceFailsWithTheReason) {
    const fs::path missing = dir_ / "no-such-tty";
    mapCom1(missing);
    EXPECT_EQ(port_->devicePath().toStdString(), missing.string());
    port_->open();
    EXPECT_FALSE(port_->isOpen());
    const std::string reason = port_->lastError();
    EXPECT_NE(reason.find(missing.string()), std::string::npos) << reason;
    EXPECT_GT(reason.size(), missing.string().size() + 2) << "the system's reason is missing";
    EXPECT_EQ(port_->lastErrorKind(), PortErrorKind::Missing);
    EXPECT_TRUE(port_->readAll().empty());
    QTest::qWait(50);
    EXPECT_TRUE(kinds_.empty()) << "a failed open is no event";

    // The same port opens once the link points at a live device.
    mapCom1(pty_->slaveName);
    openPort();
    EXPECT_TRUE(port_->lastError().empty());
    EXPECT_EQ(port_->lastErrorKind(), PortErrorKind::None);
}

TEST_F(SerialPortTest, VanishedPeerClosesThePortOnceWithoutSpinning) {
    openPort();
    port_->setReceiveThreshold(1);
    pty_->closeMaster();
    ASSERT_TRUE(waitForEvents(1));
    EXPECT_FALSE(port_->isOpen());
    EXPECT_NE(port_->lastError().find(pty_->slaveName), std::string::npos) << port_->lastError();
    EXPECT_EQ(port_->lastErrorKind(), PortErrorKind::Lost);

    // No second event however long the loop runs; a loop that spun would also burn a core
    // (a generous bound: bench/vanished_port_bench measures the figure).
    const double cpuBefore = cpuSeconds();
    QTest::qWait(300);
    EXPECT_EQ(kinds_, std::vector<int>{comm_event::PortLost});
#ifndef TC24_SANITIZED
    EXPECT_LT(cpuSeconds() - cpuBefore, 0.15) << "the event loop spins after the device went away";
#else
    static_cast<void>(cpuBefore);
#endif

    // A new device behind the same entry opens and works.
    kinds_.clear();
    pty_ = std::make_unique<Pty>();
    ASSERT_TRUE(pty_->ok());
    mapCom1(pty_->slaveName);
    openPort();
    pty_->send({7, 8});
    ASSERT_TRUE(waitForEvents(1));
    EXPECT_EQ(kinds_.front(), comm_event::DataReceived);
    EXPECT_EQ(port_->readAll(), (Bytes{7, 8}));
}

TEST_F(SerialPortTest, HandlerIsNeverEnteredWhileItRuns) {
    openPort();
    port_->setReceiveThreshold(1);
    int depth = 0;
    int deepest = 0;
    std::function<void()> whileHandling;
    onEvent_ = [&] {
        ++depth;
        deepest = std::max(deepest, depth);
        if (whileHandling) {
            std::exchange(whileHandling, nullptr)();
        }
        --depth;
    };

    // More bytes arrive while the handler runs a nested event loop: the event for them
    // comes after it returns, not inside it.
    whileHandling = [&] {
        pty_->send({2});
        QTest::qWait(100);
    };
    pty_->send({1});
    ASSERT_TRUE(waitForEvents(2));
    QTest::qWait(50);
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(kinds_, (std::vector<int>{comm_event::DataReceived, comm_event::DataReceived}));
    EXPECT_EQ(port_->readAll(), (Bytes{1, 2}));

    // The device goes away while the handler runs: the loss is told once, afterwards.
    kinds_.clear();
    whileHandling = [&] {
        pty_->closeMaster();
        QTest::qWait(100);
        EXPECT_FALSE(port_->isOpen());
    };
    pty_->send({3});
    ASSERT_TRUE(waitForEvents(2));
    QTest::qWait(kQuietMs);
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(kinds_, (std::vector<int>{comm_event::DataReceived, comm_event::PortLost}));
}

}  // namespace
}  // namespace tc24
