#pragma once

// Stand-ins for the serial port and the dialogs, so a window can be built and driven
// offscreen without a device and without modal boxes.

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/serial_port.h"
#include "link/ui.h"

namespace tc24::qt_testing {

// Opens unless told otherwise; counts the openings; raise() delivers an event of a kind.
class FakeSerialPort : public SerialPort {
public:
    void setPortNumber(int number) override { portNumber_ = number; }
    int portNumber() const override { return portNumber_; }
    void setSettings(const std::string& settings) override { settings_ = settings; }
    std::string settings() const override { return settings_; }
    void open() override {
        ++opens;
        open_ = !openFails;
        lastError_ = openFails ? "Permission denied" : "";
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    std::string lastError() const override { return lastError_; }
    void setBinaryInput() override {}
    void setReadAll() override {}
    void discardInput() override {}
    void discardOutput() override {}
    void setReceiveThreshold(int bytes) override { threshold = bytes; }
    int receiveThreshold() const override { return threshold; }
    void setSendThreshold(int) override {}
    void write(const std::vector<std::uint8_t>&) override {}
    std::vector<std::uint8_t> readAll() override { return {}; }
    int eventKind() const override { return kind_; }
    void setEventHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

    void raise(int kind) {
        kind_ = kind;
        if (handler_) {
            handler_();
        }
    }

    bool openFails = false;
    int opens = 0;
    int threshold = 0;

private:
    bool open_ = false;
    int portNumber_ = 1;
    std::string settings_ = "9600,N,8,1";
    std::string lastError_;
    int kind_ = 0;
    std::function<void()> handler_;
};

// Records every box and request; file dialogs answer from queues (empty: cancelled).
class FakeDialogs : public Dialogs {
public:
    void showMessage(const MessageBox& box) override { shown.push_back(box); }
    std::optional<std::string> askSaveFile(const FileDialogRequest& request) override {
        saveRequests.push_back(request);
        return next(saveAnswers);
    }
    std::optional<std::string> askOpenFile(const FileDialogRequest& request) override {
        openRequests.push_back(request);
        return next(openAnswers);
    }

    std::vector<MessageBox> shown;
    std::deque<std::optional<std::string>> saveAnswers;
    std::deque<std::optional<std::string>> openAnswers;
    std::vector<FileDialogRequest> saveRequests;
    std::vector<FileDialogRequest> openRequests;

private:
    static std::optional<std::string> next(std::deque<std::optional<std::string>>& answers) {
        if (answers.empty()) {
            return std::nullopt;
        }
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace tc24::qt_testing
