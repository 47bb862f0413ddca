#pragma once

#include "link/window.h"

namespace tc24::sensors {

// "自动搜索": ask the module how many sensors it has found.
void cmdAutoSearch_Click(Window& window);
// "识别": take the one new sensor into the position in txtSensorReadID.
void cmdAutoInput_Click(Window& window);

// Decoder of the search reply (byte 1 = 0x25, byte 2 = 0x01, byte 3 = count).
void decodeSearchReply(Window& window, ByteView reply);
// Decoder of the identification reply (bytes 3 … 10 = serial number, byte 3 = 0x28).
void decodeIdentifyReply(Window& window, ByteView reply);

}  // namespace tc24::sensors
