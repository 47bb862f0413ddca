#include "programming/serial_write.h"

#include <optional>
#include <string>

#include "link/hex.h"
#include "link/messages.h"
#include "link/numbers.h"
#include "link/request.h"
#include "programming/list_import.h"

namespace tc24::programming {

namespace {

constexpr const char* kBadEntry = "请先导入按正确的传感器序列号格式";
constexpr const char* kKalvenTitle = "KALVEN提示";
constexpr const char* kFinished = "操作结束";
constexpr const char* kPosition = "txtObjSensorid";
constexpr int kAutoInterval = 2000;  // ms between two automatic writes
constexpr int kReplyThreshold = 13;  // enough for the echoed serial number, bytes 3 … 10
constexpr std::int16_t kReplyLength = 14;
constexpr std::uint8_t kFunction = 0x22;
constexpr std::uint8_t kWriteSerialNumber = 0x0C;
constexpr std::uint8_t kConfirmed = 0x28;  // byte 3 of a reply that confirms the write
constexpr int kFirstPosition = 1;
constexpr int kLastPosition = 128;

// A box holds one byte as hex digits of either case: at least one digit, value 0 … FF.
std::optional<std::uint8_t> hexByte(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (char c : text) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else {
            return std::nullopt;
        }
        value = value * 16 + digit;
        if (value > 0xFF) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint8_t>(value);
}

std::optional<double> position(const Window& window) {
    return numbers::parse(window.ui.text(kPosition));
}

void showTextPane(Window& window) {
    window.ui.setShown("PictureShow", false);
    window.ui.setShown("TXTSN", true);
}

void reportBadEntry(Window& window) {
    window.message(MessageBox{kBadEntry, kKalvenTitle, false, false});
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

}  // namespace

bool SendSerialNumber(Window& window) {
    auto& ui = window.ui;
    auto& port = window.port;
    auto& state = window.state;
    ui.setText("txtState", "");
    port.setBinaryInput();
    port.setReadAll();
    port.discardInput();
    port.discardOutput();
    port.setSendThreshold(0);
    ui.setText("txtCommand", "");
    ui.bringToFront(status_image::Yellow);
    state.CmdMode = cmd_mode::WriteSerialNumber;
    preparePortForRequest(port);

    const std::string positionText = ui.text(kPosition);
    const auto station = numbers::byteRoundedDown(ui.text("txtStationID"));
    const auto target = numbers::byteRoundedDown(positionText);
    if (!station || !target || *target < kFirstPosition || *target > kLastPosition) {
        return false;
    }
    // station, function, sub-function, position, serial number bytes 0 … 7, CRC lo, CRC hi
    Bytes frame{*station, kFunction, kWriteSerialNumber, *target};
    for (int k = 0; k < 8; ++k) {
        const auto byte = hexByte(ui.text(serialBox(k)));
        if (!byte) {
            return false;
        }
        frame.push_back(*byte);
    }
    appendCrc(state, frame);
    state.RecLength = kReplyLength;
    state.pendingWritePosition = positionText;
    echoArmAndWrite(window, frame, kReplyThreshold);
    return true;
}

void cmdFirst_Click(Window& window) {
    showTextPane(window);
    window.state.autoWrittenPosition.clear();  // P is the operator's again
    window.ui.setText(kPosition, "1");
    window.ui.setText("txtCommand", "");
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
        window.message(
            MessageBox{"导入的序列号条数仅为" + std::to_string(n) + ",下一个就循环操作了！",
                       std::nullopt, true, false});
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
        window.message(MessageBox{kFinished, messages::kSystemPrompt, true, false});
        return;
    }
    if (!window.port.isOpen()) {
        // Nothing can be written: stop here rather than walk through the list unwritten.
        ui.bringToFront(status_image::NotConnected);
        stopAutomaticWriting(window, true);
        window.message(messages::kPortClosed);
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
        window.message(MessageBox{kFinished, messages::kSystemPrompt, true, false});
    }
}

void decodeWriteReply(Window& window, ByteView reply) {
    const auto firstSerialByte = reply.at(3);
    if (!firstSerialByte || *firstSerialByte != kConfirmed) {
        return;
    }
    std::string line = "成功将编号为:" + window.state.pendingWritePosition + "的传感器序列号写为：";
    for (std::size_t i = 3; i <= 10; ++i) {
        if (const auto byte = reply.at(i)) {
            line += FormatHex(*byte);
            line += ' ';
        }
    }
    line += "\r\n";
    window.ui.appendText("TXTSN", line);
}

}  // namespace tc24::programming
