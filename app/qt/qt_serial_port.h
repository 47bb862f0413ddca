#pragma once

#include <QObject>
#include <QSerialPort>
#include <deque>
#include <filesystem>
#include <functional>

#include "app/settings/settings_location.h"
#include "link/serial_port.h"

namespace tc24 {

// The serial port over QSerialPort. Port number n opens the device that
// <settings folder>/ports/COMn links to, or /dev/ttyUSB{n-1} (COMn on Windows), under its real
// path: QSerialPort locks the name it opens, and every name of the device must meet that lock.
class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(SettingsLocation settings, QObject* parent = nullptr);
    ~QtSerialPort() override;

    void setPortNumber(int number) override;
    int portNumber() const override;
    void setSettings(const std::string& settings) override;
    std::string settings() const override;

    void open() override;
    void close() override;
    bool isOpen() const override;
    std::string lastError() const override;
    PortErrorKind lastErrorKind() const override;

    void setBinaryInput() override;
    void setReadAll() override;
    void discardInput() override;
    void collectWaiting() override;
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

private:
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void raise(int kind);
    void deliver(int kind);
    bool dataEventDue();
    void applySettings();

    SettingsLocation location_;  // where the ports/ links are
    QSerialPort port_;
    int portNumber_ = 1;
    std::string settings_ = "9600,N,8,1";
    int receiveThreshold_ = 0;
    int eventKind_ = 0;
    std::string lastError_;
    PortErrorKind lastErrorKind_ = PortErrorKind::None;
    QString openPath_;  // the device the port has open, as named (the link, when one)
    std::function<void()> handler_;
    bool closing_ = false;
    bool discarding_ = false;  // bytes read by discardInput() raise no event
    bool inHandler_ = false;
    // Events raised while the handler runs wait until it returns (no nested calls).
    std::deque<int> pending_;
    // Bytes taken out of the receive buffer by readAll() and discardInput(), and the number
    // of opens: together they tell whether bytes arrived while the handler ran (Qt does not
    // signal those again).
    std::uint64_t removed_ = 0;
    std::uint64_t opens_ = 0;
};

}  // namespace tc24
