#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "protocol/byte_view.h"
#include "protocol/codes.h"
#include "protocol/frames.h"

namespace tc24::protocol {

// The module's replies (layouts in layout.h): built by the simulator, read strictly by
// anything that must know whether a request was carried out. The window's decoders do not
// use the parsers; they read fixed positions and check nothing.

Bytes registerReply(std::uint8_t station, std::span<const std::uint16_t> registers);
// The module answers an address change from its new address.
Bytes addressChangeReply(std::uint8_t newAddress);
Bytes addressReply(std::uint8_t address);
Bytes sensorCountReply(std::uint8_t address, std::uint8_t count);
Bytes serialReply(std::uint8_t station, const SerialNumber& serial, std::uint8_t position);
Bytes identifyReply(std::uint8_t station, const SerialNumber& serial);
Bytes serialWriteReply(std::uint8_t station, const SerialNumber& serial);
Bytes exceptionReply(std::uint8_t station, std::uint8_t function, std::uint8_t code);

// A reply judged against its request. `value` is meaningful only when the verdict is Valid:
// the CRC is right, the station and function are the ones asked, it is no exception, and its
// content answers the request (byte count, sub-function, the position or number echoed).
// Content that does not is a Mismatch.
template <typename Value>
struct Parsed {
    ReplyCheck check;
    Value value{};

    bool valid() const { return check.verdict == ReplyVerdict::Valid; }
};

// Each parser takes the request sent and the bytes received since, from the first; nullopt
// while they are fewer than the reply needs. Bytes after the reply are not looked at.
std::optional<Parsed<std::vector<std::uint16_t>>> parseRegisterReply(
    std::span<const std::uint8_t> request, std::span<const std::uint8_t> received);
// The address the module now answers at.
std::optional<Parsed<std::uint8_t>> parseAddressChangeReply(std::span<const std::uint8_t> request,
                                                            std::span<const std::uint8_t> received);
// The address of the module that answered.
std::optional<Parsed<std::uint8_t>> parseAddressReply(std::span<const std::uint8_t> request,
                                                      std::span<const std::uint8_t> received);
std::optional<Parsed<std::uint8_t>> parseSensorCountReply(std::span<const std::uint8_t> request,
                                                          std::span<const std::uint8_t> received);
std::optional<Parsed<SerialNumber>> parseSerialReply(std::span<const std::uint8_t> request,
                                                     std::span<const std::uint8_t> received);
// The serial number of the sensor the module took into the position.
std::optional<Parsed<SerialNumber>> parseIdentifyReply(std::span<const std::uint8_t> request,
                                                       std::span<const std::uint8_t> received);
// The serial number the module echoes; a Mismatch unless it is the one sent.
std::optional<Parsed<SerialNumber>> parseSerialWriteReply(std::span<const std::uint8_t> request,
                                                          std::span<const std::uint8_t> received);

}  // namespace tc24::protocol
