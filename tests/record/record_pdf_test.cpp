// The printed report: one A4 page per module that carries the record's data in both languages,
// fits whatever the record holds, and is written whole or not at all.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <QTemporaryDir>
#include <filesystem>
#include <optional>

#include "protocol/codes.h"
#include "protocol/onewire.h"
#include "record/record.h"
#include "report/record_pdf.h"

namespace tc24::report {
namespace {

using record::Language;
using record::PositionSerial;
using record::Record;

// A family 0x28 serial number for position `position`, its last byte the 1-Wire CRC-8.
protocol::SerialNumber serialFor(int position) {
    protocol::SerialNumber serial = {
        0x28, 0x5A, static_cast<std::uint8_t>(0x10 + position), 0xC3, 0x07, 0x00, 0x2E, 0x00};
    serial[7] = protocol::onewireCrc8(std::span(serial).first(7));
    return serial;
}

// The serial number as the report must show it: eight upper-case hex bytes.
QString serialText(const protocol::SerialNumber& serial) {
    QStringList bytes;
    for (std::uint8_t byte : serial) {
        bytes << QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    }
    return bytes.join(u' ');
}

// A module at 17 (was 1) with 24 sensors written from a list, five polls; channel p reads
// 24.93 + 0.08 × p, give or take 0.02: position 1 reads 24.99 … 25.03, mean 25.01.
Record passingRecord(const std::string& operatorName) {
    Record record;
    record.toolName = "tc24-cli";
    record.toolVersion = "0.1.0";
    record.start = "2026-03-12T09:41:07.250+08:00";
    record.end = "2026-03-12T09:41:19.884+08:00";
    record.operatorName = operatorName;
    record.note = "3号柜，左侧第二块";
    record.moduleId = "CAB3-M07";
    record.port = "/dev/ttyUSB0";
    record.baud = 19200;
    record.address = 17;
    record.oldAddress = 1;
    record.sensorCount = 24;
    std::vector<std::optional<protocol::SerialNumber>> list;
    for (int position = 1; position <= record::kPositions; ++position) {
        record.serials[static_cast<std::size_t>(position - 1)] =
            PositionSerial::of(serialFor(position));
        list.emplace_back(serialFor(position));
    }
    record.list = list;
    record.listWritten = true;
    record.listSource = "batch/cab3-m07.txt";
    const int jitter[] = {-1, 1, 0, -2, 2};
    for (int poll : jitter) {
        std::vector<std::uint16_t> registers;
        for (int position = 1; position <= record::kPositions; ++position) {
            registers.push_back(static_cast<std::uint16_t>(2493 + 8 * position + poll));
        }
        record.addReading(registers);
    }
    record.limits.sensors = 24;
    record.limits.minCentidegrees = 1500;
    record.limits.maxCentidegrees = 3500;
    record.limits.spreadCentidegrees = 100;
    return record;
}

std::optional<QString> runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        return std::nullopt;
    }
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The page's text as pdftotext extracts it, without any white space (pdftotext places spaces
// by the glyphs' gaps, and none between Chinese characters); nothing without pdftotext.
std::optional<QString> pageText(const QString& pdf) {
    auto out = runTool("pdftotext", {"-enc", "UTF-8", pdf, "-"});
    if (out) {
        out->remove(QRegularExpression(QStringLiteral("\\s")));
    }
    return out;
}

// The page's lines as pdftotext -layout places them (a table row on one line), each with its
// runs of blanks made one; nothing without pdftotext.
std::optional<QStringList> pageLines(const QString& pdf) {
    const auto out = runTool("pdftotext", {"-layout", "-enc", "UTF-8", pdf, "-"});
    if (!out) {
        return std::nullopt;
    }
    QStringList lines;
    for (const QString& line : out->split(u'\n')) {
        lines << line.simplified();
    }
    return lines;
}

QString squeezed(QString text) {
    return text.remove(QRegularExpression(QStringLiteral("\\s")));
}

QString path(const QTemporaryDir& dir, const QString& name) {
    return dir.filePath(name);
}

std::filesystem::path fsPath(const QString& path) {
    return std::filesystem::path(path.toStdString());
}

QByteArray contents(const QString& file) {
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

QStringList entries(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

TEST(RecordPdf, APassingRecordInEitherLanguageIsOneA4PageWithItsData) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Record record = passingRecord("张伟");
    for (Language language : {Language::Chinese, Language::English}) {
        const auto checks = record::evaluate(record, language);
        ASSERT_EQ(record::verdictOf(checks), record::Verdict::Pass);
        const QString file =
            path(dir, language == Language::Chinese ? "record-zh.pdf" : "record-en.pdf");
        ASSERT_EQ(writeRecordPdf(record, checks, fsPath(file), language), std::nullopt);
        EXPECT_TRUE(contents(file).startsWith("%PDF-"));

        if (const auto info = runTool("pdfinfo", {file})) {
            EXPECT_TRUE(info->contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))))
                << info->toStdString();
            EXPECT_TRUE(info->contains(QStringLiteral("(A4)"))) << info->toStdString();
        }
        const auto text = pageText(file);
        if (!text) {
            GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
        }
        const bool chinese = language == Language::Chinese;
        SCOPED_TRACE(text->toStdString());
        EXPECT_TRUE(text->contains(chinese ? "调试记录" : "Commissioningrecord"));
        EXPECT_TRUE(text->contains(chinese ? "结论：合格" : "Verdict:pass"));
        EXPECT_FALSE(text->contains(chinese ? "不合格" : "Verdict:fail"));
        EXPECT_TRUE(text->contains("张伟"));  // Chinese in the English report too
        EXPECT_TRUE(text->contains("3号柜，左侧第二块"));
        EXPECT_TRUE(text->contains("CAB3-M07"));
        EXPECT_TRUE(text->contains(chinese ? "17（原地址1）" : "17(was1)"));
        EXPECT_TRUE(text->contains("2026-03-1209:41:07+08:00"));
        EXPECT_TRUE(text->contains("/dev/ttyUSB0"));
        // The rows of positions 1 and 24: serial number, list, readings (with and without a
        // value), lowest, mean, highest, checks.
        const auto lines = pageLines(file);
        ASSERT_TRUE(lines);
        EXPECT_TRUE(
            lines->contains(chinese ? "1 28 5A 11 C3 07 00 2E B9 一致 5 0 24.99 25.01 25.03 正常"
                                    : "1 28 5A 11 C3 07 00 2E B9 matches 5 0 24.99 25.01 "
                                      "25.03 OK"));
        EXPECT_TRUE(
            lines->contains(chinese ? "24 28 5A 28 C3 07 00 2E CE 一致 5 0 26.83 26.85 26.87 正常"
                                    : "24 28 5A 28 C3 07 00 2E CE matches 5 0 26.83 "
                                      "26.85 26.87 OK"));
        for (int position = 1; position <= record::kPositions; ++position) {
            EXPECT_TRUE(text->contains(squeezed(serialText(serialFor(position)))))
                << "position " << position;
        }
        EXPECT_TRUE(text->contains(chinese ? "签字" : "Signature"));
        EXPECT_TRUE(text->contains("15.00~35.00°C"));  // the limits of the limits check
        EXPECT_TRUE(text->contains("±1.00°C"));
    }
}

TEST(RecordPdf, AFailingRecordShowsWhatFailedAndWhere) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Record record = passingRecord("Li Na");
    // Position 9 holds position 8's sensor (a duplicate that differs from the list), and
    // channel 5 read 36.20 once.
    record.serials[8] = PositionSerial::of(serialFor(8));
    std::vector<std::uint16_t> registers(24, 2500);
    registers[4] = 3620;
    record.addReading(registers);
    const auto checks = record::evaluate(record, Language::English);
    ASSERT_EQ(record::verdictOf(checks), record::Verdict::Fail);

    const QString file = path(dir, "failed.pdf");
    ASSERT_EQ(writeRecordPdf(record, checks, fsPath(file), Language::English), std::nullopt);
    const auto text = pageText(file);
    if (!text) {
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    SCOPED_TRACE(text->toStdString());
    EXPECT_TRUE(text->contains("Verdict:fail"));
    EXPECT_TRUE(text->contains("36.20"));
    for (const auto& check : checks) {
        EXPECT_TRUE(text->contains(squeezed(QString::fromStdString(check.reason))))
            << record::checkKey(check.id) << ": " << check.reason;
    }
    // The rows that failed: position 5 out of the limits and off the median, position 9 holding
    // position 8's sensor (a duplicate that differs from the list).
    const auto lines = pageLines(file);
    ASSERT_TRUE(lines);
    EXPECT_TRUE(
        lines->contains("5 28 5A 15 C3 07 00 2E A6 matches 6 0 25.31 27.14 36.20 limits, spread"));
    EXPECT_TRUE(
        lines->contains("8 28 5A 18 C3 07 00 2E 4A matches 6 0 25.00 25.48 25.59 duplicate"));
    EXPECT_TRUE(
        lines->contains("9 28 5A 18 C3 07 00 2E 4A differs 6 0 25.00 25.54 25.67 list, duplicate"));
}

struct Word {
    double xMin, yMin, xMax, yMax;
    QString text;
};

// The words of the page with their boxes in points, as pdftotext -bbox finds them.
std::optional<std::pair<QSizeF, std::vector<Word>>> wordsOf(const QString& pdf) {
    const auto html = runTool("pdftotext", {"-bbox", "-enc", "UTF-8", pdf, "-"});
    if (!html) {
        return std::nullopt;
    }
    const QRegularExpression pageSize(
        QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\""));
    const auto page = pageSize.match(*html);
    if (!page.hasMatch()) {
        return std::pair{QSizeF(), std::vector<Word>{}};
    }
    std::vector<Word> words;
    const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">"
        "([^<]*)</word>"));
    for (auto it = word.globalMatch(*html); it.hasNext();) {
        const auto m = it.next();
        words.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(),
                         m.captured(3).toDouble(), m.captured(4).toDouble(), m.captured(5)});
    }
    return std::pair{QSizeF(page.captured(1).toDouble(), page.captured(2).toDouble()), words};
}

TEST(RecordPdf, AnOverfullRecordStillFitsOnePageAtAReadableSize) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Every check failing with long reasons, long free texts, steps not done, interrupted.
    Record record =
        passingRecord(std::string(6, 'X') + " 操作员名字很长很长很长 " + std::string(40, 'Y'));
    record.note.clear();
    for (int i = 0; i < 30; ++i) {
        record.note += "note text 备注文字很长 ";
    }
    record.moduleId = std::string(80, 'M');
    record.listSource = "/very/long/path/" + std::string(120, 'p') + ".txt";
    record.serials[3] = PositionSerial::of(protocol::kNoSerialNumber);
    record.serials[9] = PositionSerial::of(serialFor(8));
    record.serials[10] = PositionSerial::of({0x28, 1, 2, 3, 4, 5, 6, 7});
    record.addFailedPoll();
    std::vector<std::uint16_t> registers(24, 0xFFFF);
    for (std::size_t i = 0; i < 12; ++i) {
        registers[i] = static_cast<std::uint16_t>(i % 2 == 0 ? 100 : 9000);
    }
    record.addReading(registers);
    record.sensorCount = 30;
    record.failures = {
        {"readings", std::string(100, 'r') + " 端口已断开"},
        {"write", "position 10 reads back a different number " + std::string(80, 'w')}};
    record.interrupted = true;
    auto checks = record::evaluate(record, Language::Chinese);
    for (auto& check : checks) {
        check.reason += " 附加说明附加说明附加说明 and a long explanation " + std::string(60, 'z');
        check.limits += std::string(40, 'L');
    }

    for (Language language : {Language::Chinese, Language::English}) {
        const QString file = path(dir, language == Language::Chinese ? "full-zh.pdf" : "full.pdf");
        ASSERT_EQ(writeRecordPdf(record, checks, fsPath(file), language), std::nullopt);
        if (const auto info = runTool("pdfinfo", {file})) {
            EXPECT_TRUE(info->contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))));
        }
        const auto page = wordsOf(file);
        if (!page) {
            GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
        }
        const auto& [size, words] = *page;
        ASSERT_NEAR(size.width(), 595.28, 0.5);  // A4 in points
        ASSERT_NEAR(size.height(), 841.89, 0.5);
        ASSERT_GT(words.size(), 200u);
        // Inside the margins (14 and 12 mm), with a point for the glyphs' own boxes.
        const double left = 14 * 72 / 25.4 - 1;
        const double top = 12 * 72 / 25.4 - 1;
        bool signature = false;
        int serials = 0;
        for (const Word& w : words) {
            EXPECT_GE(w.xMin, left) << w.text.toStdString();
            EXPECT_LE(w.xMax, size.width() - left) << w.text.toStdString();
            EXPECT_GE(w.yMin, top) << w.text.toStdString();
            EXPECT_LE(w.yMax, size.height() - top) << w.text.toStdString();
            signature =
                signature || w.text == (language == Language::Chinese ? "签字" : "Signature");
            const double mm = 72 / 25.4;
            // The first byte of a serial number in the positions table's second column.
            if (w.text == "28" && w.xMin > 24 * mm && w.xMin < 30 * mm) {
                ++serials;
                EXPECT_GE(w.yMax - w.yMin, 7.0) << "a serial number's height in points";
            }
        }
        EXPECT_TRUE(signature);
        EXPECT_EQ(serials, 23);  // position 4 is empty
        // No word runs into another (each box shrunk by half a point for touching glyphs).
        for (std::size_t i = 0; i < words.size(); ++i) {
            for (std::size_t j = i + 1; j < words.size(); ++j) {
                const Word& a = words[i];
                const Word& b = words[j];
                const bool overlap = a.xMin + 0.5 < b.xMax - 0.5 && b.xMin + 0.5 < a.xMax - 0.5 &&
                                     a.yMin + 0.5 < b.yMax - 0.5 && b.yMin + 0.5 < a.yMax - 0.5;
                EXPECT_FALSE(overlap) << a.text.toStdString() << " / " << b.text.toStdString();
            }
        }
    }
}

TEST(RecordPdf, AFileThatCannotBeWrittenGivesTheReasonAndLeavesNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Record record = passingRecord("张伟");
    const auto checks = record::evaluate(record, Language::Chinese);
    {
        QFile plain(path(dir, "plain"));
        ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    for (const QString& target :
         {path(dir, "plain/record.pdf"), path(dir, "missing/record.pdf"), path(dir, "folder")}) {
        const auto reason = writeRecordPdf(record, checks, fsPath(target), Language::Chinese);
        ASSERT_TRUE(reason.has_value()) << target.toStdString();
        EXPECT_FALSE(reason->empty());
        EXPECT_EQ(entries(dir), (QStringList{"folder", "plain"})) << target.toStdString();
    }
    EXPECT_TRUE(QFileInfo(path(dir, "folder")).isDir());
    EXPECT_TRUE(QDir(path(dir, "folder")).isEmpty());
    EXPECT_EQ(QFileInfo(path(dir, "plain")).size(), 0);
}

// Lets the process write files of at most `bytes` bytes while it lives (the file size limit, a
// full disk's stand-in that holds for root as well).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    sighandler_t previous_{};
};

TEST(RecordPdf, AnExistingFileIsReplacedOnlyByAWholeReport) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Record record = passingRecord("张伟");
    const auto checks = record::evaluate(record, Language::Chinese);
    const QString file = path(dir, "record.pdf");
    const auto writeOld = [&] {
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the previous report");
    };

    writeOld();
    ASSERT_EQ(writeRecordPdf(record, checks, fsPath(file), Language::Chinese), std::nullopt);
    const QByteArray whole = contents(file);
    EXPECT_TRUE(whole.startsWith("%PDF-"));
    EXPECT_TRUE(whole.trimmed().endsWith("%%EOF"));
    ASSERT_GT(whole.size(), 8192);  // so that the limit below cuts it
    EXPECT_EQ(entries(dir), QStringList{"record.pdf"});

    writeOld();
    std::optional<std::string> reason;
    {
        FileSizeLimit limit(4096);
        reason = writeRecordPdf(record, checks, fsPath(file), Language::Chinese);
    }
    EXPECT_TRUE(reason.has_value());
    EXPECT_EQ(contents(file), "the previous report");
    EXPECT_EQ(entries(dir), QStringList{"record.pdf"});  // no temporary left behind
}

}  // namespace
}  // namespace tc24::report
