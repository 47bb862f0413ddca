#pragma once

#include <array>

namespace tc24::control {

// The object names of the window's controls, as the form app/qt/frm_main.ui gives them. The
// handlers, the fakes and the tests name controls only through these, so a misspelt name does
// not compile; a window test checks that the form has every one of them exactly once.

// Frame5 "串口设置"
inline constexpr const char* Frame5 = "Frame5";
inline constexpr const char* Label3 = "Label3";
inline constexpr const char* Combo1 = "Combo1";
inline constexpr const char* Label5 = "Label5";
inline constexpr const char* Combo2 = "Combo2";
inline constexpr const char* cmdCom = "cmdCom";

// Frame10 "MODBUS设置"
inline constexpr const char* Frame10 = "Frame10";
inline constexpr const char* Label8_0 = "Label8_0";
inline constexpr const char* txtStationID = "txtStationID";
inline constexpr const char* Label8_1 = "Label8_1";
inline constexpr const char* txtStartID = "txtStartID";
inline constexpr const char* Label8_2 = "Label8_2";
inline constexpr const char* txtDataLength = "txtDataLength";
inline constexpr const char* Label8_3 = "Label8_3";
inline constexpr const char* txtFunID = "txtFunID";

// Frame11 "数据查询操作"
inline constexpr const char* Frame11 = "Frame11";
inline constexpr const char* Label8_4 = "Label8_4";
inline constexpr const char* txtTimerSet = "txtTimerSet";
inline constexpr const char* comDoOnce = "comDoOnce";
inline constexpr const char* cmdOneM = "cmdOneM";
inline constexpr const char* cmdStopOnce = "cmdStopOnce";

// Frame12 "设备ID修改操作(子功能号0x0B )"
inline constexpr const char* Frame12 = "Frame12";
inline constexpr const char* Label2_7 = "Label2_7";
inline constexpr std::array<const char*, 2> txtSetID = {"txtSetID_0", "txtSetID_1"};
inline constexpr const char* cmdReadAdd = "cmdReadAdd";
inline constexpr const char* cmdChangeID = "cmdChangeID";
inline constexpr const char* Label2_13 = "Label2_13";

// Frame4 "传感器操作区"
inline constexpr const char* Frame4 = "Frame4";

// Frame3 "传感器序列号操作"
inline constexpr const char* Frame3 = "Frame3";
inline constexpr const char* Label2_0 = "Label2_0";
inline constexpr const char* txtSensorid2 = "txtSensorid2";
inline constexpr const char* cmdReadSensorID = "cmdReadSensorID";
inline constexpr const char* cmdReadSNAll = "cmdReadSNAll";
inline constexpr const char* cmdSaveSn = "cmdSaveSn";

// Frame15 "写入序列号到远程指定设备指定位置"
inline constexpr const char* Frame15 = "Frame15";
inline constexpr const char* cmdAutoSearch = "cmdAutoSearch";
inline constexpr const char* cmdOpenFile = "cmdOpenFile";
inline constexpr const char* cmdWriteAllSn = "cmdWriteAllSn";
inline constexpr const char* Label2_4 = "Label2_4";
inline constexpr std::array<const char*, 8> txtSenseSn = {
    "txtSenseSn_0", "txtSenseSn_1", "txtSenseSn_2", "txtSenseSn_3",
    "txtSenseSn_4", "txtSenseSn_5", "txtSenseSn_6", "txtSenseSn_7"};
inline constexpr const char* Label6 = "Label6";
inline constexpr const char* Label2_5 = "Label2_5";
inline constexpr const char* txtObjSensorid = "txtObjSensorid";
inline constexpr const char* cmdFirst = "cmdFirst";
inline constexpr const char* cmdWriteNext = "cmdWriteNext";
inline constexpr const char* cmdStopWrite = "cmdStopWrite";

// Frame14 "将新传感器识别到指定位置"
inline constexpr const char* Frame14 = "Frame14";
inline constexpr const char* Label1 = "Label1";
inline constexpr const char* txtSensorReadID = "txtSensorReadID";
inline constexpr const char* cmdAutoInput = "cmdAutoInput";

// Frame2 "观察窗"
inline constexpr const char* Frame2 = "Frame2";
inline constexpr const char* PictureShow = "PictureShow";
inline constexpr std::array<const char*, 24> lblValue = {
    "lblValue_0",  "lblValue_1",  "lblValue_2",  "lblValue_3",  "lblValue_4",  "lblValue_5",
    "lblValue_6",  "lblValue_7",  "lblValue_8",  "lblValue_9",  "lblValue_10", "lblValue_11",
    "lblValue_12", "lblValue_13", "lblValue_14", "lblValue_15", "lblValue_16", "lblValue_17",
    "lblValue_18", "lblValue_19", "lblValue_20", "lblValue_21", "lblValue_22", "lblValue_23"};
inline constexpr std::array<const char*, 24> txtValue = {
    "txtValue_0",  "txtValue_1",  "txtValue_2",  "txtValue_3",  "txtValue_4",  "txtValue_5",
    "txtValue_6",  "txtValue_7",  "txtValue_8",  "txtValue_9",  "txtValue_10", "txtValue_11",
    "txtValue_12", "txtValue_13", "txtValue_14", "txtValue_15", "txtValue_16", "txtValue_17",
    "txtValue_18", "txtValue_19", "txtValue_20", "txtValue_21", "txtValue_22", "txtValue_23"};
inline constexpr std::array<const char*, 24> lblDanWei = {
    "lblDanWei_0",  "lblDanWei_1",  "lblDanWei_2",  "lblDanWei_3",  "lblDanWei_4",  "lblDanWei_5",
    "lblDanWei_6",  "lblDanWei_7",  "lblDanWei_8",  "lblDanWei_9",  "lblDanWei_10", "lblDanWei_11",
    "lblDanWei_12", "lblDanWei_13", "lblDanWei_14", "lblDanWei_15", "lblDanWei_16", "lblDanWei_17",
    "lblDanWei_18", "lblDanWei_19", "lblDanWei_20", "lblDanWei_21", "lblDanWei_22", "lblDanWei_23"};
inline constexpr const char* TXTSN = "TXTSN";

// Frame1 "二次开发命令观察窗口"
inline constexpr const char* Frame1 = "Frame1";
inline constexpr const char* Label7 = "Label7";
inline constexpr const char* txtCommand = "txtCommand";
inline constexpr const char* txtState = "txtState";

// Frame6 "运行状态指示"
inline constexpr const char* Frame6 = "Frame6";
inline constexpr const char* Picture2 = "Picture2";
inline constexpr const char* imgNotConnected = "imgNotConnected";
inline constexpr const char* ImgYellow = "ImgYellow";
inline constexpr const char* imgConnected = "imgConnected";
inline constexpr const char* lblCounter = "lblCounter";
inline constexpr const char* Line1 = "Line1";
inline constexpr const char* lblErrCounter = "lblErrCounter";

// Named timers, children of the window.
inline constexpr const char* Timer2 = "Timer2";  // cyclic polling
inline constexpr const char* Timer3 = "Timer3";  // automatic serial-number writing
inline constexpr const char* Timer6 = "Timer6";  // read-all of serial numbers

}  // namespace tc24::control
