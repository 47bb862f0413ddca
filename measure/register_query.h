#pragma once

#include <cstdint>
#include <string>

#include "link/window.h"

namespace tc24::measure {

constexpr int kValueBoxes = 24;

// "单次": check the MODBUS fields, send the register read, expect 2 × N + 5 bytes.
void comDoOnce_Click(Window& window);

// Decoder for the register reply: register k goes to value box firstBoxIndex + k.
void decodeRegisterReply(Window& window, ByteView reply);

// Text of one register: hundredths of a degree with two decimals; values above 20000 are
// negative (two's complement). 65535 (no reading) is handled by the decoder.
std::string registerText(std::uint16_t registerValue);
// Hundredths of a degree as the boxes show them: two decimals, a minus sign when negative.
std::string hundredthsText(int hundredths);

// Box of the first register for a start address s (rounded down): 0 for s = 0, otherwise
// 2 × (s − 1), and 0 again when that lies beyond the last box.
long long firstBoxIndex(double startAddress);

}  // namespace tc24::measure
