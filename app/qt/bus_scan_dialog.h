#pragma once

#include <QWidget>
#include <memory>

#include "diagnostics/bus_scan.h"

class QAction;

namespace Ui {
class BusScanDialog;
}

namespace tc24 {

class MainWindow;
class QtTimer;

// "总线扫描" (bus_scan_dialog.ui): looks for the modules on the line and lets the operator take
// one of them into txtStationID. The stations and the time-out are spin boxes, so every range
// the operator can enter is one the scan takes. While the scan holds the line the main
// window's controls are disabled and its status bar says why; the scan never blocks the window.
class BusScanDialog : public QWidget {
    Q_OBJECT
public:
    explicit BusScanDialog(MainWindow& main);
    ~BusScanDialog() override;

    // Adds the dialog's action to the main window's tool bar.
    static void install(MainWindow& main);
    // The action's caption in the window's language.
    static void labelAction(QAction& action);

    BusScan& scan() { return *scan_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // The form's texts and the list's in the new language.
    void changeEvent(QEvent* event) override;

private:
    void relabel();
    // A listed station: "站 7", or the text of one whose answer could not be read.
    static QString stationText(unsigned station, bool garbled);
    void startScan();
    void onProgress();
    void onReleased();
    void takeSelected();

    std::unique_ptr<Ui::BusScanDialog> ui_;
    MainWindow& main_;
    std::unique_ptr<QtTimer> timer_;
    std::unique_ptr<BusScan> scan_;
    std::size_t listedFound_ = 0;    // stations found already in the list
    std::size_t listedGarbled_ = 0;  // garbled stations already in the list
};

}  // namespace tc24
