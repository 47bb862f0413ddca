#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>

#include "cli/transport.h"
#include "master/line_master.h"
#include "protocol/replies.h"

namespace tc24::cli {

// Exit statuses, which scripts rely on.
enum ExitStatus {
    kDone = 0,
    kModuleFailed = 1,  // the module answered wrongly or not at all
    kUsage = 2,         // a usage error, a bad input file, a path that cannot take results
    kPortFailed = 3,    // the port cannot be opened, or went away
    kOutputFailed = 4,  // the results could not be written
    kCheckFailed = 5,   // commission: the module answered, but failed a check
};

struct Failure {
    ExitStatus status = kModuleFailed;
    std::string message;
};

template <typename Value>
struct Outcome {
    std::optional<Value> value;  // set when the module carried the request out
    Failure failure;             // otherwise why not
    master::Result result;       // what the line did

    bool ok() const { return value.has_value(); }
    bool heard() const { return result.heard; }
    bool refused() const { return result.ending == master::Ending::Exception; }
    // The module may have carried the request out although no valid reply came.
    bool effectUnknown() const { return !ok() && result.effectUnknown(); }
};

// Whether a request may be sent again after an attempt without a valid reply.
enum class Resend {
    AsSet,  // as often as --retries asks
    Never,  // a request that changes the module: a lost reply does not mean it was not taken;
            // only a busy module (exception 06, not carried out) is asked again
};

// The tool's side of the line: drives a LineMaster over a Transport, blocking until each
// request has its verdict, and turns verdicts into values or messages.
class Master {
public:
    Master(Transport& transport, master::LineTiming timing, int retries, bool echoSuppression)
        : transport_(&transport), line_(timing, echoSuppression), retries_(retries) {}

    template <typename Value>
    using Parser = std::optional<protocol::Parsed<Value>> (*)(std::span<const std::uint8_t>,
                                                              std::span<const std::uint8_t>);

    template <typename Value>
    Outcome<Value> ask(const Bytes& request, Parser<Value> parse, Resend resend = Resend::AsSet) {
        Outcome<Value> outcome;
        outcome.result = exchange(transaction(request, resend));
        if (outcome.result.ok()) {
            const auto parsed = parse(request, outcome.result.reply);
            if (parsed && parsed->valid()) {
                outcome.value = parsed->value;
                return outcome;
            }
            outcome.result.ending = master::Ending::Mismatch;
        }
        outcome.failure = failureOf(request, outcome.result);
        return outcome;
    }

    master::Transaction transaction(const Bytes& request, Resend resend) const;
    // Runs one transaction to its verdict.
    master::Result exchange(master::Transaction transaction);
    // Why `result` is no answer to `request`, in words.
    Failure failureOf(const Bytes& request, const master::Result& result) const;

    // Carries on over another line (reopened after a loss).
    void replaceTransport(Transport& transport);

    void setTrace(std::function<void(const master::TraceEvent&)> trace) {
        line_.trace = std::move(trace);
    }
    const master::LineTiming& timing() const { return line_.timing(); }
    int retries() const { return retries_; }

private:
    Transport* transport_;
    master::LineMaster line_;
    int retries_;
};

}  // namespace tc24::cli
