#include "protocol/requests.h"

#include "protocol/crc16.h"
#include "protocol/frames.h"
#include "protocol/layout.h"

namespace tc24::protocol {

namespace {

std::uint8_t high(std::uint16_t word) {
    return static_cast<std::uint8_t>(word >> 8);
}
std::uint8_t low(std::uint16_t word) {
    return static_cast<std::uint8_t>(word & 0xFF);
}

}  // namespace

Bytes withCrc(Bytes body) {
    const auto trailer = crcTrailer(body);
    body.push_back(trailer.low);
    body.push_back(trailer.high);
    return body;
}

Bytes registerReadRequest(std::uint8_t station, std::uint16_t start, std::uint16_t count,
                          std::uint8_t function) {
    return withCrc({station, function, high(start), low(start), high(count), low(count)});
}

Bytes addressChangeRequest(std::uint8_t station, std::uint8_t newAddress) {
    return withCrc({station, kWriteSingleRegister, high(kAddressRegister), low(kAddressRegister),
                    0x00, newAddress});
}

Bytes addressReadRequest() {
    // Bytes 3 to 5 ask for one value.
    return withCrc({kAnyModuleStation, kModuleQuery, kQueryAddress, 0x00, 0x00, 0x01});
}

Bytes sensorCountRequest(std::uint8_t station) {
    return withCrc({station, kModuleQuery, kQuerySensorCount, 0x01, 0x00, 0x02});
}

Bytes identifyRequest(std::uint8_t station, std::uint8_t position) {
    // Bytes 4 and 5 ask for four registers: the serial number.
    return withCrc({station, kSensorAssign, kAssignIdentify, position, 0x00, 0x04});
}

Bytes serialReadRequest(std::uint8_t station, std::uint8_t position) {
    // Bytes 4 and 5 ask for eight bytes: the serial number.
    return withCrc({station, kReadSerial, kReadSerialOfPosition, position, 0x00, 0x08});
}

Bytes serialWriteRequest(std::uint8_t station, std::uint8_t position, const SerialNumber& serial) {
    Bytes body{station, kSensorAssign, kAssignWriteSerial, position};
    body.insert(body.end(), serial.begin(), serial.end());
    return withCrc(std::move(body));
}

Bytes withPadding(Bytes frame) {
    if (requestKind(frame) == RequestKind::SensorCount) {
        frame.insert(frame.end(), kSensorCountPadding, 0x00);
    }
    return frame;
}

}  // namespace tc24::protocol
