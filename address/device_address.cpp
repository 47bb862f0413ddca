#include "address/device_address.h"

#include <string>

#include "link/messages.h"
#include "link/numbers.h"
#include "link/request.h"
#include "measure/register_query.h"

namespace tc24::address {

namespace {

constexpr std::uint8_t kAnyModule = 0xFA;  // station 250: whichever module is on the line
constexpr std::uint8_t kAddressFunction = 0x25;
constexpr std::uint8_t kReadAddress = 0x02;
constexpr std::uint8_t kWriteRegister = 0x06;
constexpr std::uint8_t kChangeAddress = 0x0B;
constexpr int kReadThreshold = 6;
constexpr int kChangeThreshold = 8;
constexpr double kLowestAddress = 1;
constexpr double kHighestAddress = 249;
constexpr const char* kAddressRange = "请指定正确的设备地址，正确值范围为1-249!";

void startRequest(Window& window) {
    window.state.CmdMode = cmd_mode::Address;
    window.state.CmdText.clear();
}

}  // namespace

void cmdReadAdd_Click(Window& window) {
    auto& ui = window.ui;
    ui.setText("txtState", "");
    // Only the first twenty boxes turn red; the last four keep their colour.
    measure::markBoxesWaiting(window, 20);
    startRequest(window);
    ui.setShown("TXTSN", true);
    ui.setText("TXTSN", "");
    preparePortForRequest(window.port);

    // FA 25 02 00 00 01, CRC: always FA 25 02 00 00 01 99 FE
    Bytes frame{kAnyModule, kAddressFunction, kReadAddress, 0x00, 0x00, 0x01};
    appendCrc(window.state, frame);
    window.state.RecLength = 7;
    echoArmAndWrite(window, frame, kReadThreshold);
}

void cmdChangeID_Click(Window& window) {
    auto& ui = window.ui;
    startRequest(window);
    measure::markBoxesWaiting(window, 2);

    const auto newAddress = numbers::parse(ui.text("txtSetID_1"));
    if (!newAddress) {
        window.message(messages::kStationMalformed);
        return;
    }
    const double wanted = numbers::roundDown(*newAddress);
    if (wanted < kLowestAddress || wanted > kHighestAddress) {
        window.message(kAddressRange);
        return;
    }
    // The current address is not limited to 1 … 249: 0 reaches a lone module of unknown
    // address. It must still be a station byte.
    const auto currentAddress = numbers::byteRoundedDown(ui.text("txtSetID_0"));
    if (!currentAddress) {
        window.message(messages::kStationMalformed);
        return;
    }
    ui.setShown("TXTSN", true);
    ui.setText("txtState", "");
    preparePortForRequest(window.port);

    // current address, 06, 0B, 00, 00, new address, CRC
    Bytes frame{*currentAddress,
                kWriteRegister,
                kChangeAddress,
                0x00,
                0x00,
                static_cast<std::uint8_t>(wanted)};
    appendCrc(window.state, frame);
    echoArmAndWrite(window, frame, kChangeThreshold);
}

void decodeAddressReply(Window& window, ByteView reply) {
    // The module answers from its (new) address, so byte 0 is the address to show.
    const auto address = reply.at(0);
    if (!address) {
        return;
    }
    const std::string text = std::to_string(*address);
    window.ui.setText("txtSetID_0", text);
    window.ui.setText("txtStationID", text);
    window.ui.setText("TXTSN", "设备当前地址为:\r\n" + text);
}

}  // namespace tc24::address
