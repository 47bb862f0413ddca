#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "link/control_names.h"

namespace tc24 {

// What the register decoder hands to the views beside the window (the trend, the CSV
// recording): the readings of one whole valid reply, placed in channels as the decoder
// placed them in the value boxes. Views take these instead of reading the boxes back.

// One value box after the reply.
struct ChannelReading {
    enum class State {
        NotFilled,  // the reply did not fill the box: it is still red
        NoReading,  // the register held 65535 (the box shows 0)
        Value,      // the box shows a temperature
    };
    State state = State::NotFilled;
    std::string text;                      // the box's text, for Value
    std::uint16_t registerValue = 0xFFFF;  // the register the reply gave the box
};

struct RegisterReading {
    std::optional<int> station;  // byte 0 of the reply: the module that answered
    std::array<ChannelReading, control::txtValue.size()> channels{};

    bool anyFilled() const {
        for (const auto& channel : channels) {
            if (channel.state != ChannelReading::State::NotFilled) {
                return true;
            }
        }
        return false;
    }
};

}  // namespace tc24
