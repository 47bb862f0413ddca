#pragma once

// The window's own texts beyond the message boxes of the operations: tool-bar actions, the
// status bar and the communication log. Kept in one place so that they read the same
// everywhere and can be translated together.
namespace tc24::texts {

// Tool bar: the line echoes requests; drop the echo.
inline constexpr const char* kEchoSuppression = "回显抑制";
inline constexpr const char* kEchoSuppressionTip =
    "线路把每个请求原样送回（接收器常开的两线 RS-485 转换器）：在应答之前去掉这份回显";
// Communication log: the direction of an echoed request that was dropped.
inline constexpr const char* kEchoRow = "回显";
// Status bar: the port is held by another program.
inline constexpr const char* kPortBusy = "串口被其他程序占用";
// Status bar: a reply began with the request just sent, and echo suppression is off.
inline constexpr const char* kEchoSeen = "线路回显了请求：请打开工具栏的“回显抑制”";
// Status bar: the echo suppression could not be kept in tc24.ini; the reason follows.
inline constexpr const char* kEchoSettingNotSaved = "无法保存回显抑制设置：";

// Bus scan: a station whose answer could not be read (a wrong CRC, or bytes that make no
// frame: two modules at one address, or an echoing line); %1 is the station.
inline constexpr const char* kScanGarbledStation = "站 %1（应答无法识别）";

}  // namespace tc24::texts
