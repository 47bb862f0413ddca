#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "master/line_timing.h"
#include "protocol/byte_view.h"

namespace tc24::master {

// The most bytes read for one reply; anything longer is noise or a device that does not stop.
inline constexpr std::size_t kMostReplyBytes = 256;

// One request and how it may be repeated.
struct Transaction {
    Bytes frame;  // the request, which the reply is judged against
    Bytes wire;   // what goes on the wire: the frame, padded where the module expects it
    int attempts = 1;
    // Whether an attempt without a valid reply (silence, a cut or broken reply) may be repeated.
    // Not for a request that changes the module: a lost reply does not mean it was not taken.
    bool resendWhenUnknown = true;
    // Exception 06 (busy) means the request was not carried out: it is resent as `attempts`
    // allows, whatever resendWhenUnknown says.
    bool retryBusy = true;
    // Whether an attempt that heard nothing at all is followed by the guard. The bus scan goes
    // on to the next station at once: a silent station costs one time-out, no more.
    bool guardAfterSilence = true;
};

// Builds a transaction for `frame` (padding added as the module expects).
Transaction transactionFor(Bytes frame, int attempts);

enum class Ending {
    Valid,       // a CRC-valid reply from the station asked, to the function asked
    Exception,   // a CRC-valid exception reply from the station asked
    Mismatch,    // a CRC-valid frame from the station asked, but for another function
    NoReply,     // no byte within the time-out
    Incomplete,  // bytes that never made a frame before the line fell silent
    CrcError,    // a frame of the reply's length with a wrong CRC, and nothing valid after it
    LineBusy,    // the line never fell silent long enough to send
    PortLost,    // the port went away
};

struct Result {
    Ending ending = Ending::NoReply;
    Bytes reply;                     // Valid, Exception, Mismatch: the frame
    std::uint8_t exceptionCode = 0;  // Exception
    int attempts = 0;                // attempts made
    // Something came in reply to an attempt: a broken reply, or a frame from another station.
    bool heard = false;
    // A reply began with the request itself: the line echoes requests (only without echo
    // suppression, and never for function 06, whose reply is the request).
    bool echoSeen = false;
    Bytes received;                    // what the last failed attempt received
    std::vector<Bytes> otherStations;  // whole frames from another station, skipped
    Bytes late;              // bytes dropped while the line had to be silent (a late reply, noise)
    std::string lostReason;  // PortLost

    bool ok() const { return ending == Ending::Valid; }
    // The module may have carried the request out although no valid reply came: it was silent
    // or its reply was broken, rather than refusing it or the line going away.
    bool effectUnknown() const {
        return ending == Ending::NoReply || ending == Ending::Incomplete ||
               ending == Ending::CrcError;
    }
};

// What went over the line, for a trace.
struct TraceEvent {
    enum class Kind { Sent, Received, EchoDropped, LateDropped };
    Kind kind = Kind::Sent;
    TimePoint at;
    std::optional<Duration> sinceRequest;  // since the last request was sent
    std::span<const std::uint8_t> bytes;
};

// The master of the line: one request at a time, every reply read to its end, and never a
// request while bytes may still be arriving.
// - The time-out bounds the wait for a reply's first byte; a reply under way is read to the
//   length its request implies (or an exception's), and the byte gap ends one that was cut.
// - After a time-out, a cut reply or a wrong CRC, a guard of one time-out (at most 1 s) passes
//   before the next request, whatever it is; bytes arriving then are read and dropped. The
//   guard is fixed, not measured from the last byte, so a noisy line cannot hold the master.
// - Before every request the line has been silent for 3.5 character times.
// - A frame from another station (a late reply to an earlier request) is skipped, and bytes
//   before a valid frame from the station asked (noise at the turnaround) are passed over.
// - Exception 06 (busy) is a failed attempt; other exceptions are final.
// - With echo suppression the request coming back first, byte for byte, is dropped once.
//
// It is driven by events: start() a transaction, then call step() and do what it says (send
// bytes and report sent(); wait until a time or until bytes arrive and report received()),
// until it says Done; lost() when the port goes away.
class LineMaster {
public:
    explicit LineMaster(LineTiming timing, bool echoSuppression = false);

    struct Step {
        enum class Kind { Send, Wait, Done };
        Kind kind = Kind::Done;
        std::span<const std::uint8_t> bytes;  // Send
        TimePoint until;                      // Wait: come back by then, or when bytes arrive
    };

    void start(Transaction transaction, TimePoint now);
    Step step(TimePoint now);
    void sent(TimePoint now);
    void received(std::span<const std::uint8_t> bytes, TimePoint now);
    void lost(std::string reason);

    // True from start() until step() says Done.
    bool busy() const { return phase_ != Phase::Idle && phase_ != Phase::Done; }
    const Result& result() const { return result_; }

    // Holds the next request back by one guard from `now`, as after a failed attempt: the line
    // may still carry a reply to a request someone else sent.
    void guardFrom(TimePoint now);
    // A new line (reopened after a loss): nothing pending, silence counted from `now`.
    void reset(TimePoint now);

    const LineTiming& timing() const { return timing_; }
    bool echoSuppression() const { return echoSuppression_; }
    // A driver that hands over bytes the moment they arrive (a port's events) needs no look at
    // the port before a request; one that reads only while it waits (a blocking loop) does.
    void setDeliversAtOnce(bool atOnce) { deliversAtOnce_ = atOnce; }

    std::function<void(const TraceEvent&)> trace;

private:
    enum class Phase { Idle, Guard, Silence, Send, Await, Done };

    void enterQuietPhases(TimePoint now);
    void judge(TimePoint now);
    bool takeEcho(TimePoint now);
    void endAttempt(Ending ending, TimePoint now, std::size_t frameAt = 0,
                    std::size_t frameLength = 0, std::uint8_t exceptionCode = 0);
    void noteLate(std::span<const std::uint8_t> bytes, TimePoint now);
    void report(TraceEvent::Kind kind, std::span<const std::uint8_t> bytes, TimePoint now);

    LineTiming timing_;
    bool echoSuppression_;
    bool deliversAtOnce_ = false;
    Transaction transaction_;
    Result result_;
    Phase phase_ = Phase::Idle;
    int attempt_ = 0;

    std::optional<TimePoint> lastByteAt_;  // the last byte seen on the line
    std::optional<TimePoint> guardUntil_;  // a guard still to be kept
    TimePoint silenceSince_;               // when the silence phase began
    bool listened_ = false;                // the silence phase has asked for bytes once
    std::optional<TimePoint> sentAt_;      // the last request

    Bytes rx_;  // this attempt's reply so far
    TimePoint firstByteDeadline_;
    TimePoint lastRxAt_;
    bool echoPending_ = false;   // the echo of the request may still come first
    bool echoSeen_ = false;      // this attempt's reply began with the request
    bool sawCrcError_ = false;   // a frame of the reply's length failed its CRC
    bool heardAttempt_ = false;  // this attempt received anything
    bool heardBefore_ = false;   // an earlier attempt did
};

// "exception 02 (illegal data address)".
std::string exceptionText(std::uint8_t code);

}  // namespace tc24::master
