#include "app/core/port_settings.h"

#include <cmath>

#include "app/settings/comm_settings.h"
#include "app/settings/port_device.h"
#include "link/control_names.h"
#include "link/messages.h"
#include "link/numbers.h"
#include "link/window_texts.h"

namespace tc24 {

namespace {

constexpr const char* kChoosePort = TC24_TR("tc24", "请选择端口");
constexpr const char* kPortInUse = TC24_TR("tc24", "所选的串行端口已被其他设备所使用!");
constexpr const char* kSaved = TC24_TR("tc24", "串口设置保存成功");
constexpr const char* kSystemInfo = TC24_TR("tc24", "系统信息");
// The status line: %1 the port entry ("COM3"), %2 its device, %3 the line settings or why the
// port did not open.
constexpr const char* kOpened = TC24_TR("tc24", "%1 (%2) %3 已打开");
constexpr const char* kNotOpened = TC24_TR("tc24", "%1 (%2) 无法打开: %3");
constexpr const char* kJoinDialout = TC24_TR("tc24", "%1 — 请把当前用户加入 dialout 组后重新登录");
// %1 the file, %2 the system's reason.
constexpr const char* kSettingsNotSaved = TC24_TR("tc24", "无法保存串口设置文件 %1：%2");

SettingsLocation settingsOf(const Window& window) {
    return {window.settingsDirectory, window.programDirectory};
}

// Opens the configured port; tells the status bar which device it is or why it failed.
bool openPort(Window& window) {
    window.port.open();
    const int number = window.state.CommNum;
    const std::string device = deviceForPort(settingsOf(window), number);
    const std::string entry = "COM" + std::to_string(number);
    if (window.port.isOpen()) {
        OpenOnComm(window.port);
        window.ui.showStatus(window.translated(kOpened, {entry, device, window.port.settings()}));
        return true;
    }
    const std::string reason = window.port.lastError();
    std::string why;
    switch (window.port.lastErrorKind()) {
        case PortErrorKind::Busy:
            why = window.translated(texts::kPortBusy) + " — " + reason;
            break;
        case PortErrorKind::Permission:
            why = window.translated(kJoinDialout, {reason});
            break;
        default:
            why = reason;
            break;
    }
    window.ui.showStatus(window.translated(kNotOpened, {entry, device, why}));
    return false;
}

// Closes the port and applies the selected port entry; false when none is selected.
bool applySelectedPort(Window& window) {
    if (window.port.isOpen()) {
        window.port.close();
    }
    const int index = window.ui.currentIndex(control::Combo1);
    if (index < 0) {
        window.message(window.translated(kChoosePort));
        return false;
    }
    window.port.setPortNumber(index + 1);
    window.state.CommNum = static_cast<std::int16_t>(window.port.portNumber());
    return true;
}

}  // namespace

std::string settingsText(std::int32_t rate) {
    return std::to_string(rate) + ",N,8,1";
}

void OpenOnComm(SerialPort& port) {
    port.setReceiveThreshold(1);
    port.setBinaryInput();
}

void CloseOnComm(SerialPort& port) {
    port.setReceiveThreshold(0);
    port.setBinaryInput();
}

int ReadModule(double, double, double, double) {
    return 0;
}

void Form_Load(Window& window) {
    auto& ui = window.ui;
    auto& state = window.state;
    ui.setShown(control::PictureShow, true);
    ui.setShown(control::TXTSN, false);
    state.SensorNum = 24;

    // A missing or malformed comm.set leaves the port closed and the lists at their design
    // texts.
    const auto saved = readCommSettings(settingsOf(window));
    if (saved) {
        state.CommNum = saved->port;
        state.CommRate = saved->rate;
    }
    ui.setText(control::txtStationID, "1");

    auto& port = window.port;
    if (state.CommNum >= 1 && state.CommNum <= kPortEntries) {
        port.setPortNumber(state.CommNum);
    }
    port.setBinaryInput();
    port.setReadAll();
    port.discardInput();
    port.discardOutput();
    port.setSendThreshold(0);
    port.setReceiveThreshold(1);
    port.setBinaryInput();

    if (state.CommRate == 0) {
        state.CommRate = kDefaultRate;
    }
    port.setSettings(settingsText(state.CommRate));

    int rateIndex = -1;
    for (int i = 0; saved && i < ui.itemCount(control::Combo2); ++i) {
        const auto value = numbers::parse(ui.itemText(control::Combo2, i));
        if (value && *value == state.CommRate) {
            rateIndex = i;
            break;
        }
    }
    ui.setCurrentIndex(control::Combo2, rateIndex);

    const std::string wanted = "COM" + std::to_string(state.CommNum);
    for (int i = 0; i < ui.itemCount(control::Combo1); ++i) {
        if (ui.itemText(control::Combo1, i) == wanted) {
            ui.setCurrentIndex(control::Combo1, i);
            Combo1_Click(window);
            return;
        }
    }
    ui.setCurrentIndex(control::Combo1, -1);
}

void cmdCom_Click(Window& window) {
    auto& state = window.state;
    if (!applySelectedPort(window)) {
        return;
    }
    const int rateIndex = window.ui.currentIndex(control::Combo2);
    state.CommRate = kDefaultRate;
    if (rateIndex >= 0) {
        if (const auto value = numbers::parse(window.ui.itemText(control::Combo2, rateIndex))) {
            if (const auto rate = numbers::toInt32(std::trunc(*value))) {
                state.CommRate = *rate;
            }
        }
    }
    window.port.setSettings(settingsText(state.CommRate));
    if (window.port.isOpen()) {
        window.message(
            {window.translated(kPortInUse), window.translated(kSystemInfo), false, true});
        return;
    }
    const bool opened = openPort(window);
    state.CommReady = opened;

    // The settings are stored even when the port cannot be opened now, but only success
    // is reported as success.
    const auto writeError =
        writeCommSettings(settingsOf(window), window.files, {state.CommNum, state.CommRate});
    if (writeError) {
        window.message({window.translated(kSettingsNotSaved,
                                          {commSetPath(settingsOf(window)).string(), *writeError}),
                        window.translated(messages::kSystemPrompt), false, true});
    }
    if (!opened) {
        window.message(window.translated(messages::kPortClosed));
        return;
    }
    if (!writeError) {
        window.message(
            {window.translated(kSaved), window.translated(messages::kSystemPrompt), false, false});
    }
}

void Combo1_Click(Window& window) {
    if (!applySelectedPort(window)) {
        return;
    }
    window.port.setSettings(settingsText(window.state.CommRate));
    if (window.port.isOpen()) {
        return;
    }
    openPort(window);
    window.state.CommReady = true;
}

}  // namespace tc24
