#include "app/qt/csv_recording.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QToolBar>
#include <chrono>

#include "app/qt/main_window.h"
#include "link/window.h"
#include "measure/csv_recorder.h"

namespace tc24 {

namespace {

constexpr const char* kTitle = "记录数据";

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
    action_ = new QAction(QString::fromUtf8(kTitle), this);
    action_->setObjectName(QStringLiteral("actionRecord"));
    action_->setCheckable(true);
    action_->setToolTip(QStringLiteral("每次收到温度数据时追加一行到 CSV 文件"));
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

bool CsvRecording::start() {
    stop();
    action_->setChecked(false);
    const auto chosen =
        core_.dialogs.askSaveFile({kTitle, initialFolder_.string(), "CSV|*.csv", false});
    if (!chosen || chosen->empty()) {
        return false;
    }
    std::filesystem::path file(*chosen);
    if (!file.has_extension()) {
        file += ".csv";
    }
    if (const auto error = writer_.open(file, measure::csvHeader())) {
        core_.message({"无法打开记录文件 " + file.string() + "：" + *error + "\n记录未开始。",
                       std::string(kTitle), false, true});
        return false;
    }
    lines_ = 0;
    action_->setChecked(true);
    core_.ui.showStatus("正在记录数据到 " + file.string() + "（已有内容保留，新行追加在后）");
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
    core_.ui.showStatus("记录已停止：" + std::to_string(lines_) + " 行已写入 " + file);
}

void CsvRecording::record(const RegisterReading& reading) {
    if (!reading.anyFilled()) {
        return;  // the chunk filled no box: nothing was decoded
    }
    const std::string line =
        measure::csvLine(measure::isoLocalTime(std::chrono::system_clock::now()), reading);
    if (const auto error = writer_.append(line)) {
        fail("写入记录文件 " + writer_.path().string() + " 出错：" + *error +
             "\n记录已停止，之前的各行都已保存。");
        return;
    }
    ++lines_;
}

void CsvRecording::fail(const std::string& text) {
    // Stopped before the box opens: replies that arrive meanwhile are not written.
    stop();
    core_.message({text, std::string(kTitle), false, true});
}

}  // namespace tc24
