// The simulator itself, serving a real pseudo-terminal or TCP port to a client in this test:
// requests that talk over a reply are counted, and --echo hands the client its own bytes.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "protocol/crc16.h"
#include "sim/pty_line.h"
#include "sim/simulator.h"
#include "tests/sim/hex_bytes.h"

namespace tc24::sim {
namespace {

using namespace std::chrono_literals;
using testing::hex;

// Three registers of station 1; the reply has 11 bytes.
const Bytes kRead = hex("01 03 00 00 00 03 05 CB");
constexpr std::size_t kReplyLength = 11;

// Up to `count` bytes, waiting at most `timeout` for them.
Bytes receive(int fd, std::size_t count, std::chrono::milliseconds timeout) {
    Bytes bytes;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (bytes.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        std::uint8_t buffer[64];
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, count - bytes.size()));
        if (n <= 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

void send(int fd, const Bytes& bytes) {
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

// A port nobody listens on right now.
int freeTcpPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

// The simulator running on a thread of its own, with the test as its client: on a
// pseudo-terminal linked in a folder of its own, or on TCP when the options say so.
class RunningSimulator {
public:
    explicit RunningSimulator(Options options)
        : dir_(std::filesystem::temp_directory_path() /
               ("tc24-sim-line-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name())),
          options_(std::move(options)) {
        if (!options_.tcpPort) {
            options_.linkPath = (dir_ / "COM1").string();
        }
        options_.exitAfterSeconds = 30;  // a test that fails half-way still ends
        simulator_.emplace(options_, *buildLine(options_));
        thread_ = std::thread([this] { status_ = simulator_->run(stop_); });
    }
    ~RunningSimulator() {
        finish();
        std::filesystem::remove_all(dir_);
    }
    RunningSimulator(const RunningSimulator&) = delete;
    RunningSimulator& operator=(const RunningSimulator&) = delete;

    // The client's end of the line, or -1 when it did not come up.
    int client() {
        if (client_ < 0) {
            client_ = options_.tcpPort ? connectTcp() : openDevice();
        }
        return client_;
    }

    // Stops the simulator and returns the first line of its counts.
    std::string finish() {
        stop_ = true;
        if (client_ >= 0) {
            // A byte wakes the simulator, which then sees the stop at once rather than on its
            // next second; one byte is no request and counts nowhere.
            const std::uint8_t wake = 0;
            [[maybe_unused]] const auto ignored = ::write(client_, &wake, 1);
        }
        if (thread_.joinable()) {
            thread_.join();
            EXPECT_EQ(status_, 0);
        }
        if (client_ >= 0) {
            ::close(client_);
            client_ = -1;
        }
        return simulator_->requestCountsText();
    }

private:
    int openDevice() {
        for (int i = 0; i < 500 && !std::filesystem::is_symlink(options_.linkPath); ++i) {
            std::this_thread::sleep_for(10ms);
        }
        const int fd = ::open(options_.linkPath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios settings{};
        if (fd < 0 || ::tcgetattr(fd, &settings) != 0) {
            if (fd >= 0) {
                ::close(fd);
            }
            return -1;
        }
        ::cfmakeraw(&settings);
        ::cfsetspeed(&settings, speedConstant(options_.baud));
        ::tcsetattr(fd, TCSANOW, &settings);
        return fd;
    }

    int connectTcp() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(*options_.tcpPort));
        for (int i = 0; i < 500; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
                return fd;
            }
            ::close(fd);
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

    std::filesystem::path dir_;
    Options options_;
    std::optional<Simulator> simulator_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    int status_ = -1;
    int client_ = -1;
};

TEST(SimulatorCollisions, AClientThatWaitsForEachReplyAndItsSilenceCausesNone) {
    RunningSimulator sim(Options{});
    const int line = sim.client();
    ASSERT_GE(line, 0);
    for (int i = 0; i < 3; ++i) {
        send(line, kRead);
        const Bytes reply = receive(line, kReplyLength, 2000ms);
        ASSERT_EQ(reply.size(), kReplyLength);
        EXPECT_TRUE(hasValidCrc(reply));
        std::this_thread::sleep_for(10ms);  // well over 3.5 characters at 19200 baud
    }
    EXPECT_EQ(sim.finish(),
              "requests 3 answered 3 garbled 0 unanswered 0 unsent-bytes 0 collisions 0");
}

TEST(SimulatorCollisions, ARequestSentWhileADelayedReplyIsPendingIsOne) {
    Options options;
    options.faults.rate(Fault::Delay).every = 1;
    options.faults.delayMs = 200;
    RunningSimulator sim(options);
    const int line = sim.client();
    ASSERT_GE(line, 0);

    send(line, kRead);
    // The client gives up after 50 ms and asks again, into the delayed reply.
    ASSERT_TRUE(receive(line, 1, 50ms).empty());
    send(line, kRead);
    // Both replies come, the second queued behind the first.
    EXPECT_EQ(receive(line, 2 * kReplyLength, 3000ms).size(), 2 * kReplyLength);
    // Once both are over and the line has been silent, asking again is fine.
    std::this_thread::sleep_for(10ms);
    send(line, kRead);
    EXPECT_EQ(receive(line, kReplyLength, 2000ms).size(), kReplyLength);

    EXPECT_EQ(sim.finish(),
              "requests 3 answered 3 garbled 0 unanswered 0 unsent-bytes 0 collisions 1");
}

TEST(SimulatorCollisions, ARequestIntoAReplyOnTheWireIsOne) {
    // At 1200 baud a byte takes 8.3 ms: the client asks again with five bytes of the reply
    // still to come, some 40 ms before it ends.
    Options options;
    options.baud = 1200;
    RunningSimulator sim(options);
    const int line = sim.client();
    ASSERT_GE(line, 0);
    send(line, kRead);
    ASSERT_EQ(receive(line, 6, 3000ms).size(), 6u);
    send(line, kRead);
    EXPECT_EQ(receive(line, kReplyLength - 6 + kReplyLength, 3000ms).size(),
              kReplyLength - 6 + kReplyLength);
    EXPECT_EQ(sim.finish(),
              "requests 2 answered 2 garbled 0 unanswered 0 unsent-bytes 0 collisions 1");
}

TEST(SimulatorEcho, TheRequestComesBackWholeAheadOfTheReplyAndUntouchedByFaults) {
    Options options;
    options.echo = true;
    options.faults.rate(Fault::Corrupt).every = 1;
    RunningSimulator sim(options);
    const int line = sim.client();
    ASSERT_GE(line, 0);
    for (int i = 0; i < 2; ++i) {
        send(line, kRead);
        EXPECT_EQ(receive(line, kRead.size(), 2000ms), kRead);
        const Bytes reply = receive(line, kReplyLength, 2000ms);
        ASSERT_EQ(reply.size(), kReplyLength);
        EXPECT_FALSE(hasValidCrc(reply));  // the reply, not the echo, was corrupted
        std::this_thread::sleep_for(10ms);
    }
    // The echo is neither an answer nor a reply to collide with.
    EXPECT_EQ(sim.finish(),
              "requests 2 answered 2 garbled 0 unanswered 0 unsent-bytes 0 collisions 0");
}

TEST(SimulatorEcho, OverTcpADroppedReplyStillHasItsEcho) {
    Options options;
    options.echo = true;
    options.tcpPort = freeTcpPort();
    options.faults.rate(Fault::Drop).every = 1;
    RunningSimulator sim(options);
    const int line = sim.client();
    ASSERT_GE(line, 0);
    send(line, kRead);
    EXPECT_EQ(receive(line, kRead.size(), 2000ms), kRead);
    // No reply is coming, so asking again at once collides with nothing.
    send(line, kRead);
    EXPECT_EQ(receive(line, kRead.size(), 2000ms), kRead);
    EXPECT_TRUE(receive(line, 1, 100ms).empty());
    EXPECT_EQ(sim.finish(),
              "requests 2 answered 2 garbled 0 unanswered 0 unsent-bytes 0 collisions 0");
}

TEST(SimulatorEcho, IsAnOptionOfItsOwn) {
    const char* arguments[] = {"tc24-sim", "--echo", "--log"};
    std::string error;
    const auto options = parseOptions(3, const_cast<char**>(arguments), error);
    ASSERT_TRUE(options) << error;
    EXPECT_TRUE(options->echo);
    EXPECT_TRUE(options->log);
    EXPECT_FALSE(Options{}.echo);
}

}  // namespace
}  // namespace tc24::sim
