#pragma once

// A pseudo-terminal pair for tests that play the module (or any peer) on the master side
// while the window's serial port opens the slave.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdint>
#include <string>
#include <vector>

namespace tc24::testing {

// A pseudo-terminal pair. The spare slave descriptor keeps the line alive while the port
// under test is closed and lets the test read the line settings the port applied.
struct Pty {
    int master = -1;
    int spareSlave = -1;
    std::string slaveName;

    Pty() {
        if (::openpty(&master, &spareSlave, nullptr, nullptr, nullptr) != 0) {
            return;
        }
        if (const char* name = ::ttyname(spareSlave)) {
            slaveName = name;
        }
        // Raw from the start: no echo of bytes sent before the port opens.
        termios raw{};
        ::tcgetattr(spareSlave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(spareSlave, TCSANOW, &raw);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~Pty() {
        closeMaster();
        if (spareSlave >= 0) {
            ::close(spareSlave);
        }
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return master >= 0 && spareSlave >= 0 && !slaveName.empty(); }
    void closeMaster() {
        if (master >= 0) {
            ::close(master);
            master = -1;
        }
    }
    void send(const std::vector<std::uint8_t>& bytes) const {
        ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // What the port under test sent, up to `count` bytes, while the event loop keeps running.
    std::vector<std::uint8_t> receive(std::size_t count, int timeoutMs = 3000) const {
        std::vector<std::uint8_t> got;
        QElapsedTimer clock;
        clock.start();
        while (got.size() < count && clock.elapsed() < timeoutMs) {
            QCoreApplication::processEvents();
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0 && (p.revents & POLLIN)) {
                std::uint8_t buffer[256];
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                if (n > 0) {
                    got.insert(got.end(), buffer, buffer + n);
                }
            }
        }
        return got;
    }
    speed_t lineSpeed() const {
        termios t{};
        ::tcgetattr(spareSlave, &t);
        return ::cfgetospeed(&t);
    }
};

}  // namespace tc24::testing
