#pragma once

#include <QObject>
#include <QPointer>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>

#include "link/serial_port.h"

namespace tc24 {

// The serial port over QSerialPort. Port number n opens the device that
// <program directory>/ports/COMn links to, or /dev/ttyUSB{n-1} (COMn on Windows).
class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(std::filesystem::path programDirectory, QObject* parent = nullptr);
    ~QtSerialPort() override;

    void setPortNumber(int number) override;
    int portNumber() const override;
    void setSettings(const std::string& settings) override;
    std::string settings() const override;

    void open() override;
    void close() override;
    bool isOpen() const override;
    std::string lastError() const override;

    void setBinaryInput() override;
    void setReadAll() override;
    void discardInput() override;
    void discardOutput() override;
    void setReceiveThreshold(int bytes) override;
    int receiveThreshold() const override;
    void setSendThreshold(int bytes) override;

    void write(const std::vector<std::uint8_t>& bytes) override;
    std::vector<std::uint8_t> readAll() override;

    int eventKind() const override;
    void setEventHandler(std::function<void()> handler) override;

    // The device path that port number n opens now.
    QString devicePath() const;

    // Whether the port is not listening to the line because the reply to the last request
    // cannot have crossed it yet.
    bool waitingForReplyOnWire() const { return replyOnWire_.isActive(); }

private:
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void raise(int kind);
    void deliver(int kind);
    bool dataEventDue();
    void applySettings();
    void applyWakeThreshold();
    void stopListeningUntilReplyCanBeIn(std::size_t bytesSent);
    void listenAgain();
    QSocketNotifier* readNotifier();

    std::filesystem::path programDirectory_;
    QSerialPort port_;
    int portNumber_ = 1;
    std::string settings_ = "9600,N,8,1";
    double characterUs_ = 10e6 / 9600;  // one character's time on the line, for settings_
    int receiveThreshold_ = 0;
    int eventKind_ = 0;
    std::string lastError_;
    QString openPath_;  // the device the port has open
    std::function<void()> handler_;
    bool closing_ = false;
    bool inHandler_ = false;
    // Events raised while the handler runs wait until it returns (no nested calls).
    std::deque<int> pending_;
    // Bytes taken out of the receive buffer by readAll() and discardInput(), and the number
    // of opens: together they tell whether bytes arrived while the handler ran (Qt does not
    // signal those again).
    std::uint64_t removed_ = 0;
    std::uint64_t opens_ = 0;
    // The terminal's wake-up point (VMIN) as last set since opening; 0 = not set yet.
    int wakeAt_ = 0;
    // Runs while the reply to the last request is still on the wire; Qt's read notifier is
    // off meanwhile (see stopListeningUntilReplyCanBeIn).
    QTimer replyOnWire_;
    QPointer<QSocketNotifier> readNotifier_;
};

}  // namespace tc24
