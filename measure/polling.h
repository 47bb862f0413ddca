#pragma once

#include "link/window.h"

namespace tc24::measure {

// "循环": reset the counters, check the interval (50 … 60000 ms) and start Timer2.
void cmdOneM_Click(Window& window);
// "停止": stop Timer2; a reply already on its way is still decoded.
void cmdStopOnce_Click(Window& window);
// One poll: count it in lblCounter and run the single query while the port is ready.
void Timer2_Timer(Window& window);

}  // namespace tc24::measure
