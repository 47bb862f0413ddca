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

    bool ok() const { return value.has_value(); }
};

struct MasterSettings {
    std::chrono::milliseconds timeout{1000};  // for each attempt, from the request to the reply
    int retries = 0;                          // further attempts after a failed one
    // Silence that ends whatever is left of a broken reply before the next attempt.
    std::chrono::milliseconds quiet{20};
};

// Sends one request at a time and waits for its reply, of the length the request makes known,
// checked for station, function, CRC, exception and content. A time-out, a wrong CRC and a
// reply from another station are retried as often as asked; an exception or a reply that does
// not answer the request is final.
class Master {
public:
    Master(Transport& transport, MasterSettings settings)
        : transport_(transport), settings_(settings) {}

    template <typename Value>
    using Parser = std::optional<protocol::Parsed<Value>> (*)(std::span<const std::uint8_t>,
                                                              std::span<const std::uint8_t>);

    template <typename Value>
    Outcome<Value> ask(const Bytes& request, Parser<Value> parse) {
        Outcome<Value> outcome;
        std::optional<protocol::Parsed<Value>> parsed;
        const auto judged = exchange(request, [&](std::span<const std::uint8_t> received) {
            parsed = parse(request, received);
            return parsed ? std::optional(parsed->check) : std::nullopt;
        });
        outcome.failure = judged.failure;
        outcome.verdict = judged.verdict;
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
    };
    using Judge = std::function<std::optional<protocol::ReplyCheck>(std::span<const std::uint8_t>)>;

    Judged exchange(const Bytes& request, const Judge& judge);
    void awaitSilence();

    Transport& transport_;
    MasterSettings settings_;
};

// "exception 02 (illegal data address)".
std::string exceptionText(std::uint8_t code);

}  // namespace tc24::cli
