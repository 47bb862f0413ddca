#pragma once

#include <array>
#include <optional>
#include <string>

#include "link/window.h"
#include "measure/register_query.h"

namespace tc24::measure {

// One value box after a register reply was decoded.
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

// What the 24 value boxes show after a register reply, and who sent it.
struct RegisterReading {
    std::optional<int> station;  // byte 0 of the reply: the module that answered
    std::array<ChannelReading, kValueBoxes> channels{};
    bool anyFilled() const;
};

// Reads the boxes as the decoder left them, with the registers the reply gave them (the same
// register-to-box mapping as the decoder). A box counts as filled when this reply gave it a
// register and the decoder painted it; a register of 65535 is told apart from a real 0.00.
// Call right after the decoder ran on `reply`.
RegisterReading readRegisterReading(const Window& window, ByteView reply);

}  // namespace tc24::measure
