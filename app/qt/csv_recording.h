#pragma once

#include <QObject>
#include <filesystem>
#include <memory>

#include "app/platform/line_file.h"
#include "link/readings.h"

class QAction;

namespace tc24 {

class MainWindow;
class Window;

// "记录数据": while checked, every valid register reply appends one CSV line to the file the
// operator chose (format in measure/csv_recorder.h); a chunk that is not a whole valid reply
// to the request sent is shown in the boxes but not recorded (measure/valid_replies.h). Each
// line reaches the system as it is written (app/platform/line_file.h). A file that cannot be
// opened or written stops the recording with a message; nothing is reported as recorded
// that was not written.
class CsvRecording : public QObject {
    Q_OBJECT
public:
    // Creates the recording for `window` and puts the checkable "记录数据" on its tool bar.
    static CsvRecording* install(MainWindow& window);

    explicit CsvRecording(MainWindow& window);

    QAction* action() const { return action_; }
    bool isRecording() const { return writer_.isOpen(); }
    const std::filesystem::path& path() const { return writer_.path(); }
    long long lines() const { return lines_; }

    // Asks for the file and starts; false when cancelled or the file cannot be opened.
    bool start();
    void stop();

protected:
    // The action's caption and tooltip follow the window's language.
    bool event(QEvent* event) override;

private:
    void applyTexts();
    void record(const RegisterReading& reading);
    void fail(const std::string& text);

    Window& core_;
    std::filesystem::path initialFolder_;  // where the file dialog starts
    QAction* action_ = nullptr;
    LineFile writer_;
    long long lines_ = 0;
};

}  // namespace tc24
