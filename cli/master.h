#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "cli/transport.h"
#include "protocol/frames.h"
#include "protocol/replies.h"

namespace tc24::cli {

// Exit statuses, which scripts rely on.
enum ExitStatus {
    kDone = 0,
    kModuleFailed = 1,  // the module answered wrongly or not at all
    kUsage = 2,         // a usage error or a bad input file
    kPortFailed = 3,    // the port cannot be opened, or went away
};

struct Failure {
    ExitStatus status = kModuleFailed;
    std::string message;
};

template <typename Value>
struct Outcome {
    std::optional<Value> value;  // set when the module carried the request out
    Failure failure;             // otherwise why not
    // The verdict on the last reply; nothing when none came (or the line went away).
    std::optional<protocol::ReplyVerdict> verdict;
    bool heard = false;  // anything at all arrived, even a broken frame

    bool ok() const { return value.has_value(); }
    // Whether the module may have carried the request out although no valid reply came: it
    // was silent or its reply broken, rather than refusing or the line going away.
    bool effectUnknown() const {
        return !ok() && failure.status == kModuleFailed &&
               (!verdict || *verdict == protocol::ReplyVerdict::CrcError);
    }
};

struct MasterSettings {
    std::chrono::milliseconds timeout{1000};  // for each attempt, from the request to the reply
    int retries = 0;                          // further attempts after a failed one
    // Silence that ends whatever is left of a broken reply before the next attempt.
    std::chrono::milliseconds quiet{20};
};

// The most bytes of a broken reply waited out before the next request; a longer stream is
// noise or a device that does not stop, and is discarded.
inline constexpr std::size_t kMostBytesWaitedOut = 256;

// Whether a request may be sent again after a failed attempt.
enum class Resend {
    AsSet,  // as often as MasterSettings::retries asks
    Never,  // a request that changes the module: a lost reply does not mean it was not taken
};

// Sends one request at a time and waits for its reply, of the length the request makes known,
// checked for station, function, CRC, exception and content. A time-out and a wrong CRC are
// retried as often as asked; an exception or a reply that does not answer the request is
// final. A frame from another station (a late reply to an earlier request) is skipped and the
// wait goes on. Before another request, whatever is left of a broken reply is waited out.
class Master {
public:
    Master(Transport& transport, MasterSettings settings)
        : transport_(transport), settings_(settings) {}

    template <typename Value>
    using Parser = std::optional<protocol::Parsed<Value>> (*)(std::span<const std::uint8_t>,
                                                              std::span<const std::uint8_t>);

    template <typename Value>
    Outcome<Value> ask(const Bytes& request, Parser<Value> parse, Resend resend = Resend::AsSet) {
        Outcome<Value> outcome;
        std::optional<protocol::Parsed<Value>> parsed;
        const auto judged = exchange(
            request,
            [&](std::span<const std::uint8_t> received) {
                parsed = parse(request, received);
                return parsed ? std::optional(parsed->check) : std::nullopt;
            },
            resend == Resend::AsSet ? settings_.retries + 1 : 1);
        outcome.failure = judged.failure;
        outcome.verdict = judged.verdict;
        outcome.heard = judged.heard;
        if (judged.accepted) {
            outcome.value = parsed->value;
        }
        return outcome;
    }

    const MasterSettings& settings() const { return settings_; }

private:
    struct Judged {
        bool accepted = false;
        Failure failure;
        std::optional<protocol::ReplyVerdict> verdict;
        bool heard = false;
    };
    using Judge = std::function<std::optional<protocol::ReplyCheck>(std::span<const std::uint8_t>)>;

    Judged exchange(const Bytes& request, const Judge& judge, int attempts);
    void awaitSilence();

    Transport& transport_;
    MasterSettings settings_;
};

// "exception 02 (illegal data address)".
std::string exceptionText(std::uint8_t code);

}  // namespace tc24::cli
