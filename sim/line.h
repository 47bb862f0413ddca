#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "protocol/byte_view.h"
#include "sim/module.h"

namespace tc24::sim {

// What became of one request frame on the line.
enum class Outcome {
    BadCrc,      // ignored: the CRC does not match
    NoListener,  // ignored: no module has that station address
    Silent,      // acted on without a reply (broadcast, or a refused broadcast)
    Answered,    // exactly one module replied
    Garbled,     // several modules replied at once; the line carries a mix of their replies
};

const char* outcomeName(Outcome outcome);

struct LineAnswer {
    Outcome outcome = Outcome::NoListener;
    Bytes reply;  // empty unless Answered or Garbled
    bool addressChanged = false;
};

// Modules sharing one serial line. Every module sees every request; when several answer,
// their replies collide.
class Line {
public:
    explicit Line(std::vector<Module> modules);

    std::vector<Module>& modules() { return modules_; }
    const std::vector<Module>& modules() const { return modules_; }

    LineAnswer handle(std::span<const std::uint8_t> frame);

private:
    std::vector<Module> modules_;
};

// The bytes the master sees when several modules transmit at once: the bitwise OR of their
// replies, as long as the longest. Such a mix never carries a valid CRC.
Bytes collide(const std::vector<Bytes>& replies);

}  // namespace tc24::sim
