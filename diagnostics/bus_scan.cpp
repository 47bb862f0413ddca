#include "diagnostics/bus_scan.h"

#include <algorithm>
#include <string_view>

#include "link/control_names.h"
#include "link/numbers.h"
#include "protocol/hex.h"
#include "protocol/translatable.h"

namespace tc24 {

namespace {

// Marked texts: the dialog shows them in the window's language.
constexpr const char* kAlreadyRunning = TC24_TR("tc24", "总线扫描正在进行");
constexpr const char* kPortClosed = TC24_TR("tc24", "串口未打开，无法扫描总线");
constexpr const char* kPortLost = TC24_TR("tc24", "串口已断开，扫描中止");
constexpr int kFallbackBaud = 9600;

std::optional<int> wholeIn(std::string_view text, int low, int high) {
    const auto value = numbers::parse(text);
    if (!value) {
        return std::nullopt;
    }
    const double whole = numbers::roundDown(*value);
    if (whole < low || whole > high) {
        return std::nullopt;
    }
    return static_cast<int>(whole);
}

// The rate of "19200,N,8,1".
int baudOf(const std::string& settings) {
    const auto rate = wholeIn(settings.substr(0, settings.find(',')), 1, 100'000'000);
    return rate.value_or(kFallbackBaud);
}

const std::vector<std::uint8_t> kNone;

}  // namespace

BusScan::BusScan(Window& window, Timer& timer, std::function<void()> windowHandler, Now now)
    : window_(window),
      timer_(timer),
      windowHandler_(std::move(windowHandler)),
      now_(std::move(now)) {
    timer_.setInterval(0);
}

const std::vector<std::uint8_t>& BusScan::found() const {
    return stations_ ? stations_->found() : kNone;
}

const std::vector<std::uint8_t>& BusScan::garbled() const {
    return stations_ ? stations_->garbled() : kNone;
}

std::optional<std::string> BusScan::start(const Settings& settings) {
    if (ownsLine_) {
        return kAlreadyRunning;
    }
    if (!window_.port.isOpen()) {
        return kPortClosed;
    }
    // As the dialog's spin boxes do: the end station never before the start.
    settings_.first =
        std::clamp(settings.first, int{protocol::kLowestStation}, int{protocol::kHighestStation});
    settings_.last = std::clamp(settings.last, settings_.first, int{protocol::kHighestStation});
    settings_.timeoutMs = std::clamp(settings.timeoutMs, kMinTimeoutMs, kMaxTimeoutMs);
    cancelled_ = false;
    echoSeen_ = false;
    failure_.clear();
    asked_ = false;

    // Take the line: no poll, read-all or automatic write goes out while the scan runs.
    auto& port = window_.port;
    savedThreshold_ = port.receiveThreshold();
    timer2Enabled_ = window_.Timer2.isEnabled();
    timer3Enabled_ = window_.Timer3.isEnabled();
    timer6Enabled_ = window_.Timer6.isEnabled();
    window_.Timer2.setEnabled(false);
    window_.Timer3.setEnabled(false);
    window_.Timer6.setEnabled(false);
    port.setEventHandler([this] { onPortEvent(); });
    running_ = true;
    ownsLine_ = true;
    port.discardInput();
    port.setReceiveThreshold(1);  // every chunk reaches the scan

    const auto now = now_();
    line_.emplace(master::LineTiming::serial(baudOf(port.settings()),
                                             std::chrono::milliseconds(settings_.timeoutMs)));
    line_->setDeliversAtOnce(true);  // the port's events bring every chunk as it comes
    stations_.emplace(settings_.first, settings_.last);
    line_->guardFrom(now);  // the window's last reply may still be on its way
    line_->start(stations_->transaction(), now);
    timer_.setEnabled(true);
    pump();
    return std::nullopt;
}

void BusScan::pump() {
    using Kind = master::LineMaster::Step::Kind;
    while (running_) {
        const auto now = now_();
        const auto step = line_->step(now);
        if (step.kind == Kind::Wait) {
            const auto wait =
                std::chrono::ceil<std::chrono::milliseconds>(step.until - now).count();
            timer_.setInterval(static_cast<int>(std::clamp<long long>(wait, 1, kMaxTimeoutMs)));
            return;
        }
        if (step.kind == Kind::Send) {
            auto& port = window_.port;
            if (!port.isOpen()) {
                failure_ = kPortLost;
                stop(false);
                return;
            }
            const Bytes request(step.bytes.begin(), step.bytes.end());
            window_.ui.setText(control::txtCommand, requestEchoText(request));
            port.write(request);
            line_->sent(now_());
            if (!asked_) {
                asked_ = true;
                if (progressed) {
                    progressed();
                }
            }
            continue;
        }
        // The station's verdict: on to the next, or the end.
        const master::Result& result = line_->result();
        echoSeen_ = echoSeen_ || result.echoSeen;
        const master::StationAnswer answer = stations_->record(result);
        if (stations_->finished()) {
            // A silent last station may still answer late; a found or garbled one is over.
            stop(answer == master::StationAnswer::Silent);
            return;
        }
        line_->start(stations_->transaction(), now_());
        if (progressed) {
            progressed();
        }
    }
}

void BusScan::onPortEvent() {
    auto& port = window_.port;
    if (port.eventKind() != comm_event::DataReceived) {
        windowHandler_();  // the window counts line events as always
        if (!port.isOpen()) {
            if (running_) {
                failure_ = kPortLost;
                line_->lost(failure_);
            }
            running_ = false;
            release();
            if (progressed) {
                progressed();
            }
        }
        return;
    }
    const Bytes chunk = port.readAll();
    if (chunk.empty()) {
        return;
    }
    window_.ui.setText(control::txtState, receivedHexText(chunk));
    if (!running_) {
        return;  // a late reply after the stop: shown, not counted
    }
    line_->received(chunk, now_());
    pump();
}

void BusScan::tick() {
    if (running_) {
        pump();
    } else if (ownsLine_) {
        release();  // the wait for a late reply is over
    }
}

void BusScan::cancel() {
    if (!running_) {
        return;
    }
    cancelled_ = true;
    stop(true);
}

void BusScan::stop(bool replyOutstanding) {
    running_ = false;
    if (replyOutstanding && window_.port.isOpen()) {
        timer_.setInterval(settings_.timeoutMs);  // wait once more for a reply on its way
    } else {
        release();
    }
    if (progressed) {
        progressed();
    }
}

void BusScan::release() {
    if (!ownsLine_) {
        return;
    }
    timer_.setInterval(0);
    auto& port = window_.port;
    port.discardInput();
    port.setReceiveThreshold(savedThreshold_);
    port.setEventHandler(windowHandler_);
    window_.Timer2.setEnabled(timer2Enabled_);
    window_.Timer3.setEnabled(timer3Enabled_);
    window_.Timer6.setEnabled(timer6Enabled_);
    ownsLine_ = false;
    if (released) {
        released();
    }
}

void BusScan::take(std::uint8_t station) {
    window_.ui.setText(control::txtStationID, std::to_string(station));
}

}  // namespace tc24
