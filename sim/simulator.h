#pragma once

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <span>
#include <string>

#include "sim/collisions.h"
#include "sim/faults.h"
#include "sim/frame_splitter.h"
#include "sim/line.h"
#include "sim/options.h"
#include "sim/pty_line.h"
#include "sim/tcp_line.h"

namespace tc24::sim {

// The modules of a line behind a pseudo-terminal, or a TCP port as behind a serial device
// server: requests are cut from the bytes the client writes, answered by the modules, put
// through the line faults and sent back at the line's speed, in bursts as from a real adapter.
class Simulator {
public:
    using Clock = std::chrono::steady_clock;

    Simulator(const Options& options, Line line);

    // Serves until `stop` is set (by a signal handler, or by another thread: it is seen on
    // the next wake-up, at the latest after a second) or --exit-after has passed; prints the
    // counters and returns the exit status.
    int run(const std::atomic<bool>& stop);

    // The first line of the counts printed on exit: "requests N answered N garbled N
    // unanswered N unsent-bytes N collisions N" (new counts go at the end, for scripts).
    std::string requestCountsText() const;

private:
    // One byte (or the line's disappearance) waiting for its moment on the wire.
    struct Scheduled {
        Clock::time_point due;
        std::uint8_t byte = 0;
        bool vanish = false;
        int vanishMs = 0;
    };

    bool overTcp() const { return options_.tcpPort.has_value(); }
    bool lineOpen() const { return overTcp() ? tcp_.isOpen() : pty_.isOpen(); }
    // Where requests come from and replies go; -1 while no TCP client is connected.
    int lineFd() const { return overTcp() ? tcp_.clientFd() : pty_.masterFd(); }
    bool openLine();
    void clientLeft();
    bool awaitingSilence() const { return splitter_.pending() > 0 && !silenceSeen_; }
    void vanish(int ms);
    void receive();
    void echo(std::span<const std::uint8_t> bytes);
    // `start`: when the request's first byte arrived.
    void handleFrame(const Bytes& frame, Clock::time_point start);
    void sendDueBytes(Clock::time_point now);
    void noteDroppedBytes();
    void checkClientSpeed();
    void saveState();
    void logLine(const std::string& text) const;
    void printSensorTables() const;
    void printSummary() const;

    const Options& options_;
    Line line_;
    FaultInjector faults_;
    Misstore misstore_;
    FrameSplitter splitter_;
    PtyLine pty_;
    TcpLine tcp_;
    DeviceLink link_;
    std::mt19937 driftRng_;
    Clock::time_point start_;
    Clock::duration byteTime_;
    Clock::duration silence_;
    CollisionWatch collisions_;

    std::deque<Scheduled> outgoing_;
    Clock::time_point lastByteIn_{};
    Clock::time_point lastBurst_{};
    Clock::time_point requestStart_{};  // first byte of the request being received
    bool silenceSeen_ = true;           // the silent interval after the last byte has been handled
    std::optional<Clock::time_point> backAt_;  // set while the line has vanished
    std::uint64_t droppedSeen_ = 0;
    int warnedClientBaud_ = 0;
    std::uint64_t frames_ = 0;
    std::uint64_t answered_ = 0;
    std::uint64_t garbled_ = 0;
    std::uint64_t ignored_ = 0;
    std::uint64_t unsent_ = 0;
};

// The modules as the options, the sensor file and the state file describe them; nothing
// (after a message on standard error) when a file cannot be used.
std::optional<Line> buildLine(const Options& options);

}  // namespace tc24::sim
