#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "record/record.h"

namespace tc24::report {

// The record as a printable report: one A4 page drawn with Qt GUI's own PDF writer (no print
// support; the operator prints the file with the system's viewer). The page holds the title,
// the module and the line, the times, the operator and the note, the 24 positions (serial
// number, lowest, mean and highest reading, whether the position matched the list and which
// checks it failed), the checks with their limits, results and reasons, the verdict and a
// signature line. Headings are in `language`; the reasons are shown as `checks` hold them.
//
// The page is drawn into memory and then written whole through QSaveFile: a failed write leaves
// no partial file, and an existing file stays as it was unless the new one is complete.
// Returns the reason when the file could not be written.
//
// Needs a QGuiApplication (fonts); tc24-cli creates one on the "offscreen" platform. Without
// one, nothing is written and the reason says so.
std::optional<std::string> writeRecordPdf(const record::Record& record,
                                          const std::vector<record::CheckResult>& checks,
                                          const std::filesystem::path& file,
                                          record::Language language);

}  // namespace tc24::report
