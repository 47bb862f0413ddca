#include "sim/collisions.h"

#include <algorithm>

namespace tc24::sim {

void CollisionWatch::replyScheduled(Clock::time_point lastByte) {
    lastByte_ = lastByte_ ? std::max(*lastByte_, lastByte) : lastByte;
}

std::optional<CollisionWatch::Clock::duration> CollisionWatch::requestArrived(
    Clock::time_point start) {
    if (!lastByte_ || start >= *lastByte_ + silence_) {
        return std::nullopt;
    }
    ++count_;
    return *lastByte_ - start;
}

CollisionWatch::Clock::duration frameSilence(int baud) {
    return std::chrono::duration_cast<CollisionWatch::Clock::duration>(
        std::chrono::duration<double>(35.0 / baud));
}

}  // namespace tc24::sim
