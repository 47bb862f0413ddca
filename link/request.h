#pragma once

#include <cstdint>
#include <span>

#include "link/window.h"
#include "protocol/byte_view.h"

namespace tc24 {

// CRC-16 of bytes 0 … j of a request into the window state: HiByte takes the CRC's
// low-order byte and LoByte its high-order byte, the order in which frames carry them.
void Crc16(WindowState& state, std::span<const std::uint8_t> cmdstring, int j);

// After a request is built (protocol/requests.h): HiByte and LoByte take its CRC, as
// Crc16 over everything before the trailer leaves them.
void noteRequestCrc(WindowState& state, std::span<const std::uint8_t> frame);

// Paints the first `count` value boxes red: they wait for a value from the next reply.
void markBoxesWaiting(Window& window, int count);

// Before a request is built: waiting input is discarded and no receive event is raised
// until the request arms its own threshold.
void preparePortForRequest(SerialPort& port);

// Writes a request to the port and notes it as the one a reply now answers.
void writeRequest(Window& window, const Bytes& wire);

// The tail every request shares: echo the frame into CmdText and txtCommand, arm the
// receive threshold, and write the frame when the port is open (imgConnected in front),
// otherwise bring imgNotConnected to the front. `trailingZeros` extra 0x00 bytes follow the
// frame on the wire without being echoed (the sensor search sends one).
void echoArmAndWrite(Window& window, const Bytes& frame, int receiveThreshold,
                     std::size_t trailingZeros = 0);

}  // namespace tc24
