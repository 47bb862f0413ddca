#include "protocol/frames.h"

#include "protocol/byte_view.h"
#include "protocol/crc16.h"
#include "protocol/hex.h"

namespace tc24::protocol {

namespace {

constexpr long kNeedMore = 0;
constexpr long kUnknown = -1;

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

std::string stationText(std::uint8_t station, const Translator& translator) {
    // Named first: lupdate takes translate(…) for Qt's own and would miss a mark inside it.
    constexpr const char* kBroadcast = TC24_TR("tc24", "广播");
    constexpr const char* kStation = TC24_TR("tc24", "站 %1");
    if (station == kBroadcastStation) {
        return translator.translate(kBroadcast);
    }
    return fillIn(translator.translate(kStation), {std::to_string(station)});
}

// True when a frame from `station` may answer `request` in the way `exception` says.
bool fromExpectedStation(std::span<const std::uint8_t> request, std::uint8_t station,
                         bool exception) {
    const ByteView view(request);
    const std::uint8_t asked = request[kStationAt];
    if (asked == kAnyModuleStation && request[kFunctionAt] == kModuleQuery) {
        return station != kBroadcastStation;  // every module answers with its own address
    }
    if (!exception && requestKind(request) == RequestKind::ChangeAddress) {
        // The module takes the new address at once and answers from it.
        return station == view.at(kNewAddressAt).value_or(asked);
    }
    return station == asked;
}

}  // namespace

long requestLength(std::span<const std::uint8_t> start) {
    if (start.size() < 2) {
        return kNeedMore;
    }
    constexpr auto kShort = static_cast<long>(kShortRequestLength);
    switch (start[kFunctionAt]) {
        case kReadCoils:  // the reads and the single writes: all eight bytes
        case kReadDiscreteInputs:
        case kReadHoldingRegisters:
        case kReadInputRegisters:
        case kWriteSingleCoil:
        case kWriteSingleRegister:
        case kReadSerial:
        case kModuleQuery:
            return kShort;
        case kSensorAssign:
            if (start.size() <= kSubFunctionAt) {
                return kNeedMore;
            }
            return start[kSubFunctionAt] == kAssignWriteSerial
                       ? static_cast<long>(kSerialWriteRequestLength)
                       : kShort;
        case kWriteMultipleCoils:  // station, function, start, count, byte count, data, CRC
        case kWriteMultipleRegisters: {
            constexpr std::size_t kByteCountAt = 6;
            if (start.size() <= kByteCountAt) {
                return kNeedMore;
            }
            return static_cast<long>(kByteCountAt + 1 + kCrcBytes) +
                   static_cast<long>(start[kByteCountAt]);
        }
        default:
            return kUnknown;
    }
}

RequestKind requestKind(std::span<const std::uint8_t> request) {
    const ByteView view(requestFrame(request));
    const auto function = view.at(kFunctionAt);
    if (!function || view.size() < kShortestFrame) {
        return RequestKind::Other;
    }
    const auto sub = view.at(kSubFunctionAt).value_or(0);
    switch (*function) {
        case kReadHoldingRegisters:
            return RequestKind::ReadRegisters;
        case kWriteSingleRegister:
            return view.word(kWrittenRegisterAt) == kAddressRegister ? RequestKind::ChangeAddress
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
            return sub == kReadSerialOfPosition ? RequestKind::ReadSerialNumber
                                                : RequestKind::Other;
        default:
            return RequestKind::Other;
    }
}

const char* kindName(RequestKind kind) {
    switch (kind) {
        case RequestKind::ReadRegisters:
            return TC24_TR("tc24", "读寄存器");
        case RequestKind::ChangeAddress:
            return TC24_TR("tc24", "改地址");
        case RequestKind::ReadAddress:
            return TC24_TR("tc24", "读地址");
        case RequestKind::SensorCount:
            return TC24_TR("tc24", "传感器数量");
        case RequestKind::Identify:
            return TC24_TR("tc24", "识别传感器");
        case RequestKind::ReadSerialNumber:
            return TC24_TR("tc24", "读序列号");
        case RequestKind::WriteSerialNumber:
            return TC24_TR("tc24", "写序列号");
        case RequestKind::Other:
            break;
    }
    return TC24_TR("tc24", "其他");
}

std::string describeRequest(std::span<const std::uint8_t> request, const Translator& translator) {
    if (request.empty()) {
        return {};
    }
    const auto frame = requestFrame(request);
    const std::string station = stationText(request[kStationAt], translator);
    const auto words = [&translator](const char* pattern,
                                     std::initializer_list<std::string_view> values) {
        return fillIn(translator.translate(pattern), values);
    };
    if (frame.size() < kShortestFrame) {
        return words(TC24_TR("tc24", "%1 不完整的请求"), {station});
    }
    const ByteView view(frame);
    const auto number = [](std::optional<std::uint16_t> value) {
        return std::to_string(value.value_or(0));
    };
    const std::string position = std::to_string(view.at(kPositionAt).value_or(0));
    switch (requestKind(frame)) {
        case RequestKind::ReadRegisters:
            return words(TC24_TR("tc24", "%1 读寄存器 起始 %2 数量 %3"),
                         {station, number(view.word(kRegisterStartAt)),
                          number(view.word(kRegisterCountAt))});
        case RequestKind::ChangeAddress:
            return words(TC24_TR("tc24", "%1 改地址为 %2"),
                         {station, number(view.word(kWrittenValueAt))});
        case RequestKind::ReadAddress:
            return words(TC24_TR("tc24", "%1 读地址"), {station});
        case RequestKind::SensorCount:
            return words(TC24_TR("tc24", "%1 读传感器数量"), {station});
        case RequestKind::Identify:
            return words(TC24_TR("tc24", "%1 识别新传感器到位置 %2"), {station, position});
        case RequestKind::ReadSerialNumber:
            return words(TC24_TR("tc24", "%1 读位置 %2 的序列号"), {station, position});
        case RequestKind::WriteSerialNumber:
            return words(
                TC24_TR("tc24", "%1 写序列号 %2 到位置 %3"),
                {station, serialNumberText(frame.subspan(kRequestSerialAt, kSerialNumberBytes)),
                 position});
        case RequestKind::Other:
            break;
    }
    return words(TC24_TR("tc24", "%1 功能码 %2"), {station, FormatHex(frame[kFunctionAt])});
}

std::optional<std::size_t> expectedReplyLength(std::span<const std::uint8_t> request) {
    const auto frame = requestFrame(request);
    const ByteView view(frame);
    if (view.size() < kShortestFrame || frame[kStationAt] == kBroadcastStation) {
        return std::nullopt;
    }
    // The standard functions: a read answers its count of bits or registers after a byte
    // count, a write repeats the first six bytes of its request.
    constexpr std::size_t kStandardReplyOverhead = 5;  // station, function, byte count, CRC
    constexpr std::size_t kWriteReplyLength = 8;
    const std::size_t count = view.word(kRegisterCountAt).value_or(0);
    const auto sub = frame[kSubFunctionAt];
    switch (frame[kFunctionAt]) {
        case kReadCoils:
        case kReadDiscreteInputs:
            return kStandardReplyOverhead + (count + 7) / 8;
        case kReadHoldingRegisters:
        case kReadInputRegisters:
            return registerReplyLength(count);
        case kWriteSingleCoil:
        case kWriteSingleRegister:
        case kWriteMultipleCoils:
        case kWriteMultipleRegisters:
            return kWriteReplyLength;
        case kSensorAssign:
            if (sub == kAssignIdentify || sub == kAssignWriteSerial) {
                return kSensorAssignReplyLength;
            }
            return std::nullopt;
        case kReadSerial:
            return kSerialReplyLength;
        case kModuleQuery:
            if (sub == kQueryAddress) {
                return kAddressReplyLength;
            }
            if (sub == kQuerySensorCount) {
                return kSensorCountReplyLength;
            }
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

std::optional<std::uint8_t> exceptionCode(std::span<const std::uint8_t> frame,
                                          std::uint8_t function) {
    if (frame.size() <= kExceptionCodeAt || (function & kExceptionFlag) != 0 ||
        frame[kFunctionAt] != (function | kExceptionFlag)) {
        return std::nullopt;
    }
    return frame[kExceptionCodeAt];
}

std::optional<ReplyCheck> checkReply(std::span<const std::uint8_t> request,
                                     std::span<const std::uint8_t> received) {
    if (request.size() <= kFunctionAt || received.size() <= kFunctionAt) {
        return std::nullopt;
    }
    const std::uint8_t function = request[kFunctionAt];
    if (const auto code = exceptionCode(received, function)) {
        if (received.size() < kExceptionReplyLength) {
            return std::nullopt;
        }
        const auto frame = received.first(kExceptionReplyLength);
        if (!hasValidCrc(frame)) {
            return ReplyCheck{ReplyVerdict::CrcError, frame.size()};
        }
        if (!fromExpectedStation(request, frame[kStationAt], true)) {
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
    if (!fromExpectedStation(request, frame[kStationAt], false)) {
        return ReplyCheck{ReplyVerdict::WrongStation, frame.size()};
    }
    if (frame[kFunctionAt] != function) {
        return ReplyCheck{ReplyVerdict::Mismatch, frame.size()};
    }
    return ReplyCheck{ReplyVerdict::Valid, frame.size()};
}

std::optional<ReplyCheck> checkWholeReply(std::span<const std::uint8_t> request,
                                          std::span<const std::uint8_t> received) {
    if (request.size() <= kFunctionAt || received.size() < kShortestFrame ||
        !hasValidCrc(received)) {
        return std::nullopt;
    }
    const std::uint8_t function = request[kFunctionAt];
    const auto code = exceptionCode(received, function);
    const bool exception = code && received.size() == kExceptionReplyLength;
    if (!fromExpectedStation(request, received[kStationAt], exception)) {
        return ReplyCheck{ReplyVerdict::WrongStation, received.size()};
    }
    if (exception) {
        return ReplyCheck{ReplyVerdict::Exception, received.size(), *code};
    }
    if (received[kFunctionAt] != function) {
        return ReplyCheck{ReplyVerdict::Mismatch, received.size()};
    }
    return ReplyCheck{ReplyVerdict::Valid, received.size()};
}

}  // namespace tc24::protocol
