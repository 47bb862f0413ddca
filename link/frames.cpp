#include "link/frames.h"

#include "link/byte_view.h"
#include "link/crc16.h"
#include "link/hex.h"

namespace tc24::frames {

namespace {

constexpr long kNeedMore = 0;
constexpr long kUnknown = -1;
constexpr std::size_t kShortestFrame = 4;  // station, function, two CRC bytes
constexpr std::size_t kSerialBytes = 8;

// The request's own bytes, without anything sent after it (the sensor count's pad byte);
// empty when the request is shorter than its layout.
std::span<const std::uint8_t> requestFrame(std::span<const std::uint8_t> request) {
    const long length = requestLength(request);
    if (length == kUnknown) {
        return request;
    }
    if (length <= 0 || static_cast<std::size_t>(length) > request.size()) {
        return {};
    }
    return request.first(static_cast<std::size_t>(length));
}

std::string stationText(std::uint8_t station) {
    if (station == kBroadcastStation) {
        return "广播";
    }
    return "站 " + std::to_string(station);
}

// True when a frame from `station` may answer `request` in the way `exception` says.
bool fromExpectedStation(std::span<const std::uint8_t> request, std::uint8_t station,
                         bool exception) {
    const ByteView view(request);
    const std::uint8_t asked = request[0];
    if (asked == kAnyModuleStation && request[1] == kModuleQuery) {
        return station != kBroadcastStation;  // every module answers with its own address
    }
    if (!exception && requestKind(request) == RequestKind::ChangeAddress) {
        // The module takes the new address at once and answers from it.
        return station == view.at(5).value_or(asked);
    }
    return station == asked;
}

}  // namespace

long requestLength(std::span<const std::uint8_t> start) {
    if (start.size() < 2) {
        return kNeedMore;
    }
    switch (start[1]) {
        case 0x01:  // read coils, discrete inputs, holding and input registers,
        case 0x02:  // write single coil and register: all eight bytes
        case kReadHoldingRegisters:
        case 0x04:
        case 0x05:
        case kWriteSingleRegister:
        case kReadSerial:
        case kModuleQuery:
            return 8;
        case kSensorAssign:
            if (start.size() < 3) {
                return kNeedMore;
            }
            return start[2] == kAssignWriteSerial ? 14 : 8;
        case 0x0F:  // write multiple coils and registers: byte count at index 6
        case 0x10:
            if (start.size() < 7) {
                return kNeedMore;
            }
            return 9 + static_cast<long>(start[6]);
        default:
            return kUnknown;
    }
}

RequestKind requestKind(std::span<const std::uint8_t> request) {
    const ByteView view(requestFrame(request));
    const auto function = view.at(1);
    if (!function || view.size() < kShortestFrame) {
        return RequestKind::Other;
    }
    const auto sub = view.at(2).value_or(0);
    switch (*function) {
        case kReadHoldingRegisters:
            return RequestKind::ReadRegisters;
        case kWriteSingleRegister:
            return view.word(2) == kAddressRegister ? RequestKind::ChangeAddress
                                                    : RequestKind::Other;
        case kModuleQuery:
            return sub == kQueryAddress       ? RequestKind::ReadAddress
                   : sub == kQuerySensorCount ? RequestKind::SensorCount
                                              : RequestKind::Other;
        case kSensorAssign:
            return sub == kAssignIdentify      ? RequestKind::Identify
                   : sub == kAssignWriteSerial ? RequestKind::WriteSerialNumber
                                               : RequestKind::Other;
        case kReadSerial:
            return sub == 0x01 ? RequestKind::ReadSerialNumber : RequestKind::Other;
        default:
            return RequestKind::Other;
    }
}

const char* kindName(RequestKind kind) {
    switch (kind) {
        case RequestKind::ReadRegisters:
            return "读寄存器";
        case RequestKind::ChangeAddress:
            return "改地址";
        case RequestKind::ReadAddress:
            return "读地址";
        case RequestKind::SensorCount:
            return "传感器数量";
        case RequestKind::Identify:
            return "识别传感器";
        case RequestKind::ReadSerialNumber:
            return "读序列号";
        case RequestKind::WriteSerialNumber:
            return "写序列号";
        case RequestKind::Other:
            break;
    }
    return "其他";
}

std::string describeRequest(std::span<const std::uint8_t> request) {
    if (request.empty()) {
        return {};
    }
    const auto frame = requestFrame(request);
    const std::string station = stationText(request[0]);
    if (frame.size() < kShortestFrame) {
        return station + " 不完整的请求";
    }
    const ByteView view(frame);
    const auto number = [](std::optional<std::uint16_t> value) {
        return std::to_string(value.value_or(0));
    };
    const std::string position = std::to_string(view.at(3).value_or(0));
    switch (requestKind(frame)) {
        case RequestKind::ReadRegisters:
            return station + " 读寄存器 起始 " + number(view.word(2)) + " 数量 " +
                   number(view.word(4));
        case RequestKind::ChangeAddress:
            return station + " 改地址为 " + number(view.word(4));
        case RequestKind::ReadAddress:
            return station + " 读地址";
        case RequestKind::SensorCount:
            return station + " 读传感器数量";
        case RequestKind::Identify:
            return station + " 识别新传感器到位置 " + position;
        case RequestKind::ReadSerialNumber:
            return station + " 读位置 " + position + " 的序列号";
        case RequestKind::WriteSerialNumber:
            return station + " 写序列号 " + serialNumberText(frame.subspan(4, kSerialBytes)) +
                   " 到位置 " + position;
        case RequestKind::Other:
            break;
    }
    return station + " 功能码 " + FormatHex(frame[1]);
}

std::optional<std::size_t> expectedReplyLength(std::span<const std::uint8_t> request) {
    const auto frame = requestFrame(request);
    const ByteView view(frame);
    if (view.size() < kShortestFrame || frame[0] == kBroadcastStation) {
        return std::nullopt;
    }
    const std::size_t count = view.word(4).value_or(0);
    switch (frame[1]) {
        case 0x01:
        case 0x02:
            return 5 + (count + 7) / 8;
        case kReadHoldingRegisters:
        case 0x04:
            return 5 + 2 * count;
        case 0x05:
        case kWriteSingleRegister:
        case 0x0F:
        case 0x10:
            return 8;
        case kSensorAssign:
            if (frame[2] == kAssignIdentify || frame[2] == kAssignWriteSerial) {
                return 13;
            }
            return std::nullopt;
        case kReadSerial:
            return 14;
        case kModuleQuery:
            if (frame[2] == kQueryAddress) {
                return 7;
            }
            if (frame[2] == kQuerySensorCount) {
                return 6;
            }
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

std::optional<std::uint8_t> exceptionCode(std::span<const std::uint8_t> frame,
                                          std::uint8_t function) {
    if (frame.size() < 3 || (function & kExceptionFlag) != 0 ||
        frame[1] != (function | kExceptionFlag)) {
        return std::nullopt;
    }
    return frame[2];
}

std::optional<ReplyCheck> checkReply(std::span<const std::uint8_t> request,
                                     std::span<const std::uint8_t> received) {
    if (request.size() < 2 || received.size() < 2) {
        return std::nullopt;
    }
    const std::uint8_t function = request[1];
    if (const auto code = exceptionCode(received, function)) {
        if (received.size() < kExceptionReplyLength) {
            return std::nullopt;
        }
        const auto frame = received.first(kExceptionReplyLength);
        if (!hasValidCrc(frame)) {
            return ReplyCheck{ReplyVerdict::CrcError, frame.size()};
        }
        if (!fromExpectedStation(request, frame[0], true)) {
            return ReplyCheck{ReplyVerdict::WrongStation, frame.size()};
        }
        return ReplyCheck{ReplyVerdict::Exception, frame.size(), *code};
    }
    const auto length = expectedReplyLength(request);
    if (!length || received.size() < *length) {
        return std::nullopt;
    }
    const auto frame = received.first(*length);
    if (!hasValidCrc(frame)) {
        return ReplyCheck{ReplyVerdict::CrcError, frame.size()};
    }
    if (!fromExpectedStation(request, frame[0], false)) {
        return ReplyCheck{ReplyVerdict::WrongStation, frame.size()};
    }
    if (frame[1] != function) {
        return ReplyCheck{ReplyVerdict::Mismatch, frame.size()};
    }
    return ReplyCheck{ReplyVerdict::Valid, frame.size()};
}

std::optional<ReplyCheck> checkWholeReply(std::span<const std::uint8_t> request,
                                          std::span<const std::uint8_t> received) {
    if (request.size() < 2 || received.size() < kShortestFrame || !hasValidCrc(received)) {
        return std::nullopt;
    }
    const std::uint8_t function = request[1];
    const auto code = exceptionCode(received, function);
    const bool exception = code && received.size() == kExceptionReplyLength;
    if (!fromExpectedStation(request, received[0], exception)) {
        return ReplyCheck{ReplyVerdict::WrongStation, received.size()};
    }
    if (exception) {
        return ReplyCheck{ReplyVerdict::Exception, received.size(), *code};
    }
    if (received[1] != function) {
        return ReplyCheck{ReplyVerdict::Mismatch, received.size()};
    }
    return ReplyCheck{ReplyVerdict::Valid, received.size()};
}

}  // namespace tc24::frames
