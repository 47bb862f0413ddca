#include "programming/serial_write.h"

#include <optional>
#include <string>

#include "link/control_names.h"
#include "link/messages.h"
#include "link/numbers.h"
#include "link/request.h"
#include "link/taken_replies.h"
#include "programming/list_import.h"
#include "protocol/codes.h"
#include "protocol/hex.h"
#include "protocol/layout.h"
#include "protocol/requests.h"
#include "protocol/translatable.h"

namespace tc24::programming {

namespace {

constexpr const char* kBadEntry = TC24_TR("tc24", "请先导入按正确的传感器序列号格式");
constexpr const char* kKalvenTitle = TC24_TR("tc24", "KALVEN提示");
constexpr const char* kFinished = TC24_TR("tc24", "操作结束");
// "下一个" past the list; %1 the entries imported.
constexpr const char* kListEnds = TC24_TR("tc24", "导入的序列号条数仅为%1,下一个就循环操作了！");
// A line of the pane per confirmed write: %1 the position, %2 the serial number.
constexpr const char* kWritten = TC24_TR("tc24", "成功将编号为:%1的传感器序列号写为：%2");
constexpr const char* kPosition = control::txtObjSensorid;
constexpr int kAutoInterval = 2000;  // ms between two automatic writes
constexpr int kReplyThreshold = protocol::kSensorAssignReplyLength;  // the whole reply
constexpr std::int16_t kReplyLength = 14;
// A reply confirms the write when the echoed number starts with the sensors' family code.
constexpr std::uint8_t kConfirmed = protocol::kSensorFamily;
constexpr int kFirstPosition = 1;
constexpr int kLastPosition = 128;

std::optional<double> position(const Window& window) {
    return numbers::parse(window.ui.text(kPosition));
}

void showTextPane(Window& window) {
    window.ui.setShown(control::PictureShow, false);
    window.ui.setShown(control::TXTSN, true);
}

void reportBadEntry(Window& window) {
    window.message(
        MessageBox{window.translated(kBadEntry), window.translated(kKalvenTitle), false, false});
}

// Fills the boxes from the entry the position names (rounded half to even) and writes them.
bool writeEntryAtPosition(Window& window, double p) {
    return fillSerialBoxes(window, numbers::roundHalfEven(p)) && SendSerialNumber(window);
}

// The text the automatic writing moves P to after writing at position `written`.
std::string positionAfter(const std::string& written) {
    const auto value = numbers::parse(written);
    return value ? numbers::toText(*value + 1) : std::string();
}

// Ends the automatic writing. When P still points past the entry the sequence wrote last,
// P goes back to that entry, so "下一个" goes on with the first entry not yet written.
void stopAutomaticWriting(Window& window, bool backToLastWritten) {
    window.Timer3.setInterval(0);
    auto& written = window.state.autoWrittenPosition;
    if (backToLastWritten && !written.empty() &&
        window.ui.text(kPosition) == positionAfter(written)) {
        window.ui.setText(kPosition, written);
    }
    written.clear();
}

// For the views beside the window: every write the module confirms by echoing the number
// sent, whatever the family code.
void reportWritten(Window& window, ByteView reply) {
    if (window.moduleObservers.empty()) {
        return;
    }
    const auto position = lastRequestByte(window.state, protocol::kPositionAt);
    if (const auto serial = takeReply(window.state, reply, protocol::RequestKind::WriteSerialNumber,
                                      &protocol::parseSerialWriteReply)) {
        const int station = reply.at(protocol::kStationAt).value_or(0);
        tellModuleObservers(window, station,
                            SerialNumberWritten{station, position.value_or(0), *serial});
    } else {
        holdPartialReply(window, reply, &reportWritten);
    }
}

}  // namespace

bool SendSerialNumber(Window& window) {
    auto& ui = window.ui;
    auto& port = window.port;
    auto& state = window.state;
    ui.setText(control::txtState, "");
    port.setBinaryInput();
    port.setReadAll();
    port.discardInput();
    port.discardOutput();
    port.setSendThreshold(0);
    ui.setText(control::txtCommand, "");
    ui.bringToFront(control::ImgYellow);
    state.CmdMode = cmd_mode::WriteSerialNumber;
    preparePortForRequest(port);

    const std::string positionText = ui.text(kPosition);
    const auto station = numbers::byteRoundedDown(ui.text(control::txtStationID));
    const auto target = numbers::byteRoundedDown(positionText);
    if (!station || !target || *target < kFirstPosition || *target > kLastPosition) {
        return false;
    }
    protocol::SerialNumber serial{};
    for (std::size_t k = 0; k < serial.size(); ++k) {
        const auto byte = parseHexByte(ui.text(control::txtSenseSn[k]));
        if (!byte) {
            return false;
        }
        serial[k] = *byte;
    }
    const Bytes frame = protocol::serialWriteRequest(*station, *target, serial);
    noteRequestCrc(state, frame);
    state.RecLength = kReplyLength;
    state.pendingWritePosition = positionText;
    echoArmAndWrite(window, frame, kReplyThreshold);
    return true;
}

void cmdFirst_Click(Window& window) {
    showTextPane(window);
    window.state.autoWrittenPosition.clear();  // P is the operator's again
    window.ui.setText(kPosition, "1");
    window.ui.setText(control::txtCommand, "");
    if (!writeEntryAtPosition(window, kFirstPosition)) {
        reportBadEntry(window);
    }
}

void cmdWriteNext_Click(Window& window) {
    auto& ui = window.ui;
    window.state.autoWrittenPosition.clear();
    const auto current = position(window);
    if (!current) {
        reportBadEntry(window);
        return;
    }
    const double p = *current + 1;
    ui.setText(kPosition, numbers::toText(p));
    const std::int16_t n = window.state.ChennelNum;
    if (n == 0) {
        reportBadEntry(window);
        return;
    }
    if (numbers::roundDown(p) > n) {
        window.message(MessageBox{window.translated(kListEnds, {std::to_string(n)}), std::nullopt,
                                  true, false});
        ui.setText(kPosition, "1");
        return;
    }
    showTextPane(window);
    if (!writeEntryAtPosition(window, p)) {
        reportBadEntry(window);
    }
}

void cmdWriteAllSn_Click(Window& window) {
    showTextPane(window);
    window.state.autoWrittenPosition.clear();
    window.ui.setText(kPosition, "1");
    window.Timer3.setInterval(kAutoInterval);
}

void cmdStopWrite_Click(Window& window) {
    showTextPane(window);
    stopAutomaticWriting(window, true);
}

void Timer3_Timer(Window& window) {
    Window::TickScope tick(window, window.Timer3);
    if (!tick.mayRun()) {
        return;  // a box of an earlier tick is still open
    }
    auto& ui = window.ui;
    const std::int16_t n = window.state.ChennelNum;
    const auto current = position(window);
    if (!current) {
        stopAutomaticWriting(window, false);
        reportBadEntry(window);
        return;
    }
    if (numbers::roundDown(*current) > n) {
        stopAutomaticWriting(window, false);
        window.message(MessageBox{window.translated(kFinished),
                                  window.translated(messages::kSystemPrompt), true, false});
        return;
    }
    if (!window.port.isOpen()) {
        // Nothing can be written: stop here rather than walk through the list unwritten.
        ui.bringToFront(control::imgNotConnected);
        stopAutomaticWriting(window, true);
        window.message(window.translated(messages::kPortClosed));
        return;
    }
    const std::string written = ui.text(kPosition);
    if (!writeEntryAtPosition(window, *current)) {
        // The request for this entry is not sent; P shows the entry that stopped the sequence.
        stopAutomaticWriting(window, false);
        reportBadEntry(window);
        return;
    }
    if (*current < n) {
        ui.setText(kPosition, numbers::toText(*current + 1));
        window.state.autoWrittenPosition = written;
    } else {
        stopAutomaticWriting(window, false);
        window.message(MessageBox{window.translated(kFinished),
                                  window.translated(messages::kSystemPrompt), true, false});
    }
}

void decodeWriteReply(Window& window, ByteView reply) {
    // Told before the pane, which lists only sensors of the usual family.
    reportWritten(window, reply);
    const auto firstSerialByte = reply.at(protocol::kReplySerialAt);
    if (!firstSerialByte || *firstSerialByte != kConfirmed) {
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
        window.translated(kWritten, {window.state.pendingWritePosition, serial}) + "\r\n");
}

}  // namespace tc24::programming
