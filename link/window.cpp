#include "link/window.h"

namespace tc24 {

void Window::message(const MessageBox& box) {
    Timer* owner = currentTick_;
    if (owner != nullptr) {
        busyTimers_.insert(owner);
    }
    // Handlers that run while the box is open (serial events, other timers) are not part of
    // this tick.
    currentTick_ = nullptr;
    dialogs.showMessage(box);
    currentTick_ = owner;
    if (owner != nullptr) {
        busyTimers_.erase(owner);
    }
}

Window::TickScope::TickScope(Window& window, Timer& timer)
    : window_(window), previous_(window.currentTick_), mayRun_(!window.boxOpenFrom(timer)) {
    window_.currentTick_ = &timer;
}

Window::TickScope::~TickScope() { window_.currentTick_ = previous_; }

}  // namespace tc24
