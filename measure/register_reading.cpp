#include "measure/register_reading.h"

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
    for (int i = 0; i < kValueBoxes; ++i) {
        const std::string name = valueBox(i);
        auto& channel = reading.channels[static_cast<std::size_t>(i)];
        if (window.ui.textColor(name) == TextColor::Red) {
            continue;
        }
        channel.state = ChannelReading::State::Value;
        channel.text = window.ui.text(name);
    }

    // The registers of 65535 in this reply, placed as decodeRegisterReply places them.
    long long box = 0;
    if (auto start = numbers::parse(window.ui.text("txtStartID"))) {
        box = firstBoxIndex(*start);
    }
    constexpr int kFirstRegister = protocol::kFirstRegisterAt;
    for (int i = kFirstRegister; i <= window.state.RecLength - 3; i += 2, ++box) {
        const auto value = reply.word(static_cast<std::size_t>(i));
        if (!value || box < 0 || box >= kValueBoxes) {
            continue;
        }
        auto& channel = reading.channels[static_cast<std::size_t>(box)];
        if (*value == protocol::kNoReading && channel.state == ChannelReading::State::Value) {
            channel.state = ChannelReading::State::NoReading;
            channel.text.clear();
        }
    }
    return reading;
}

}  // namespace tc24::measure
