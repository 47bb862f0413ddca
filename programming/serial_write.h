#pragma once

#include "link/window.h"

namespace tc24::programming {

// Writes the eight txtSenseSn boxes into the position in txtObjSensorid. Returns false,
// having sent nothing, when a field cannot be turned into its byte.
bool SendSerialNumber(Window& window);

void cmdFirst_Click(Window& window);
void cmdWriteNext_Click(Window& window);
void cmdWriteAllSn_Click(Window& window);
void cmdStopWrite_Click(Window& window);
void Timer3_Timer(Window& window);

// Decoder of the write confirmation (bytes 3 … 10 echo the serial number, byte 3 = 0x28).
void decodeWriteReply(Window& window, ByteView reply);

}  // namespace tc24::programming
