#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/window.h"
#include "master/line_master.h"
#include "master/station_scan.h"
#include "protocol/byte_view.h"

namespace tc24 {

// Looks for the modules on the line: a one-register read (function 3, register 0, count 1)
// to each station of a range, one at a time, through the same line master and scan loop as
// tc24-cli's `scan`. A station counts when a CRC-valid frame comes back from it (a reply or an
// exception, also behind noise); an answer that cannot be read (a wrong CRC, bytes that make
// no frame) is listed as garbled. A silent station costs one time-out; after a garbled answer
// the master waits one more time-out before it asks the next station.
//
// While it runs the scan owns the line: it takes the port's event handler, so its replies
// never reach the window's decoders, and it pauses cyclic polling, read-all and automatic
// writing (Timer2, Timer6, Timer3). The hex panes show its traffic. When it ends it gives
// the handler back and restores the timers and the receive threshold; nothing else of the
// window changes, except a station the operator takes into txtStationID.
//
// A reply to the window's last request may still be on the line when the scan starts; on a
// half-duplex line the first request would collide with it. So the scan first waits one
// time-out, reading and dropping what comes, and then for the line's silence.
class BusScan {
public:
    // The stations first … last, each given timeoutMs to answer. The dialog's spin boxes keep
    // them within 1 … 249, last ≥ first, and 10 … 10000 ms; start() brings settings from
    // elsewhere into the same ranges.
    struct Settings {
        int first = master::kScanFirstStation;
        int last = master::kScanLastStation;
        int timeoutMs = 100;
    };
    static constexpr int kMinTimeoutMs = 10;
    static constexpr int kMaxTimeoutMs = 10000;

    using Now = std::function<master::TimePoint()>;

    // `timer` drives the time-outs: the owner calls tick() on each of its ticks.
    // `windowHandler` is the window's own port event handler, given back at the end. `now`
    // tells the time (tests give a clock of their own).
    BusScan(
        Window& window, Timer& timer, std::function<void()> windowHandler,
        Now now = [] { return master::Clock::now(); });
    // Leaves the port and timers alone: the window takes its handler back when it closes.
    ~BusScan() = default;
    BusScan(const BusScan&) = delete;
    BusScan& operator=(const BusScan&) = delete;

    // Starts the scan; returns the refusal instead when it cannot start (the port is closed, or
    // a scan holds the line). The refusal, as failure(), is a marked text (TC24_TR) in Chinese.
    std::optional<std::string> start(const Settings& settings);
    // Stops the sequence at once: no further request goes out.
    void cancel();
    void tick();

    // True from start() until the sequence stops.
    bool running() const { return running_; }
    // True while the scan waits for a quiet line before its first request.
    bool settling() const { return running_ && !asked_; }
    // True while the scan holds the line; after a stop it waits one time-out for a reply
    // already on its way, so that reply cannot reach the window's decoders.
    bool ownsLine() const { return ownsLine_; }
    bool cancelled() const { return cancelled_; }
    // Why the scan stopped early (port closed or lost); empty otherwise.
    const std::string& failure() const { return failure_; }
    // A reply began with the scan's own request: the line echoes.
    bool echoSeen() const { return echoSeen_; }

    int total() const { return settings_.last - settings_.first + 1; }
    int done() const { return stations_ ? stations_->done() : 0; }
    int currentStation() const { return stations_ ? stations_->station() : 0; }
    const std::vector<std::uint8_t>& found() const;
    const std::vector<std::uint8_t>& garbled() const;

    // Puts a station found into txtStationID.
    void take(std::uint8_t station);

    // Called after each station and when the sequence stops.
    std::function<void()> progressed;
    // Called when the scan has given the line back.
    std::function<void()> released;

private:
    void onPortEvent();
    // Does what the master asks until it waits: sends, and moves on from station to station.
    void pump();
    void stop(bool replyOutstanding);
    void release();

    Window& window_;
    Timer& timer_;
    std::function<void()> windowHandler_;
    Now now_;
    Settings settings_;
    std::optional<master::LineMaster> line_;
    std::optional<master::StationScan> stations_;
    bool running_ = false;
    bool asked_ = false;  // the first station has been asked
    bool ownsLine_ = false;
    bool cancelled_ = false;
    bool echoSeen_ = false;
    std::string failure_;

    // What the scan changed and gives back.
    int savedThreshold_ = 0;
    bool timer2Enabled_ = false;
    bool timer3Enabled_ = false;
    bool timer6Enabled_ = false;
};

}  // namespace tc24
