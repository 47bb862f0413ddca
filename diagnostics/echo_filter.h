#pragma once

#include <cstddef>
#include <functional>

#include "link/serial_port.h"
#include "link/ui.h"
#include "protocol/byte_view.h"
#include "protocol/translatable.h"

namespace tc24 {

class TrafficLog;

// The port between the real one and everything that talks to it, for a line that echoes each
// request ahead of the reply (a 2-wire RS-485 adapter whose receiver stays on).
//
// On: after each write the exact bytes written are expected back first. The one copy that
// arrives before any other byte is taken out and handed to `echoDropped`; bytes that only
// start like it, bytes before it and every later copy are left as they are. The owner's
// receive threshold counts the other bytes alone: the data event is raised once that many
// wait, never for the echo, so a handler gets the whole reply in one event as on a line
// without echo. While the echo is still due the real port raises an event for every chunk,
// and the bytes are kept here until the threshold is reached.
//
// Off: every call goes to the real port unchanged. When what comes after a request begins
// with that request, `echoSeen` is called, except for function 06 (and 05), whose reply
// repeats the request.
class EchoFilter : public SerialPort {
public:
    explicit EchoFilter(SerialPort& port);
    ~EchoFilter() override;
    EchoFilter(const EchoFilter&) = delete;
    EchoFilter& operator=(const EchoFilter&) = delete;

    // Takes effect at the next request; bytes already kept stay readable.
    void setEnabled(bool enabled);
    bool enabled() const { return enabled_; }

    // The echo that was taken out, when it is complete.
    std::function<void(ByteView)> echoDropped;
    // With the filter off: the bytes after a request began with the request.
    std::function<void()> echoSeen;

    void setPortNumber(int number) override { port_.setPortNumber(number); }
    int portNumber() const override { return port_.portNumber(); }
    void setSettings(const std::string& settings) override { port_.setSettings(settings); }
    std::string settings() const override { return port_.settings(); }

    void open() override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }
    std::string lastError() const override { return port_.lastError(); }
    PortErrorKind lastErrorKind() const override { return port_.lastErrorKind(); }

    void setBinaryInput() override { port_.setBinaryInput(); }
    void setReadAll() override { port_.setReadAll(); }
    void discardInput() override;
    void collectWaiting() override { port_.collectWaiting(); }
    void discardOutput() override { port_.discardOutput(); }
    void setReceiveThreshold(int bytes) override;
    int receiveThreshold() const override { return threshold_; }
    void setSendThreshold(int bytes) override { port_.setSendThreshold(bytes); }

    void write(const std::vector<std::uint8_t>& bytes) override;
    std::vector<std::uint8_t> readAll() override;

    int eventKind() const override { return kind_; }
    void setEventHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

private:
    // Follows the bytes after a request against the request, byte by byte.
    struct Expected {
        Bytes request;
        std::size_t matched = 0;  // bytes of the request received so far, in order
        bool active = false;

        void expect(const Bytes& bytes);
        // Matches a chunk against the rest of the request; the bytes that are not the echo go
        // to `rest`. True when this chunk completed the echo.
        bool feed(const Bytes& chunk, Bytes& rest);
        // Bytes matched so far that are not an echo after all; ends the match.
        Bytes giveUp();
        // True while some of the request has come but not all of it.
        bool partial() const { return active && matched > 0; }
    };

    void onPortEvent();
    // Takes the echo out of a chunk from the port; the rest waits in `kept_`.
    void take(const Bytes& chunk);
    // Watches a chunk for the request's echo while the filter is off.
    void watch(const Bytes& chunk);
    void forgetInput();
    void updatePortThreshold();

    SerialPort& port_;
    bool enabled_ = false;
    int threshold_ = 0;  // the owner's, counted in bytes other than the echo
    int kind_ = 0;
    Bytes kept_;        // received, not an echo, not read yet
    Expected echo_;     // the echo of the last request, while the filter is on
    Expected watched_;  // the same while it is off: only looked at, never taken out
    std::function<void()> handler_;
};

// The window's use of the filter: a dropped echo becomes a row of the communication log; an
// echo seen while the filter is off is named in the status bar, in the language of `translator`
// (which must outlive the filter's use).
void connectEchoFilter(EchoFilter& filter, TrafficLog& log, Controls& controls,
                       const Translator& translator = sourceLanguage());

}  // namespace tc24
