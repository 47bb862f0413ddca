#pragma once

#include "protocol/translatable.h"

// Message-box texts that several operations share, so they read the same everywhere. Marked
// for translation: a handler shows them through Window::translated.
namespace tc24::messages {

inline constexpr const char* kPortClosed = TC24_TR("tc24", "打开串口出错，请确定串口是否已被占用");
inline constexpr const char* kStationMalformed = TC24_TR("tc24", "你输入的设备地址格式有误!");
inline constexpr const char* kLengthMalformed = TC24_TR("tc24", "你输入的数据长度格式有误!");
inline constexpr const char* kPositionRange =
    TC24_TR("tc24", "你输入的传感器编号格式有误,正确的值应该为1-24!");
inline constexpr const char* kSystemPrompt = TC24_TR("tc24", "系统提示");  // title

}  // namespace tc24::messages
