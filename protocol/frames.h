#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "protocol/codes.h"
#include "protocol/layout.h"
#include "protocol/translatable.h"

namespace tc24::protocol {

// What the frames on the line are: request lengths and kinds, the reply each request gets
// and the checks a received frame must pass (the reply verdicts). Shared by the
// communication log, the bus scan, the simulator and the command-line tool; the window's
// decoders do not use it and check nothing.

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
// Short name of a kind as marked for translation ("读寄存器").
const char* kindName(RequestKind kind);
// The request in the words of this module ("站 1 读寄存器 起始 0 数量 24"), in the language
// of `translator`.
std::string describeRequest(std::span<const std::uint8_t> request,
                            const Translator& translator = sourceLanguage());

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

}  // namespace tc24::protocol
