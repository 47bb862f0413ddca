#pragma once

#include "link/window.h"

namespace tc24::address {

// "读地址": ask whoever is on the line (station 250) for its address.
void cmdReadAdd_Click(Window& window);
// "执行": change the module's address from txtSetID_0 to txtSetID_1 (1 … 249).
void cmdChangeID_Click(Window& window);

// Decoder of both replies: byte 0 is the address of the module that answered.
void decodeAddressReply(Window& window, ByteView reply);

}  // namespace tc24::address
