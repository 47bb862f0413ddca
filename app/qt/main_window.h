#pragma once

#include <QMainWindow>
#include <QSize>
#include <filesystem>
#include <memory>

#include "app/core/frm_main.h"
#include "app/platform/qt_file_writer.h"
#include "app/platform/tool_settings.h"
#include "app/qt/language.h"
#include "app/settings/settings_location.h"

class QAction;
class QToolBar;

namespace Ui {
class frmMain;
}

namespace tc24 {

class EchoFilter;
class HeldReplyTap;
class QtControls;
class QtTimer;
class RecordView;
class TrafficLog;
class TrafficTap;

// The main window: the form frm_main.ui, its controls named as the handlers address them,
// and the wiring of every click, port choice and timer tick to FrmMain.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Without a port or dialogs of its own the window uses QtSerialPort and QtDialogs.
    explicit MainWindow(std::filesystem::path programDirectory, SerialPort* port = nullptr,
                        Dialogs* dialogs = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    FrmMain& core() { return *core_; }
    Controls& controls();
    SerialPort& port() { return *port_; }
    // Every request and received chunk on the port, for the communication log.
    std::shared_ptr<TrafficLog> trafficLog() const { return trafficLog_; }
    // Takes the line's echo of each request out while "回显抑制" is checked.
    EchoFilter& echoFilter() { return *echoFilter_; }
    // The tool bar that opens the views beside the main window (log, trends, recording).
    QToolBar* toolsBar() { return toolsBar_; }
    // "调试记录": the commissioning record of the module on the line.
    RecordView* recordView() { return recordView_; }

    // Where comm.set and the ports/ links are kept for this program's directory.
    const SettingsLocation& settingsLocation() const { return settings_; }

    // Start-up: restores the saved settings and opens the saved port. Call before show().
    void load();

    // The window's language: the one saved in tc24.ini when the window was made, until
    // "语言 / Language" on the tool bar changes it. Switching changes words only: captions,
    // tooltips, titles and the texts shown from then on; no value, counter, colour, field or
    // pane changes. `remember`: kept in tc24.ini for the next start (not for `tc24 --lang`).
    WindowLanguage language() const { return language_; }
    void setLanguage(WindowLanguage language, bool remember = true);

    // The window's size when the tool starts.
    static constexpr QSize kStartSize{1280, 800};

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The form's retranslateUi and the captions set from here, on QEvent::LanguageChange.
    void changeEvent(QEvent* event) override;
    // Asks before a commissioning record that is not saved goes with the window.
    void closeEvent(QCloseEvent* event) override;

private:
    void prepareControls();
    void placeCurrentAddressBox();
    void connectHandlers();
    // Adds the views beside the main window; each installs itself through the tool bar.
    void installTools();
    // The checkable "回显抑制" action, kept in tc24.ini.
    void installEchoSuppression();
    // "语言 / Language": a menu of "中文" and "English", each in its own language.
    void installLanguageSwitch();
    void retranslate();
    void refreshPortTooltips();

    std::filesystem::path programDirectory_;
    SettingsLocation settings_;  // where comm.set and ports/ are kept
    WindowLanguage language_;
    WindowLanguage shownLanguage_;      // the language the captions were last set in
    ApplicationTranslator translator_;  // the handlers' texts
    QtFileWriter files_;
    std::unique_ptr<Ui::frmMain> ui_;
    QToolBar* toolsBar_ = nullptr;
    QAction* echoAction_ = nullptr;
    QAction* chineseAction_ = nullptr;
    QAction* englishAction_ = nullptr;
    RecordView* recordView_ = nullptr;
    std::unique_ptr<SerialPort> ownPort_;
    std::unique_ptr<Dialogs> ownDialogs_;
    std::shared_ptr<TrafficLog> trafficLog_;
    std::unique_ptr<EchoFilter> echoFilter_;  // between the port and the tap
    // Above the filter: completes the replies whose decoders got only their start.
    std::unique_ptr<HeldReplyTap> heldReplyTap_;
    std::unique_ptr<TrafficTap> trafficTap_;  // the port the handlers use: logs, then forwards
    SerialPort* port_ = nullptr;
    std::unique_ptr<QtTimer> timer2_;
    std::unique_ptr<QtTimer> timer3_;
    std::unique_ptr<QtTimer> timer6_;
    std::unique_ptr<QtControls> controls_;
    std::unique_ptr<FrmMain> core_;  // last: it refers to everything above
};

// What the tool sets on the application before its window: its name, and no display name: Qt
// would append one to every title the window system shows ("系统提示 — tc24 …"). A box without
// a title of its own shows applicationTitle() instead.
void prepareApplication();

// The tool's start-up, once the QApplication exists: the application's name, then the
// window for the program's folder, in `language` when given (`tc24 --lang`, not saved), else in
// the saved one, loaded, sized and shown. The start-up benchmark times exactly this.
std::unique_ptr<MainWindow> startMainWindow(std::optional<WindowLanguage> language = std::nullopt);

}  // namespace tc24
