#pragma once

// Runs tc24-sim for a window test: linked as <program directory>/ports/COMn, stopped
// (SIGTERM) when the object goes away.

#include <QProcess>
#include <QStringList>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace tc24::testing {

class SimProcess {
public:
    // Starts the simulator; `ok()` tells whether it is serving a device.
    SimProcess(const std::filesystem::path& programDirectory, int portNumber,
               const QStringList& extraArguments) {
        const char* executable = std::getenv("TC24_SIM");
        if (executable == nullptr || !std::filesystem::exists(executable)) {
            error_ = "TC24_SIM does not name the simulator";
            return;
        }
        const auto link = programDirectory / "ports" / ("COM" + std::to_string(portNumber));
        QStringList arguments{"--link", QString::fromStdString(link.string())};
        arguments += extraArguments;
        process_.setProgram(QString::fromUtf8(executable));
        process_.setArguments(arguments);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start();
        if (!process_.waitForStarted(5000)) {
            error_ = "simulator did not start";
            return;
        }
        // The first line names the device; the link exists by then.
        while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
        }
        const QString line = QString::fromUtf8(process_.readLine()).trimmed();
        if (!line.startsWith("device ")) {
            error_ = "unexpected first line: " + line.toStdString() +
                     " stderr: " + process_.readAllStandardError().toStdString();
            return;
        }
        device_ = line.mid(7).toStdString();
    }
    ~SimProcess() { stop(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool ok() const { return !device_.empty(); }
    const std::string& error() const { return error_; }
    const std::string& device() const { return device_; }

    // Stops the simulator and returns what it printed on exit (its counters).
    std::string stop() {
        if (process_.state() == QProcess::NotRunning) {
            return summary_;
        }
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(2000);
        }
        summary_ = process_.readAllStandardOutput().toStdString();
        log_ = process_.readAllStandardError().toStdString();
        return summary_;
    }
    const std::string& log() const { return log_; }

private:
    QProcess process_;
    std::string device_;
    std::string error_;
    std::string summary_;
    std::string log_;
};

}  // namespace tc24::testing
