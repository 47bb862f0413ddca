#include "cli/report.h"

#include "report/record_pdf.h"

namespace tc24::cli {

std::optional<std::string> writeRecordReport(const record::Record& record,
                                             const std::vector<record::CheckResult>& checks,
                                             const std::filesystem::path& file) {
    return report::writeRecordPdf(record, checks, file, record::Language::English);
}

}  // namespace tc24::cli
