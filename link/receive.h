#pragma once

#include "link/window.h"

namespace tc24 {

// The serial port's event handler: count the event, take the waiting bytes, show them,
// hand them to the decoder of the pending operation and mark the link alive. It never
// reassembles, checks or times out: whatever arrives is decoded as the reply to the most
// recent request.
void MSComm1_OnComm(Window& window);

// Adds 1 to RecCount (stopping at its maximum) and shows it in lblErrCounter: once per
// serial event, and once per channel that answers without a reading.
void addToRecCount(Window& window);

}  // namespace tc24
