#include "link/receive.h"

#include <limits>
#include <string>

#include "link/control_names.h"
#include "protocol/hex.h"

namespace tc24 {

void addToRecCount(Window& window) {
    auto& count = window.state.RecCount;
    if (count < std::numeric_limits<std::int32_t>::max()) {
        ++count;
    }
    window.ui.setText(control::lblErrCounter, std::to_string(count));
}

void MSComm1_OnComm(Window& window) {
    addToRecCount(window);
    if (window.port.eventKind() != comm_event::DataReceived) {
        return;
    }
    const Bytes received = window.port.readAll();
    window.port.discardInput();
    window.ui.setText(control::txtState, receivedHexText(received));

    auto decoder = window.decoders.find(window.state.CmdMode);
    if (decoder != window.decoders.end() && decoder->second != nullptr) {
        decoder->second(window, ByteView(received));
    }
    window.ui.bringToFront(control::imgConnected);
}

}  // namespace tc24
