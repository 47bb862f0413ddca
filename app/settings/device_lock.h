#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "link/serial_port.h"

namespace tc24 {

// How a serial device is shared between programs. QSerialPort keeps a lock file for the
// device it opens, named after the path it was given: a device opened once as /dev/ttyUSB0
// and once through a link would take two different locks, and both programs would talk on
// one line. So the window and tc24-cli open every device under its real path.

// The device's path with symbolic links resolved ("COM3" through ports/, /dev/serial/by-id/…
// and /dev/ttyUSB2 are one device). A bare name is taken as QSerialPort takes it ("ttyUSB2"
// is /dev/ttyUSB2). A path that does not resolve (a missing device, a dangling link) comes
// back as given, for the open to report.
std::string realDevicePath(const std::string& device);

// The lock file's name for a device, as QSerialPort forms it: "LCK..ttyUSB0" for
// /dev/ttyUSB0, "LCK..pts_3" for /dev/pts/3, "LCK.._srv_ttyX" for /srv/ttyX.
std::string lockFileName(const std::string& device);

// The folders QSerialPort looks in for lock files, in its order (Qt 6 on Unix).
std::vector<std::filesystem::path> lockFolders();

// The process a lock file for `device` names, when that process still runs. Lock files start
// with the process id as text: Qt's QLockFile writes it on the first line, other serial
// programs right-aligned in ten columns. Nothing for no lock, a stale one, or an unreadable
// one.
std::optional<long long> lockHolder(const std::string& device,
                                    const std::vector<std::filesystem::path>& folders);
std::optional<long long> lockHolder(const std::string& device);

// The kind of a failed open. The system's answer (`reported`: Permission, Missing or Other)
// says "permission" both for a device this user may not open and for one another program
// holds (QSerialPort's lock, or an exclusive terminal); a device this user may read and write,
// or one whose lock names a running process, is busy.
PortErrorKind openFailureKind(PortErrorKind reported, bool readableAndWritable, bool lockHeld);

}  // namespace tc24
