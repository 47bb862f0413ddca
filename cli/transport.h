#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "cli/endpoint.h"
#include "protocol/byte_view.h"

namespace tc24::cli {

using Clock = std::chrono::steady_clock;

// The line to the modules: a serial port, or a TCP connection to a serial device server that
// carries the RTU frames unchanged.
class Transport {
public:
    virtual ~Transport() = default;

    // Throws away whatever has arrived and not been taken.
    virtual void discardInput() = 0;
    // False when the line is gone (lostReason() says why).
    virtual bool send(std::span<const std::uint8_t> bytes) = 0;
    // Appends what arrives, returning once bytes came or `deadline` passed. False when the line
    // is gone.
    virtual bool receive(Bytes& into, Clock::time_point deadline) = 0;
    // Why the line is gone, as a whole sentence ("the device went away (unplugged?): …").
    virtual std::string lostReason() const = 0;
};

struct OpenedTransport {
    std::unique_ptr<Transport> transport;  // null when the line cannot be opened
    std::string error;                     // then the system's reason
};

// Opens a serial device at `baud` (8N1, no flow control) or connects to a TCP endpoint within
// `timeout`.
OpenedTransport openTransport(const Endpoint& endpoint, int baud,
                              std::chrono::milliseconds timeout);

}  // namespace tc24::cli
