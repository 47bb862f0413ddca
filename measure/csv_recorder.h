#pragma once

#include <chrono>
#include <ctime>
#include <string>
#include <string_view>

#include "link/readings.h"
#include "measure/register_query.h"

namespace tc24::measure {

// Recording of register replies as CSV, one line per decoded reply:
//   2026-12-07T14:03:21.045,1,25.34,,-0.50,...
// local time (ISO 8601, milliseconds, no offset: spreadsheets read it as a date), the
// station that answered (byte 0 of the reply), then the 24 channels as their boxes show
// them. A channel is empty where the reply did not fill its box and where the module had no
// reading (65535, shown as 0 in the box), so no 0 °C is recorded that was never measured.
// Lines end with CR LF.

std::string isoLocalTime(const std::tm& local, int milliseconds);
std::string isoLocalTime(std::chrono::system_clock::time_point time);

// The first line of a new file.
std::string csvHeader();
// One line, with its CR LF.
std::string csvLine(std::string_view time, const RegisterReading& reading);

}  // namespace tc24::measure
