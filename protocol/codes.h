#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tc24::protocol {

// The numbers of the module's MODBUS RTU dialect: stations, function codes, sub-functions,
// exception codes and what a register holds. The byte layout of each frame is in
// requests.h and replies.h.

// Station numbers with a meaning of their own.
inline constexpr std::uint8_t kBroadcastStation = 0;  // carried out by every module, no reply
inline constexpr std::uint8_t kLowestStation = 1;     // addresses a module can be given
inline constexpr std::uint8_t kHighestStation = 249;
// One above the highest address: every module on the line answers the module queries
// (function 0x25) sent here, each from its own address.
inline constexpr std::uint8_t kAnyModuleStation = 250;
// MODBUS allows slaves 1 to 247; a scan of "every station" covers those.
inline constexpr std::uint8_t kHighestModbusStation = 247;

// Function codes of the module.
inline constexpr std::uint8_t kReadHoldingRegisters = 0x03;
inline constexpr std::uint8_t kWriteSingleRegister = 0x06;  // only the address register
inline constexpr std::uint8_t kSensorAssign = 0x22;         // sub-functions below
inline constexpr std::uint8_t kReadSerial = 0x23;
inline constexpr std::uint8_t kModuleQuery = 0x25;  // sub-functions below

// Sub-functions (byte 2 of the request).
inline constexpr std::uint8_t kAssignIdentify = 0x01;        // 0x22: take the new sensor
inline constexpr std::uint8_t kAssignWriteSerial = 0x0C;     // 0x22: store a serial number
inline constexpr std::uint8_t kReadSerialOfPosition = 0x01;  // 0x23
inline constexpr std::uint8_t kQueryAddress = 0x02;          // 0x25 request
inline constexpr std::uint8_t kQuerySensorCount = 0x05;      // 0x25 request
inline constexpr std::uint8_t kSensorCountAnswer = 0x01;     // 0x25 reply to the count

// The register that holds the module's address (function 0x06 writes it).
inline constexpr std::uint16_t kAddressRegister = 0x0B00;

// Standard MODBUS function codes that other devices on a line may use; only their frame
// lengths matter here.
inline constexpr std::uint8_t kReadCoils = 0x01;
inline constexpr std::uint8_t kReadDiscreteInputs = 0x02;
inline constexpr std::uint8_t kReadInputRegisters = 0x04;
inline constexpr std::uint8_t kWriteSingleCoil = 0x05;
inline constexpr std::uint8_t kWriteMultipleCoils = 0x0F;
inline constexpr std::uint8_t kWriteMultipleRegisters = 0x10;

// An exception reply carries the function code with this bit set.
inline constexpr std::uint8_t kExceptionFlag = 0x80;

// MODBUS exception codes.
inline constexpr std::uint8_t kIllegalFunction = 0x01;
inline constexpr std::uint8_t kIllegalDataAddress = 0x02;
inline constexpr std::uint8_t kIllegalDataValue = 0x03;
inline constexpr std::uint8_t kDeviceFailure = 0x04;
inline constexpr std::uint8_t kDeviceBusy = 0x06;

// Sensor positions (channels) 1 to 24; register 0 holds position 1.
inline constexpr int kPositions = 24;
inline constexpr int kFirstPosition = 1;
// The most registers one read may ask for (MODBUS limit).
inline constexpr int kMaxRegistersPerRead = 125;

// A sensor's 64-bit serial number, first byte first: family code, six id bytes, 1-Wire CRC-8.
inline constexpr std::size_t kSerialNumberBytes = 8;
using SerialNumber = std::array<std::uint8_t, kSerialNumberBytes>;
// Family code of the module's sensors, the first byte of every real serial number.
inline constexpr std::uint8_t kSensorFamily = 0x28;
// What an empty position holds: eight 0xFF bytes.
inline constexpr SerialNumber kNoSerialNumber = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

}  // namespace tc24::protocol
