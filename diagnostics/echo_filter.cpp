#include "diagnostics/echo_filter.h"

#include <algorithm>

#include "diagnostics/traffic_log.h"
#include "link/window_texts.h"
#include "protocol/codes.h"
#include "protocol/layout.h"

namespace tc24 {

namespace {

void append(Bytes& to, const Bytes& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

// A write-single request is answered with a copy of itself: its echo and its reply look alike.
bool replyRepeatsRequest(const Bytes& request) {
    const auto function = ByteView(request).at(protocol::kFunctionAt);
    return function == protocol::kWriteSingleRegister || function == protocol::kWriteSingleCoil;
}

}  // namespace

void EchoFilter::Expected::expect(const Bytes& bytes) {
    request = bytes;
    matched = 0;
    active = !bytes.empty();
}

bool EchoFilter::Expected::feed(const Bytes& chunk, Bytes& rest) {
    bool completed = false;
    std::size_t i = 0;
    while (active && i < chunk.size()) {
        if (chunk[i] != request[matched]) {
            append(rest, giveUp());  // only resembled it
            break;
        }
        ++i;
        if (++matched == request.size()) {
            active = false;
            completed = true;
        }
    }
    rest.insert(rest.end(), chunk.begin() + static_cast<std::ptrdiff_t>(i), chunk.end());
    return completed;
}

Bytes EchoFilter::Expected::giveUp() {
    Bytes started;
    if (active) {
        started.assign(request.begin(), request.begin() + static_cast<std::ptrdiff_t>(matched));
    }
    active = false;
    matched = 0;
    return started;
}

EchoFilter::EchoFilter(SerialPort& port) : port_(port), threshold_(port.receiveThreshold()) {
    port_.setEventHandler([this] { onPortEvent(); });
}

EchoFilter::~EchoFilter() {
    port_.setEventHandler({});
}

void EchoFilter::setEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    append(kept_, echo_.giveUp());
    watched_.giveUp();
    updatePortThreshold();
}

void EchoFilter::open() {
    port_.open();
    forgetInput();
}

void EchoFilter::close() {
    port_.close();
    forgetInput();
}

void EchoFilter::discardInput() {
    port_.discardInput();
    kept_.clear();
    // Part of the echo went with the input: the rest of it can no longer be recognised.
    if (echo_.partial()) {
        echo_.giveUp();
    }
    if (watched_.partial()) {
        watched_.giveUp();
    }
    updatePortThreshold();
}

void EchoFilter::setReceiveThreshold(int bytes) {
    threshold_ = std::max(bytes, 0);
    updatePortThreshold();
}

void EchoFilter::write(const std::vector<std::uint8_t>& bytes) {
    const bool sent = port_.isOpen() && !bytes.empty();
    if (sent && enabled_) {
        // Bytes that came before the request cannot be its echo.
        take(port_.readAll());
    }
    port_.write(bytes);
    if (sent) {
        if (enabled_) {
            append(kept_, echo_.giveUp());
            echo_.expect(bytes);
        } else if (replyRepeatsRequest(bytes)) {
            watched_.giveUp();
        } else {
            watched_.expect(bytes);
        }
    }
    updatePortThreshold();
}

std::vector<std::uint8_t> EchoFilter::readAll() {
    if (!enabled_) {
        Bytes bytes = port_.readAll();
        if (!kept_.empty()) {
            append(kept_, bytes);
            bytes.swap(kept_);
            kept_.clear();
        }
        watch(bytes);
        return bytes;
    }
    take(port_.readAll());
    // A read takes every waiting byte, an echo not yet complete too: it is not one after all.
    if (echo_.partial()) {
        append(kept_, echo_.giveUp());
    }
    Bytes bytes;
    bytes.swap(kept_);
    updatePortThreshold();
    return bytes;
}

void EchoFilter::onPortEvent() {
    const int kind = port_.eventKind();
    if (!enabled_ || kind != comm_event::DataReceived) {
        if (!port_.isOpen()) {
            forgetInput();  // the device went away and the port closed itself
        }
        kind_ = kind;
    } else {
        take(port_.readAll());
        const bool due = threshold_ > 0 && !echo_.partial() &&
                         kept_.size() >= static_cast<std::size_t>(threshold_);
        updatePortThreshold();
        if (!due) {
            return;
        }
        kind_ = comm_event::DataReceived;
    }
    // A copy, so that the handler may replace itself (the bus scan gives the line back).
    const std::function<void()> handler = handler_;
    if (handler) {
        handler();
    }
}

void EchoFilter::take(const Bytes& chunk) {
    if (echo_.feed(chunk, kept_) && echoDropped) {
        echoDropped(ByteView(echo_.request));
    }
}

void EchoFilter::watch(const Bytes& chunk) {
    Bytes ignored;
    if (watched_.feed(chunk, ignored) && echoSeen) {
        echoSeen();
    }
}

void EchoFilter::forgetInput() {
    kept_.clear();
    echo_.giveUp();
    watched_.giveUp();
    updatePortThreshold();
}

void EchoFilter::updatePortThreshold() {
    int bytes = threshold_;
    if (enabled_) {
        if (echo_.active) {
            bytes = 1;  // every chunk, until the echo is recognised or ruled out
        } else if (threshold_ > 0) {
            bytes = std::max(1, threshold_ - static_cast<int>(kept_.size()));
        }
    }
    port_.setReceiveThreshold(bytes);
}

void connectEchoFilter(EchoFilter& filter, TrafficLog& log, Controls& controls,
                       const Translator& translator) {
    filter.echoDropped = [&log](ByteView echo) { log.recordEcho(echo); };
    filter.echoSeen = [&controls, &translator] {
        controls.showStatus(translator.translate(texts::kEchoSeen));
    };
}

}  // namespace tc24
