#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "protocol/byte_view.h"
#include "protocol/codes.h"
#include "protocol/layout.h"
#include "protocol/replies.h"
#include "protocol/requests.h"
#include "protocol/temperature.h"
#include "sim/serial_number.h"

namespace tc24::sim {

// The simulator speaks the module's protocol; its names are used here unqualified.
using namespace tc24::protocol;

// A sensor attached to the module's sensor bus.
struct Sensor {
    SerialNumber serial{};
    int baseCentidegrees = 2000;  // the temperature it drifts around
    int driftSixteenths = 0;      // current deviation, in the sensor's 1/16 degree steps

    // Reading in hundredths of a degree, within the range above. Never -1: that would read
    // as 65535, the "no reading" mark, so it is reported as 0.00 instead.
    int centidegrees() const;
};

// One 24-channel module: its bus address, the sensors on its sensor bus and the table that
// says which sensor belongs to which position.
class Module {
public:
    static constexpr int kPositions = protocol::kPositions;

    explicit Module(std::uint8_t address = 1);

    std::uint8_t address() const { return address_; }
    void setAddress(std::uint8_t address) { address_ = address; }

    // Sensor bus. Attaching a serial number that is already there replaces that sensor.
    void attach(const Sensor& sensor);
    const std::vector<Sensor>& sensors() const { return sensors_; }
    const Sensor* findSensor(const SerialNumber& serial) const;

    // Position table, positions 1 to 24; an empty position holds eight 0xFF bytes.
    const SerialNumber& assigned(int position) const;
    void assign(int position, const SerialNumber& serial);

    // Sensors on the bus that no position refers to.
    std::vector<SerialNumber> newSensors() const;

    // Register 0 to 23 (position 1 to 24): the reading of the position's sensor, or 65535
    // when the position is empty or its sensor is not on the bus.
    std::uint16_t registerValue(int index) const;

    // One step of slow drift: each sensor moves by at most one 1/16 degree step and stays
    // within maxSixteenths of its base temperature.
    void drift(std::mt19937& rng, int maxSixteenths);

    // True when a request to this station and function concerns this module: its own
    // address, a broadcast, or a module query (0x25) to station 250.
    bool listensTo(std::uint8_t station, std::uint8_t function) const;

    // Handles one request frame (CRC already checked). Returns the reply, or nothing when
    // the request is not for this module or was a broadcast.
    std::optional<Bytes> handle(std::span<const std::uint8_t> frame);

private:
    std::optional<Bytes> readRegisters(ByteView frame);
    std::optional<Bytes> writeRegister(ByteView frame, bool broadcast);
    std::optional<Bytes> assignSensor(ByteView frame);
    std::optional<Bytes> readSerial(ByteView frame);
    std::optional<Bytes> query(ByteView frame);
    Bytes exception(std::uint8_t function, std::uint8_t code) const;

    std::uint8_t address_;
    std::vector<Sensor> sensors_;
    std::array<SerialNumber, kPositions> table_;
};

}  // namespace tc24::sim
