#include "sensors/search.h"

#include <string>

#include "link/control_names.h"
#include "link/messages.h"
#include "link/numbers.h"
#include "link/request.h"
#include "link/taken_replies.h"
#include "protocol/codes.h"
#include "protocol/hex.h"
#include "protocol/layout.h"
#include "protocol/requests.h"
#include "protocol/translatable.h"

namespace tc24::sensors {

namespace {
constexpr const char* kPositionMalformed = TC24_TR("tc24", "你输入的传感器编号格式有误!");
constexpr const char* kOneSensorOnly =
    TC24_TR("tc24", "请确保模块上只接了一个传感器，并指定了正确的传感器编号");
// The pane after a search; %1 the count.
constexpr const char* kSearchResult = TC24_TR("tc24", "当前设备搜索到的传感器个数为:\r\n%1");
// A line of the pane per identified sensor: %1 its position, %2 its serial number.
constexpr const char* kIdentified = TC24_TR("tc24", "传感器编号:%1序列号为：%2");

constexpr int kSearchReplyLength = protocol::kSensorCountReplyLength;
constexpr double kLastPosition = protocol::kPositions;

// For the views beside the window. The search goes to station 250; the module answers from
// its own address.
void reportSensorCount(Window& window, ByteView reply) {
    if (window.moduleObservers.empty()) {
        return;
    }
    if (const auto sensors = takeReply(window.state, reply, protocol::RequestKind::SensorCount,
                                       &protocol::parseSensorCountReply)) {
        const int station = reply.at(protocol::kStationAt).value_or(0);
        tellModuleObservers(window, station, SensorCountAnswered{station, *sensors});
    } else {
        holdPartialReply(window, reply, &reportSensorCount);
    }
}

// The views take every confirmed identification, whatever the family code.
void reportIdentified(Window& window, ByteView reply) {
    if (window.moduleObservers.empty()) {
        return;
    }
    const auto position = lastRequestByte(window.state, protocol::kPositionAt);
    if (const auto serial = takeReply(window.state, reply, protocol::RequestKind::Identify,
                                      &protocol::parseIdentifyReply)) {
        const int station = reply.at(protocol::kStationAt).value_or(0);
        tellModuleObservers(window, station,
                            SensorIdentified{station, position.value_or(0), *serial});
    } else {
        holdPartialReply(window, reply, &reportIdentified);
    }
}

}  // namespace

void cmdAutoSearch_Click(Window& window) {
    auto& ui = window.ui;
    auto& state = window.state;
    ui.setText(control::txtState, "");
    state.CmdMode = cmd_mode::SensorSearch;
    // The search always goes to station 250; the address field must still hold a byte.
    const auto station = numbers::parse(ui.text(control::txtStationID));
    if (!station || !numbers::toByte(numbers::roundHalfEven(*station))) {
        window.message(window.translated(messages::kStationMalformed));
        return;
    }
    state.CmdText.clear();
    ui.setShown(control::TXTSN, true);
    ui.setText(control::TXTSN, "");
    preparePortForRequest(window.port);

    const Bytes frame = protocol::sensorCountRequest();
    noteRequestCrc(state, frame);
    state.RecLength = kSearchReplyLength;
    state.CmdLenth = static_cast<std::int16_t>(2 * frame[5] + 5);
    // The module expects one 0x00 after the CRC; the echo shows the frame only.
    echoArmAndWrite(window, frame, kSearchReplyLength, protocol::kSensorCountPadding);
}

void decodeSearchReply(Window& window, ByteView reply) {
    const auto function = reply.at(protocol::kFunctionAt);
    const auto subcode = reply.at(protocol::kSubFunctionAt);
    const auto count = reply.at(protocol::kSensorCountAt);
    if (!function || !subcode || !count || *function != protocol::kModuleQuery ||
        *subcode != protocol::kSensorCountAnswer) {
        return;
    }
    window.ui.setText(control::TXTSN, window.translated(kSearchResult, {std::to_string(*count)}));
    reportSensorCount(window, reply);
}

void cmdAutoInput_Click(Window& window) {
    auto& ui = window.ui;
    auto& state = window.state;
    const auto station = numbers::byteRoundedDown(ui.text(control::txtStationID));
    if (!station) {
        window.message(window.translated(messages::kStationMalformed));
        return;
    }
    const auto field = numbers::parse(ui.text(control::txtSensorReadID));
    if (!field) {
        window.message(window.translated(kPositionMalformed));
        return;
    }
    const double position = numbers::roundDown(*field);
    if (position > kLastPosition || position < 1) {
        window.message(window.translated(messages::kPositionRange));
        return;
    }

    ui.setShown(control::PictureShow, false);
    ui.setShown(control::TXTSN, true);
    ui.setText(control::txtState, "");
    markBoxesWaiting(window, static_cast<int>(control::txtValue.size()));
    state.CmdMode = cmd_mode::Identify;
    state.CmdText.clear();

    // The target position of the writing group says whether one sensor was meant; text
    // that is not a number is refused like 0.
    const auto target = numbers::parse(ui.text(control::txtObjSensorid));
    if (!target || numbers::roundDown(*target) == 0) {
        window.message(window.translated(kOneSensorOnly));
        return;
    }
    if (numbers::roundDown(*target) == 1) {
        ui.setText(control::TXTSN, "");
    }
    preparePortForRequest(window.port);

    const auto positionByte = static_cast<std::uint8_t>(position);
    const Bytes frame = protocol::identifyRequest(*station, positionByte);
    noteRequestCrc(state, frame);
    state.CmdLenth = static_cast<std::int16_t>(2 * frame[5] + 5);
    state.RecLength = state.CmdLenth;
    // The reply names the position asked for, whatever the field shows when it arrives.
    state.pendingIdentifyPosition = positionByte;
    echoArmAndWrite(window, frame, state.CmdLenth);

    // The cursor runs 1, 2, …, 24 and starts again at 1.
    if (*field < state.SensorNum) {
        ui.setText(control::txtSensorReadID, numbers::toText(*field + 1));
    } else {
        ui.setText(control::txtSensorReadID, "1");
    }
}

void decodeIdentifyReply(Window& window, ByteView reply) {
    // Told before the pane, which lists only sensors of the usual family.
    reportIdentified(window, reply);
    const auto first = reply.at(protocol::kReplySerialAt);
    if (!first || *first != protocol::kSensorFamily) {
        return;
    }
    std::string serial;
    for (std::size_t i = 0; i < protocol::kSerialNumberBytes; ++i) {
        if (const auto byte = reply.at(protocol::kReplySerialAt + i)) {
            serial += FormatHex(*byte);
            serial += ' ';
        }
    }
    window.ui.appendText(
        control::TXTSN,
        window.translated(kIdentified,
                          {std::to_string(window.state.pendingIdentifyPosition), serial}) +
            "\r\n");
}

}  // namespace tc24::sensors
