#pragma once

#include <QCoreApplication>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "record/record.h"

namespace tc24::report {

// The entry points of the report module, resolved by name. Both sides are built from this
// tree by one compiler, so the C++ types cross as they are.
using MakeReportApplication = QCoreApplication* (*)(int& argc, char** argv);
using WriteReport = void (*)(const record::Record& record,
                             const std::vector<record::CheckResult>& checks,
                             const std::filesystem::path& file, std::optional<std::string>& reason);

inline constexpr const char* kMakeReportApplication = "tc24MakeReportApplication";
inline constexpr const char* kWriteReport = "tc24WriteReport";

}  // namespace tc24::report
