#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/window.h"
#include "protocol/byte_view.h"
#include "protocol/frames.h"

namespace tc24 {

// Looks for the modules on the line: a one-register read (function 3, register 0, count 1)
// to each station of a range, one at a time; a station counts when a frame with a correct
// CRC comes back from it. A step ends when that frame is complete or the time-out passes.
//
// While it runs the scan owns the line: it takes the port's event handler, so its replies
// never reach the window's decoders, and it pauses cyclic polling, read-all and automatic
// writing (Timer2, Timer6, Timer3). The hex panes show its traffic. When it ends it gives
// the handler back and restores the timers and the receive threshold; nothing else of the
// window changes, except a station the operator takes into txtStationID.
//
// A reply to the window's last request may still be on the line when the scan starts; on a
// half-duplex line the first request would collide with it. So the scan first waits until
// the line has been quiet for one time-out, and only then asks the first station.
class BusScan {
public:
    struct Settings {
        int first = 1;
        int last = 249;
        int timeoutMs = 100;
    };
    static constexpr int kMinTimeoutMs = 10;
    static constexpr int kMaxTimeoutMs = 10000;

    // The scan's settings from the operator's fields, or the refusal to show.
    struct Parsed {
        std::optional<Settings> settings;
        std::string refusal;
    };
    static Parsed parse(std::string_view first, std::string_view last, std::string_view timeoutMs);

    // `timer` drives the time-outs: the owner calls tick() on each of its ticks.
    // `windowHandler` is the window's own port event handler, given back at the end.
    BusScan(Window& window, Timer& timer, std::function<void()> windowHandler);
    // Leaves the port and timers alone: the window takes its handler back when it closes.
    ~BusScan() = default;
    BusScan(const BusScan&) = delete;
    BusScan& operator=(const BusScan&) = delete;

    // Starts the scan; returns the refusal instead when it cannot start.
    std::optional<std::string> start(const Settings& settings);
    // Stops the sequence at once: no further request goes out.
    void cancel();
    void tick();

    // True from start() until the sequence stops.
    bool running() const { return running_; }
    // True while the scan waits for a quiet line before its first request.
    bool settling() const { return settling_; }
    // True while the scan holds the line; after a stop it waits one time-out for a reply
    // already on its way, so that reply cannot reach the window's decoders.
    bool ownsLine() const { return ownsLine_; }
    bool cancelled() const { return cancelled_; }
    // Why the scan stopped early (port closed or lost); empty otherwise.
    const std::string& failure() const { return failure_; }

    int total() const { return settings_.last - settings_.first + 1; }
    int done() const { return done_; }
    int currentStation() const { return station_; }
    const std::vector<std::uint8_t>& found() const { return found_; }

    // Puts a station found into txtStationID.
    void take(std::uint8_t station);

    // Called after each station and when the sequence stops.
    std::function<void()> progressed;
    // Called when the scan has given the line back.
    std::function<void()> released;

private:
    void ask(int station);
    void onPortEvent();
    // Looks for a frame from the station asked in what came so far, also behind bytes that
    // are not its start (noise at the line's turnaround, the tail of an earlier reply).
    std::optional<protocol::ReplyVerdict> acceptedReply() const;
    // The station asked is done; `replyOutstanding` when it ended by its time-out.
    void stepDone(bool replyOutstanding);
    void stop(bool replyOutstanding);
    void release();

    Window& window_;
    Timer& timer_;
    std::function<void()> windowHandler_;
    Settings settings_;
    bool running_ = false;
    bool settling_ = false;
    std::size_t settleBytes_ = 0;
    bool ownsLine_ = false;
    bool cancelled_ = false;
    std::string failure_;
    int station_ = 0;
    int done_ = 0;
    Bytes request_;
    Bytes received_;
    std::vector<std::uint8_t> found_;

    // What the scan changed and gives back.
    int savedThreshold_ = 0;
    bool timer2Enabled_ = false;
    bool timer3Enabled_ = false;
    bool timer6Enabled_ = false;
};

}  // namespace tc24
