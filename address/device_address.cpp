#include "address/device_address.h"

#include <string>

#include "link/control_names.h"
#include "link/messages.h"
#include "link/numbers.h"
#include "link/request.h"
#include "link/taken_replies.h"
#include "protocol/codes.h"
#include "protocol/layout.h"
#include "protocol/requests.h"
#include "protocol/translatable.h"

namespace tc24::address {

namespace {

// One byte short of the address reply: the decoder needs byte 0 only.
constexpr int kReadThreshold = 6;
constexpr int kChangeThreshold = protocol::kAddressChangeReplyLength;
constexpr double kLowestAddress = protocol::kLowestStation;
constexpr double kHighestAddress = protocol::kHighestStation;
constexpr const char* kAddressRange = TC24_TR("tc24", "请指定正确的设备地址，正确值范围为1-249!");
// The pane after an address reply; %1 the address.
constexpr const char* kCurrentAddress = TC24_TR("tc24", "设备当前地址为:\r\n%1");

void startRequest(Window& window) {
    window.state.CmdMode = cmd_mode::Address;
    window.state.CmdText.clear();
}

// For the views beside the window: what a whole valid reply of either request told.
void reportAddress(Window& window, ByteView reply) {
    if (window.moduleObservers.empty()) {
        return;
    }
    auto& state = window.state;
    if (const auto answered = takeReply(state, reply, protocol::RequestKind::ReadAddress,
                                        &protocol::parseAddressReply)) {
        tellModuleObservers(window, *answered, AddressAnswered{*answered});
    } else if (const auto changed = takeReply(state, reply, protocol::RequestKind::ChangeAddress,
                                              &protocol::parseAddressChangeReply)) {
        // A valid reply answers a change sent to one station: the old address.
        const auto old = lastRequestByte(state, protocol::kStationAt);
        tellModuleObservers(
            window, *changed,
            AddressChanged{old ? std::optional<int>(*old) : std::nullopt, *changed});
    } else {
        holdPartialReply(window, reply, &reportAddress);  // the read's event comes a byte early
    }
}

}  // namespace

void cmdReadAdd_Click(Window& window) {
    auto& ui = window.ui;
    ui.setText(control::txtState, "");
    // Only the first twenty boxes turn red; the last four keep their colour.
    markBoxesWaiting(window, 20);
    startRequest(window);
    ui.setShown(control::TXTSN, true);
    ui.setText(control::TXTSN, "");
    preparePortForRequest(window.port);

    // Station 250: whichever module is on the line answers.
    const Bytes frame = protocol::addressReadRequest();
    noteRequestCrc(window.state, frame);
    window.state.RecLength = protocol::kAddressReplyLength;
    echoArmAndWrite(window, frame, kReadThreshold);
}

void cmdChangeID_Click(Window& window) {
    auto& ui = window.ui;
    startRequest(window);
    markBoxesWaiting(window, 2);

    const auto newAddress = numbers::parse(ui.text(control::txtSetID[1]));
    if (!newAddress) {
        window.message(window.translated(messages::kStationMalformed));
        return;
    }
    const double wanted = numbers::roundDown(*newAddress);
    if (wanted < kLowestAddress || wanted > kHighestAddress) {
        window.message(window.translated(kAddressRange));
        return;
    }
    // The current address is not limited to 1 … 249: 0 reaches a lone module of unknown
    // address. It must still be a station byte.
    const auto currentAddress = numbers::byteRoundedDown(ui.text(control::txtSetID[0]));
    if (!currentAddress) {
        window.message(window.translated(messages::kStationMalformed));
        return;
    }
    ui.setShown(control::TXTSN, true);
    ui.setText(control::txtState, "");
    preparePortForRequest(window.port);

    const Bytes frame =
        protocol::addressChangeRequest(*currentAddress, static_cast<std::uint8_t>(wanted));
    noteRequestCrc(window.state, frame);
    echoArmAndWrite(window, frame, kChangeThreshold);
}

void decodeAddressReply(Window& window, ByteView reply) {
    // The module answers from its (new) address, so byte 0 is the address to show.
    const auto address = reply.at(protocol::kStationAt);
    if (!address) {
        return;
    }
    const std::string text = std::to_string(*address);
    window.ui.setText(control::txtSetID[0], text);
    window.ui.setText(control::txtStationID, text);
    window.ui.setText(control::TXTSN, window.translated(kCurrentAddress, {text}));
    // Once the boxes show the address: the observers look for the module in txtStationID.
    reportAddress(window, reply);
}

}  // namespace tc24::address
