#pragma once

#include <cstdint>
#include <span>

#include "link/byte_view.h"
#include "link/window.h"

namespace tc24 {

// CRC-16 of bytes 0 … j of a request into the window state: HiByte takes the CRC's
// low-order byte and LoByte its high-order byte, the order in which frames carry them.
void Crc16(WindowState& state, std::span<const std::uint8_t> cmdstring, int j);

// Appends the CRC-16 of everything in `frame` (low-order byte first) via Crc16.
void appendCrc(WindowState& state, Bytes& frame);

// Before a request is built: waiting input is discarded and no receive event is raised
// until the request arms its own threshold.
void preparePortForRequest(SerialPort& port);

// The tail every request shares: echo the frame into CmdText and txtCommand, arm the
// receive threshold, and write the frame when the port is open (imgConnected in front),
// otherwise bring imgNotConnected to the front. `trailingZeros` extra 0x00 bytes follow the
// frame on the wire without being echoed (the sensor search sends one).
void echoArmAndWrite(Window& window, const Bytes& frame, int receiveThreshold,
                     std::size_t trailingZeros = 0);

}  // namespace tc24
