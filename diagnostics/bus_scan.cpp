#include "diagnostics/bus_scan.h"

#include "link/control_names.h"
#include "link/numbers.h"
#include "protocol/frames.h"
#include "protocol/hex.h"
#include "protocol/requests.h"

namespace tc24 {

namespace {

constexpr const char* kFirstMalformed = "起始站号格式有误，正确值为1-249!";
constexpr const char* kLastMalformed = "结束站号格式有误，正确值为1-249，且不小于起始站号!";
constexpr const char* kTimeoutMalformed = "超时时间格式有误，正确值为10-10000毫秒!";
constexpr const char* kAlreadyRunning = "总线扫描正在进行";
constexpr const char* kPortClosed = "串口未打开，无法扫描总线";
constexpr const char* kPortLost = "串口已断开，扫描中止";
constexpr std::size_t kMaxReplyBytes = 256;

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

}  // namespace

BusScan::Parsed BusScan::parse(std::string_view first, std::string_view last,
                               std::string_view timeoutMs) {
    const auto from = wholeIn(first, protocol::kLowestStation, protocol::kHighestStation);
    if (!from) {
        return {std::nullopt, kFirstMalformed};
    }
    const auto to = wholeIn(last, *from, protocol::kHighestStation);
    if (!to) {
        return {std::nullopt, kLastMalformed};
    }
    const auto timeout = wholeIn(timeoutMs, kMinTimeoutMs, kMaxTimeoutMs);
    if (!timeout) {
        return {std::nullopt, kTimeoutMalformed};
    }
    return {Settings{*from, *to, *timeout}, {}};
}

BusScan::BusScan(Window& window, Timer& timer, std::function<void()> windowHandler)
    : window_(window), timer_(timer), windowHandler_(std::move(windowHandler)) {
    timer_.setInterval(0);
}

std::optional<std::string> BusScan::start(const Settings& settings) {
    if (ownsLine_) {
        return kAlreadyRunning;
    }
    if (settings.first < protocol::kLowestStation || settings.first > protocol::kHighestStation) {
        return kFirstMalformed;
    }
    if (settings.last < settings.first || settings.last > protocol::kHighestStation) {
        return kLastMalformed;
    }
    if (settings.timeoutMs < kMinTimeoutMs || settings.timeoutMs > kMaxTimeoutMs) {
        return kTimeoutMalformed;
    }
    if (!window_.port.isOpen()) {
        return kPortClosed;
    }
    settings_ = settings;
    cancelled_ = false;
    failure_.clear();
    done_ = 0;
    found_.clear();

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
    settling_ = true;
    settleBytes_ = 0;
    port.discardInput();
    port.setReceiveThreshold(1);
    timer_.setEnabled(true);
    timer_.setInterval(settings_.timeoutMs);
    return std::nullopt;
}

void BusScan::ask(int station) {
    auto& port = window_.port;
    if (!port.isOpen()) {
        failure_ = kPortLost;
        stop(false);
        return;
    }
    station_ = station;
    received_.clear();
    request_ = protocol::registerReadRequest(static_cast<std::uint8_t>(station), 0, 1);

    port.discardInput();
    port.setReceiveThreshold(1);  // every chunk reaches the scan
    window_.ui.setText(control::txtCommand, requestEchoText(request_));
    port.write(request_);
    timer_.setInterval(settings_.timeoutMs);  // restarts the period: the time-out of this step
}

void BusScan::onPortEvent() {
    auto& port = window_.port;
    if (port.eventKind() != comm_event::DataReceived) {
        windowHandler_();  // the window counts line events as always
        if (!port.isOpen()) {
            if (running_) {
                failure_ = kPortLost;
            }
            running_ = false;
            settling_ = false;
            release();
        }
        return;
    }
    const Bytes chunk = port.readAll();
    if (chunk.empty()) {
        return;
    }
    window_.ui.setText(control::txtState, receivedHexText(chunk));
    if (settling_) {
        // The line is still busy: wait one more time-out, but not for ever on a noisy line.
        settleBytes_ += chunk.size();
        if (settleBytes_ < kMaxReplyBytes) {
            timer_.setInterval(settings_.timeoutMs);
        }
        return;
    }
    if (!running_ || received_.size() >= kMaxReplyBytes) {
        return;  // a late reply after the stop, or garbage: shown, not counted
    }
    received_.insert(received_.end(), chunk.begin(), chunk.end());
    if (acceptedReply()) {
        // A correct frame from the station asked: a module is there.
        found_.push_back(static_cast<std::uint8_t>(station_));
        received_.clear();
        stepDone(false);
    }
    // Otherwise not (yet) a frame from this station, or garbled: wait for the time-out.
}

std::optional<protocol::ReplyVerdict> BusScan::acceptedReply() const {
    const std::span<const std::uint8_t> all(received_);
    for (std::size_t start = 0; start < all.size(); ++start) {
        if (all[start] != static_cast<std::uint8_t>(station_)) {
            continue;
        }
        const auto check = protocol::checkReply(request_, all.subspan(start));
        if (!check) {
            continue;
        }
        switch (check->verdict) {
            case protocol::ReplyVerdict::Valid:
            case protocol::ReplyVerdict::Exception:
            case protocol::ReplyVerdict::Mismatch:
                return check->verdict;
            case protocol::ReplyVerdict::CrcError:
            case protocol::ReplyVerdict::WrongStation:
                break;
        }
    }
    return std::nullopt;
}

void BusScan::tick() {
    if (settling_) {
        settling_ = false;  // the line has been quiet for one time-out
        ask(settings_.first);
        if (progressed) {
            progressed();
        }
    } else if (running_) {
        stepDone(true);  // the time-out of the station asked
    } else if (ownsLine_) {
        release();  // the wait for a late reply is over
    }
}

void BusScan::stepDone(bool replyOutstanding) {
    ++done_;
    if (station_ >= settings_.last) {
        stop(replyOutstanding);
        return;
    }
    ask(station_ + 1);
    if (progressed) {
        progressed();
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
    settling_ = false;
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
