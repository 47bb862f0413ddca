#include "sim/module.h"

#include <algorithm>
#include <cmath>

#include "protocol/layout.h"
#include "protocol/replies.h"

namespace tc24::sim {

namespace {

bool validPosition(int position) {
    return position >= 1 && position <= Module::kPositions;
}

}  // namespace

int Sensor::centidegrees() const {
    const long value =
        baseCentidegrees + std::lround(static_cast<double>(driftSixteenths) * 100.0 / 16.0);
    const int clamped =
        static_cast<int>(std::clamp<long>(value, kLowestCentidegrees, kHighestCentidegrees));
    return clamped == -1 ? 0 : clamped;
}

Module::Module(std::uint8_t address) : address_(address) {
    table_.fill(kNoSerialNumber);
}

void Module::attach(const Sensor& sensor) {
    auto it = std::find_if(sensors_.begin(), sensors_.end(),
                           [&](const Sensor& s) { return s.serial == sensor.serial; });
    if (it != sensors_.end()) {
        *it = sensor;
    } else {
        sensors_.push_back(sensor);
    }
}

const Sensor* Module::findSensor(const SerialNumber& serial) const {
    auto it = std::find_if(sensors_.begin(), sensors_.end(),
                           [&](const Sensor& s) { return s.serial == serial; });
    return it == sensors_.end() ? nullptr : &*it;
}

const SerialNumber& Module::assigned(int position) const {
    return validPosition(position) ? table_[static_cast<std::size_t>(position - 1)]
                                   : kNoSerialNumber;
}

void Module::assign(int position, const SerialNumber& serial) {
    if (validPosition(position)) {
        table_[static_cast<std::size_t>(position - 1)] = serial;
    }
}

std::vector<SerialNumber> Module::newSensors() const {
    std::vector<SerialNumber> result;
    for (const Sensor& sensor : sensors_) {
        if (std::find(table_.begin(), table_.end(), sensor.serial) == table_.end()) {
            result.push_back(sensor.serial);
        }
    }
    return result;
}

std::uint16_t Module::registerValue(int index) const {
    if (index < 0 || index >= kPositions) {
        return kNoReading;
    }
    const SerialNumber& serial = table_[static_cast<std::size_t>(index)];
    if (serial == kNoSerialNumber) {
        return kNoReading;
    }
    const Sensor* sensor = findSensor(serial);
    if (sensor == nullptr) {
        return kNoReading;
    }
    return static_cast<std::uint16_t>(sensor->centidegrees() & 0xFFFF);
}

void Module::drift(std::mt19937& rng, int maxSixteenths) {
    std::uniform_int_distribution<int> step(0, 3);  // down, stay, stay, up
    for (Sensor& sensor : sensors_) {
        const int s = step(rng);
        const int delta = s == 0 ? -1 : (s == 3 ? 1 : 0);
        sensor.driftSixteenths =
            std::clamp(sensor.driftSixteenths + delta, -maxSixteenths, maxSixteenths);
    }
}

bool Module::listensTo(std::uint8_t station, std::uint8_t function) const {
    return station == address_ || station == kBroadcastStation ||
           (station == kAnyModuleStation && function == kModuleQuery);
}

std::optional<Bytes> Module::handle(std::span<const std::uint8_t> frame) {
    if (frame.size() < kShortestFrame) {
        return std::nullopt;
    }
    const std::uint8_t station = frame[kStationAt];
    const std::uint8_t function = frame[kFunctionAt];
    const bool broadcast = station == kBroadcastStation;
    if (!listensTo(station, function)) {
        return std::nullopt;
    }
    const ByteView request(frame);
    std::optional<Bytes> reply;
    switch (function) {
        case kReadHoldingRegisters:
            reply = readRegisters(request);
            break;
        case kWriteSingleRegister:
            reply = writeRegister(request, broadcast);
            break;
        case kSensorAssign:
            reply = assignSensor(request);
            break;
        case kReadSerial:
            reply = readSerial(request);
            break;
        case kModuleQuery:
            reply = query(request);
            break;
        default:
            reply = exception(function, kIllegalFunction);
            break;
    }
    if (broadcast) {
        return std::nullopt;
    }
    return reply;
}

Bytes Module::exception(std::uint8_t function, std::uint8_t code) const {
    return exceptionReply(address_, function, code);
}

std::optional<Bytes> Module::readRegisters(ByteView frame) {
    if (frame.size() != kShortRequestLength) {
        return exception(kReadHoldingRegisters, kIllegalDataValue);
    }
    const int start = *frame.word(kRegisterStartAt);
    const int count = *frame.word(kRegisterCountAt);
    if (count < 1 || count > kMaxRegistersPerRead) {
        return exception(kReadHoldingRegisters, kIllegalDataValue);
    }
    if (start + count > kPositions) {
        return exception(kReadHoldingRegisters, kIllegalDataAddress);
    }
    std::vector<std::uint16_t> registers;
    for (int i = start; i < start + count; ++i) {
        registers.push_back(registerValue(i));
    }
    return registerReply(address_, registers);
}

std::optional<Bytes> Module::writeRegister(ByteView frame, bool broadcast) {
    if (frame.size() != kShortRequestLength) {
        return exception(kWriteSingleRegister, kIllegalDataValue);
    }
    if (*frame.word(kWrittenRegisterAt) != kAddressRegister) {
        return exception(kWriteSingleRegister, kIllegalDataAddress);
    }
    const int value = *frame.word(kWrittenValueAt);
    if (value < kLowestStation || value > kHighestStation) {
        return exception(kWriteSingleRegister, kIllegalDataValue);
    }
    if (broadcast) {
        // Every module on the line would take the same address: a broadcast address change
        // is refused (silently, as broadcasts get no reply).
        return std::nullopt;
    }
    address_ = static_cast<std::uint8_t>(value);
    return addressChangeReply(address_);
}

std::optional<Bytes> Module::assignSensor(ByteView frame) {
    const std::uint8_t sub = *frame.at(kSubFunctionAt);
    if (sub == kAssignIdentify) {
        if (frame.size() != kShortRequestLength) {
            return exception(kSensorAssign, kIllegalDataValue);
        }
        const int position = *frame.at(kPositionAt);
        if (!validPosition(position)) {
            return exception(kSensorAssign, kIllegalDataAddress);
        }
        const auto candidates = newSensors();
        if (candidates.size() != 1) {
            // None attached, or several that the module cannot tell apart.
            return exception(kSensorAssign, kDeviceFailure);
        }
        assign(position, candidates.front());
        return identifyReply(address_, candidates.front());
    }
    if (sub == kAssignWriteSerial) {
        if (frame.size() != kSerialWriteRequestLength) {
            return exception(kSensorAssign, kIllegalDataValue);
        }
        const int position = *frame.at(kPositionAt);
        if (!validPosition(position)) {
            return exception(kSensorAssign, kIllegalDataAddress);
        }
        SerialNumber serial{};
        for (std::size_t i = 0; i < serial.size(); ++i) {
            serial[i] = *frame.at(kRequestSerialAt + i);
        }
        assign(position, serial);
        return serialWriteReply(address_, serial);
    }
    return exception(kSensorAssign, kIllegalFunction);
}

std::optional<Bytes> Module::readSerial(ByteView frame) {
    if (*frame.at(kSubFunctionAt) != kReadSerialOfPosition) {
        return exception(kReadSerial, kIllegalFunction);
    }
    if (frame.size() != kShortRequestLength) {
        return exception(kReadSerial, kIllegalDataValue);
    }
    const std::uint8_t position = *frame.at(kPositionAt);
    if (!validPosition(position)) {
        return exception(kReadSerial, kIllegalDataAddress);
    }
    return serialReply(address_, assigned(position), position);
}

std::optional<Bytes> Module::query(ByteView frame) {
    if (frame.size() != kShortRequestLength) {
        return exception(kModuleQuery, kIllegalDataValue);
    }
    const std::uint8_t sub = *frame.at(kSubFunctionAt);
    if (sub == kQueryAddress) {
        return addressReply(address_);
    }
    if (sub == kQuerySensorCount) {
        const auto count = static_cast<std::uint8_t>(std::min<std::size_t>(sensors_.size(), 255));
        return sensorCountReply(address_, count);
    }
    return exception(kModuleQuery, kIllegalFunction);
}

}  // namespace tc24::sim
