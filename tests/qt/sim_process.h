#pragma once

// Runs tc24-sim for a window test: linked as <program directory>/ports/COMn, stopped
// (SIGTERM) when the object goes away.

#include <QProcess>
#include <QStringList>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tc24::testing {

class SimProcess {
public:
    // Starts the simulator; `ok()` tells whether it is serving a device.
    // With `logFile` the simulator's log (stderr) goes straight to that file instead of
    // through this process, which then spends no time reading it.
    SimProcess(const std::filesystem::path& programDirectory, int portNumber,
               const QStringList& extraArguments, std::filesystem::path logFile = {})
        : logFile_(std::move(logFile)) {
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
        if (!logFile_.empty()) {
            process_.setStandardErrorFile(QString::fromStdString(logFile_.string()));
        }
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
        if (logFile_.empty()) {
            log_ = process_.readAllStandardError().toStdString();
        } else {
            std::ifstream in(logFile_);
            log_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        return summary_;
    }
    const std::string& log() const { return log_; }

private:
    std::filesystem::path logFile_;
    QProcess process_;
    std::string device_;
    std::string error_;
    std::string summary_;
    std::string log_;
};

}  // namespace tc24::testing
