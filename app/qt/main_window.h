#pragma once

#include <QFont>
#include <QMainWindow>
#include <QSize>
#include <filesystem>
#include <memory>
#include <optional>

#include "app/core/frm_main.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolBar;

namespace tc24 {

class QtControls;
class QtTimer;
class TrafficLog;
class TrafficTap;

// Window title, also the application's display name (the title of untitled message boxes).
inline constexpr const char* kApplicationTitle = "tc24 24路温度采集模块测试工具";

// The main window: the widgets, named as the handlers address them, forwarding every click,
// port choice and timer tick to FrmMain.
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
    // The tool bar that opens the views beside the main window (log, trends, recording).
    QToolBar* toolsBar() { return toolsBar_; }

    // Start-up: restores the saved settings and opens the saved port. Call before show().
    void load();

    // A font with Simplified Chinese glyphs when one is installed.
    static std::optional<QFont> preferredFont();
    // The application's font as the tool sets it at start-up (preferredFont() when there is
    // one); benchmarks use it so that they paint what the tool paints.
    static void applyApplicationFont();
    // The window's size when the tool starts.
    static constexpr QSize kStartSize{1280, 800};

private:
    void buildWidgets();
    QGroupBox* buildSerialFrame();
    QGroupBox* buildModbusFrame();
    QGroupBox* buildQueryFrame();
    QGroupBox* buildAddressFrame();
    QGroupBox* buildSensorFrame();
    QGroupBox* buildObservationFrame();
    QGroupBox* buildCommandFrame();
    QGroupBox* buildStatusFrame();
    void connectHandlers();
    // Adds the views beside the main window; each installs itself through the tool bar.
    void installTools();
    void refreshPortTooltips(QComboBox* ports) const;

    std::filesystem::path programDirectory_;
    QToolBar* toolsBar_ = nullptr;
    std::unique_ptr<SerialPort> ownPort_;
    std::unique_ptr<Dialogs> ownDialogs_;
    std::shared_ptr<TrafficLog> trafficLog_;
    std::unique_ptr<TrafficTap> trafficTap_;  // the port the handlers use: logs, then forwards
    SerialPort* port_ = nullptr;
    QtTimer* timer2_ = nullptr;
    QtTimer* timer3_ = nullptr;
    QtTimer* timer6_ = nullptr;
    std::unique_ptr<QtControls> controls_;
    std::unique_ptr<FrmMain> core_;  // last: it refers to everything above
};

// The tool's start-up, once the QApplication exists: the application's name and font, then
// the window for the program's folder, loaded, sized and shown. The start-up benchmark
// times exactly this.
std::unique_ptr<MainWindow> startMainWindow();

}  // namespace tc24
