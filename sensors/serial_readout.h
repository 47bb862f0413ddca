#pragma once

#include <cstdint>

#include "link/window.h"

namespace tc24::sensors {

// "读单个" (and each Timer6 tick): read the serial number of the position in txtSensorid2
// and advance the field; past the data-length limit the sequence finishes.
void cmdReadSensorID_Click(Window& window);
// "读全部": read positions 1 upwards, one per second.
void cmdReadSNAll_Click(Window& window);
// "保存序列号": write the list of read serial numbers to a text file.
void cmdSaveSn_Click(Window& window);
// The operator typed into txtSensorid2: the save counts from the field again, not from the
// end of a read-all.
void txtSensorid2_Edited(Window& window);
void Timer6_Timer(Window& window);

// Builds and writes the read request for one position.
void ReadSensorID(Window& window, std::int16_t Sensorid);

// Decoder of the serial-number reply: bytes 3 … 10 are the serial number.
void decodeSerialNumberReply(Window& window, ByteView reply);

}  // namespace tc24::sensors
