#include "app/core/frm_main.h"

#include "address/device_address.h"
#include "app/core/port_settings.h"
#include "link/receive.h"
#include "measure/polling.h"
#include "measure/register_query.h"
#include "programming/list_import.h"
#include "programming/serial_write.h"
#include "sensors/search.h"
#include "sensors/serial_readout.h"

namespace tc24 {

FrmMain::FrmMain(Controls& controls, SerialPort& port, Dialogs& dialogs, FileWriter& files,
                 Timer& timer2, Timer& timer3, Timer& timer6,
                 std::filesystem::path programDirectory, std::filesystem::path settingsDirectory)
    : window_(controls, port, dialogs, files, timer2, timer3, timer6, programDirectory,
              settingsDirectory.empty() ? programDirectory : std::move(settingsDirectory)) {
    // One decoder per pending-operation code, each living beside the request it answers.
    window_.decoders = {
        {cmd_mode::RegisterQuery, &measure::decodeRegisterReply},
        {cmd_mode::Identify, &sensors::decodeIdentifyReply},
        {cmd_mode::ReadSerialNumber, &sensors::decodeSerialNumberReply},
        {cmd_mode::Address, &address::decodeAddressReply},
        {cmd_mode::SensorSearch, &sensors::decodeSearchReply},
        {cmd_mode::WriteSerialNumber, &programming::decodeWriteReply},
    };
    port.setEventHandler([this] { MSComm1_OnComm(); });
}

void FrmMain::Form_Load() {
    tc24::Form_Load(window_);
}
void FrmMain::cmdCom_Click() {
    tc24::cmdCom_Click(window_);
}
void FrmMain::Combo1_Click() {
    tc24::Combo1_Click(window_);
}
void FrmMain::MSComm1_OnComm() {
    tc24::MSComm1_OnComm(window_);
}

void FrmMain::comDoOnce_Click() {
    measure::comDoOnce_Click(window_);
}
void FrmMain::cmdOneM_Click() {
    measure::cmdOneM_Click(window_);
}
void FrmMain::cmdStopOnce_Click() {
    measure::cmdStopOnce_Click(window_);
}
void FrmMain::Timer2_Timer() {
    measure::Timer2_Timer(window_);
}

void FrmMain::cmdReadAdd_Click() {
    address::cmdReadAdd_Click(window_);
}
void FrmMain::cmdChangeID_Click() {
    address::cmdChangeID_Click(window_);
}

void FrmMain::cmdReadSensorID_Click() {
    sensors::cmdReadSensorID_Click(window_);
}
void FrmMain::cmdReadSNAll_Click() {
    sensors::cmdReadSNAll_Click(window_);
}
void FrmMain::cmdSaveSn_Click() {
    sensors::cmdSaveSn_Click(window_);
}
void FrmMain::Timer6_Timer() {
    sensors::Timer6_Timer(window_);
}
void FrmMain::txtSensorid2_Edited() {
    sensors::txtSensorid2_Edited(window_);
}
void FrmMain::cmdAutoSearch_Click() {
    sensors::cmdAutoSearch_Click(window_);
}
void FrmMain::cmdAutoInput_Click() {
    sensors::cmdAutoInput_Click(window_);
}

void FrmMain::cmdOpenFile_Click() {
    programming::cmdOpenFile_Click(window_);
}
void FrmMain::cmdFirst_Click() {
    programming::cmdFirst_Click(window_);
}
void FrmMain::cmdWriteNext_Click() {
    programming::cmdWriteNext_Click(window_);
}
void FrmMain::cmdWriteAllSn_Click() {
    programming::cmdWriteAllSn_Click(window_);
}
void FrmMain::cmdStopWrite_Click() {
    programming::cmdStopWrite_Click(window_);
}
void FrmMain::Timer3_Timer() {
    programming::Timer3_Timer(window_);
}

}  // namespace tc24
