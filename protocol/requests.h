#pragma once

#include <cstdint>

#include "protocol/byte_view.h"
#include "protocol/codes.h"

namespace tc24::protocol {

// The module's seven requests, each a complete frame with its CRC (layouts in layout.h).

// `function` is 0x03 unless an operator asks for another (the window lets them).
Bytes registerReadRequest(std::uint8_t station, std::uint16_t start, std::uint16_t count,
                          std::uint8_t function = kReadHoldingRegisters);
Bytes addressChangeRequest(std::uint8_t station, std::uint8_t newAddress);
// Always FA 25 02 00 00 01 99 FE.
Bytes addressReadRequest();
// The frame alone; on the wire kSensorCountPadding zero bytes follow it (withPadding). At
// kAnyModuleStation every module answers; at its own address, one module.
Bytes sensorCountRequest(std::uint8_t station = kAnyModuleStation);
Bytes identifyRequest(std::uint8_t station, std::uint8_t position);
Bytes serialReadRequest(std::uint8_t station, std::uint8_t position);
Bytes serialWriteRequest(std::uint8_t station, std::uint8_t position, const SerialNumber& serial);

// The sensor count frame followed by the zero byte the module expects after it; any other
// frame unchanged.
Bytes withPadding(Bytes frame);

// Appends the CRC-16/MODBUS of everything in `body`, low-order byte first.
Bytes withCrc(Bytes body);

}  // namespace tc24::protocol
