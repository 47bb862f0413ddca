#include "sim/line.h"

#include <algorithm>

#include "protocol/crc16.h"
#include "protocol/layout.h"

namespace tc24::sim {

const char* outcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::BadCrc:
            return "ignored (bad CRC)";
        case Outcome::NoListener:
            return "ignored (no module at that station)";
        case Outcome::Silent:
            return "no reply (broadcast)";
        case Outcome::Answered:
            return "answered";
        case Outcome::Garbled:
            return "garbled (several modules answered)";
    }
    return "?";
}

Line::Line(std::vector<Module> modules) : modules_(std::move(modules)) {}

LineAnswer Line::handle(std::span<const std::uint8_t> frame) {
    LineAnswer answer;
    if (frame.size() < kShortestFrame || !hasValidCrc(frame)) {
        answer.outcome = Outcome::BadCrc;
        return answer;
    }
    const std::uint8_t station = frame[0];
    std::vector<Bytes> replies;
    bool listened = false;
    for (Module& module : modules_) {
        const std::uint8_t before = module.address();
        listened = listened || module.listensTo(station, frame[1]);
        if (auto reply = module.handle(frame)) {
            replies.push_back(std::move(*reply));
        }
        answer.addressChanged = answer.addressChanged || module.address() != before;
    }
    if (replies.size() == 1) {
        answer.outcome = Outcome::Answered;
        answer.reply = std::move(replies.front());
    } else if (replies.size() > 1) {
        answer.outcome = Outcome::Garbled;
        answer.reply = collide(replies);
    } else {
        answer.outcome = listened ? Outcome::Silent : Outcome::NoListener;
    }
    return answer;
}

Bytes collide(const std::vector<Bytes>& replies) {
    Bytes mix;
    for (const Bytes& reply : replies) {
        if (reply.size() > mix.size()) {
            mix.resize(reply.size(), 0);
        }
        for (std::size_t i = 0; i < reply.size(); ++i) {
            mix[i] |= reply[i];
        }
    }
    if (mix.size() >= 3 && hasValidCrc(mix)) {
        // Identical replies sent at once still interfere on a real line.
        mix.back() ^= 0xFF;
    }
    return mix;
}

}  // namespace tc24::sim
