#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "record/record.h"

namespace tc24::cli {

// Writes the record's printable report (PDF, in English) to `file`; the reason when it could
// not. Needs the QGuiApplication the program creates when --report is given.
std::optional<std::string> writeRecordReport(const record::Record& record,
                                             const std::vector<record::CheckResult>& checks,
                                             const std::filesystem::path& file);

}  // namespace tc24::cli
