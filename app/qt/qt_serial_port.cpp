#include "app/qt/qt_serial_port.h"

#include <QByteArray>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <optional>
#include <utility>

#include "app/settings/device_lock.h"
#include "app/settings/port_device.h"

namespace tc24 {

namespace {

struct LineSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// "19200,N,8,1": baud rate, parity (N, E, O, M, S), data bits (5 to 8), stop bits (1, 1.5, 2).
std::optional<LineSettings> parseSettings(const std::string& text) {
    const QStringList fields = QString::fromStdString(text).split(QLatin1Char(','));
    if (fields.size() != 4) {
        return std::nullopt;
    }
    LineSettings line;
    bool ok = false;
    line.baud = fields[0].trimmed().toInt(&ok);
    if (!ok || line.baud <= 0) {
        return std::nullopt;
    }
    const QString parity = fields[1].trimmed().toUpper();
    if (parity == QLatin1String("N")) {
        line.parity = QSerialPort::NoParity;
    } else if (parity == QLatin1String("E")) {
        line.parity = QSerialPort::EvenParity;
    } else if (parity == QLatin1String("O")) {
        line.parity = QSerialPort::OddParity;
    } else if (parity == QLatin1String("M")) {
        line.parity = QSerialPort::MarkParity;
    } else if (parity == QLatin1String("S")) {
        line.parity = QSerialPort::SpaceParity;
    } else {
        return std::nullopt;
    }
    const int dataBits = fields[2].trimmed().toInt(&ok);
    if (!ok || dataBits < 5 || dataBits > 8) {
        return std::nullopt;
    }
    line.dataBits = static_cast<QSerialPort::DataBits>(dataBits);
    const QString stop = fields[3].trimmed();
    if (stop == QLatin1String("1")) {
        line.stopBits = QSerialPort::OneStop;
    } else if (stop == QLatin1String("1.5")) {
        line.stopBits = QSerialPort::OneAndHalfStop;
    } else if (stop == QLatin1String("2")) {
        line.stopBits = QSerialPort::TwoStop;
    } else {
        return std::nullopt;
    }
    return line;
}

// Errors that mean the device is gone (pseudo-terminal peer closed, USB adapter pulled).
// Qt keeps reporting them for ever while the port stays open.
bool meansDeviceLost(QSerialPort::SerialPortError error) {
    return error == QSerialPort::ReadError || error == QSerialPort::ResourceError ||
           error == QSerialPort::PermissionError;
}

// The kind of error QSerialPort reported while opening, before it is told apart from a busy
// device.
PortErrorKind reportedKind(QSerialPort::SerialPortError error) {
    switch (error) {
        case QSerialPort::PermissionError:
            return PortErrorKind::Permission;
        case QSerialPort::DeviceNotFoundError:
            return PortErrorKind::Missing;
        default:
            return PortErrorKind::Other;
    }
}

}  // namespace

QtSerialPort::QtSerialPort(SettingsLocation settings, QObject* parent)
    : QObject(parent), location_(std::move(settings)) {
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialPort::onReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

QtSerialPort::~QtSerialPort() {
    disconnect(&port_, nullptr, this, nullptr);
    handler_ = nullptr;
    if (port_.isOpen()) {
        port_.close();
    }
}

void QtSerialPort::setPortNumber(int number) {
    portNumber_ = number;
}

int QtSerialPort::portNumber() const {
    return portNumber_;
}

void QtSerialPort::setSettings(const std::string& settings) {
    // Text that does not describe a line leaves the current settings in force.
    const std::optional<LineSettings> line = parseSettings(settings);
    if (!line) {
        return;
    }
    settings_ = settings;
    if (port_.isOpen()) {
        applySettings();
    }
}

std::string QtSerialPort::settings() const {
    return settings_;
}

void QtSerialPort::applySettings() {
    const std::optional<LineSettings> line = parseSettings(settings_);
    if (!line) {
        return;
    }
    // Pseudo-terminals refuse some of these (parity, flow control) with
    // UnsupportedOperationError; the line works regardless, so failures are not fatal.
    port_.setBaudRate(line->baud);
    port_.setDataBits(line->dataBits);
    port_.setParity(line->parity);
    port_.setStopBits(line->stopBits);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.clearError();
}

void QtSerialPort::open() {
    if (port_.isOpen()) {
        return;
    }
    const QString path = devicePath();
    if (path.isEmpty()) {
        lastError_ = "no device for port number " + std::to_string(portNumber_);
        lastErrorKind_ = PortErrorKind::Missing;
        return;
    }
    // Resolved at every open: the link may lead to another device by now.
    const QString real = QString::fromStdString(realDevicePath(path.toStdString()));
    const QString shown = real == path ? path : path + QStringLiteral(" (") + real + u')';
    port_.setPortName(real);
    if (!port_.open(QIODevice::ReadWrite)) {
        const PortErrorKind reported = reportedKind(port_.error());
        const QFileInfo device(real);
        const std::optional<long long> holder =
            reported == PortErrorKind::Permission ? lockHolder(real.toStdString()) : std::nullopt;
        lastErrorKind_ = openFailureKind(reported, device.isReadable() && device.isWritable(),
                                         holder.has_value());
        if (lastErrorKind_ == PortErrorKind::Busy) {
            // Qt calls it a permission error while locking the device.
            lastError_ = "in use by another program" +
                         (holder ? " (process " + std::to_string(*holder) + ")" : std::string()) +
                         ": " + shown.toStdString();
        } else {
            lastError_ = (port_.errorString() + QStringLiteral(": ") + shown).toStdString();
        }
        port_.clearError();
        return;
    }
    lastError_.clear();
    lastErrorKind_ = PortErrorKind::None;
    openPath_ = shown;
    ++opens_;
    // Every byte is kept until read: a bounded buffer smaller than the threshold would stall.
    port_.setReadBufferSize(0);
    applySettings();
    // Bytes sent while nobody had the line open belong to nobody.
    port_.clear(QSerialPort::AllDirections);
    port_.clearError();
}

void QtSerialPort::close() {
    if (port_.isOpen()) {
        port_.close();
    }
}

bool QtSerialPort::isOpen() const {
    return port_.isOpen();
}

std::string QtSerialPort::lastError() const {
    return lastError_;
}

PortErrorKind QtSerialPort::lastErrorKind() const {
    return lastErrorKind_;
}

// Qt always delivers the received bytes unchanged and a read takes all of them.
void QtSerialPort::setBinaryInput() {}

void QtSerialPort::setReadAll() {}

void QtSerialPort::discardInput() {
    if (!port_.isOpen()) {
        return;
    }
    // What the system holds and Qt has not read yet is read now and dropped with the rest.
    // QSerialPort::clear() would drop it too, but also Qt's receive block, and every request
    // would then pay for a new one (an allocation, and page faults when the heap shrank).
    discarding_ = true;
    port_.waitForReadyRead(0);
    discarding_ = false;
    if (!port_.isOpen()) {
        return;  // the device went away meanwhile; onError() has told the owner
    }
    const qint64 waiting = port_.bytesAvailable();
    if (waiting > 0) {
        removed_ += static_cast<std::uint64_t>(std::max<qint64>(0, port_.skip(waiting)));
    }
    port_.clearError();  // waitForReadyRead() reports a time-out when nothing was waiting
}

void QtSerialPort::collectWaiting() {
    if (!port_.isOpen()) {
        return;
    }
    discarding_ = true;  // taken in to be read now: no event for them
    port_.waitForReadyRead(0);
    discarding_ = false;
    if (port_.isOpen()) {
        port_.clearError();  // waitForReadyRead() reports a time-out when nothing was waiting
    }
}

void QtSerialPort::discardOutput() {
    if (!port_.isOpen()) {
        return;
    }
    port_.clear(QSerialPort::Output);
    port_.clearError();
}

void QtSerialPort::setReceiveThreshold(int bytes) {
    receiveThreshold_ = bytes > 0 ? bytes : 0;
}

int QtSerialPort::receiveThreshold() const {
    return receiveThreshold_;
}

// No events are raised for sent data.
void QtSerialPort::setSendThreshold(int /*bytes*/) {}

void QtSerialPort::write(const std::vector<std::uint8_t>& bytes) {
    if (!port_.isOpen() || bytes.empty()) {
        return;
    }
    const auto size = static_cast<qint64>(bytes.size());
    if (port_.write(reinterpret_cast<const char*>(bytes.data()), size) != size) {
        if (port_.isOpen()) {
            lastError_ = (port_.errorString() + QStringLiteral(": ") + openPath_).toStdString();
            lastErrorKind_ = PortErrorKind::Other;
        }
        return;
    }
    // The request leaves now, in the tick's handler, not on the event loop's next pass after
    // the window has painted. Behind bytes the device has not taken yet it waits its turn:
    // flushing into a full terminal fails instead of waiting.
    if (port_.bytesToWrite() == size) {
        port_.flush();
    }
}

std::vector<std::uint8_t> QtSerialPort::readAll() {
    if (!port_.isOpen()) {
        return {};
    }
    // Copied out: QIODevice::readAll() would hand over the port's whole receive block, and
    // every chunk the line delivers afterwards would cost a new one.
    std::vector<std::uint8_t> data(
        static_cast<std::size_t>(std::max<qint64>(0, port_.bytesAvailable())));
    const qint64 got = data.empty() ? 0
                                    : port_.read(reinterpret_cast<char*>(data.data()),
                                                 static_cast<qint64>(data.size()));
    data.resize(static_cast<std::size_t>(std::max<qint64>(0, got)));
    removed_ += static_cast<std::uint64_t>(data.size());
    return data;
}

int QtSerialPort::eventKind() const {
    return eventKind_;
}

void QtSerialPort::setEventHandler(std::function<void()> handler) {
    handler_ = std::move(handler);
}

QString QtSerialPort::devicePath() const {
    return QString::fromStdString(deviceForPort(location_, portNumber_));
}

bool QtSerialPort::dataEventDue() {
    return receiveThreshold_ > 0 && port_.isOpen() && port_.bytesAvailable() >= receiveThreshold_;
}

void QtSerialPort::onReadyRead() {
    if (!discarding_ && dataEventDue()) {
        raise(comm_event::DataReceived);
    }
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    if (!meansDeviceLost(error)) {
        // Line signals, parity and flow control a pseudo-terminal does not support, time-outs,
        // and the NoError Qt reports when an error is cleared: nothing to tell the owner.
        return;
    }
    // Errors while opening are reported by open() itself.
    if (closing_ || !port_.isOpen()) {
        return;
    }
    closing_ = true;
    // Qt's text here is often a stale system message ("Inappropriate ioctl for device" when
    // a pseudo-terminal's peer closes), so the reason is stated plainly.
    lastError_ = "Device disconnected: " + openPath_.toStdString();
    lastErrorKind_ = PortErrorKind::Lost;
    port_.close();
    port_.clearError();
    closing_ = false;
    raise(comm_event::PortLost);
}

void QtSerialPort::raise(int kind) {
    if (inHandler_) {
        // A data event already waiting covers any further bytes.
        if (kind != comm_event::DataReceived ||
            std::find(pending_.begin(), pending_.end(), kind) == pending_.end()) {
            pending_.push_back(kind);
        }
        return;
    }
    deliver(kind);
    while (!pending_.empty()) {
        const int next = pending_.front();
        pending_.pop_front();
        // The handler may have read or discarded the bytes, or closed the port, meanwhile.
        if (next == comm_event::DataReceived && !dataEventDue()) {
            continue;
        }
        deliver(next);
    }
}

void QtSerialPort::deliver(int kind) {
    eventKind_ = kind;
    if (!handler_) {
        return;
    }
    struct HandlerScope {
        bool& flag;
        explicit HandlerScope(bool& f) : flag(f) { flag = true; }
        ~HandlerScope() { flag = false; }
    } scope(inHandler_);
    const qint64 waitingBefore = port_.isOpen() ? port_.bytesAvailable() : 0;
    const std::uint64_t removedBefore = removed_;
    const std::uint64_t opensBefore = opens_;
    // A copy, so the handler may replace itself.
    const std::function<void()> handler = handler_;
    handler();
    if (!port_.isOpen()) {
        return;
    }
    // Qt raises readyRead only for bytes that arrive outside its own readyRead signal, so
    // bytes that came while the handler ran (in a nested event loop) are looked at here.
    qint64 arrived = port_.bytesAvailable();
    if (opens_ == opensBefore) {
        arrived += static_cast<qint64>(removed_ - removedBefore) - waitingBefore;
    }
    if (arrived > 0 &&
        std::find(pending_.begin(), pending_.end(), comm_event::DataReceived) == pending_.end()) {
        pending_.push_back(comm_event::DataReceived);
    }
}

}  // namespace tc24
