#pragma once

#include <cstdint>

#include "link/serial_port.h"
#include "link/window.h"
#include "protocol/byte_view.h"

namespace tc24 {

// The port between the echo filter and the communication log's tap, for the views beside the
// window. Every call goes to the port below unchanged; what it adds is a memory of the bytes
// read since the window's request written last, from the chunks the window reads and the
// input it discards. When a decoder got only the start of a reply (Window::heldReply: the
// serial-number read and the address read raise their event before the reply's end), the
// bytes read later complete it, and the held reply's `finish` gets it whole: at the window's
// next read or discard of its input, that is at its next request at the latest.
//
// Only the window's own requests count: a write is one when it is the request the window
// noted last under a new number (link/request.h). Anything else written (the bus scan's
// requests) ends the memory, so no byte of the scan completes a reply.
class HeldReplyTap : public SerialPort {
public:
    explicit HeldReplyTap(SerialPort& port) : port_(port) {}

    // The window whose held replies it completes; until then it only forwards.
    void attach(Window& window) { window_ = &window; }

    void setPortNumber(int number) override { port_.setPortNumber(number); }
    int portNumber() const override { return port_.portNumber(); }
    void setSettings(const std::string& settings) override { port_.setSettings(settings); }
    std::string settings() const override { return port_.settings(); }

    void open() override { port_.open(); }
    void close() override { port_.close(); }
    bool isOpen() const override { return port_.isOpen(); }
    std::string lastError() const override { return port_.lastError(); }
    PortErrorKind lastErrorKind() const override { return port_.lastErrorKind(); }

    void setBinaryInput() override { port_.setBinaryInput(); }
    void setReadAll() override { port_.setReadAll(); }
    void discardInput() override;
    void collectWaiting() override { port_.collectWaiting(); }
    void discardOutput() override { port_.discardOutput(); }
    void setReceiveThreshold(int bytes) override { port_.setReceiveThreshold(bytes); }
    int receiveThreshold() const override { return port_.receiveThreshold(); }
    void setSendThreshold(int bytes) override { port_.setSendThreshold(bytes); }

    void write(const std::vector<std::uint8_t>& bytes) override;
    std::vector<std::uint8_t> readAll() override;

    int eventKind() const override { return port_.eventKind(); }
    void setEventHandler(std::function<void()> handler) override {
        port_.setEventHandler(std::move(handler));
    }

private:
    void take(const Bytes& bytes);

    SerialPort& port_;
    Window* window_ = nullptr;
    std::uint64_t request_ = 0;  // the window's request the bytes follow; 0: none
    Bytes received_;
};

}  // namespace tc24
