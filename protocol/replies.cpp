#include "protocol/replies.h"

#include <algorithm>

#include "protocol/layout.h"
#include "protocol/requests.h"

namespace tc24::protocol {

namespace {

void appendSerial(Bytes& frame, const SerialNumber& serial) {
    frame.insert(frame.end(), serial.begin(), serial.end());
}

SerialNumber serialAt(ByteView frame, std::size_t first) {
    SerialNumber serial{};
    for (std::size_t i = 0; i < serial.size(); ++i) {
        serial[i] = frame.at(first + i).value_or(0);
    }
    return serial;
}

// The common checks; on a Valid frame `read` judges the content and fills the value. It
// returns false when the content does not answer the request.
template <typename Value, typename Read>
std::optional<Parsed<Value>> parse(std::span<const std::uint8_t> request,
                                   std::span<const std::uint8_t> received, Read read) {
    const auto check = checkReply(request, received);
    if (!check) {
        return std::nullopt;
    }
    Parsed<Value> parsed{*check, {}};
    if (parsed.valid() &&
        !read(ByteView(request), ByteView(received.first(check->length)), parsed.value)) {
        parsed.check.verdict = ReplyVerdict::Mismatch;
    }
    return parsed;
}

}  // namespace

Bytes registerReply(std::uint8_t station, std::span<const std::uint16_t> registers) {
    Bytes reply{station, kReadHoldingRegisters, static_cast<std::uint8_t>(2 * registers.size())};
    for (const std::uint16_t value : registers) {
        reply.push_back(static_cast<std::uint8_t>(value >> 8));
        reply.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    return withCrc(std::move(reply));
}

Bytes addressChangeReply(std::uint8_t newAddress) {
    return addressChangeRequest(newAddress, newAddress);  // the request echoed
}

Bytes addressReply(std::uint8_t address) {
    return withCrc({address, kModuleQuery, kQueryAddress, 0x00, address});
}

Bytes sensorCountReply(std::uint8_t address, std::uint8_t count) {
    return withCrc({address, kModuleQuery, kSensorCountAnswer, count});
}

Bytes serialReply(std::uint8_t station, const SerialNumber& serial, std::uint8_t position) {
    Bytes reply{station, kReadSerial, kReadSerialOfPosition};
    appendSerial(reply, serial);
    reply.push_back(position);
    return withCrc(std::move(reply));
}

Bytes identifyReply(std::uint8_t station, const SerialNumber& serial) {
    Bytes reply{station, kSensorAssign, kAssignIdentify};
    appendSerial(reply, serial);
    return withCrc(std::move(reply));
}

Bytes serialWriteReply(std::uint8_t station, const SerialNumber& serial) {
    Bytes reply{station, kSensorAssign, kAssignWriteSerial};
    appendSerial(reply, serial);
    return withCrc(std::move(reply));
}

Bytes exceptionReply(std::uint8_t station, std::uint8_t function, std::uint8_t code) {
    return withCrc({station, static_cast<std::uint8_t>(function | kExceptionFlag), code});
}

std::optional<Parsed<std::vector<std::uint16_t>>> parseRegisterReply(
    std::span<const std::uint8_t> request, std::span<const std::uint8_t> received) {
    return parse<std::vector<std::uint16_t>>(
        request, received, [](ByteView asked, ByteView reply, std::vector<std::uint16_t>& values) {
            const std::size_t count = asked.word(kRegisterCountAt).value_or(0);
            if (reply.at(kRegisterByteCountAt) != 2 * count) {
                return false;
            }
            for (std::size_t i = 0; i < count; ++i) {
                values.push_back(reply.word(kFirstRegisterAt + 2 * i).value_or(0));
            }
            return true;
        });
}

std::optional<Parsed<std::uint8_t>> parseAddressChangeReply(
    std::span<const std::uint8_t> request, std::span<const std::uint8_t> received) {
    return parse<std::uint8_t>(
        request, received, [](ByteView asked, ByteView reply, std::uint8_t& address) {
            // The module repeats the register and the value it wrote.
            if (reply.word(kWrittenRegisterAt) != asked.word(kWrittenRegisterAt) ||
                reply.word(kWrittenValueAt) != asked.word(kWrittenValueAt)) {
                return false;
            }
            address = reply.at(kStationAt).value_or(0);
            return true;
        });
}

std::optional<Parsed<std::uint8_t>> parseAddressReply(std::span<const std::uint8_t> request,
                                                      std::span<const std::uint8_t> received) {
    return parse<std::uint8_t>(request, received,
                               [](ByteView, ByteView reply, std::uint8_t& address) {
                                   if (reply.at(kSubFunctionAt) != kQueryAddress) {
                                       return false;
                                   }
                                   address = reply.at(kStationAt).value_or(0);
                                   return true;
                               });
}

std::optional<Parsed<std::uint8_t>> parseSensorCountReply(std::span<const std::uint8_t> request,
                                                          std::span<const std::uint8_t> received) {
    return parse<std::uint8_t>(request, received,
                               [](ByteView, ByteView reply, std::uint8_t& count) {
                                   if (reply.at(kSubFunctionAt) != kSensorCountAnswer) {
                                       return false;
                                   }
                                   count = reply.at(kSensorCountAt).value_or(0);
                                   return true;
                               });
}

std::optional<Parsed<SerialNumber>> parseSerialReply(std::span<const std::uint8_t> request,
                                                     std::span<const std::uint8_t> received) {
    return parse<SerialNumber>(request, received,
                               [](ByteView asked, ByteView reply, SerialNumber& serial) {
                                   if (reply.at(kSubFunctionAt) != kReadSerialOfPosition ||
                                       reply.at(kSerialReplyPositionAt) != asked.at(kPositionAt)) {
                                       return false;
                                   }
                                   serial = serialAt(reply, kReplySerialAt);
                                   return true;
                               });
}

std::optional<Parsed<SerialNumber>> parseIdentifyReply(std::span<const std::uint8_t> request,
                                                       std::span<const std::uint8_t> received) {
    return parse<SerialNumber>(request, received,
                               [](ByteView, ByteView reply, SerialNumber& serial) {
                                   if (reply.at(kSubFunctionAt) != kAssignIdentify) {
                                       return false;
                                   }
                                   serial = serialAt(reply, kReplySerialAt);
                                   return true;
                               });
}

std::optional<Parsed<SerialNumber>> parseSerialWriteReply(std::span<const std::uint8_t> request,
                                                          std::span<const std::uint8_t> received) {
    return parse<SerialNumber>(request, received,
                               [](ByteView asked, ByteView reply, SerialNumber& serial) {
                                   serial = serialAt(reply, kReplySerialAt);
                                   return reply.at(kSubFunctionAt) == kAssignWriteSerial &&
                                          serial == serialAt(asked, kRequestSerialAt);
                               });
}

}  // namespace tc24::protocol
