#pragma once

#include "diagnostics/traffic_log.h"
#include "link/serial_port.h"

namespace tc24 {

// The port the handlers talk to when the traffic is logged: every call goes to the real
// port unchanged; each request written and each chunk read is also recorded in the log.
// Bytes the window discards unread are read first and recorded as well (they would be lost
// either way), so replies shorter than the receive threshold still reach the log.
class TrafficTap : public SerialPort {
public:
    TrafficTap(SerialPort& port, TrafficLog& log) : port_(port), log_(log) {}

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

    SerialPort& port() { return port_; }

private:
    SerialPort& port_;
    TrafficLog& log_;
};

}  // namespace tc24
