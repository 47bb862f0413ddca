#pragma once

#include <string>

#include "link/window.h"

namespace tc24 {

constexpr int kPortEntries = 16;  // "COM1" … "COM16"
constexpr int kDefaultRate = 9600;

// Start-up: restore comm.set, configure the closed port and open the saved one.
void Form_Load(Window& window);
// "保存设置": apply the chosen port and rate, reopen the port, store both in comm.set.
void cmdCom_Click(Window& window);
// Choosing a port in Combo1: reopen the port at the current rate (comm.set stays).
void Combo1_Click(Window& window);

// After opening: a receive event as soon as one byte waits, bytes delivered unchanged.
void OpenOnComm(SerialPort& port);
// The reverse configuration; nothing calls it.
void CloseOnComm(SerialPort& port);
// Takes four values, does nothing and returns 0; nothing calls it.
int ReadModule(double d1, double d2, double d3, double d4);

// "19200,N,8,1"
std::string settingsText(std::int32_t rate);

}  // namespace tc24
