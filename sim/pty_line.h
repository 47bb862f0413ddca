#pragma once

#include <termios.h>
#include <string>

namespace tc24::sim {

// termios speed constant for a baud rate, or B0 when the rate is not supported.
speed_t speedConstant(int baud);
// The baud rate of a termios speed constant, or 0 when unknown.
int baudOf(speed_t speed);

// The module's end of the serial line: the master side of a pseudo-terminal. A client (the
// tool, mbpoll) opens the slave device. A spare descriptor of the slave stays open the whole
// time: without it the master reports a hang-up on every poll while no client has the line
// open, and the simulator would spin.
class PtyLine {
public:
    PtyLine() = default;
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;
    ~PtyLine() { close(); }

    // Creates a new pseudo-terminal in raw mode at the given speed. On failure returns false
    // and describes the reason in error.
    bool open(int baud, std::string& error);
    void close();

    bool isOpen() const { return master_ >= 0; }
    int masterFd() const { return master_; }
    const std::string& devicePath() const { return path_; }

    // Baud rate the client last set on the line (0 when unknown).
    int clientBaud() const;

private:
    int master_ = -1;
    int spareSlave_ = -1;
    std::string path_;
};

// A symbolic link to the served device (for example <tool dir>/ports/COM3). Creates missing
// parent folders, replaces an old link left behind, and refuses to replace anything else.
class DeviceLink {
public:
    DeviceLink() = default;
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;
    ~DeviceLink() { remove(); }

    bool create(const std::string& linkPath, const std::string& target, std::string& error);
    // Removes the link if it still points where this object made it point.
    void remove();

private:
    std::string link_;
    std::string target_;
};

}  // namespace tc24::sim
