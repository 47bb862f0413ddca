#include "app/core/frm_main.h"

#include "app/core/port_settings.h"
#include "link/receive.h"
#include "measure/polling.h"
#include "measure/register_query.h"

namespace tc24 {

FrmMain::FrmMain(Controls& controls, SerialPort& port, Dialogs& dialogs, Timer& timer2,
                 Timer& timer3, Timer& timer6, std::filesystem::path programDirectory)
    : window_(controls, port, dialogs, timer2, timer3, timer6, std::move(programDirectory)) {
    // One decoder per pending-operation code, each living beside the request it answers.
    window_.decoders = {
        {cmd_mode::RegisterQuery, &measure::decodeRegisterReply},
    };
    port.setEventHandler([this] { MSComm1_OnComm(); });
}

void FrmMain::Form_Load() { tc24::Form_Load(window_); }
void FrmMain::cmdCom_Click() { tc24::cmdCom_Click(window_); }
void FrmMain::Combo1_Click() { tc24::Combo1_Click(window_); }
void FrmMain::MSComm1_OnComm() { tc24::MSComm1_OnComm(window_); }

void FrmMain::comDoOnce_Click() { measure::comDoOnce_Click(window_); }
void FrmMain::cmdOneM_Click() { measure::cmdOneM_Click(window_); }
void FrmMain::cmdStopOnce_Click() { measure::cmdStopOnce_Click(window_); }
void FrmMain::Timer2_Timer() { measure::Timer2_Timer(window_); }

void FrmMain::cmdReadAdd_Click() {}
void FrmMain::cmdChangeID_Click() {}
void FrmMain::cmdReadSensorID_Click() {}
void FrmMain::cmdReadSNAll_Click() {}
void FrmMain::cmdSaveSn_Click() {}
void FrmMain::Timer6_Timer() {}
void FrmMain::cmdAutoSearch_Click() {}
void FrmMain::cmdAutoInput_Click() {}
void FrmMain::cmdOpenFile_Click() {}
void FrmMain::cmdFirst_Click() {}
void FrmMain::cmdWriteNext_Click() {}
void FrmMain::cmdWriteAllSn_Click() {}
void FrmMain::cmdStopWrite_Click() {}
void FrmMain::Timer3_Timer() {}

}  // namespace tc24
