#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tc24::frames {

// What this module's frames look like on the line: request lengths, the reply each request
// gets and the checks a received frame must pass. Shared by the communication log, the bus
// scan and the simulator; the window's decoders do not use it and check nothing.

// Station numbers with a meaning of their own.
inline constexpr std::uint8_t kBroadcastStation = 0;
inline constexpr std::uint8_t kAnyModuleStation = 250;  // answered by every module (function 0x25)
inline constexpr std::uint8_t kLowestStation = 1;
inline constexpr std::uint8_t kHighestStation = 249;

// Function codes and sub-functions of the module.
inline constexpr std::uint8_t kReadHoldingRegisters = 0x03;
inline constexpr std::uint8_t kWriteSingleRegister = 0x06;
inline constexpr std::uint8_t kSensorAssign = 0x22;
inline constexpr std::uint8_t kAssignIdentify = 0x01;
inline constexpr std::uint8_t kAssignWriteSerial = 0x0C;
inline constexpr std::uint8_t kReadSerial = 0x23;
inline constexpr std::uint8_t kModuleQuery = 0x25;
inline constexpr std::uint8_t kQueryAddress = 0x02;
inline constexpr std::uint8_t kQuerySensorCount = 0x05;
inline constexpr std::uint16_t kAddressRegister = 0x0B00;  // function 6 target for the address

// An exception reply: station, function | 0x80, code, two CRC bytes.
inline constexpr std::uint8_t kExceptionFlag = 0x80;
inline constexpr std::size_t kExceptionReplyLength = 5;

// Length of a request from its first bytes: 0 when more bytes are needed to tell, -1 when
// the function code has no layout known here.
long requestLength(std::span<const std::uint8_t> start);

enum class RequestKind {
    ReadRegisters,
    ChangeAddress,
    ReadAddress,
    SensorCount,
    Identify,
    ReadSerialNumber,
    WriteSerialNumber,
    Other,
};
inline constexpr int kRequestKinds = 8;

RequestKind requestKind(std::span<const std::uint8_t> request);
// Short name of a kind, in the window's language ("读寄存器").
const char* kindName(RequestKind kind);
// The request in the words of this module ("站 1 读寄存器 起始 0 数量 24").
std::string describeRequest(std::span<const std::uint8_t> request);

// Length of the reply a module gives when it carries the request out; nullopt when no reply
// is due (a broadcast) or the layout is not known here.
std::optional<std::size_t> expectedReplyLength(std::span<const std::uint8_t> request);

// The exception code when `frame` starts like an exception reply to `function`.
std::optional<std::uint8_t> exceptionCode(std::span<const std::uint8_t> frame,
                                          std::uint8_t function);

enum class ReplyVerdict {
    Valid,         // CRC correct, from the station asked, the function asked
    CrcError,      // complete length, CRC wrong
    Exception,     // a correct exception reply from the station asked
    WrongStation,  // CRC correct, another station
    Mismatch,      // CRC correct, the station asked, but not a reply to this function
};

struct ReplyCheck {
    ReplyVerdict verdict;
    std::size_t length;              // bytes of the received data the frame takes
    std::uint8_t exceptionCode = 0;  // for ReplyVerdict::Exception
};

// Judges the bytes received so far after `request`: nullopt while they do not yet make a
// frame of the expected length (or, for an unknown layout, cannot be judged by length).
std::optional<ReplyCheck> checkReply(std::span<const std::uint8_t> request,
                                     std::span<const std::uint8_t> received);

// For requests whose reply length is not known: a frame that ends where the data ends,
// judged by its CRC and station; nullopt when the data cannot be a frame.
std::optional<ReplyCheck> checkWholeReply(std::span<const std::uint8_t> request,
                                          std::span<const std::uint8_t> received);

}  // namespace tc24::frames
