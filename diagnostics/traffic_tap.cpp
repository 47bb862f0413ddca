#include "diagnostics/traffic_tap.h"

namespace tc24 {

void TrafficTap::discardInput() {
    if (port_.isOpen()) {
        // Also what reached the system while the handler ran: the discard drops it too.
        port_.collectWaiting();
        log_.recordReceived(port_.readAll(), true);
    }
    port_.discardInput();
}

void TrafficTap::write(const std::vector<std::uint8_t>& bytes) {
    // A closed port sends nothing, so nothing is logged.
    const bool sent = port_.isOpen();
    port_.write(bytes);
    if (sent) {
        log_.recordRequest(bytes);
    }
}

std::vector<std::uint8_t> TrafficTap::readAll() {
    std::vector<std::uint8_t> bytes = port_.readAll();
    log_.recordReceived(bytes);
    return bytes;
}

}  // namespace tc24
