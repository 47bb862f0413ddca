#include "sim/faults.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "protocol/frames.h"
#include "protocol/layout.h"
#include "protocol/replies.h"
#include "sim/line.h"
#include "sim/module.h"

namespace tc24::sim {

const char* faultName(Fault fault) {
    switch (fault) {
        case Fault::Drop:
            return "drop";
        case Fault::Corrupt:
            return "corrupt";
        case Fault::Split:
            return "split";
        case Fault::Noise:
            return "noise";
        case Fault::Delay:
            return "delay";
        case Fault::Exception:
            return "exception";
        case Fault::Vanish:
            return "vanish";
    }
    return "?";
}

std::optional<FaultRate> parseFaultRate(std::string_view text) {
    FaultRate rate;
    constexpr std::string_view kEvery = "every:";
    if (text.substr(0, kEvery.size()) == kEvery) {
        const std::string_view digits = text.substr(kEvery.size());
        unsigned n = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
        if (error != std::errc{} || end != digits.data() + digits.size() || n == 0) {
            return std::nullopt;
        }
        rate.every = n;
        return rate;
    }
    if (text.empty()) {
        return std::nullopt;
    }
    const std::string copy(text);
    char* end = nullptr;
    const double p = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !(p >= 0.0 && p <= 1.0)) {
        return std::nullopt;
    }
    rate.probability = p;
    return rate;
}

Bytes Transmission::bytes() const {
    Bytes all;
    for (const Chunk& chunk : chunks) {
        all.insert(all.end(), chunk.bytes.begin(), chunk.bytes.end());
    }
    return all;
}

std::string faultCountsText(const FaultCounts& counts) {
    std::string text;
    for (Fault fault : kAllFaults) {
        if (!text.empty()) {
            text += ' ';
        }
        text += faultName(fault);
        text += '=';
        text += std::to_string(counts[static_cast<std::size_t>(fault)]);
    }
    return text;
}

Misstore::Misstore(FaultRate rate, std::uint32_t seed) : rate_(rate), rng_(seed) {}

bool Misstore::afterRequest(Line& line, std::span<const std::uint8_t> request) {
    if (!rate_.enabled() || requestKind(request) != RequestKind::WriteSerialNumber) {
        return false;
    }
    ++writes_;
    const bool strikes = (rate_.every > 0 && writes_ % rate_.every == 0) ||
                         (rate_.probability > 0.0 && std::uniform_real_distribution<double>(
                                                         0.0, 1.0)(rng_) < rate_.probability);
    if (!strikes) {
        return false;
    }
    const int position = request[kPositionAt];
    for (Module& module : line.modules()) {
        if (module.address() == request[kStationAt]) {
            SerialNumber stored = module.assigned(position);
            stored.back() ^= 0x01;
            module.assign(position, stored);
            ++count_;
            return true;
        }
    }
    return false;
}

FaultInjector::FaultInjector(FaultSettings settings, std::uint32_t seed)
    : settings_(settings), rng_(seed) {}

int FaultInjector::randomInt(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng_);
}

bool FaultInjector::strikes(Fault fault) {
    const FaultRate& rate = settings_.rate(fault);
    if (rate.every > 0 && replies_ % rate.every == 0) {
        return true;
    }
    if (rate.probability > 0.0) {
        return std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < rate.probability;
    }
    return false;
}

Transmission FaultInjector::apply(const Bytes& request, const Bytes& reply) {
    ++replies_;
    Transmission out;
    Bytes bytes = reply;
    auto note = [&](Fault fault) {
        out.faults.push_back(fault);
        ++counts_[static_cast<std::size_t>(fault)];
    };

    if (strikes(Fault::Vanish)) {
        note(Fault::Vanish);
        const int sent = bytes.empty() ? 0 : randomInt(0, static_cast<int>(bytes.size()) - 1);
        if (sent > 0) {
            out.chunks.push_back({0, Bytes(bytes.begin(), bytes.begin() + sent)});
        }
        out.vanish = true;
        out.vanishMs = settings_.vanishMs;
        return out;
    }
    if (strikes(Fault::Drop)) {
        note(Fault::Drop);
        return out;
    }
    if (strikes(Fault::Exception) && request.size() >= 2 && !bytes.empty()) {
        note(Fault::Exception);
        bytes = exceptionReply(bytes[kStationAt], request[kFunctionAt], settings_.exceptionCode);
    }
    if (strikes(Fault::Corrupt) && !bytes.empty()) {
        note(Fault::Corrupt);
        const auto index =
            static_cast<std::size_t>(randomInt(0, static_cast<int>(bytes.size()) - 1));
        bytes[index] ^= static_cast<std::uint8_t>(randomInt(1, 255));
    }
    if (strikes(Fault::Noise)) {
        note(Fault::Noise);
        Bytes noise(static_cast<std::size_t>(randomInt(1, 4)));
        for (auto& b : noise) {
            b = static_cast<std::uint8_t>(randomInt(0, 255));
        }
        if (randomInt(0, 1) == 0) {
            bytes.insert(bytes.begin(), noise.begin(), noise.end());
        } else {
            bytes.insert(bytes.end(), noise.begin(), noise.end());
        }
    }
    if (strikes(Fault::Split) && bytes.size() >= 2) {
        note(Fault::Split);
        const int pieces = std::min(randomInt(2, 3), static_cast<int>(bytes.size()));
        std::vector<int> cuts;
        while (static_cast<int>(cuts.size()) < pieces - 1) {
            const int cut = randomInt(1, static_cast<int>(bytes.size()) - 1);
            if (std::find(cuts.begin(), cuts.end(), cut) == cuts.end()) {
                cuts.push_back(cut);
            }
        }
        std::sort(cuts.begin(), cuts.end());
        cuts.push_back(static_cast<int>(bytes.size()));
        int from = 0;
        for (int cut : cuts) {
            out.chunks.push_back({from == 0 ? 0 : settings_.splitPauseMs,
                                  Bytes(bytes.begin() + from, bytes.begin() + cut)});
            from = cut;
        }
    } else {
        out.chunks.push_back({0, bytes});
    }
    if (strikes(Fault::Delay)) {
        note(Fault::Delay);
        out.delayMs = settings_.delayMs;
    }
    return out;
}

}  // namespace tc24::sim
