// The module's frames, written out byte by byte as the module's documentation and the
// window's captured traffic show them; nothing here recomputes a CRC the way the code does.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <sstream>
#include <string>

#include "protocol/crc16.h"
#include "protocol/hex.h"
#include "protocol/replies.h"
#include "protocol/requests.h"
#include "protocol/temperature.h"

namespace tc24::protocol {
namespace {

Bytes hex(const std::string& text) {
    std::istringstream in(text);
    Bytes bytes;
    unsigned value = 0;
    while (in >> std::hex >> value) {
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

constexpr SerialNumber kSerial = {0x28, 0xFF, 0x6C, 0x32, 0xA1, 0x16, 0x04, 0x4D};

TEST(Crc16, MatchesThePublishedCheckValue) {
    const std::string check = "123456789";
    EXPECT_EQ(crc16Modbus({reinterpret_cast<const std::uint8_t*>(check.data()), check.size()}),
              0x4B37);
}

struct FrameCase {
    const char* name;
    std::function<Bytes()> build;
    const char* expected;
};

TEST(Requests, AreTheFramesTheModuleUnderstands) {
    const FrameCase cases[] = {
        {"all registers of station 1", [] { return registerReadRequest(1, 0, 24); },
         "01 03 00 00 00 18 45 C0"},
        {"all registers of station 2", [] { return registerReadRequest(2, 0, 24); },
         "02 03 00 00 00 18 45 F3"},
        {"one register", [] { return registerReadRequest(1, 0, 1); }, "01 03 00 00 00 01 84 0A"},
        {"start beyond the registers", [] { return registerReadRequest(1, 0x16, 3); },
         "01 03 00 16 00 03 E4 0F"},
        {"another function code", [] { return registerReadRequest(1, 0, 0, 0x41); },
         "01 41 00 00 00 00 3D C5"},
        {"address change", [] { return addressChangeRequest(1, 2); }, "01 06 0B 00 00 02 0A 2F"},
        {"address read", [] { return addressReadRequest(); }, "FA 25 02 00 00 01 99 FE"},
        {"sensor count", [] { return sensorCountRequest(); }, "FA 25 05 01 00 02 89 4B"},
        {"sensor count on the wire", [] { return withPadding(sensorCountRequest()); },
         "FA 25 05 01 00 02 89 4B 00"},
        {"sensor count of station 5 on the wire", [] { return withPadding(sensorCountRequest(5)); },
         "05 25 05 01 00 02 9D 44 00"},
        {"other frames need no padding", [] { return withPadding(addressReadRequest()); },
         "FA 25 02 00 00 01 99 FE"},
        {"identify position 1", [] { return identifyRequest(2, 1); }, "02 22 01 01 00 04 A8 01"},
        {"identify position 10", [] { return identifyRequest(2, 10); }, "02 22 01 0A 00 04 D9 C3"},
        {"identify position 24", [] { return identifyRequest(2, 24); }, "02 22 01 18 00 04 79 C6"},
        {"serial number of position 1", [] { return serialReadRequest(1, 1); },
         "01 23 01 01 00 08 95 F7"},
        {"serial number of position 5", [] { return serialReadRequest(2, 5); },
         "02 23 01 05 00 08 D4 05"},
        {"write a serial number",
         [] {
             return serialWriteRequest(2, 1, {0x28, 0xFF, 0x6C, 0x32, 0xA1, 0x16, 0x04, 0x5E});
         },
         "02 22 0C 01 28 FF 6C 32 A1 16 04 5E 8D 0B"},
        {"write the window's start-up boxes",
         [] {
             return serialWriteRequest(2, 1, {0x40, 0, 0, 0, 0, 0, 0, 0});
         },
         "02 22 0C 01 40 00 00 00 00 00 00 00 F4 22"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.build(), hex(c.expected)) << c.name;
    }
}

TEST(Replies, AreBuiltAsTheModuleSendsThem) {
    const std::uint16_t registers[] = {2534, 0xFFCE, 0xFFFF};
    const FrameCase cases[] = {
        {"three registers", [&] { return registerReply(1, registers); },
         "01 03 06 09 E6 FF CE FF FF 78 61"},
        {"address change, from the new address", [] { return addressChangeReply(2); },
         "02 06 0B 00 00 02 0A 1C"},
        {"address", [] { return addressReply(1); }, "01 25 02 00 01 72 CC"},
        {"sensor count", [] { return sensorCountReply(1, 3); }, "01 25 01 03 51 82"},
        {"serial number of a position",
         [] {
             return serialReply(1, {0x28, 0xFF, 0x4B, 0x12, 0x03, 0x16, 0x02, 0xF0}, 1);
         },
         "01 23 01 28 FF 4B 12 03 16 02 F0 01 41 BB"},
        {"empty position", [] { return serialReply(1, kNoSerialNumber, 3); },
         "01 23 01 FF FF FF FF FF FF FF FF 03 68 B1"},
        {"identified sensor",
         [] {
             return identifyReply(1, {0x28, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x01, 0x67});
         },
         "01 22 01 28 AA BB CC DD EE 01 67 B7 E4"},
        {"written serial number", [] { return serialWriteReply(1, kSerial); },
         "01 22 0C 28 FF 6C 32 A1 16 04 4D CB 6C"},
        {"exception: illegal data address", [] { return exceptionReply(1, 0x23, 0x02); },
         "01 A3 02 D9 31"},
        {"exception: device failure", [] { return exceptionReply(1, 0x22, 0x04); },
         "01 A2 04 58 A3"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.build(), hex(c.expected)) << c.name;
    }
}

TEST(ReplyParsers, ReadWhatAValidReplyCarries) {
    const auto registers =
        parseRegisterReply(hex("01 03 00 00 00 03 05 CB"), hex("01 03 06 09 E6 FF CE FF FF 78 61"));
    ASSERT_TRUE(registers && registers->valid());
    EXPECT_EQ(registers->value, (std::vector<std::uint16_t>{0x09E6, 0xFFCE, 0xFFFF}));

    const auto changed =
        parseAddressChangeReply(hex("01 06 0B 00 00 02 0A 2F"), hex("02 06 0B 00 00 02 0A 1C"));
    ASSERT_TRUE(changed && changed->valid());
    EXPECT_EQ(changed->value, 2);

    const auto address = parseAddressReply(addressReadRequest(), hex("07 25 02 00 07 7A CE"));
    ASSERT_TRUE(address && address->valid());
    EXPECT_EQ(address->value, 7);

    const auto count =
        parseSensorCountReply(withPadding(sensorCountRequest()), hex("01 25 01 03 51 82"));
    ASSERT_TRUE(count && count->valid());
    EXPECT_EQ(count->value, 3);

    const auto serial = parseSerialReply(hex("01 23 01 01 00 08 95 F7"),
                                         hex("01 23 01 28 FF 4B 12 03 16 02 F0 01 41 BB"));
    ASSERT_TRUE(serial && serial->valid());
    EXPECT_EQ(serial->value, (SerialNumber{0x28, 0xFF, 0x4B, 0x12, 0x03, 0x16, 0x02, 0xF0}));

    const auto identified = parseIdentifyReply(hex("01 22 01 05 00 04 E9 F3"),
                                               hex("01 22 01 28 AA BB CC DD EE 01 67 B7 E4"));
    ASSERT_TRUE(identified && identified->valid());
    EXPECT_EQ(identified->value, (SerialNumber{0x28, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x01, 0x67}));

    const auto written = parseSerialWriteReply(hex("01 22 0C 07 28 FF 6C 32 A1 16 04 4D E3 62"),
                                               hex("01 22 0C 28 FF 6C 32 A1 16 04 4D CB 6C"));
    ASSERT_TRUE(written && written->valid());
    EXPECT_EQ(written->value, kSerial);
}

// A verdict, or nullopt while the bytes are not yet a whole reply.
using Judge = std::function<std::optional<ReplyCheck>(const Bytes& request, const Bytes& reply)>;

template <typename Parser>
Judge judge(Parser parser) {
    return [parser](const Bytes& request, const Bytes& reply) -> std::optional<ReplyCheck> {
        const auto parsed = parser(request, reply);
        if (!parsed) {
            return std::nullopt;
        }
        return parsed->check;
    };
}

struct VerdictCase {
    const char* name;
    Judge parse;
    const char* request;
    const char* received;
    std::optional<ReplyVerdict> verdict;
    std::uint8_t exceptionCode = 0;
};

TEST(ReplyParsers, CheckStationFunctionLengthCrcAndContent) {
    const auto registers = judge(parseRegisterReply);
    const auto serial = judge(parseSerialReply);
    const auto written = judge(parseSerialWriteReply);
    const auto address = judge(parseAddressReply);
    const auto changed = judge(parseAddressChangeReply);
    const char* kReadThree = "01 03 00 00 00 03 05 CB";
    const char* kReadPosition1 = "01 23 01 01 00 08 95 F7";
    const char* kWrite = "01 22 0C 07 28 FF 6C 32 A1 16 04 4D E3 62";
    const VerdictCase cases[] = {
        {"one byte short: wait for more", registers, kReadThree, "01 03 06 09 E6 FF CE FF FF 78",
         std::nullopt},
        {"nothing yet", serial, kReadPosition1, "", std::nullopt},
        {"bytes after the reply are not looked at", registers, kReadThree,
         "01 03 06 09 E6 FF CE FF FF 78 61 00 13", ReplyVerdict::Valid},
        {"a changed byte", registers, kReadThree, "01 03 06 09 E7 FF CE FF FF 78 61",
         ReplyVerdict::CrcError},
        {"noise before the reply", registers, kReadThree, "00 01 03 06 09 E6 FF CE FF FF 78 61",
         ReplyVerdict::CrcError},
        {"another station", registers, kReadThree, "02 03 06 09 E6 FF CE FF FF 6C 91",
         ReplyVerdict::WrongStation},
        {"byte count not two per register", registers, "01 03 00 00 00 02 C4 0B",
         "01 03 06 09 E6 FF CE A1 FC", ReplyVerdict::Mismatch},
        {"illegal data address", registers, "01 03 00 16 00 03 E4 0F", "01 83 02 C0 F1",
         ReplyVerdict::Exception, 0x02},
        {"exception from another station", serial, kReadPosition1, "02 A3 02 29 31",
         ReplyVerdict::WrongStation},
        {"another position's serial number", serial, kReadPosition1,
         "01 23 01 FF FF FF FF FF FF FF FF 03 68 B1", ReplyVerdict::Mismatch},
        {"the module stored something else", written, kWrite,
         "01 22 0C 28 FF 6C 32 A1 16 04 4E 8B 6D", ReplyVerdict::Mismatch},
        {"a write answered as an identification", written, kWrite,
         "01 22 01 28 FF 6C 32 A1 16 04 4D 93 FC", ReplyVerdict::Mismatch},
        {"station 250 is answered by any module", address, "FA 25 02 00 00 01 99 FE",
         "01 25 02 00 01 72 CC", ReplyVerdict::Valid},
        {"two modules answering at once", address, "FA 25 02 00 00 01 99 FE",
         "03 25 02 00 03 76 CD", ReplyVerdict::CrcError},
        {"an address change answered from the old address", changed, "01 06 0B 00 00 02 0A 2F",
         "01 06 0B 00 00 02 0A 2F", ReplyVerdict::WrongStation},
        {"an address change refused by the old address", changed, "01 06 0B 00 00 FA 0B AD",
         "01 86 03 02 61", ReplyVerdict::Exception, 0x03},
    };
    for (const auto& c : cases) {
        const auto check = c.parse(hex(c.request), hex(c.received));
        ASSERT_EQ(check.has_value(), c.verdict.has_value()) << c.name;
        if (check) {
            EXPECT_EQ(check->verdict, *c.verdict) << c.name;
            EXPECT_EQ(check->exceptionCode, c.exceptionCode) << c.name;
        }
    }
}

TEST(HexText, SerialNumbersReadAsAListEntryHoldsThem) {
    const std::optional<SerialNumber> kAsWritten = kSerial;
    const struct {
        const char* text;
        std::optional<SerialNumber> expected;
    } cases[] = {
        {"28 FF 6C 32 A1 16 04 4D", kAsWritten},
        {"28 ff 6c 32 a1 16 4 4d", kAsWritten},         // either case, one digit
        {"28 FF 6C 32 A1 16 04 4D 99 zz", kAsWritten},  // fields after the eighth are ignored
        {"28 FF 6C 32 A1 16 04", std::nullopt},         // seven fields
        {"28  FF 6C 32 A1 16 04 4D", std::nullopt},     // two blanks: an empty field
        {"28 FF 6C 32 A1 16 04 100", std::nullopt},     // more than a byte
        {"28 FF 6C 32 A1 16 04 4G", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseSerialNumberText(c.text), c.expected) << c.text;
    }
}

TEST(Temperature, RegistersAreHundredthsWithANoReadingMark) {
    EXPECT_EQ(registerReading(0x09E6), 2534);
    EXPECT_EQ(registerReading(20000), 20000);
    EXPECT_EQ(registerReading(20001), -45535);  // above 20000 reads as negative
    EXPECT_EQ(registerReading(0xFFCE), -50);
    EXPECT_EQ(registerReading(0xFFFF), std::nullopt);
    EXPECT_EQ(centidegreesText(-45535), "-455.35");
    EXPECT_EQ(centidegreesText(-5), "-0.05");
    EXPECT_EQ(centidegreesText(0), "0.00");
}

}  // namespace
}  // namespace tc24::protocol
