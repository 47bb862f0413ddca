#pragma once

// The window's own texts beyond the message boxes of the operations: tool-bar actions, the
// status bar and the communication log. Kept in one place so that they read the same
// everywhere and can be translated together.
namespace tc24::texts {

// Tool bar: the line echoes requests; drop the echo.
inline constexpr const char* kEchoSuppression = "回显抑制";
// Communication log: the direction of an echoed request that was dropped.
inline constexpr const char* kEchoRow = "回显";
// Status bar: the port is held by another program.
inline constexpr const char* kPortBusy = "串口被其他程序占用";
// Status bar: a reply began with the request just sent, and echo suppression is off.
inline constexpr const char* kEchoSeen = "线路回显了请求：请打开工具栏的“回显抑制”";

}  // namespace tc24::texts
