#include "app/qt/qt_serial_port.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QByteArray>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <optional>
#include <utility>

#include "app/core/port_device.h"

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

// How long one character takes on the line: start bit, data bits, parity bit, stop bits.
double characterMicroseconds(const LineSettings& line) {
    double bits = 1.0 + static_cast<double>(line.dataBits);
    if (line.parity != QSerialPort::NoParity) {
        bits += 1.0;
    }
    switch (line.stopBits) {
        case QSerialPort::OneAndHalfStop:
            bits += 1.5;
            break;
        case QSerialPort::TwoStop:
            bits += 2.0;
            break;
        default:
            bits += 1.0;
            break;
    }
    return bits * 1e6 / static_cast<double>(line.baud);
}

// Errors that mean the device is gone (pseudo-terminal peer closed, USB adapter pulled).
// Qt keeps reporting them for ever while the port stays open.
bool meansDeviceLost(QSerialPort::SerialPortError error) {
    return error == QSerialPort::ReadError || error == QSerialPort::ResourceError ||
           error == QSerialPort::PermissionError;
}

}  // namespace

QtSerialPort::QtSerialPort(std::filesystem::path programDirectory, QObject* parent)
    : QObject(parent), programDirectory_(std::move(programDirectory)) {
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialPort::onReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
    replyOnWire_.setSingleShot(true);
    replyOnWire_.setTimerType(Qt::PreciseTimer);
    connect(&replyOnWire_, &QTimer::timeout, this, &QtSerialPort::listenAgain);
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
    characterUs_ = characterMicroseconds(*line);
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
        return;
    }
    port_.setPortName(path);
    if (!port_.open(QIODevice::ReadWrite)) {
        lastError_ = (port_.errorString() + QStringLiteral(": ") + path).toStdString();
        port_.clearError();
        return;
    }
    lastError_.clear();
    replyOnWire_.stop();
    readNotifier_ = nullptr;
    openPath_ = path;
    ++opens_;
    wakeAt_ = 0;
    // Every byte is kept until read: a bounded buffer smaller than the threshold would stall.
    port_.setReadBufferSize(0);
    applySettings();
    applyWakeThreshold();
    // Bytes sent while nobody had the line open belong to nobody.
    port_.clear(QSerialPort::AllDirections);
    port_.clearError();
}

void QtSerialPort::close() {
    replyOnWire_.stop();
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

// Qt always delivers the received bytes unchanged and a read takes all of them.
void QtSerialPort::setBinaryInput() {}

void QtSerialPort::setReadAll() {}

void QtSerialPort::discardInput() {
    if (!port_.isOpen()) {
        return;
    }
    // What Qt already holds is skipped and the system's queue flushed, as
    // QSerialPort::clear(Input) does, but without dropping Qt's 32 KiB receive block: that
    // block would be allocated again for the next reply, a brk call and page faults with
    // every request.
    const qint64 held = port_.bytesAvailable();
    if (held > 0) {
        removed_ += static_cast<std::uint64_t>(std::max<qint64>(0, port_.skip(held)));
    }
    if (port_.handle() < 0 || ::tcflush(port_.handle(), TCIFLUSH) != 0) {
        port_.clear(QSerialPort::Input);
    }
    port_.clearError();
    applyWakeThreshold();
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
    applyWakeThreshold();
}

void QtSerialPort::applyWakeThreshold() {
    // A terminal in raw mode with VTIME 0 reports itself readable only once VMIN bytes are
    // waiting. With VMIN at the receive threshold the event loop wakes once per reply instead
    // of once per chunk the line delivers (about 27 for a 53-byte reply at 19200 baud). A
    // reply shorter than the threshold raises no event either way, and readAll() still takes
    // its bytes. Qt's own setters read the terminal's settings back before changing them, so
    // they keep this value.
    if (!port_.isOpen() || port_.handle() < 0) {
        return;
    }
    // Threshold 0 raises no events: the wake-up point stays, so disarming before each
    // request and arming again changes no terminal settings.
    if (receiveThreshold_ == 0 && wakeAt_ != 0) {
        return;
    }
    // What is still missing to the threshold: a terminal waits for at most 255 bytes, so a
    // longer reply wakes the loop more than once on its way.
    const qint64 missing = receiveThreshold_ - port_.bytesAvailable();
    const int wanted = static_cast<int>(std::clamp<qint64>(missing, 1, 255));
    if (wanted == wakeAt_) {
        return;
    }
    termios tio{};
    if (::tcgetattr(port_.handle(), &tio) != 0) {
        return;
    }
    tio.c_cc[VMIN] = static_cast<cc_t>(wanted);
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(port_.handle(), TCSANOW, &tio) == 0) {
        wakeAt_ = wanted;
    }
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
    // A request goes to the terminal at once. QSerialPort would hold it until the event
    // loop's next pass, after the window has painted for it, so that the time it leaves
    // would follow the painting; and it turns its write notifier on and off for it, each
    // a wake-up of the event loop. What the terminal does not take at once (it is full, or
    // the device is gone) and anything after bytes QSerialPort still holds goes through
    // QSerialPort, which sends it in order and reports a failure as before.
    std::size_t sent = 0;
    if (port_.bytesToWrite() == 0 && port_.handle() >= 0) {
        ssize_t taken;
        do {
            taken = ::write(port_.handle(), bytes.data(), bytes.size());
        } while (taken < 0 && errno == EINTR);
        sent = taken > 0 ? static_cast<std::size_t>(taken) : 0;
    }
    if (sent < bytes.size()) {
        const auto rest = static_cast<qint64>(bytes.size() - sent);
        const qint64 written =
            port_.write(reinterpret_cast<const char*>(bytes.data() + sent), rest);
        if (written != rest && port_.isOpen()) {
            lastError_ = (port_.errorString() + QStringLiteral(": ") + openPath_).toStdString();
            return;
        }
    }
    stopListeningUntilReplyCanBeIn(bytes.size());
}

void QtSerialPort::stopListeningUntilReplyCanBeIn(std::size_t bytesSent) {
    // While a reply trickles in, the terminal wakes every process polling it once per chunk
    // the line delivers, even when VMIN keeps the poll from returning: about 27 wake-ups for
    // a 53-byte reply at 19200 baud, each a task switch. The reply cannot be complete before
    // the request and the awaited bytes have crossed the wire at the line's speed, so the
    // port stops listening until then; bytes that come sooner wait in the terminal.
    //
    // A request sent while the previous reply's wait still runs (polling faster than the wire
    // allows) lifts the wait instead: the read notifier is also what reports a vanished
    // device, and it must get a turn.
    if (replyOnWire_.isActive()) {
        listenAgain();
        return;
    }
    if (receiveThreshold_ <= 0) {
        return;
    }
    const double wireMs =
        characterUs_ *
        static_cast<double>(bytesSent + static_cast<std::size_t>(receiveThreshold_)) / 1000.0;
    // A millisecond early rather than late: the timer may fire late, and waking a little
    // early only costs the last chunks' wake-ups.
    const int waitMs = static_cast<int>(std::floor(wireMs)) - 1;
    if (waitMs < 2) {
        return;  // not worth a timer of its own
    }
    QSocketNotifier* notifier = readNotifier();
    if (notifier == nullptr || !notifier->isEnabled()) {
        return;
    }
    notifier->setEnabled(false);
    replyOnWire_.start(waitMs);
}

void QtSerialPort::listenAgain() {
    replyOnWire_.stop();
    // The notifier that was turned off; gone if the port closed meanwhile.
    if (!readNotifier_.isNull() && port_.isOpen()) {
        // Bytes that came meanwhile make the terminal readable at once.
        readNotifier_->setEnabled(true);
    }
}

QSocketNotifier* QtSerialPort::readNotifier() {
    // QSerialPort keeps its notifiers as its own children and offers no way to pause reading;
    // where a Qt version does it differently none is found and the port simply listens all
    // the time. A closed port's notifier lingers, turned off, until the event loop deletes
    // it, and the new descriptor may have the old one's number.
    if (readNotifier_.isNull() && port_.isOpen()) {
        for (QSocketNotifier* notifier :
             port_.findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly)) {
            if (notifier->type() == QSocketNotifier::Read && notifier->isEnabled() &&
                notifier->socket() == port_.handle()) {
                readNotifier_ = notifier;
                break;
            }
        }
    }
    return readNotifier_.data();
}

std::vector<std::uint8_t> QtSerialPort::readAll() {
    if (!port_.isOpen()) {
        return {};
    }
    // Copied out rather than taken with QIODevice::readAll(), which hands over Qt's 32 KiB
    // receive block so that every chunk costs a fresh block (and, with glibc trimming the
    // heap, a brk call and page faults); a copy leaves the block in place for the next one.
    std::vector<std::uint8_t> data(
        static_cast<std::size_t>(std::max<qint64>(0, port_.bytesAvailable())));
    const qint64 got = data.empty() ? 0
                                    : port_.read(reinterpret_cast<char*>(data.data()),
                                                 static_cast<qint64>(data.size()));
    data.resize(static_cast<std::size_t>(std::max<qint64>(0, got)));
    // Bytes short of the wake-up point are still in the system's queue, unseen by Qt; a read
    // takes them too. Only as many as are queued are asked for, so the read never waits.
    int queued = 0;
    if (port_.handle() >= 0 && ::ioctl(port_.handle(), FIONREAD, &queued) == 0 && queued > 0) {
        const std::size_t before = data.size();
        data.resize(before + static_cast<std::size_t>(queued));
        const ssize_t n =
            ::read(port_.handle(), data.data() + before, static_cast<std::size_t>(queued));
        data.resize(before + static_cast<std::size_t>(std::max<ssize_t>(0, n)));
    }
    removed_ += static_cast<std::uint64_t>(data.size());
    applyWakeThreshold();
    return data;
}

int QtSerialPort::eventKind() const {
    return eventKind_;
}

void QtSerialPort::setEventHandler(std::function<void()> handler) {
    handler_ = std::move(handler);
}

QString QtSerialPort::devicePath() const {
    return QString::fromStdString(deviceForPort(programDirectory_, portNumber_));
}

bool QtSerialPort::dataEventDue() {
    return receiveThreshold_ > 0 && port_.isOpen() && port_.bytesAvailable() >= receiveThreshold_;
}

void QtSerialPort::onReadyRead() {
    if (dataEventDue()) {
        raise(comm_event::DataReceived);
    } else {
        applyWakeThreshold();
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
    replyOnWire_.stop();
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
