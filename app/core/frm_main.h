#pragma once

#include <filesystem>

#include "link/window.h"

namespace tc24 {

// The main window's behaviour without widgets: one method per event handler. The Qt window
// forwards its signals here; tests drive it with fakes.
class FrmMain {
public:
    // Without a settings directory of its own, comm.set and ports/ are in the program's.
    FrmMain(Controls& controls, SerialPort& port, Dialogs& dialogs, FileWriter& files,
            Timer& timer2, Timer& timer3, Timer& timer6, std::filesystem::path programDirectory,
            std::filesystem::path settingsDirectory = {});

    Window& window() { return window_; }
    WindowState& state() { return window_.state; }

    // Start-up and serial settings.
    void Form_Load();
    void cmdCom_Click();
    void Combo1_Click();

    // The serial port's event.
    void MSComm1_OnComm();

    // Measurement.
    void comDoOnce_Click();
    void cmdOneM_Click();
    void cmdStopOnce_Click();
    void Timer2_Timer();

    // Device address.
    void cmdReadAdd_Click();
    void cmdChangeID_Click();

    // Sensor serial numbers, search and identification.
    void cmdReadSensorID_Click();
    void cmdReadSNAll_Click();
    void cmdSaveSn_Click();
    void Timer6_Timer();
    void txtSensorid2_Edited();
    void cmdAutoSearch_Click();
    void cmdAutoInput_Click();

    // Serial-number list import and writing.
    void cmdOpenFile_Click();
    void cmdFirst_Click();
    void cmdWriteNext_Click();
    void cmdWriteAllSn_Click();
    void cmdStopWrite_Click();
    void Timer3_Timer();

private:
    Window window_;
};

}  // namespace tc24
