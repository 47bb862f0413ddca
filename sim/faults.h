#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/byte_view.h"
#include "protocol/codes.h"

namespace tc24::sim {

// Line faults the simulator can inject into its replies.
enum class Fault {
    Drop,       // the reply is not sent
    Corrupt,    // one byte of the reply is changed
    Split,      // the reply leaves in two or three chunks with pauses between them
    Noise,      // a few random bytes before or after the reply
    Delay,      // the reply leaves late
    Exception,  // a MODBUS exception replaces the reply
    Vanish,     // the line goes away part-way through the reply and comes back later
};
inline constexpr std::size_t kFaultCount = 7;

const char* faultName(Fault fault);
inline constexpr std::array<Fault, kFaultCount> kAllFaults = {
    Fault::Drop,  Fault::Corrupt,   Fault::Split, Fault::Noise,
    Fault::Delay, Fault::Exception, Fault::Vanish};

// How often a fault strikes: with a probability per reply, or on every n-th reply.
struct FaultRate {
    double probability = 0.0;
    unsigned every = 0;

    bool enabled() const { return probability > 0.0 || every > 0; }
};

// "0.05" (a probability from 0 to 1) or "every:7" (every 7th reply).
std::optional<FaultRate> parseFaultRate(std::string_view text);

struct FaultSettings {
    std::array<FaultRate, kFaultCount> rates{};
    int splitPauseMs = 20;  // pause between the chunks of a split reply
    int delayMs = 500;      // extra wait before a delayed reply
    int vanishMs = 2000;    // how long the line stays away
    std::uint8_t exceptionCode = protocol::kDeviceBusy;

    FaultRate& rate(Fault fault) { return rates[static_cast<std::size_t>(fault)]; }
    const FaultRate& rate(Fault fault) const { return rates[static_cast<std::size_t>(fault)]; }
};

// The shortest gap between bytes after which a master takes a reply as ended. A split reply's
// pauses stay below it by default, so a well-behaved master waits for the whole reply rather
// than sending its next request into the rest of it.
inline constexpr int kMasterReplyGapMs = 30;
static_assert(FaultSettings{}.splitPauseMs < kMasterReplyGapMs);

// One piece of a reply on the wire, sent after an extra pause (on top of the turnaround
// and the byte times).
struct Chunk {
    int pauseMs = 0;
    Bytes bytes;
};

// What actually goes on the wire for one reply.
struct Transmission {
    int delayMs = 0;
    std::vector<Chunk> chunks;
    bool vanish = false;  // after the chunks the line goes away for vanishMs
    int vanishMs = 0;
    std::vector<Fault> faults;  // the faults applied, in the order applied

    Bytes bytes() const;  // all chunks joined
};

using FaultCounts = std::array<std::uint64_t, kFaultCount>;

// "drop=0 corrupt=2 split=0 noise=1 delay=0 exception=0 vanish=0".
std::string faultCountsText(const FaultCounts& counts);

class Line;

// A module fault rather than a line fault: the module confirms a serial-number write with the
// number it was sent, but stores one that differs in its last byte, as a failing memory
// would. Reading the position back catches it; the write's reply does not.
class Misstore {
public:
    explicit Misstore(FaultRate rate = {}, std::uint32_t seed = 1);

    // After the line carried out `request` and a module answered: when it was a serial-number
    // write and the fault strikes, changes what that module stored. True when it did.
    bool afterRequest(Line& line, std::span<const std::uint8_t> request);
    std::uint64_t count() const { return count_; }

private:
    FaultRate rate_;
    std::mt19937 rng_;
    std::uint64_t writes_ = 0;
    std::uint64_t count_ = 0;
};

class FaultInjector {
public:
    explicit FaultInjector(FaultSettings settings = {}, std::uint32_t seed = 1);

    // Decides the fate of one reply to the given request and counts the faults applied.
    Transmission apply(const Bytes& request, const Bytes& reply);

    const FaultCounts& counts() const { return counts_; }
    std::uint64_t count(Fault fault) const { return counts_[static_cast<std::size_t>(fault)]; }
    const FaultSettings& settings() const { return settings_; }

private:
    bool strikes(Fault fault);
    int randomInt(int low, int high);

    FaultSettings settings_;
    std::mt19937 rng_;
    std::uint64_t replies_ = 0;
    FaultCounts counts_{};
};

}  // namespace tc24::sim
