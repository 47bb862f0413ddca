#include "sensors/serial_readout.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "link/control_names.h"
#include "link/files.h"
#include "link/messages.h"
#include "link/numbers.h"
#include "link/request.h"
#include "link/taken_replies.h"
#include "protocol/codes.h"
#include "protocol/hex.h"
#include "protocol/layout.h"
#include "protocol/requests.h"
#include "protocol/translatable.h"
#include "sensors/serial_list.h"

namespace tc24::sensors {

namespace {

constexpr const char* kReadPositionMalformed =
    TC24_TR("tc24", "你输入的传感器编号格式有误，正确值为1-24!");
constexpr const char* kListPositionMalformed =
    TC24_TR("tc24", "你输入的编程格式有误，正确值为1-24!");
constexpr const char* kReadingFinished = TC24_TR("tc24", "读取完成");
// %1 the file, %2 the system's reason.
constexpr const char* kListNotSaved = TC24_TR("tc24", "无法保存序列号文件 %1：%2");

constexpr int kReadReplyLength = protocol::kSerialReplyLength;
// Enough for bytes 0 … 10, the serial number included.
constexpr int kReadThreshold = protocol::kReplySerialAt + protocol::kSerialNumberBytes;
constexpr double kLastPosition = protocol::kPositions;
constexpr int kReadAllInterval = 1000;

// Past the data-length limit: the cursor that ran one beyond 24 goes back to 24, the
// sequence stops and the operator is told. Timer6 stops before the box opens, so no
// further tick can read or finish again while it is open.
void finishReadout(Window& window, double field) {
    if (field == 25) {
        window.ui.setText(control::txtSensorid2, "24");
    }
    const bool sequenceRunning = window.Timer6.isTicking();
    window.Timer6.setInterval(0);
    if (sequenceRunning) {
        window.state.readAllFinished = true;
    }
    window.message(MessageBox{window.translated(kReadingFinished),
                              window.translated(messages::kSystemPrompt), false, false});
}

// The list of positions 1 … count as last read.
std::string listFileContent(const WindowState& state, int count) {
    const auto first = state.SnList.begin() + 1;
    const int entries = std::clamp(count, 0, static_cast<int>(state.SnList.size()) - 1);
    return serialListContent(std::vector<std::string>(first, first + entries));
}

// For the views beside the window: the position the reply names, as the request asked. The
// read's event comes three bytes before the reply's end: the rest completes it later.
void reportSerialNumber(Window& window, ByteView reply) {
    if (window.moduleObservers.empty()) {
        return;
    }
    const auto asked = lastRequestByte(window.state, protocol::kPositionAt);
    if (const auto number = takeReply(window.state, reply, protocol::RequestKind::ReadSerialNumber,
                                      &protocol::parseSerialReply)) {
        const int station = reply.at(protocol::kStationAt).value_or(0);
        tellModuleObservers(window, station, SerialNumberRead{station, asked.value_or(0), *number});
    } else {
        holdPartialReply(window, reply, &reportSerialNumber);
    }
}

bool endsWithTxt(const std::string& name) {
    constexpr std::string_view ending = ".txt";
    return name.size() >= ending.size() &&
           name.compare(name.size() - ending.size(), ending.size(), ending) == 0;
}

}  // namespace

void cmdReadSensorID_Click(Window& window) {
    auto& ui = window.ui;
    const auto field = numbers::parse(ui.text(control::txtSensorid2));
    if (!field) {
        window.message(window.translated(kReadPositionMalformed));
        return;
    }
    const auto position = numbers::toInt16(numbers::roundHalfEven(*field));
    if (!position) {
        window.message(window.translated(kReadPositionMalformed));
        return;
    }
    // Everything the request needs is checked before anything changes, so a refused read
    // sends nothing and leaves the window as it was.
    double limit = 0;
    if (*position > 0) {
        const auto length = numbers::parse(ui.text(control::txtDataLength));
        if (!length || !numbers::toInt16(numbers::roundDown(*length))) {
            window.message(window.translated(messages::kLengthMalformed));
            return;
        }
        limit = numbers::roundDown(*length);
        if (limit >= *position) {
            if (!numbers::byteRoundedDown(ui.text(control::txtStationID))) {
                window.message(window.translated(messages::kStationMalformed));
                return;
            }
            if (!numbers::toByte(*position)) {
                window.message(window.translated(kReadPositionMalformed));
                return;
            }
        }
    }

    ui.setShown(control::PictureShow, false);
    ui.setShown(control::TXTSN, true);
    window.state.CmdMode = cmd_mode::ReadSerialNumber;

    if (*position <= 0) {
        ui.setText(control::txtSensorid2, "1");
        return;
    }
    if (*position == 1) {
        ui.setText(control::TXTSN, "");  // a read of position 1 starts a new list
    }
    if (limit >= *position) {
        ReadSensorID(window, *position);
        ui.setText(control::txtSensorid2, numbers::toText(numbers::roundDown(*field) + 1));
        return;
    }
    finishReadout(window, *field);
}

void ReadSensorID(Window& window, std::int16_t Sensorid) {
    const auto station = numbers::byteRoundedDown(window.ui.text(control::txtStationID));
    const auto position = numbers::toByte(Sensorid);
    if (!station || !position) {
        return;  // the click refuses such input before it gets here
    }
    auto& state = window.state;
    window.ui.setText(control::txtState, "");
    state.CmdText.clear();
    preparePortForRequest(window.port);

    const Bytes frame = protocol::serialReadRequest(*station, *position);
    noteRequestCrc(state, frame);
    state.RecLength = kReadReplyLength;
    state.CmdLenth = static_cast<std::int16_t>(2 * frame[5] + 5);
    // The reply belongs to this position, whatever the field shows when it arrives.
    state.pendingReadPosition = *position;
    state.readAllFinished = false;
    echoArmAndWrite(window, frame, kReadThreshold);
}

void decodeSerialNumberReply(Window& window, ByteView reply) {
    const auto position = numbers::toByte(window.state.pendingReadPosition);
    if (!position) {
        return;
    }
    Bytes serial;
    for (std::size_t i = 0; i < protocol::kSerialNumberBytes; ++i) {
        if (const auto byte = reply.at(protocol::kReplySerialAt + i)) {
            serial.push_back(*byte);
        }
    }
    window.ui.appendText(control::TXTSN,
                         FormatHex(*position) + ":  " + receivedHexText(serial) + "\r\n");

    // Only a complete number is kept: a stray short chunk must not replace one read before.
    // Positions beyond the list are shown but not kept.
    auto& list = window.state.SnList;
    if (serial.size() == protocol::kSerialNumberBytes && *position < list.size()) {
        list[*position] = serialNumberText(serial);
    }
    reportSerialNumber(window, reply);
}

void cmdReadSNAll_Click(Window& window) {
    auto& ui = window.ui;
    const auto field = numbers::parse(ui.text(control::txtSensorid2));
    if (!field) {
        window.message(window.translated(kListPositionMalformed));
        return;
    }
    const double whole = numbers::roundDown(*field);
    if (whole > kLastPosition || whole == 0) {
        window.message(window.translated(messages::kPositionRange));
        return;
    }
    ui.setText(control::txtSensorid2, "1");
    ui.setText(control::TXTSN, "");
    window.state.readAllFinished = false;
    window.Timer6.setInterval(kReadAllInterval);  // the first read comes one interval later
}

void Timer6_Timer(Window& window) {
    Window::TickScope tick(window, window.Timer6);
    if (!tick.mayRun()) {
        return;  // the box of an earlier tick is still open
    }
    if (!window.port.isOpen()) {
        // Walking on would only report a list that was never read.
        window.Timer6.setInterval(0);
        window.ui.bringToFront(control::imgNotConnected);
        window.message(window.translated(messages::kPortClosed));
        return;
    }
    cmdReadSensorID_Click(window);
}

void cmdSaveSn_Click(Window& window) {
    auto& ui = window.ui;
    auto& state = window.state;
    const FileDialogRequest request{{}, window.programDirectory.string(), "txt|*.txt", true};

    const auto field = numbers::parse(ui.text(control::txtSensorid2));
    if (!field) {
        window.message(window.translated(kListPositionMalformed));
        return;
    }
    const double whole = numbers::roundDown(*field);
    if (whole > kLastPosition || whole < 1) {
        // A negative count would make a list no one can import.
        window.message(window.translated(messages::kPositionRange));
        return;
    }

    const auto chosen = window.dialogs.askSaveFile(request);
    if (!chosen || chosen->empty()) {
        return;  // cancelled: no file, nothing changes
    }
    std::string path = *chosen;
    if (!endsWithTxt(path)) {
        path += ".txt";
    }

    // After single reads the field names the position after the last one read. After a
    // finished read-all the list runs up to the last position the sequence read (the field
    // may already name it: 25 is turned back into 24), and saving again writes the same.
    double lastSaved = *field;
    if (state.readAllFinished && state.pendingReadPosition >= 1) {
        if (lastSaved > state.pendingReadPosition) {
            lastSaved = state.pendingReadPosition;
        }
    } else if (lastSaved > 1) {
        lastSaved -= 1;
    }
    const int count = static_cast<int>(numbers::roundDown(lastSaved));

    if (const auto failure = window.files.replace(path, listFileContent(state, count))) {
        window.message(MessageBox{window.translated(kListNotSaved, {path, *failure}),
                                  window.translated(messages::kSystemPrompt), false, true});
        return;
    }
    if (lastSaved != *field) {
        ui.setText(control::txtSensorid2, numbers::toText(lastSaved));
    }
    state.ChennelNum = static_cast<std::int16_t>(count);
}

void txtSensorid2_Edited(Window& window) {
    window.state.readAllFinished = false;
}

}  // namespace tc24::sensors
