#include "measure/register_query.h"

#include <limits>

#include "link/control_names.h"
#include "link/messages.h"
#include "link/numbers.h"
#include "link/receive.h"
#include "link/request.h"
#include "link/taken_replies.h"
#include "measure/valid_replies.h"
#include "protocol/hex.h"
#include "protocol/layout.h"
#include "protocol/requests.h"
#include "protocol/temperature.h"
#include "protocol/translatable.h"

namespace tc24::measure {

namespace {
constexpr const char* kFunctionMalformed = TC24_TR("tc24", "你输入的功能码格式有误!");
constexpr const char* kStartMalformed = TC24_TR("tc24", "你输入的起始地址格式有误!");
constexpr const char* kLengthRange =
    TC24_TR("tc24", "你输入的数据长度格式有误,正确的值应该为1-24!");

// The four request fields as bytes, or the message of the first field that is refused.
struct QueryFields {
    std::uint8_t station = 0;
    std::uint8_t function = 0;
    std::uint8_t start = 0;
    std::uint8_t length = 0;
};

const char* checkFields(const Controls& ui, QueryFields& fields) {
    const auto station = numbers::parse(ui.text(control::txtStationID));
    if (!station) {
        return messages::kStationMalformed;
    }
    const auto function = numbers::parse(ui.text(control::txtFunID));
    if (!function) {
        return kFunctionMalformed;
    }
    const auto length = numbers::parse(ui.text(control::txtDataLength));
    if (!length) {
        return messages::kLengthMalformed;
    }
    const auto start = numbers::parse(ui.text(control::txtStartID));
    if (!start) {
        return kStartMalformed;
    }
    const double registers = numbers::roundDown(*length);
    if (registers < 1 || registers > kValueBoxes) {
        return kLengthRange;
    }
    // A number that does not fit in its byte is refused rather than sent as 0: a station
    // byte of 0 would be the broadcast address.
    const auto stationByte = numbers::toByte(numbers::roundDown(*station));
    if (!stationByte) {
        return messages::kStationMalformed;
    }
    const auto functionByte = numbers::toByte(numbers::roundHalfEven(*function));
    if (!functionByte) {
        return kFunctionMalformed;
    }
    const auto startByte = numbers::toByte(numbers::roundDown(*start));
    if (!startByte) {
        return kStartMalformed;
    }
    fields = {*stationByte, *functionByte, *startByte, static_cast<std::uint8_t>(registers)};
    return nullptr;
}

}  // namespace

std::string registerText(std::uint16_t registerValue) {
    return hundredthsText(protocol::registerCentidegrees(registerValue));
}

std::string hundredthsText(int hundredths) {
    return protocol::centidegreesText(hundredths);
}

long long firstBoxIndex(double startAddress) {
    const double s = numbers::roundDown(startAddress);
    if (s == 0) {
        return 0;
    }
    const double box = 2 * (s - 1);
    if (box > kValueBoxes - 1) {
        return 0;
    }
    // A very negative start only drops every register; keep the index in range of the type.
    return box < -1e9 ? static_cast<long long>(-1e9) : static_cast<long long>(box);
}

void comDoOnce_Click(Window& window) {
    auto& ui = window.ui;
    ui.setShown(control::PictureShow, true);
    ui.setShown(control::TXTSN, false);

    QueryFields fields;
    if (const char* refusal = checkFields(ui, fields)) {
        window.message(window.translated(refusal));
        return;
    }
    ui.setText(control::txtState, "");
    markBoxesWaiting(window, kValueBoxes);

    if (!window.port.isOpen()) {
        // Polling must see the closed port before the box opens, so its ticks stop sending.
        ui.bringToFront(control::imgNotConnected);
        window.state.CommReady = false;
        window.message(window.translated(messages::kPortClosed));
        return;
    }
    ui.bringToFront(control::ImgYellow);
    preparePortForRequest(window.port);

    const Bytes frame =
        protocol::registerReadRequest(fields.station, fields.start, fields.length, fields.function);
    noteRequestCrc(window.state, frame);
    window.state.RecLength =
        static_cast<std::int16_t>(protocol::registerReplyLength(fields.length));
    window.port.setReceiveThreshold(window.state.RecLength);
    window.state.CmdMode = cmd_mode::RegisterQuery;
    writeRequest(window, frame);
    // A poll the views count: without a reading before the next request it failed.
    if (!window.moduleObservers.empty()) {
        tellModuleObservers(window, fields.station,
                            PollSent{fields.station, window.state.lastRequest.number});
    }

    window.state.CmdText = requestEchoText(frame);
    ui.setText(control::txtCommand, window.state.CmdText);
}

void decodeRegisterReply(Window& window, ByteView reply) {
    auto& ui = window.ui;
    // What the boxes get, for the views beside the window.
    RegisterReading reading;
    if (const auto station = reply.at(protocol::kStationAt)) {
        reading.station = *station;
    }
    long long box = 0;
    if (auto start = numbers::parse(ui.text(control::txtStartID))) {
        box = firstBoxIndex(*start);
    }
    constexpr int kFirstRegister = protocol::kFirstRegisterAt;
    for (int i = kFirstRegister; i <= window.state.RecLength - 3; i += 2, ++box) {
        const auto value = reply.word(static_cast<std::size_t>(i));
        if (!value || box < 0 || box >= kValueBoxes) {
            continue;  // no such byte or no such box: drop this register, go on
        }
        const char* name = control::txtValue[static_cast<std::size_t>(box)];
        auto& channel = reading.channels[static_cast<std::size_t>(box)];
        channel.registerValue = *value;
        if (*value == protocol::kNoReading) {
            // A channel without a valid reading counts like an error.
            addToRecCount(window);
            ui.setText(name, "0");
            channel.state = ChannelReading::State::NoReading;
        } else {
            channel.text = registerText(*value);
            ui.setText(name, channel.text);
            channel.state = ChannelReading::State::Value;
        }
        ui.setTextColor(name, TextColor::Black);
    }
    if (!window.readingObservers.empty() && takeAsReading(window.state, reply)) {
        for (const auto& observer : window.readingObservers) {
            observer(reading);
        }
    }
}

}  // namespace tc24::measure
