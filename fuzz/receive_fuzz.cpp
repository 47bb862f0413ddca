// Arbitrary chunk sequences through the receive handler under every pending-operation code.
// Input: byte 0 picks the request sent first; byte 1 the start-address field; the rest is a
// series of chunks, each a length byte followed by that many bytes.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_window.h"
#include "link/control_names.h"

using tc24::fuzzing::FuzzWindow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    FuzzWindow w;
    w.port.setPortNumber(1);
    w.port.open();
    w.frm.state().SensorNum = 24;
    w.ui.set(tc24::control::txtStartID, std::to_string(static_cast<int>(data[1]) - 128));
    w.ui.set(tc24::control::txtSensorid2, std::to_string(data[1] % 70));
    switch (data[0] % 8) {
        case 0:
            w.frm.comDoOnce_Click();
            break;
        case 1:
            w.frm.cmdReadAdd_Click();
            break;
        case 2:
            w.frm.cmdChangeID_Click();
            break;
        case 3:
            w.frm.cmdReadSensorID_Click();
            break;
        case 4:
            w.frm.cmdAutoSearch_Click();
            break;
        case 5:
            w.frm.cmdAutoInput_Click();
            break;
        case 6:
            w.frm.cmdFirst_Click();
            break;
        default:
            break;  // nothing pending: bytes arrive unsolicited
    }
    w.port.threshold = 1;  // every chunk raises an event, whatever the request armed
    std::size_t at = 2;
    while (at < size) {
        const std::size_t length = data[at++];
        const std::size_t end = at + length < size ? at + length : size;
        w.port.receive(std::vector<std::uint8_t>(data + at, data + end));
        at = end;
        if (at < size && data[at] == 0xEE) {
            w.port.raise(tc24::comm_event::PortLost);  // a non-data event in between
        }
    }
    return 0;
}
