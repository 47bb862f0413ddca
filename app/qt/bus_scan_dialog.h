#pragma once

#include <QWidget>
#include <memory>

#include "diagnostics/bus_scan.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace tc24 {

class MainWindow;
class QtTimer;

// "总线扫描": looks for the modules on the line and lets the operator take one of them into
// txtStationID. While the scan holds the line the main window's controls are disabled and
// its status bar says why; the scan never blocks the window.
class BusScanDialog : public QWidget {
    Q_OBJECT
public:
    explicit BusScanDialog(MainWindow& main);
    ~BusScanDialog() override;

    // Adds the dialog's action to the main window's tool bar.
    static void install(MainWindow& main);

    BusScan& scan() { return *scan_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void startScan();
    void onProgress();
    void onReleased();
    void takeSelected();

    MainWindow& main_;
    std::unique_ptr<QtTimer> timer_;
    std::unique_ptr<BusScan> scan_;
    QLineEdit* first_ = nullptr;
    QLineEdit* last_ = nullptr;
    QLineEdit* timeout_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* take_ = nullptr;
    QProgressBar* progress_ = nullptr;
    std::size_t listedFound_ = 0;    // stations found already in the list
    std::size_t listedGarbled_ = 0;  // garbled stations already in the list
    QListWidget* found_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace tc24
