#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tc24 {

// Kinds of serial events. Only DataReceived carries bytes; every other kind still reaches
// the receive handler, which counts it.
namespace comm_event {
constexpr int Send = 1;
constexpr int DataReceived = 2;
constexpr int LineChanged = 3;  // CTS/DSR/CD changed
constexpr int Break = 1001;
constexpr int FramingError = 1004;
constexpr int Overrun = 1006;
constexpr int ParityError = 1009;
constexpr int PortLost = 1100;  // the device went away; the port has closed itself
}  // namespace comm_event

// What kind of failure the port's last error is. The system reports a device that another
// program holds as a permission error; the port tells the two apart.
enum class PortErrorKind {
    None,        // no error: the port opened
    Permission,  // this user may not open the device
    Busy,        // another program has the device open
    Missing,     // there is no such device
    Lost,        // the device went away while the port was open
    Other,
};

// The serial port as the handlers see it, shaped like the operations they rely on.
// One implementation runs over QSerialPort; unit tests use a fake.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Port number 1 … 16 (1 = COM1); the number reads back as set.
    virtual void setPortNumber(int number) = 0;
    virtual int portNumber() const = 0;
    // "19200,N,8,1": baud rate, parity, data bits, stop bits.
    virtual void setSettings(const std::string& settings) = 0;
    virtual std::string settings() const = 0;

    // Opening may fail; the port then stays closed and lastError() tells the system's reason.
    virtual void open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual std::string lastError() const = 0;
    // The kind of the last error: None after a successful open.
    virtual PortErrorKind lastErrorKind() const = 0;

    // Received data arrives as bytes, unchanged; a read takes every waiting byte.
    virtual void setBinaryInput() = 0;
    virtual void setReadAll() = 0;
    virtual void discardInput() = 0;
    // Takes in what the system already holds but has not announced yet, so that the next
    // readAll() returns it; raises no event. Whoever must see the bytes that discardInput()
    // would drop (the communication log) collects them first.
    virtual void collectWaiting() {}
    virtual void discardOutput() = 0;
    // With n > 0 a DataReceived event is raised once at least n bytes are waiting; 0 raises none.
    virtual void setReceiveThreshold(int bytes) = 0;
    virtual int receiveThreshold() const = 0;
    // Only 0 is used: no events for sent data.
    virtual void setSendThreshold(int bytes) = 0;

    virtual void write(const std::vector<std::uint8_t>& bytes) = 0;
    virtual std::vector<std::uint8_t> readAll() = 0;

    // Kind of the event being handled (see comm_event).
    virtual int eventKind() const = 0;
    // The owner installs one handler; the port calls it on the window's thread.
    virtual void setEventHandler(std::function<void()> handler) = 0;
};

}  // namespace tc24
