#pragma once

#include <cstdint>
#include <optional>
#include <variant>

#include "protocol/codes.h"

namespace tc24 {

// What the window's own operations learnt about the module, as the decoders hand it to the
// views beside the window (the commissioning record) next to the register readings: only for
// a whole, CRC-valid reply to the request written last, once, and only for the station in
// txtStationID (link/taken_replies.h). Views take these instead of reading the text pane back.

// "读地址": the module on the line answered the query at station 250 from its address.
struct AddressAnswered {
    int address = 0;
};

// "执行": the module took the new address and answered from it. The old address is the
// station the change was sent to; none when it went to every module (station 0).
struct AddressChanged {
    std::optional<int> oldAddress;
    int newAddress = 0;
};

// "自动搜索": the sensor count the module reports.
struct SensorCountAnswered {
    int station = 0;
    int count = 0;
};

// "识别": the module took the one new sensor on its bus into the position.
struct SensorIdentified {
    int station = 0;
    int position = 0;
    protocol::SerialNumber serial{};
};

// "读单个" / "读全部": the serial number stored for a position; eight 0xFF bytes: no sensor.
struct SerialNumberRead {
    int station = 0;
    int position = 0;
    protocol::SerialNumber serial{};
};

// A serial number written into a position and confirmed by the module's echo. Whether the
// module keeps it shows only in a read of that position afterwards.
struct SerialNumberWritten {
    int station = 0;
    int position = 0;
    protocol::SerialNumber serial{};
};

// A register query went on the line ("单次", or a tick of cyclic polling): `request` is its
// number in SentRequest. A poll that gets no register reading before the next request is a
// failed reading.
struct PollSent {
    int station = 0;
    std::uint64_t request = 0;
};

using ModuleObservation =
    std::variant<AddressAnswered, AddressChanged, SensorCountAnswered, SensorIdentified,
                 SerialNumberRead, SerialNumberWritten, PollSent>;

}  // namespace tc24
