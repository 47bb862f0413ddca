#pragma once

#include <cstddef>

namespace tc24::protocol {

// Where each field of the module's frames lies (0-based byte positions). Requests are built
// in requests.cpp and replies read in replies.cpp from these positions; the window's decoders
// read the same positions without any check.

// Every frame: station, function, …, CRC-16 low-order byte, CRC-16 high-order byte.
inline constexpr std::size_t kStationAt = 0;
inline constexpr std::size_t kFunctionAt = 1;
inline constexpr std::size_t kSubFunctionAt = 2;  // of the functions 0x22, 0x23 and 0x25
inline constexpr std::size_t kCrcBytes = 2;
// Station, function and the CRC: the shortest frame there is.
inline constexpr std::size_t kShortestFrame = 4;
// Every request of the module but the serial-number write.
inline constexpr std::size_t kShortRequestLength = 8;

// Register read.
//   request  station, 03, start (high, low), count (high, low), CRC
//   reply    station, 03, byte count (2 × count), registers (high byte first), CRC
inline constexpr std::size_t kRegisterStartAt = 2;
inline constexpr std::size_t kRegisterCountAt = 4;
inline constexpr std::size_t kRegisterByteCountAt = 2;
inline constexpr std::size_t kFirstRegisterAt = 3;
inline constexpr std::size_t registerReplyLength(std::size_t count) {
    return kFirstRegisterAt + 2 * count + kCrcBytes;
}

// Address change: a write of the new address into the address register.
//   request  station, 06, 0B, 00, new address (high, low), CRC
//   reply    the same six bytes, from the new address, CRC
inline constexpr std::size_t kWrittenRegisterAt = 2;
inline constexpr std::size_t kWrittenValueAt = 4;
inline constexpr std::size_t kNewAddressAt = 5;  // the low byte of the value
inline constexpr std::size_t kAddressChangeReplyLength = 8;

// Address read.
//   request  FA, 25, 02, 00, 00, 01, CRC
//   reply    address, 25, 02, 00, address, CRC
inline constexpr std::size_t kAddressReplyLength = 7;

// Sensor count.
//   request  FA, 25, 05, 01, 00, 02, CRC, and one 00 byte after the CRC
//   reply    address, 25, 01, count, CRC
inline constexpr std::size_t kSensorCountPadding = 1;
inline constexpr std::size_t kSensorCountAt = 3;
inline constexpr std::size_t kSensorCountReplyLength = 6;

// Serial number of a position, identification of a new sensor, serial-number write.
//   read request       station, 23, 01, position, 00, 08, CRC
//   read reply         station, 23, 01, serial number (8 bytes), position, CRC
//   identify request   station, 22, 01, position, 00, 04, CRC
//   identify reply     station, 22, 01, serial number, CRC
//   write request      station, 22, 0C, position, serial number, CRC
//   write reply        station, 22, 0C, serial number, CRC
inline constexpr std::size_t kPositionAt = 3;              // in the requests
inline constexpr std::size_t kRequestSerialAt = 4;         // in the write request
inline constexpr std::size_t kReplySerialAt = 3;           // in the three replies
inline constexpr std::size_t kSerialReplyPositionAt = 11;  // in the read reply
inline constexpr std::size_t kSerialReplyLength = 14;
inline constexpr std::size_t kSerialWriteRequestLength = 14;
inline constexpr std::size_t kSensorAssignReplyLength = 13;  // identify and write replies

// Exception reply: station, function | 0x80, exception code, CRC.
inline constexpr std::size_t kExceptionCodeAt = 2;
inline constexpr std::size_t kExceptionReplyLength = 5;

}  // namespace tc24::protocol
