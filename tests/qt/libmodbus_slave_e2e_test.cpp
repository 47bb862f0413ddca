// Interoperability: a MODBUS RTU slave built on libmodbus (code no one here wrote) answers the
// window's "单次" query. Two pseudo-terminals joined by a relay form the line between them.

#include <gtest/gtest.h>
#include <modbus.h>
#include <poll.h>
#include <unistd.h>

#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <fstream>
#include <thread>

#include <QLineEdit>
#include "app/qt/main_window.h"
#include "core/fakes.h"
#include "link/control_names.h"
#include "qt/pty_pair.h"

namespace tc24 {
namespace {

using testing::FakeDialogs;
using testing::Pty;
using testing::TempDir;

// Copies bytes both ways between two pseudo-terminal masters until stopped.
class Relay {
public:
    Relay(int a, int b) : thread_([this, a, b] { run(a, b); }) {}
    ~Relay() {
        stop_ = true;
        thread_.join();
    }

private:
    void run(int a, int b) {
        while (!stop_) {
            pollfd fds[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
            if (::poll(fds, 2, 20) <= 0) {
                continue;
            }
            for (int i = 0; i < 2; ++i) {
                if (fds[i].revents & POLLIN) {
                    std::uint8_t buffer[256];
                    const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                    if (n > 0) {
                        [[maybe_unused]] ssize_t ignored = ::write(i == 0 ? b : a, buffer, n);
                    }
                }
            }
        }
    }
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A libmodbus RTU slave at station 1 with 24 holding registers.
class LibmodbusSlave {
public:
    LibmodbusSlave(const std::string& device, const std::vector<std::uint16_t>& registers) {
        context_ = modbus_new_rtu(device.c_str(), 19200, 'N', 8, 1);
        mapping_ = modbus_mapping_new(0, 0, static_cast<int>(registers.size()), 0);
        if (context_ == nullptr || mapping_ == nullptr) {
            return;
        }
        std::copy(registers.begin(), registers.end(), mapping_->tab_registers);
        modbus_set_slave(context_, 1);
        modbus_set_indication_timeout(context_, 0, 100000);  // lets the loop see the stop
        if (modbus_connect(context_) != 0) {
            return;
        }
        connected_ = true;
        thread_ = std::thread([this] { serve(); });
    }
    ~LibmodbusSlave() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        if (mapping_ != nullptr) {
            modbus_mapping_free(mapping_);
        }
        if (context_ != nullptr) {
            modbus_close(context_);
            modbus_free(context_);
        }
    }
    bool ok() const { return connected_; }
    int replies() const { return replies_; }

private:
    void serve() {
        std::uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
        while (!stop_) {
            const int length = modbus_receive(context_, query);
            if (length > 0 && modbus_reply(context_, query, length, mapping_) > 0) {
                ++replies_;
            }
        }
    }
    modbus_t* context_ = nullptr;
    modbus_mapping_t* mapping_ = nullptr;
    bool connected_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<int> replies_{0};
    std::thread thread_;
};

TEST(LibmodbusSlave, AnswersTheSingleQueryAndTheBoxesShowItsRegisters) {
    Pty toolSide;
    Pty slaveSide;
    ASSERT_TRUE(toolSide.ok() && slaveSide.ok());
    Relay relay(toolSide.master, slaveSide.master);

    std::vector<std::uint16_t> registers;
    for (int i = 0; i < 24; ++i) {
        registers.push_back(static_cast<std::uint16_t>(i == 7 ? 65486 : 1500 + 25 * i));
    }
    LibmodbusSlave slave(slaveSide.slaveName, registers);
    ASSERT_TRUE(slave.ok());

    TempDir dir;
    std::filesystem::create_directories(dir.path() / "ports");
    std::filesystem::create_symlink(toolSide.slaveName, dir.path() / "ports" / "COM1");
    std::ofstream(dir.path() / "comm.set", std::ios::binary) << "1,19200\r\n";
    FakeDialogs dialogs;
    MainWindow window(dir.path(), nullptr, &dialogs);
    window.load();
    window.show();

    window.findChild<QPushButton*>(control::comDoOnce)->click();
    auto box = [&](int i) {
        return window.findChild<QLineEdit*>(control::txtValue[static_cast<std::size_t>(i)]);
    };
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return box(23)->palette().color(QPalette::Text) == QColor(0, 0, 0); }, 5000))
        << window.controls().text(control::txtState);
    for (int i = 0; i < 24; ++i) {
        const int hundredths = i == 7 ? -50 : 1500 + 25 * i;
        EXPECT_EQ(box(i)->text(),
                  QString::asprintf("%s%d.%02d", hundredths < 0 ? "-" : "",
                                    std::abs(hundredths) / 100, std::abs(hundredths) % 100))
            << i;
    }
    EXPECT_EQ(slave.replies(), 1);
    EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
}  // namespace tc24
