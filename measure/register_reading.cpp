#include "measure/register_reading.h"

#include "link/control_names.h"
#include "link/numbers.h"
#include "protocol/layout.h"
#include "protocol/temperature.h"

namespace tc24::measure {

bool RegisterReading::anyFilled() const {
    for (const auto& channel : channels) {
        if (channel.state != ChannelReading::State::NotFilled) {
            return true;
        }
    }
    return false;
}

RegisterReading readRegisterReading(const Window& window, ByteView reply) {
    RegisterReading reading;
    if (const auto station = reply.at(protocol::kStationAt)) {
        reading.station = *station;
    }
    // The registers of this reply, placed as decodeRegisterReply places them.
    long long box = 0;
    if (auto start = numbers::parse(window.ui.text(control::txtStartID))) {
        box = firstBoxIndex(*start);
    }
    for (int i = protocol::kFirstRegisterAt; i <= window.state.RecLength - 3; i += 2, ++box) {
        const auto value = reply.word(static_cast<std::size_t>(i));
        if (!value || box < 0 || box >= kValueBoxes) {
            continue;
        }
        const char* name = control::txtValue[static_cast<std::size_t>(box)];
        if (window.ui.textColor(name) == TextColor::Red) {
            continue;
        }
        auto& channel = reading.channels[static_cast<std::size_t>(box)];
        channel.registerValue = *value;
        if (*value == protocol::kNoReading) {
            channel.state = ChannelReading::State::NoReading;
        } else {
            channel.state = ChannelReading::State::Value;
            channel.text = window.ui.text(name);
        }
    }
    return reading;
}

}  // namespace tc24::measure
