// tc24-report-pdf: the printed report for tc24-cli, loaded only when a command writes one.

#include <QGuiApplication>

#include "report/record_pdf.h"
#include "report/report_module.h"

extern "C" Q_DECL_EXPORT QCoreApplication* tc24MakeReportApplication(int& argc, char** argv) {
    // Drawn without a display: fonts and a painter, no window.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QGuiApplication(argc, argv);
}

extern "C" Q_DECL_EXPORT void tc24WriteReport(const tc24::record::Record& record,
                                              const std::vector<tc24::record::CheckResult>& checks,
                                              const std::filesystem::path& file,
                                              std::optional<std::string>& reason) {
    reason = tc24::report::writeRecordPdf(record, checks, file, tc24::record::Language::English);
}

// The signatures the program resolves them by.
static_assert(
    std::is_same_v<decltype(&tc24MakeReportApplication), tc24::report::MakeReportApplication>);
static_assert(std::is_same_v<decltype(&tc24WriteReport), tc24::report::WriteReport>);
