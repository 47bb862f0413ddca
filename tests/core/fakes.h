#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/core/frm_main.h"
#include "link/control_names.h"
#include "link/files.h"
#include "link/serial_port.h"
#include "link/ui.h"

namespace tc24::testing {

// Controls backed by maps, preloaded with the window's design texts.
class FakeControls : public Controls {
public:
    struct Widget {
        std::string text;
        TextColor color = TextColor::Black;
        bool shown = true;
    };
    struct Combo {
        std::vector<std::string> items;
        int index = -1;
    };

    FakeControls() {
        set(control::txtStationID, "2");
        set(control::txtStartID, "0");
        set(control::txtDataLength, "24");
        set(control::txtFunID, "3");
        set(control::txtTimerSet, "1000");
        set(control::txtSensorid2, "01");
        set(control::txtObjSensorid, "01");
        set(control::txtSensorReadID, "1");
        set(control::txtSetID[0], "1");
        set(control::txtSetID[1], "1");
        set(control::txtSenseSn[0], "40");
        for (int i = 1; i < 8; ++i) {
            set(control::txtSenseSn[static_cast<std::size_t>(i)], "0");
        }
        for (int i = 0; i < 24; ++i) {
            set(control::txtValue[static_cast<std::size_t>(i)], "0");
        }
        set(control::lblCounter, "0");
        set(control::lblErrCounter, "0");
        set(control::txtCommand, "");
        set(control::txtState, "");
        set(control::TXTSN, "");
        widgets[control::PictureShow].shown = true;
        for (int i = 1; i <= 16; ++i) {
            combos[control::Combo1].items.push_back("COM" + std::to_string(i));
        }
        combos[control::Combo2].items = {"9600", "19200", "38400"};
    }

    void set(const std::string& name, const std::string& text) { widgets[name].text = text; }
    const std::string& get(const std::string& name) { return widgets[name].text; }

    std::string text(std::string_view name) const override {
        auto it = widgets.find(std::string(name));
        return it == widgets.end() ? std::string() : it->second.text;
    }
    void setText(std::string_view name, std::string_view text) override {
        widgets[std::string(name)].text = std::string(text);
    }
    void appendText(std::string_view name, std::string_view text) override {
        widgets[std::string(name)].text += std::string(text);
    }
    TextColor textColor(std::string_view name) const override {
        auto it = widgets.find(std::string(name));
        return it == widgets.end() ? TextColor::Black : it->second.color;
    }
    void setTextColor(std::string_view name, TextColor color) override {
        widgets[std::string(name)].color = color;
    }
    bool isShown(std::string_view name) const override {
        auto it = widgets.find(std::string(name));
        return it != widgets.end() && it->second.shown;
    }
    void setShown(std::string_view name, bool shown) override {
        widgets[std::string(name)].shown = shown;
    }
    void bringToFront(std::string_view image) override { front = std::string(image); }
    std::string frontImage() const override { return front; }
    int currentIndex(std::string_view combo) const override {
        auto it = combos.find(std::string(combo));
        return it == combos.end() ? -1 : it->second.index;
    }
    void setCurrentIndex(std::string_view combo, int index) override {
        combos[std::string(combo)].index = index;
    }
    int itemCount(std::string_view combo) const override {
        auto it = combos.find(std::string(combo));
        return it == combos.end() ? 0 : static_cast<int>(it->second.items.size());
    }
    std::string itemText(std::string_view combo, int index) const override {
        auto it = combos.find(std::string(combo));
        if (it == combos.end() || index < 0 || index >= static_cast<int>(it->second.items.size())) {
            return {};
        }
        return it->second.items[static_cast<std::size_t>(index)];
    }
    void showStatus(std::string_view message) override { status = std::string(message); }

    int redBoxes() const {
        int red = 0;
        for (int i = 0; i < 24; ++i) {
            red += textColor(control::txtValue[static_cast<std::size_t>(i)]) == TextColor::Red;
        }
        return red;
    }

    std::map<std::string, Widget> widgets;
    std::map<std::string, Combo> combos;
    std::string front;
    std::string status;
};

// A serial port with an input buffer the test fills; it raises DataReceived exactly as the
// real one does: once at least the threshold's number of bytes are waiting.
class FakeSerialPort : public SerialPort {
public:
    void setPortNumber(int number) override { portNumber_ = number; }
    int portNumber() const override { return portNumber_; }
    void setSettings(const std::string& settings) override { settings_ = settings; }
    std::string settings() const override { return settings_; }
    void open() override {
        ++opens;
        if (openFails) {
            lastError_ = openError;
            lastErrorKind_ = openErrorKind;
            return;
        }
        lastErrorKind_ = PortErrorKind::None;
        open_ = true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    std::string lastError() const override { return lastError_; }
    PortErrorKind lastErrorKind() const override { return lastErrorKind_; }
    void setBinaryInput() override {}
    void setReadAll() override {}
    void discardInput() override {
        waiting.clear();
        unannounced.clear();  // the real port takes these in and drops them with the rest
        ++inputDiscards;
    }
    void collectWaiting() override {
        waiting.insert(waiting.end(), unannounced.begin(), unannounced.end());
        unannounced.clear();
    }
    void discardOutput() override {}
    void setReceiveThreshold(int bytes) override { threshold = bytes; }
    int receiveThreshold() const override { return threshold; }
    void setSendThreshold(int) override {}
    void write(const std::vector<std::uint8_t>& bytes) override {
        if (open_) {
            written.push_back(bytes);
        }
    }
    std::vector<std::uint8_t> readAll() override {
        auto bytes = waiting;
        waiting.clear();
        return bytes;
    }
    int eventKind() const override { return kind_; }
    void setEventHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

    // Bytes arrive from the line.
    void receive(const std::vector<std::uint8_t>& bytes) {
        waiting.insert(waiting.end(), bytes.begin(), bytes.end());
        if (threshold > 0 && static_cast<int>(waiting.size()) >= threshold) {
            raise(comm_event::DataReceived);
        }
    }
    void raise(int kind) {
        kind_ = kind;
        if (handler_) {
            handler_();
        }
    }
    std::vector<std::uint8_t> lastWritten() const {
        return written.empty() ? std::vector<std::uint8_t>{} : written.back();
    }

    bool openFails = false;
    // What a failing open reports.
    std::string openError = "Permission denied";
    PortErrorKind openErrorKind = PortErrorKind::Permission;
    int opens = 0;
    int threshold = 0;
    int inputDiscards = 0;
    std::vector<std::uint8_t> waiting;
    // Bytes the system holds but has not announced yet (they arrived while a handler ran).
    std::vector<std::uint8_t> unannounced;
    std::vector<std::vector<std::uint8_t>> written;

private:
    bool open_ = false;
    int portNumber_ = 1;
    std::string settings_ = "9600,N,8,1";
    std::string lastError_;
    PortErrorKind lastErrorKind_ = PortErrorKind::None;
    int kind_ = 0;
    std::function<void()> handler_;
};

class FakeDialogs : public Dialogs {
public:
    void showMessage(const MessageBox& box) override {
        shown.push_back(box);
        if (whileOpen) {
            whileOpen(box);
        }
    }
    std::optional<std::string> askSaveFile(const FileDialogRequest& request) override {
        saveRequests.push_back(request);
        return next(saveAnswers);
    }
    std::optional<std::string> askOpenFile(const FileDialogRequest& request) override {
        openRequests.push_back(request);
        return next(openAnswers);
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> result;
        for (const auto& box : shown) {
            result.push_back(box.text);
        }
        return result;
    }
    std::string lastText() const { return shown.empty() ? std::string() : shown.back().text; }

    std::vector<MessageBox> shown;
    // Runs while a box is open: lets a test deliver ticks or serial events meanwhile.
    std::function<void(const MessageBox&)> whileOpen;
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

// Answers a view's questions as the test queued them: "no" and "cancel" when nothing is queued.
class FakeQuestions : public Questions {
public:
    bool askYesNo(const MessageBox& question) override {
        asked.push_back(question);
        if (yesNo.empty()) {
            return false;
        }
        const bool answer = yesNo.front();
        yesNo.pop_front();
        return answer;
    }
    std::optional<std::filesystem::path> askSavePath(const std::string& title,
                                                     const std::filesystem::path& proposed,
                                                     const std::string&) override {
        saveTitles.push_back(title);
        proposals.push_back(proposed);
        if (paths.empty()) {
            return std::nullopt;
        }
        auto answer = paths.front();
        paths.pop_front();
        // An empty path stands for "take the name proposed".
        return answer && answer->empty() ? std::optional(proposed) : answer;
    }

    std::deque<bool> yesNo;
    std::vector<MessageBox> asked;
    std::deque<std::optional<std::filesystem::path>> paths;
    std::vector<std::string> saveTitles;
    std::vector<std::filesystem::path> proposals;
};

class FakeTimer : public Timer {
public:
    void setInterval(int milliseconds) override {
        interval_ = milliseconds;
        ++restarts;
    }
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    bool isEnabled() const override { return enabled_; }
    int restarts = 0;

private:
    int interval_ = 0;
    bool enabled_ = true;
};

// A temporary program directory, removed afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Files written straight to the disk (a temporary file renamed over the old one), as the
// window's QSaveFile writer does; `failWith` makes every write fail with that reason.
class DiskFiles : public FileWriter {
public:
    std::optional<std::string> replace(const std::filesystem::path& path,
                                       std::string_view content) override {
        ++writes;
        if (failWith) {
            return failWith;
        }
        const std::filesystem::path temporary = path.string() + ".tmp";
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            if (!out) {
                return std::string("cannot create ") + temporary.string();
            }
            out.write(content.data(), static_cast<std::streamsize>(content.size()));
            if (!out.flush()) {
                std::error_code ignored;
                std::filesystem::remove(temporary, ignored);
                return std::string("cannot write ") + temporary.string();
            }
        }
        std::error_code ec;
        std::filesystem::rename(temporary, path, ec);
        if (ec) {
            std::filesystem::remove(temporary, ec);
            return ec.message();
        }
        return std::nullopt;
    }
    std::optional<std::string> failWith;
    int writes = 0;
};

// The window's behaviour over fakes, as a test drives it.
struct Harness {
    Harness() : frm(ui, port, dialogs, files, timer2, timer3, timer6, dir.path()) {}
    // Start-up with the port open at COM1, as after a normal start.
    void startWithOpenPort();
    WindowState& state() { return frm.state(); }

    TempDir dir;
    FakeControls ui;
    FakeSerialPort port;
    FakeDialogs dialogs;
    DiskFiles files;
    FakeTimer timer2;
    FakeTimer timer3;
    FakeTimer timer6;
    FrmMain frm;
};

std::vector<std::uint8_t> hexBytes(const std::string& text);

}  // namespace tc24::testing
