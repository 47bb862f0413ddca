#include "sim/simulator.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "protocol/hex.h"
#include "sim/sensor_table.h"
#include "sim/state_file.h"

namespace tc24::sim {

namespace {

using Clock = Simulator::Clock;
using Duration = std::chrono::duration<double, std::milli>;

constexpr auto kBurstInterval = std::chrono::milliseconds(1);

Clock::duration millis(double ms) {
    return std::chrono::duration_cast<Clock::duration>(Duration(ms));
}

}  // namespace

Simulator::Simulator(const Options& options, Line line)
    : options_(options),
      line_(std::move(line)),
      faults_(options.faults, options.faultSeed),
      misstore_(options.misstore, options.faultSeed),
      driftRng_(options.seed ^ 0x5EED5EEDU),
      start_(Clock::now()),
      byteTime_(millis(10.0 * 1000.0 / options.baud)),
      silence_(std::max(millis(35.0 * 1000.0 / options.baud), millis(5.0))),
      collisions_(frameSilence(options.baud)) {}

void Simulator::logLine(const std::string& text) const {
    if (!options_.log) {
        return;
    }
    const double ms = Duration(Clock::now() - start_).count();
    std::fprintf(stderr, "%12.3f ms  %s\n", ms, text.c_str());
}

bool Simulator::openLine() {
    std::string error;
    if (overTcp()) {
        // A line that vanished comes back at the port it had.
        const int port = tcp_.port() != 0 ? tcp_.port() : *options_.tcpPort;
        if (!tcp_.open(port, error)) {
            std::fprintf(stderr, "tc24-sim: %s\n", error.c_str());
            return false;
        }
        std::printf("tcp 127.0.0.1:%d\n", tcp_.port());
        std::fflush(stdout);
        logLine("line open: tcp 127.0.0.1:" + std::to_string(tcp_.port()) + ", replies timed for " +
                std::to_string(options_.baud) + " baud");
        return true;
    }
    if (!pty_.open(options_.baud, error)) {
        std::fprintf(stderr, "tc24-sim: %s\n", error.c_str());
        return false;
    }
    if (!options_.linkPath.empty() && !link_.create(options_.linkPath, pty_.devicePath(), error)) {
        std::fprintf(stderr, "tc24-sim: %s\n", error.c_str());
        return false;
    }
    std::printf("device %s\n", pty_.devicePath().c_str());
    std::fflush(stdout);
    logLine("line open: " + pty_.devicePath() + " at " + std::to_string(options_.baud) + " baud" +
            (options_.linkPath.empty() ? "" : ", linked as " + options_.linkPath));
    return true;
}

void Simulator::vanish(int ms) {
    logLine("line vanishes for " + std::to_string(ms) + " ms");
    link_.remove();
    pty_.close();
    tcp_.close();
    outgoing_.clear();
    collisions_.forgetReplies();
    splitter_ = FrameSplitter{};
    droppedSeen_ = 0;
    backAt_ = Clock::now() + millis(ms);
}

void Simulator::noteDroppedBytes() {
    if (splitter_.droppedBytes() != droppedSeen_) {
        logLine("dropped " + std::to_string(splitter_.droppedBytes() - droppedSeen_) +
                " byte(s) that form no frame");
        droppedSeen_ = splitter_.droppedBytes();
    }
}

void Simulator::clientLeft() {
    logLine("client left");
    tcp_.dropClient();
    outgoing_.clear();
    collisions_.forgetReplies();
    splitter_ = FrameSplitter{};
    droppedSeen_ = 0;
}

void Simulator::checkClientSpeed() {
    if (overTcp()) {
        return;  // a device server's line speed is its own setting
    }
    const int baud = pty_.clientBaud();
    if (baud != 0 && baud != options_.baud && baud != warnedClientBaud_) {
        std::fprintf(stderr,
                     "tc24-sim: the client set the line to %d baud; the module talks at %d\n", baud,
                     options_.baud);
        warnedClientBaud_ = baud;
    }
}

void Simulator::saveState() {
    if (options_.statePath.empty()) {
        return;
    }
    std::vector<std::uint8_t> addresses;
    for (const Module& module : line_.modules()) {
        addresses.push_back(module.address());
    }
    if (!saveAddresses(options_.statePath, addresses)) {
        std::fprintf(stderr, "tc24-sim: cannot write state file %s\n", options_.statePath.c_str());
    }
}

void Simulator::handleFrame(const Bytes& frame, Clock::time_point start) {
    ++frames_;
    logLine("rx " + hexText(frame));
    if (const auto early = collisions_.requestArrived(start)) {
        char text[160];
        const double ms = Duration(*early).count();
        if (ms > 0) {
            std::snprintf(text, sizeof text,
                          "collision: request arrived %.1f ms before the end of the reply", ms);
        } else {
            std::snprintf(text, sizeof text,
                          "collision: request arrived %.1f ms after the end of the reply, within "
                          "the %.1f ms of silence that must follow it",
                          -ms, Duration(collisions_.silence()).count());
        }
        logLine(text);
    }
    checkClientSpeed();
    const LineAnswer answer = line_.handle(frame);
    if (answer.outcome == Outcome::Answered && misstore_.afterRequest(line_, frame)) {
        logLine("fault misstore: the position holds another number than confirmed");
    }
    if (answer.addressChanged) {
        std::string addresses;
        for (const Module& module : line_.modules()) {
            addresses += (addresses.empty() ? "" : ",") + std::to_string(module.address());
        }
        logLine("address now " + addresses);
        saveState();
    }
    if (answer.reply.empty()) {
        ++ignored_;
        logLine(outcomeName(answer.outcome));
        return;
    }
    ++answered_;
    if (answer.outcome == Outcome::Garbled) {
        ++garbled_;
        logLine(outcomeName(answer.outcome));
    }
    const Transmission plan = faults_.apply(frame, answer.reply);
    std::string faultText;
    for (Fault fault : plan.faults) {
        faultText += std::string(" ") + faultName(fault);
    }
    if (!faultText.empty()) {
        logLine("fault" + faultText);
    }

    const auto now = Clock::now();
    auto t = std::max(now + millis(options_.turnaroundMs),
                      outgoing_.empty() ? now : outgoing_.back().due + byteTime_);
    t += millis(plan.delayMs);
    std::optional<Clock::time_point> lastByte;
    for (const Chunk& chunk : plan.chunks) {
        t += millis(chunk.pauseMs);
        for (std::uint8_t byte : chunk.bytes) {
            outgoing_.push_back({t, byte, false, 0});
            lastByte = t;
            t += byteTime_;
        }
    }
    if (lastByte) {
        // The client has the reply when its last byte leaves; the silence runs from there.
        collisions_.replyScheduled(*lastByte);
    }
    if (plan.vanish) {
        outgoing_.push_back({t, 0, true, plan.vanishMs});
    }
    const Bytes bytes = plan.bytes();
    if (!bytes.empty()) {
        char timing[64];
        std::snprintf(timing, sizeof timing, "  (on the wire until +%.1f ms)",
                      Duration(t - now).count());
        logLine("tx " + hexText(bytes) + timing);
    }
}

void Simulator::sendDueBytes(Clock::time_point now) {
    Bytes burst;
    while (!outgoing_.empty() && outgoing_.front().due <= now) {
        const Scheduled next = outgoing_.front();
        if (next.vanish) {
            if (!burst.empty()) {
                [[maybe_unused]] const auto ignored = ::write(lineFd(), burst.data(), burst.size());
            }
            vanish(next.vanishMs);
            return;
        }
        burst.push_back(next.byte);
        outgoing_.pop_front();
    }
    if (burst.empty()) {
        return;
    }
    lastBurst_ = now;
    const ssize_t written = lineFd() < 0 ? -1 : ::write(lineFd(), burst.data(), burst.size());
    if (written < static_cast<ssize_t>(burst.size())) {
        // Nobody reads the line (its buffer is full, or no client is connected): the bytes are
        // lost, as on a wire.
        unsent_ += burst.size() - static_cast<std::size_t>(std::max<ssize_t>(written, 0));
    }
}

void Simulator::echo(std::span<const std::uint8_t> bytes) {
    // The master's own transmission, heard back at once: no reply, so no faults and no byte
    // time of its own, and it goes out ahead of every reply byte still to come.
    logLine("echo " + hexText(bytes));
    const ssize_t written = ::write(lineFd(), bytes.data(), bytes.size());
    if (written < static_cast<ssize_t>(bytes.size())) {
        logLine(
            "echo: " +
            std::to_string(bytes.size() - static_cast<std::size_t>(std::max<ssize_t>(written, 0))) +
            " byte(s) lost, nobody reads the line");
    }
}

void Simulator::receive() {
    std::uint8_t buffer[4096];
    for (;;) {
        if (lineFd() < 0) {
            return;
        }
        const ssize_t n = ::read(lineFd(), buffer, sizeof buffer);
        if (overTcp() && (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))) {
            clientLeft();
            return;
        }
        if (n <= 0) {
            return;
        }
        const auto now = Clock::now();
        const std::span<const std::uint8_t> bytes(buffer, static_cast<std::size_t>(n));
        if (options_.echo) {
            echo(bytes);
        }
        // Bytes after a silence, or with nothing buffered, start a new request.
        if (splitter_.pending() == 0 || silenceSeen_) {
            requestStart_ = now;
        }
        lastByteIn_ = now;
        silenceSeen_ = false;
        const std::vector<Bytes> frames = splitter_.feed(bytes);
        for (const Bytes& frame : frames) {
            noteDroppedBytes();
            handleFrame(frame, requestStart_);
            // A request behind it in the same read began in this read.
            requestStart_ = now;
        }
        noteDroppedBytes();
    }
}

int Simulator::run(const std::atomic<bool>& stop) {
    if (!openLine()) {
        return 1;
    }
    if (options_.log) {
        printSensorTables();
    }
    const bool fromFile = !options_.sensorsPath.empty();
    const double driftDegrees = options_.driftDegrees.value_or(fromFile ? 0.0 : 0.5);
    const int driftSixteenths = static_cast<int>(std::lround(driftDegrees * 16.0));
    auto nextDrift = start_ + std::chrono::seconds(1);
    // Without --exit-after the run ends only on a signal: "never" is a far time point, which
    // keeps the loop free of an optional the optimiser cannot see through.
    const bool stopsByItself = options_.exitAfterSeconds.has_value();
    const Clock::time_point stopAt = stopsByItself
                                         ? start_ + millis(*options_.exitAfterSeconds * 1000.0)
                                         : Clock::time_point::max();

    sigset_t waitMask;
    sigemptyset(&waitMask);
    while (!stop) {
        auto now = Clock::now();
        if (stopsByItself && now >= stopAt) {
            break;
        }
        if (backAt_ && now >= *backAt_) {
            backAt_.reset();
            if (!openLine()) {
                return 1;
            }
        }
        if (lineOpen()) {
            sendDueBytes(now);
        }
        if (lineOpen() && awaitingSilence() && now - lastByteIn_ >= silence_) {
            receive();  // bytes that came while this process was not running end no frame
        }
        if (lineOpen() && awaitingSilence() && Clock::now() - lastByteIn_ >= silence_) {
            silenceSeen_ = true;
            for (const Bytes& frame : splitter_.silence()) {
                handleFrame(frame, requestStart_);
            }
            noteDroppedBytes();
        }
        if (now >= nextDrift) {
            if (driftSixteenths > 0) {
                for (Module& module : line_.modules()) {
                    module.drift(driftRng_, driftSixteenths);
                }
            }
            nextDrift += std::chrono::seconds(1);
        }

        // Sleep until the next thing to do, or until a byte arrives.
        auto wake = nextDrift;
        wake = std::min(wake, stopAt);
        if (backAt_) {
            wake = std::min(wake, *backAt_);
        }
        if (!outgoing_.empty()) {
            // Bytes leave in bursts at most once a millisecond, like a UART's FIFO or a USB
            // adapter's latency timer; each still leaves no earlier than its byte time.
            wake = std::min(wake, std::max(outgoing_.front().due, lastBurst_ + kBurstInterval));
        }
        if (awaitingSilence()) {
            wake = std::min(wake, lastByteIn_ + silence_);
        }
        now = Clock::now();
        const auto wait = std::max(Clock::duration::zero(), wake - now);
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
        const timespec timeout{
            static_cast<time_t>(seconds.count()),
            static_cast<long>(
                std::chrono::duration_cast<std::chrono::nanoseconds>(wait - seconds).count())};
        pollfd fds[2] = {{lineOpen() ? lineFd() : -1, POLLIN, 0},
                         {overTcp() ? tcp_.listenerFd() : -1, POLLIN, 0}};
        pollfd& fd = fds[0];
        const int ready = ::ppoll(fds, 2, &timeout, &waitMask);
        if (ready > 0 && (fds[1].revents & POLLIN) != 0 && tcp_.acceptClient()) {
            logLine("client connected");
            outgoing_.clear();
            collisions_.forgetReplies();
            splitter_ = FrameSplitter{};
        }
        if (ready > 0 && (fd.revents & POLLIN) != 0) {
            receive();
        } else if (ready > 0 && overTcp() && (fd.revents & (POLLHUP | POLLERR)) != 0) {
            clientLeft();
        } else if (ready > 0 && (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            // Cannot happen while the spare slave descriptor is open; rather than spin,
            // start the line afresh.
            logLine("line hang-up; reopening");
            pty_.close();
            link_.remove();
            if (!openLine()) {
                return 1;
            }
        }
    }
    printSummary();
    return 0;
}

void Simulator::printSensorTables() const {
    int number = 0;
    for (const Module& module : line_.modules()) {
        ++number;
        logLine("module " + std::to_string(number) + " at address " +
                std::to_string(module.address()) + ":");
        for (int position = 1; position <= Module::kPositions; ++position) {
            const SerialNumber& serial = module.assigned(position);
            const auto reading = registerReading(module.registerValue(position - 1));
            const std::string readingText =
                reading ? centidegreesText(*reading) : std::string("65535 (no reading)");
            logLine("  " + std::to_string(position) + "  " +
                    (serial == kNoSerialNumber ? std::string("empty") : serialNumberText(serial)) +
                    "  " + readingText);
        }
        for (const SerialNumber& serial : module.newSensors()) {
            logLine("  new " + serialNumberText(serial));
        }
    }
}

std::string Simulator::requestCountsText() const {
    char text[256];
    std::snprintf(
        text, sizeof text,
        "requests %llu answered %llu garbled %llu unanswered %llu unsent-bytes %llu collisions "
        "%llu",
        static_cast<unsigned long long>(frames_), static_cast<unsigned long long>(answered_),
        static_cast<unsigned long long>(garbled_), static_cast<unsigned long long>(ignored_),
        static_cast<unsigned long long>(unsent_),
        static_cast<unsigned long long>(collisions_.count()));
    return text;
}

void Simulator::printSummary() const {
    std::printf("%s\n", requestCountsText().c_str());
    std::printf("faults %s\n", faultCountsText(faults_.counts()).c_str());
    std::printf("module faults misstore=%llu\n",
                static_cast<unsigned long long>(misstore_.count()));
    std::fflush(stdout);
}

std::optional<Line> buildLine(const Options& options) {
    const std::vector<std::uint8_t> addresses =
        options.addresses.empty() ? std::vector<std::uint8_t>{1} : options.addresses;
    SensorFile file;
    if (!options.sensorsPath.empty()) {
        std::ifstream in(options.sensorsPath);
        if (!in) {
            std::fprintf(stderr, "tc24-sim: cannot read %s\n", options.sensorsPath.c_str());
            return std::nullopt;
        }
        auto result = parseSensorFile(in);
        if (!result.file) {
            std::fprintf(stderr, "tc24-sim: %s: %s\n", options.sensorsPath.c_str(),
                         result.error.c_str());
            return std::nullopt;
        }
        file = std::move(*result.file);
        for (const auto& [number, module] : file.modules) {
            if (number > static_cast<int>(addresses.size())) {
                std::fprintf(stderr,
                             "tc24-sim: %s describes module %d, but only %zu module(s) "
                             "are on the line (see --address)\n",
                             options.sensorsPath.c_str(), number, addresses.size());
                return std::nullopt;
            }
            for (const Sensor& sensor : module.sensors()) {
                if (!hasValidOnewireCrc(sensor.serial)) {
                    std::fprintf(stderr,
                                 "tc24-sim: note: serial number %s has no valid 1-Wire CRC\n",
                                 serialNumberText(sensor.serial).c_str());
                }
            }
        }
    }
    std::map<int, std::uint8_t> saved;
    if (!options.statePath.empty()) {
        saved = loadAddresses(options.statePath);
    }
    std::vector<Module> modules;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        if (auto it = file.modules.find(number); it != file.modules.end()) {
            modules.push_back(it->second);
        } else {
            std::mt19937 rng(options.seed + static_cast<std::uint32_t>(i) * 7919U);
            modules.push_back(generateModule(rng, options.newSensors));
        }
        auto savedAddress = saved.find(number);
        modules.back().setAddress(savedAddress != saved.end() ? savedAddress->second
                                                              : addresses[i]);
    }
    return Line(std::move(modules));
}

}  // namespace tc24::sim
