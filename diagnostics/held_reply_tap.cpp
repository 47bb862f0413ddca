#include "diagnostics/held_reply_tap.h"

#include "protocol/frames.h"

namespace tc24 {

void HeldReplyTap::discardInput() {
    // The bytes the window drops unread may be the end of a held reply.
    if (port_.isOpen()) {
        take(port_.readAll());
    }
    port_.discardInput();
}

void HeldReplyTap::write(const std::vector<std::uint8_t>& bytes) {
    port_.write(bytes);
    if (window_ == nullptr) {
        return;
    }
    const SentRequest& sent = window_->state.lastRequest;
    const bool windows = sent.number != request_ && sent.bytes == bytes;
    request_ = windows ? sent.number : 0;
    received_.clear();
}

std::vector<std::uint8_t> HeldReplyTap::readAll() {
    std::vector<std::uint8_t> bytes = port_.readAll();
    take(bytes);
    return bytes;
}

void HeldReplyTap::take(const Bytes& bytes) {
    if (window_ == nullptr || request_ == 0 || request_ != window_->state.lastRequest.number) {
        return;
    }
    received_.insert(received_.end(), bytes.begin(), bytes.end());
    auto& held = window_->heldReply;
    if (!held || held->request != request_) {
        return;
    }
    const auto length = protocol::expectedReplyLength(window_->state.lastRequest.bytes);
    if (!length || received_.size() < *length) {
        return;
    }
    const Decoder finish = held->finish;
    held.reset();
    if (finish != nullptr) {
        const Bytes reply = received_;  // the observers may read or discard meanwhile
        finish(*window_, ByteView(reply));
    }
}

}  // namespace tc24
