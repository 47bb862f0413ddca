#include "cli/transport.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QTcpSocket>
#include <algorithm>
#include <optional>

#include "app/settings/device_lock.h"

namespace tc24::cli {

namespace {

int millisecondsUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 24 * 3600 * 1000));
}

// Both transports are QIODevices used with their blocking calls: the tool has nothing else
// to do while it waits for a reply.
class DeviceTransport : public Transport {
public:
    bool send(std::span<const std::uint8_t> bytes) override {
        if (lost()) {
            return false;
        }
        const auto size = static_cast<qint64>(bytes.size());
        if (device().write(reinterpret_cast<const char*>(bytes.data()), size) != size) {
            return false;
        }
        // Until the bytes are handed on, a reply cannot even start.
        while (device().bytesToWrite() > 0) {
            if (!device().waitForBytesWritten(1000) || lost()) {
                return !lost() && device().bytesToWrite() == 0;
            }
        }
        return true;
    }

    bool receive(Bytes& into, Clock::time_point deadline) override {
        if (lost()) {
            return false;
        }
        if (device().bytesAvailable() == 0) {
            device().waitForReadyRead(millisecondsUntil(deadline));
            if (lost()) {
                return false;
            }
        }
        const QByteArray bytes = device().readAll();
        into.insert(into.end(), bytes.begin(), bytes.end());
        return true;
    }

protected:
    virtual QIODevice& device() = 0;
    virtual bool lost() const = 0;
};

class SerialTransport : public DeviceTransport {
public:
    std::string open(const std::string& path, int baud) {
        // Under its real path, so that the lock QSerialPort takes keeps every other name of the
        // device out. Resolved at every open: after a loss the link may lead elsewhere.
        const std::string real = realDevicePath(path);
        port_.setPortName(QString::fromStdString(real));
        // Set before opening, the line is configured once as the device opens.
        port_.setBaudRate(baud);
        port_.setDataBits(QSerialPort::Data8);
        port_.setParity(QSerialPort::NoParity);
        port_.setStopBits(QSerialPort::OneStop);
        port_.setFlowControl(QSerialPort::NoFlowControl);
        if (!port_.open(QIODevice::ReadWrite)) {
            return openFailure(real);
        }
        if (port_.baudRate() != baud) {
            return "the device does not take " + std::to_string(baud) + " baud";
        }
        // Bytes that came while nobody had the line open belong to nobody.
        port_.clear(QSerialPort::AllDirections);
        port_.clearError();
        return {};
    }

    void discardInput() override {
        port_.clear(QSerialPort::Input);  // also what the terminal holds, not yet read
        port_.readAll();
    }

    // The system's text alone can read "Inappropriate ioctl for device" for a pulled adapter.
    std::string lostReason() const override {
        return "the device went away (unplugged?): " + port_.errorString().toStdString();
    }

protected:
    QIODevice& device() override { return port_; }
    bool lost() const override {
        // A vanished device shows as a read or resource error (a pseudo-terminal whose other
        // end closed answers every read with EIO); time-outs are no error here.
        return port_.error() == QSerialPort::ResourceError ||
               port_.error() == QSerialPort::ReadError || !port_.isOpen();
    }

private:
    // Why the device could not be opened. Qt reports a device another program holds as a
    // permission error; the dialout hint is for a device this user may not open.
    std::string openFailure(const std::string& real) const {
        const QSerialPort::SerialPortError error = port_.error();
        if (error == QSerialPort::DeviceNotFoundError) {
            return "no such device";
        }
        if (error != QSerialPort::PermissionError) {
            return port_.errorString().toStdString();
        }
        const QFileInfo info(QString::fromStdString(real));
        const std::optional<long long> holder = lockHolder(real);
        if (openFailureKind(PortErrorKind::Permission, info.isReadable() && info.isWritable(),
                            holder.has_value()) == PortErrorKind::Busy) {
            return "in use by another program" +
                   (holder ? " (process " + std::to_string(*holder) + ")" : std::string());
        }
        return port_.errorString().toStdString() +
               " (is your user in the group dialout? sudo adduser $USER dialout, then log in "
               "again)";
    }

    QSerialPort port_;
};

class TcpTransport : public DeviceTransport {
public:
    std::string open(const std::string& host, int port, std::chrono::milliseconds timeout) {
        socket_.connectToHost(QString::fromStdString(host), static_cast<quint16>(port));
        if (!socket_.waitForConnected(static_cast<int>(timeout.count()))) {
            return socket_.errorString().toStdString();
        }
        // Requests are small and each waits for its reply: send them at once.
        socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        return {};
    }

    void discardInput() override {
        // What the socket holds comes in only when asked for.
        do {
            socket_.readAll();
        } while (socket_.waitForReadyRead(0));
    }

    std::string lostReason() const override {
        return socket_.state() == QAbstractSocket::UnconnectedState
                   ? "the connection was closed: " + socket_.errorString().toStdString()
                   : "the connection failed: " + socket_.errorString().toStdString();
    }

protected:
    QIODevice& device() override { return socket_; }
    bool lost() const override {
        return socket_.state() != QAbstractSocket::ConnectedState && socket_.bytesAvailable() == 0;
    }

private:
    QTcpSocket socket_;
};

}  // namespace

OpenedTransport openTransport(const Endpoint& endpoint, int baud,
                              std::chrono::milliseconds timeout) {
    OpenedTransport opened;
    if (endpoint.kind == Endpoint::Kind::Tcp) {
        auto tcp = std::make_unique<TcpTransport>();
        opened.error = tcp->open(endpoint.host, endpoint.tcpPort, timeout);
        if (opened.error.empty()) {
            opened.transport = std::move(tcp);
        }
        return opened;
    }
    auto serial = std::make_unique<SerialTransport>();
    opened.error = serial->open(endpoint.device, baud);
    if (opened.error.empty()) {
        opened.transport = std::move(serial);
    }
    return opened;
}

}  // namespace tc24::cli
