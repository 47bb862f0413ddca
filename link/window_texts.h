#pragma once

#include "protocol/translatable.h"

// The window's own texts beyond the message boxes of the operations: tool-bar actions, the
// status bar and the communication log. Kept in one place so that they read the same
// everywhere and can be translated together: each is marked, and shown through
// Window::translated or the Qt layer's translation of the context "tc24".
namespace tc24::texts {

// Tool bar: the line echoes requests; drop the echo.
inline constexpr const char* kEchoSuppression = TC24_TR("tc24", "回显抑制");
inline constexpr const char* kEchoSuppressionTip = TC24_TR(
    "tc24", "线路把每个请求原样送回（接收器常开的两线 RS-485 转换器）：在应答之前去掉这份回显");
// Communication log: the direction of an echoed request that was dropped.
inline constexpr const char* kEchoRow = TC24_TR("tc24", "回显");
// Status bar: the port is held by another program.
inline constexpr const char* kPortBusy = TC24_TR("tc24", "串口被其他程序占用");
// Status bar: a reply began with the request just sent, and echo suppression is off.
inline constexpr const char* kEchoSeen =
    TC24_TR("tc24", "线路回显了请求：请打开工具栏的“回显抑制”");
// Status bar: the echo suppression could not be kept in tc24.ini; the reason follows.
inline constexpr const char* kEchoSettingNotSaved = TC24_TR("tc24", "无法保存回显抑制设置：");

// Bus scan: a station whose answer could not be read (a wrong CRC, or bytes that make no
// frame: two modules at one address, or an echoing line); %1 is the station.
inline constexpr const char* kScanGarbledStation = TC24_TR("tc24", "站 %1（应答无法识别）");

// Commissioning record ("调试记录"): the tool-bar action and the view's captions.
inline constexpr const char* kRecordAction = TC24_TR("tc24", "调试记录");
inline constexpr const char* kRecordActionTip = TC24_TR(
    "tc24", "把读地址、搜索、读写序列号和读数记成一份调试记录，按限值检查，保存为 JSON 或 PDF");
inline constexpr const char* kRecordTitle = TC24_TR("tc24", "调试记录");
inline constexpr const char* kRecordModuleGroup = TC24_TR("tc24", "模块");
inline constexpr const char* kRecordAddress = TC24_TR("tc24", "地址");
inline constexpr const char* kRecordOldAddress = TC24_TR("tc24", "原地址");
inline constexpr const char* kRecordSensorCount = TC24_TR("tc24", "传感器数量");
inline constexpr const char* kRecordReadings = TC24_TR("tc24", "读取");
inline constexpr const char* kRecordStart = TC24_TR("tc24", "开始时间");
inline constexpr const char* kRecordPositionsGroup = TC24_TR("tc24", "各位置");
inline constexpr const char* kRecordColumnSerial = TC24_TR("tc24", "序列号");
inline constexpr const char* kRecordColumnMatched = TC24_TR("tc24", "与列表一致");
inline constexpr const char* kRecordColumnLowest = TC24_TR("tc24", "最低");
inline constexpr const char* kRecordColumnMean = TC24_TR("tc24", "平均");
inline constexpr const char* kRecordColumnHighest = TC24_TR("tc24", "最高");
inline constexpr const char* kRecordLimitsGroup = TC24_TR("tc24", "限值");
inline constexpr const char* kRecordLimitSensors = TC24_TR("tc24", "传感器数量");
inline constexpr const char* kRecordLimitPositions = TC24_TR("tc24", "应有传感器的位置");
inline constexpr const char* kRecordLimitMin = TC24_TR("tc24", "最低温度 (°C)");
inline constexpr const char* kRecordLimitMax = TC24_TR("tc24", "最高温度 (°C)");
inline constexpr const char* kRecordLimitSpread = TC24_TR("tc24", "与中位数偏差 ± (°C)");
inline constexpr const char* kRecordLimitCrc = TC24_TR("tc24", "检查序列号的 CRC-8");
inline constexpr const char* kRecordNotSet = TC24_TR("tc24", "未设置");
inline constexpr const char* kRecordPositionsExample = TC24_TR("tc24", "如 1-24");
inline constexpr const char* kRecordPeopleGroup = TC24_TR("tc24", "记录信息");
inline constexpr const char* kRecordOperator = TC24_TR("tc24", "操作员");
inline constexpr const char* kRecordNote = TC24_TR("tc24", "备注");
inline constexpr const char* kRecordModuleId = TC24_TR("tc24", "模块标识");
inline constexpr const char* kRecordChecksGroup = TC24_TR("tc24", "检查");
inline constexpr const char* kRecordColumnCheck = TC24_TR("tc24", "检查");
inline constexpr const char* kRecordColumnLimits = TC24_TR("tc24", "限值");
inline constexpr const char* kRecordColumnResult = TC24_TR("tc24", "结果");
inline constexpr const char* kRecordColumnReason = TC24_TR("tc24", "原因");
inline constexpr const char* kRecordVerdict = TC24_TR("tc24", "结论");
inline constexpr const char* kRecordSave = TC24_TR("tc24", "保存记录");
inline constexpr const char* kRecordSavePdf = TC24_TR("tc24", "保存PDF");
inline constexpr const char* kRecordNew = TC24_TR("tc24", "新记录");
// A position's serial number: never read, or read as eight FF bytes (no sensor there).
inline constexpr const char* kRecordNotRead = TC24_TR("tc24", "未读取");
inline constexpr const char* kRecordEmpty = TC24_TR("tc24", "空");
// Whether a position holds what the list written into it says.
inline constexpr const char* kRecordMatched = TC24_TR("tc24", "一致");
inline constexpr const char* kRecordNotMatched = TC24_TR("tc24", "不一致");
inline constexpr const char* kRecordReadBackDue = TC24_TR("tc24", "待读回");
// A check's result.
inline constexpr const char* kRecordCheckPassed = TC24_TR("tc24", "通过");
inline constexpr const char* kRecordCheckFailed = TC24_TR("tc24", "未通过");
inline constexpr const char* kRecordCheckNotRun = TC24_TR("tc24", "未运行");
inline constexpr const char* kRecordCheckNotConfigured = TC24_TR("tc24", "未设置");
// The readings so far: %1 polls, %2 of them without a valid reply.
inline constexpr const char* kRecordPolls = TC24_TR("tc24", "%1 次，其中 %2 次无有效应答");
// Whether the record on screen is saved.
inline constexpr const char* kRecordUnsaved = TC24_TR("tc24", "尚未保存");
inline constexpr const char* kRecordSavedState = TC24_TR("tc24", "已保存");
inline constexpr const char* kRecordNoData = TC24_TR("tc24", "还没有数据");
// Dialogs and messages of the view; %1 a file, %2 the system's reason.
inline constexpr const char* kRecordSaveTitle = TC24_TR("tc24", "保存调试记录");
inline constexpr const char* kRecordSavePdfTitle = TC24_TR("tc24", "保存调试记录为 PDF");
inline constexpr const char* kRecordNothingToSave =
    TC24_TR("tc24", "还没有可保存的数据：先读地址、搜索传感器、读序列号或读取温度。");
inline constexpr const char* kRecordSaveFailed =
    TC24_TR("tc24", "无法保存 %1：%2\n记录仍在，可以换个位置再保存。");
inline constexpr const char* kRecordSaved = TC24_TR("tc24", "记录已保存：%1");
inline constexpr const char* kRecordPdfSaved = TC24_TR("tc24", "PDF 已保存：%1");
// %1 the name chosen, %2 the name written instead.
inline constexpr const char* kRecordKeptExisting = TC24_TR("tc24", "%1 已存在，未覆盖；保存为 %2");
inline constexpr const char* kRecordNoPdfWriter = TC24_TR("tc24", "这个版本不能生成 PDF。");
inline constexpr const char* kRecordDiscardForNew =
    TC24_TR("tc24", "当前调试记录尚未保存。\n放弃这份记录，开始下一个模块的新记录吗？");
inline constexpr const char* kRecordDiscardOnClose =
    TC24_TR("tc24", "调试记录尚未保存。\n放弃这份记录并关闭吗？");
inline constexpr const char* kRecordNewStarted = TC24_TR("tc24", "新记录：下一个模块");
// A reply from another module than the record's: %1 its station, %2 the record's.
inline constexpr const char* kRecordOtherStation =
    TC24_TR("tc24", "站 %1 的应答未计入：这份记录属于站 %2（换模块请先点“新记录”）");
// Limits the view refuses, and leaves as they were.
inline constexpr const char* kRecordBadSensors = TC24_TR("tc24", "传感器数量应为 0 到 24 的整数");
inline constexpr const char* kRecordBadPositions =
    TC24_TR("tc24", "位置应写作 1-24 这样的范围（1 到 24）");
inline constexpr const char* kRecordBadTemperature = TC24_TR("tc24", "温度应为数字，例如 25.5");
inline constexpr const char* kRecordBadSpread = TC24_TR("tc24", "偏差应为不小于 0 的数字");
inline constexpr const char* kRecordMinAboveMax = TC24_TR("tc24", "最低温度高于最高温度");

}  // namespace tc24::texts
