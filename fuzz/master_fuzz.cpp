// The line master fed arbitrary bytes as replies, in arbitrary pieces at arbitrary times, as a
// tcp:// peer or a broken line could send them: it must always come to a verdict, never read
// more than a reply's worth into one, and take as valid only a frame that is one.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "master/line_master.h"
#include "protocol/frames.h"
#include "protocol/requests.h"

namespace {

using namespace tc24;
using namespace std::chrono_literals;

// Reads the fuzzer's input as a script: each piece is a pause (ms), a length and the bytes.
class Script {
public:
    Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool done() const { return at_ >= size_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    Bytes bytes(std::size_t count) {
        const std::size_t taken = std::min(count, size_ - std::min(at_, size_));
        Bytes piece(data_ + at_, data_ + at_ + taken);
        at_ += taken;
        return piece;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Script script(data, size);
    const std::uint8_t flags = script.byte();
    master::LineMaster line(
        flags & 1 ? master::LineTiming::network(50ms) : master::LineTiming::serial(19200, 50ms),
        (flags & 2) != 0);
    line.setDeliversAtOnce((flags & 4) != 0);
    const Bytes requests[] = {
        protocol::registerReadRequest(1, 0, 24), protocol::sensorCountRequest(),
        protocol::serialReadRequest(1, 3),       protocol::addressChangeRequest(1, 7),
        protocol::identifyRequest(1, 2),
    };
    master::TimePoint now{};
    for (int round = 0; round < 4 && !script.done(); ++round) {
        const Bytes& request = requests[script.byte() % std::size(requests)];
        line.start(master::transactionFor(request, 1 + script.byte() % 3), now);
        int steps = 0;
        for (;; ++steps) {
            check(steps < 100000);
            const auto step = line.step(now);
            if (step.kind == master::LineMaster::Step::Kind::Done) {
                break;
            }
            if (step.kind == master::LineMaster::Step::Kind::Send) {
                line.sent(now);
                continue;
            }
            check(step.until >= now);
            if (script.done()) {
                now = step.until;
                continue;
            }
            const auto pause = std::chrono::milliseconds(script.byte() % 120);
            if (now + pause > step.until) {
                now = step.until;
                continue;
            }
            now += pause;
            line.received(script.bytes(script.byte() % 64), now);
        }
        const master::Result& result = line.result();
        check(result.received.size() <= master::kMostReplyBytes);
        check(result.late.size() <= master::kMostReplyBytes);
        if (result.ok()) {
            const auto verdict = protocol::checkReply(request, result.reply);
            check(verdict && verdict->verdict == protocol::ReplyVerdict::Valid &&
                  verdict->length == result.reply.size());
        }
    }
    return 0;
}
