#include "link/request.h"

#include "link/control_names.h"
#include "protocol/crc16.h"
#include "protocol/hex.h"
#include "protocol/layout.h"

namespace tc24 {

void Crc16(WindowState& state, std::span<const std::uint8_t> cmdstring, int j) {
    if (j < 0 || static_cast<std::size_t>(j) >= cmdstring.size()) {
        return;  // nothing to cover; HiByte and LoByte keep their values
    }
    const auto trailer = crcTrailer(cmdstring.first(static_cast<std::size_t>(j) + 1));
    state.HiByte = trailer.low;
    state.LoByte = trailer.high;
}

void noteRequestCrc(WindowState& state, std::span<const std::uint8_t> frame) {
    Crc16(state, frame, static_cast<int>(frame.size()) - static_cast<int>(protocol::kCrcBytes) - 1);
}

void markBoxesWaiting(Window& window, int count) {
    for (std::size_t i = 0; i < control::txtValue.size() && static_cast<int>(i) < count; ++i) {
        window.ui.setTextColor(control::txtValue[i], TextColor::Red);
    }
}

void preparePortForRequest(SerialPort& port) {
    port.discardInput();
    port.setReadAll();
    port.setBinaryInput();
    port.setReceiveThreshold(0);
}

void writeRequest(Window& window, const Bytes& wire) {
    auto& sent = window.state.lastRequest;
    ++sent.number;
    sent.bytes = wire;
    window.port.write(wire);
}

void echoArmAndWrite(Window& window, const Bytes& frame, int receiveThreshold,
                     std::size_t trailingZeros) {
    window.state.CmdText = requestEchoText(frame);
    window.port.setReceiveThreshold(receiveThreshold);
    window.ui.setText(control::txtCommand, window.state.CmdText);
    if (window.port.isOpen()) {
        window.ui.bringToFront(control::imgConnected);
        Bytes wire = frame;
        wire.insert(wire.end(), trailingZeros, 0x00);
        writeRequest(window, wire);
    } else {
        window.ui.bringToFront(control::imgNotConnected);
    }
}

}  // namespace tc24
