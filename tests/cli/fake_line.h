// The fakes tc24-cli's tests run the tool over: a line of simulated modules with faults chosen
// request by request, and a runner that gives the tool that line, string streams for its
// output and a folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <csignal>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

#include "cli/cli.h"
#include "core/fakes.h"
#include "protocol/frames.h"
#include "protocol/replies.h"
#include "sim/faults.h"
#include "sim/line.h"

namespace tc24::cli {

// The time-out every run of the tool gets here.
inline constexpr auto kTimeout = std::chrono::milliseconds(30);

class FakeLine : public Transport {
public:
    enum class Fault {
        None,
        Drop,     // the module acts, its reply is lost
        Unheard,  // the request never reaches the module
        Corrupt,
        Lose,   // the line goes away
        Late,   // half the reply in time, the rest just after the time-out
        Stray,  // a reply from the station below arrives before the one asked for
        Busy,   // the module answers exception 06 and does nothing
        Other,  // the module confirms an address change with another value than asked
    };

    explicit FakeLine(sim::Line line) : line_(std::move(line)) {}

    void discardInput() override { pending_.clear(); }

    bool send(std::span<const std::uint8_t> bytes) override {
        if (lost_) {
            return false;
        }
        sent.emplace_back(bytes.begin(), bytes.end());
        if (afterSend) {
            afterSend();
        }
        Fault fault = faults.empty() ? Fault::None : faults.front();
        if (!faults.empty()) {
            faults.pop_front();
        }
        if (const auto once = faultOnce.find(protocol::requestKind(bytes));
            once != faultOnce.end()) {
            fault = once->second;
            faultOnce.erase(once);
        }
        if (echo) {
            // A 2-wire adapter hands the request back before anything else.
            pending_.insert(pending_.end(), bytes.begin(), bytes.end());
        }
        if (fault == Fault::Unheard) {
            return true;
        }
        if (fault == Fault::Busy) {
            const Bytes busy = protocol::exceptionReply(bytes[0], bytes[1], protocol::kDeviceBusy);
            pending_.insert(pending_.end(), busy.begin(), busy.end());
            return true;
        }
        if (fault == Fault::Other) {
            // Confirms from the new address, with a value it was not sent, and changes nothing.
            Bytes confirm(bytes.begin(), bytes.begin() + 6);
            confirm[0] = confirm[5];
            ++confirm[5];
            const Bytes framed = protocol::withCrc(confirm);
            pending_.insert(pending_.end(), framed.begin(), framed.end());
            return true;
        }
        // The module ignores the byte that follows the sensor count request.
        const auto length = static_cast<std::size_t>(protocol::requestLength(bytes));
        const auto frame = bytes.first(std::min(length, bytes.size()));
        Bytes reply = line_.handle(frame).reply;
        if (!reply.empty()) {
            misstore.afterRequest(line_, frame);
        }
        if (fault == Fault::Lose) {
            lost_ = true;
        } else if (fault == Fault::Corrupt && !reply.empty()) {
            reply[reply.size() / 2] ^= 0x5A;
        } else if (fault == Fault::Stray && !reply.empty()) {
            Bytes stray(reply.begin(), reply.end() - 2);
            --stray[0];
            pending_ = protocol::withCrc(std::move(stray));
        } else if (fault == Fault::Late) {
            const auto half = reply.begin() + static_cast<long>(reply.size() / 2);
            pending_.assign(reply.begin(), half);
            late_.assign(half, reply.end());
            lateAt_ = Clock::now() + kTimeout + std::chrono::milliseconds(2);
            return true;
        }
        if (fault == Fault::Drop || fault == Fault::Lose) {
            return true;
        }
        // A reply goes out after whatever is still on its way.
        Bytes& queue = late_.empty() ? pending_ : late_;
        queue.insert(queue.end(), reply.begin(), reply.end());
        return true;
    }

    bool receive(Bytes& into, Clock::time_point deadline) override {
        if (lost_) {
            return false;
        }
        if (pending_.empty() && !late_.empty() && lateAt_ <= deadline) {
            std::this_thread::sleep_until(lateAt_);
            pending_ = std::move(late_);
            late_.clear();
        }
        if (pending_.empty() && noise > 0) {
            // Noise keeps coming at its pace whether or not anybody reads it.
            const auto now = Clock::now();
            const long due = static_cast<long>((now - noiseSince_) / noiseGap) + 1 - noiseTaken;
            if (due <= 0) {
                std::this_thread::sleep_until(
                    std::min(deadline, noiseSince_ + noiseGap * noiseTaken));
                return true;
            }
            const int taken = static_cast<int>(std::min<long>(due, noise));
            into.insert(into.end(), static_cast<std::size_t>(taken), 0xFF);
            noise -= taken;
            noiseTaken += taken;
            return true;
        }
        if (pending_.empty()) {
            std::this_thread::sleep_until(deadline);  // nothing more is coming
        }
        into.insert(into.end(), pending_.begin(), pending_.end());
        pending_.clear();
        return true;
    }

    std::string lostReason() const override {
        return "the port went away: the adapter was unplugged";
    }

    sim::Module& module(std::size_t index) { return line_.modules()[index]; }
    bool lost() const { return lost_; }
    void replug() {
        lost_ = false;
        pending_.clear();
        late_.clear();
    }

    std::function<void()> afterSend;                   // called as each request is sent
    bool echo = false;                                 // requests come back first
    std::deque<Fault> faults;                          // for the requests in the order sent
    std::map<protocol::RequestKind, Fault> faultOnce;  // for the first request of a kind
    std::vector<Bytes> sent;
    sim::Misstore misstore;
    // Bytes of noise on the line once nothing else is due, one every noiseGap from now.
    void startNoise(int bytes, Clock::duration gap) {
        noise = bytes;
        noiseGap = gap;
        noiseTaken = 0;
        noiseSince_ = Clock::now();
    }
    int noise = 0;
    int noiseTaken = 0;
    Clock::duration noiseGap{std::chrono::milliseconds(1)};

private:
    sim::Line line_;
    Bytes pending_;
    Bytes late_;  // on its way, arriving at lateAt_
    Clock::time_point lateAt_;
    Clock::time_point noiseSince_;
    bool lost_ = false;
};

// Forwards to the test's line, which outlives the run.
class Borrowed : public Transport {
public:
    explicit Borrowed(Transport& line) : line_(line) {}
    void discardInput() override { line_.discardInput(); }
    bool send(std::span<const std::uint8_t> bytes) override { return line_.send(bytes); }
    bool receive(Bytes& into, Clock::time_point deadline) override {
        return line_.receive(into, deadline);
    }
    std::string lostReason() const override { return line_.lostReason(); }

private:
    Transport& line_;
};

struct Run {
    int status;
    std::string out;
    std::string err;
};

struct Cli {
    explicit Cli(sim::Line modules) : line(std::move(modules)) {}

    Run operator()(QStringList arguments) {
        std::ostringstream out;
        std::ostringstream err;
        StreamOutput results(out);
        Environment environment(dir.path(), results, err);
        environment.errIsTerminal = terminal;
        environment.stop = &stop;
        environment.reconnectPause = std::chrono::milliseconds(5);
        environment.writeReport = writeReport;
        environment.open = [this](const Endpoint&, int, std::chrono::milliseconds) {
            ++opens;
            if (line.lost()) {
                if (refusedOpens > 0) {
                    --refusedOpens;
                    return OpenedTransport{nullptr, "No such file or directory"};
                }
                line.replug();
            }
            return OpenedTransport{std::make_unique<Borrowed>(line), {}};
        };
        arguments =
            QStringList{"tc24-cli", "--timeout", QString::number(kTimeout.count())} + arguments;
        const int status = run(arguments, environment);
        return {status, out.str(), err.str()};
    }

    std::filesystem::path file(const std::string& name, const std::string& content) {
        const auto path = dir.path() / name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    testing::TempDir dir;
    FakeLine line;
    bool terminal = false;
    volatile std::sig_atomic_t stop = 0;
    int opens = 0;
    int refusedOpens = 0;  // openings that fail while the line is away
    // commission --report: the real writer needs a QGuiApplication, which these tests have not
    decltype(Environment::writeReport) writeReport = writeRecordReport;
};

}  // namespace tc24::cli
