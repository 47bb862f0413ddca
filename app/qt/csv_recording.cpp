#include "app/qt/csv_recording.h"

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QPointer>
#include <QToolBar>
#include <chrono>

#include "app/qt/main_window.h"
#include "link/window.h"
#include "measure/csv_recorder.h"
#include "protocol/translatable.h"

namespace tc24 {

namespace {

constexpr const char* kTitle = QT_TRANSLATE_NOOP("tc24::CsvRecording", "记录数据");
constexpr const char* kTip =
    QT_TRANSLATE_NOOP("tc24::CsvRecording", "每次收到温度数据时追加一行到 CSV 文件");
// %1 the file, %2 the system's reason; %1 the lines written.
constexpr const char* kCannotOpen =
    QT_TRANSLATE_NOOP("tc24::CsvRecording", "无法打开记录文件 %1：%2\n记录未开始。");
constexpr const char* kRecording =
    QT_TRANSLATE_NOOP("tc24::CsvRecording", "正在记录数据到 %1（已有内容保留，新行追加在后）");
constexpr const char* kStopped =
    QT_TRANSLATE_NOOP("tc24::CsvRecording", "记录已停止：%1 行已写入 %2");
constexpr const char* kWriteFailed = QT_TRANSLATE_NOOP(
    "tc24::CsvRecording", "写入记录文件 %1 出错：%2\n记录已停止，之前的各行都已保存。");

}  // namespace

CsvRecording* CsvRecording::install(MainWindow& window) {
    auto* recording = new CsvRecording(window);
    window.toolsBar()->addAction(recording->action());
    return recording;
}

CsvRecording::CsvRecording(MainWindow& window)
    : QObject(&window),
      core_(window.core().window()),
      // Data files start where a portable program keeps its own files; an installed one, or
      // one in a read-only folder, starts in the home folder.
      initialFolder_(
          window.settingsLocation().folder == window.settingsLocation().programDirectory
              ? window.settingsLocation().programDirectory
              : std::filesystem::path(QFile::encodeName(QDir::homePath()).toStdString())) {
    setObjectName(QStringLiteral("csvRecording"));
    action_ = new QAction(this);
    action_->setObjectName(QStringLiteral("actionRecord"));
    action_->setCheckable(true);
    applyTexts();
    // triggered(): the operator's click only; the check mark set from here does not recurse.
    connect(action_, &QAction::triggered, this, [this](bool checked) {
        if (checked) {
            start();
        } else {
            stop();
        }
    });

    // The readings of valid register replies, from the decoder.
    QPointer<CsvRecording> self(this);
    core_.readingObservers.push_back([self](const RegisterReading& reading) {
        if (self && self->isRecording()) {
            self->record(reading);
        }
    });
}

void CsvRecording::applyTexts() {
    action_->setText(tr(kTitle));
    action_->setToolTip(tr(kTip));
}

bool CsvRecording::event(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        applyTexts();
    }
    return QObject::event(event);
}

bool CsvRecording::start() {
    stop();
    action_->setChecked(false);
    const std::string title = tr(kTitle).toStdString();
    const auto chosen =
        core_.dialogs.askSaveFile({title, initialFolder_.string(), "CSV|*.csv", false});
    if (!chosen || chosen->empty()) {
        return false;
    }
    std::filesystem::path file(*chosen);
    if (!file.has_extension()) {
        file += ".csv";
    }
    if (const auto error = writer_.open(file, measure::csvHeader())) {
        core_.message(
            {fillIn(tr(kCannotOpen).toStdString(), {file.string(), *error}), title, false, true});
        return false;
    }
    lines_ = 0;
    action_->setChecked(true);
    core_.ui.showStatus(fillIn(tr(kRecording).toStdString(), {file.string()}));
    return true;
}

void CsvRecording::stop() {
    if (!writer_.isOpen()) {
        action_->setChecked(false);
        return;
    }
    const std::string file = writer_.path().string();
    writer_.close();
    action_->setChecked(false);
    core_.ui.showStatus(fillIn(tr(kStopped).toStdString(), {std::to_string(lines_), file}));
}

void CsvRecording::record(const RegisterReading& reading) {
    if (!reading.anyFilled()) {
        return;  // the chunk filled no box: nothing was decoded
    }
    const std::string line =
        measure::csvLine(measure::isoLocalTime(std::chrono::system_clock::now()), reading);
    if (const auto error = writer_.append(line)) {
        fail(fillIn(tr(kWriteFailed).toStdString(), {writer_.path().string(), *error}));
        return;
    }
    ++lines_;
}

void CsvRecording::fail(const std::string& text) {
    // Stopped before the box opens: replies that arrive meanwhile are not written.
    stop();
    core_.message({text, tr(kTitle).toStdString(), false, true});
}

}  // namespace tc24
