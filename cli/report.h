#pragma once

#include <QCoreApplication>
#include <QStringList>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "record/record.h"

namespace tc24::cli {

// The printed report lives in a module of its own (tc24-report-pdf), loaded only when a
// command asks for a report: Qt GUI and the libraries it brings would cost every other
// command a few milliseconds of start-up. The module creates the program's QGuiApplication
// (on the offscreen platform) and writes the PDF.

// The application of the process: a QGuiApplication from the module when `withReport`,
// else (or when the module cannot be loaded) a QCoreApplication.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv, bool withReport);

// Writes the record's printable report (PDF, in English) to `file`; the reason when it could
// not (also when the module could not be loaded: the reason says why).
std::optional<std::string> writeRecordReport(const record::Record& record,
                                             const std::vector<record::CheckResult>& checks,
                                             const std::filesystem::path& file);

}  // namespace tc24::cli
