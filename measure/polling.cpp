#include "measure/polling.h"

#include <string>

#include "link/control_names.h"
#include "link/numbers.h"
#include "measure/register_query.h"
#include "protocol/translatable.h"

namespace tc24::measure {

namespace {

constexpr const char* kIntervalNotNumber =
    TC24_TR("tc24", "你输入的定时时长格式有误，应该为数字，值范围为100-60000!");
constexpr const char* kIntervalRange =
    TC24_TR("tc24", "你输入的定时时长格式有误，应该为数字，值范围为50-60000!");
constexpr double kMinInterval = 50;
constexpr double kMaxInterval = 60000;
constexpr double kCounterLimit = 65535;

double labelNumber(const Controls& ui, std::string_view name) {
    return numbers::parse(ui.text(name)).value_or(0);
}

}  // namespace

void cmdOneM_Click(Window& window) {
    auto& ui = window.ui;
    ui.setShown(control::PictureShow, true);
    ui.setShown(control::TXTSN, false);
    // The counters restart even when the interval is then refused.
    ui.setText(control::lblCounter, "1");
    window.state.RecCount = 1;
    ui.setText(control::lblErrCounter, "1");

    const auto interval = numbers::parse(ui.text(control::txtTimerSet));
    if (!interval) {
        window.message(window.translated(kIntervalNotNumber));
        return;
    }
    const double whole = numbers::roundDown(*interval);
    if (whole < kMinInterval || whole > kMaxInterval) {
        window.message(window.translated(kIntervalRange));
        return;
    }
    window.Timer2.setInterval(static_cast<int>(numbers::roundHalfEven(*interval)));
    window.Timer2.setEnabled(true);
}

void cmdStopOnce_Click(Window& window) {
    window.ui.setShown(control::PictureShow, true);
    window.Timer2.setEnabled(false);
    window.ui.setShown(control::TXTSN, false);
}

void Timer2_Timer(Window& window) {
    Window::TickScope tick(window, window.Timer2);
    if (!tick.mayRun()) {
        return;  // the box of an earlier poll is still open
    }
    auto& ui = window.ui;
    if (!numbers::isNumeric(ui.text(control::txtDataLength))) {
        ui.setText(control::txtDataLength, "1");
    }
    if (labelNumber(ui, control::lblCounter) > kCounterLimit) {
        ui.setText(control::lblCounter, "0");
    }
    if (!window.state.CommReady) {
        return;
    }
    ui.setText(control::lblCounter, numbers::toText(labelNumber(ui, control::lblCounter) + 1));
    comDoOnce_Click(window);
}

}  // namespace tc24::measure
