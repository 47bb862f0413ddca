#include "cli/report.h"

#include <QFileInfo>
#include <QLibrary>

#include "report/report_module.h"

namespace tc24::cli {

namespace {

struct Module {
    QLibrary library;
    report::MakeReportApplication make = nullptr;
    report::WriteReport write = nullptr;
    std::string error;  // why it is not loaded
};

Module& module() {
    static Module loaded;
    return loaded;
}

// The program's folder before any application exists: where Qt itself finds it on Linux,
// else from how the program was started.
QString programDirectory(const char* argv0) {
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    if (self.exists()) {
        return QFileInfo(self.canonicalFilePath()).absolutePath();
    }
    return QFileInfo(QString::fromLocal8Bit(argv0)).absolutePath();
}

// Beside the program in a build tree; in the library folder of an installation.
void load(Module& m, const QString& programDirectory) {
    QStringList tried;
    for (const QString& folder :
         {programDirectory, programDirectory + QStringLiteral("/" TC24_REPORT_MODULE_DIR)}) {
        m.library.setFileName(folder + QStringLiteral("/tc24-report-pdf"));
        tried << m.library.fileName();
        if (m.library.load()) {
            m.make = reinterpret_cast<report::MakeReportApplication>(
                m.library.resolve(report::kMakeReportApplication));
            m.write =
                reinterpret_cast<report::WriteReport>(m.library.resolve(report::kWriteReport));
            if (m.make != nullptr && m.write != nullptr) {
                return;
            }
            m.error = m.library.fileName().toStdString() + " is not tc24's report module";
            m.library.unload();
            m.make = nullptr;
            m.write = nullptr;
            return;
        }
    }
    m.error = "cannot load the report module (" + m.library.errorString().toStdString() +
              "); looked for " + tried.join(QStringLiteral(", ")).toStdString();
}

}  // namespace

std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv, bool withReport) {
    if (withReport) {
        Module& m = module();
        load(m, programDirectory(argc > 0 ? argv[0] : ""));
        if (m.make != nullptr) {
            return std::unique_ptr<QCoreApplication>(m.make(argc, argv));
        }
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

std::optional<std::string> writeRecordReport(const record::Record& record,
                                             const std::vector<record::CheckResult>& checks,
                                             const std::filesystem::path& file) {
    Module& m = module();
    if (m.write == nullptr) {
        if (m.error.empty()) {
            m.error = "no report module loaded";
        }
        return m.error;
    }
    std::optional<std::string> reason;
    m.write(record, checks, file, reason);
    return reason;
}

}  // namespace tc24::cli
