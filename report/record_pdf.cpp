#include "report/record_pdf.h"

#include <QBuffer>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextLayout>
#include <algorithm>
#include <iterator>

#include "protocol/hex.h"

namespace tc24::report {

namespace {

using record::CheckId;
using record::CheckResult;
using record::CheckState;
using record::Language;

// The report's own texts (headings, labels), in both languages, in one table. The names of the
// checks and the verdict come from record::checkName and record::verdictName.
enum class Text {
    Title,
    Address,
    WasAddress,  // %1 address, %2 old address
    ModuleId,
    SensorsReported,
    Start,
    End,
    Operator,
    Port,
    PortAndBaud,  // %1 port, %2 rate
    Tool,
    List,
    ListWritten,  // %1 file
    Polls,        // %1 polls, %2 of them failed
    Note,
    PositionsHeading,
    ColumnPosition,
    ColumnSerial,
    ColumnList,
    ColumnReadings,
    ColumnNoReading,
    ColumnLowest,
    ColumnMean,
    ColumnHighest,
    ColumnChecks,
    SerialEmpty,
    SerialNotRead,
    ListMatches,
    ListDiffers,
    PositionFine,
    PositionMissing,  // what a failed check says of one position
    PositionListDiffers,
    PositionDuplicate,
    PositionCrc8,
    PositionLimits,
    PositionSpread,
    ChecksHeading,
    ColumnCheck,
    ColumnLimits,
    ColumnResult,
    ColumnReason,
    StateNotConfigured,
    StateNotRun,
    StatePassed,
    StateFailed,
    Verdict,  // %1 verdict
    Interrupted,
    NotDone,  // %1 the steps and why
    StepAddress,
    StepSetAddress,
    StepSensorCount,
    StepSerials,
    StepWrite,
    StepReadings,
    Signature,
    Date,
    Separator,  // between names in one cell
    Count
};

struct TextPair {
    Text key;
    const char* chinese;
    const char* english;
};

constexpr TextPair kTexts[] = {
    {Text::Title, "调试记录", "Commissioning record"},
    {Text::Address, "模块地址", "Address"},
    {Text::WasAddress, "%1（原地址 %2）", "%1 (was %2)"},
    {Text::ModuleId, "模块编号", "Module id"},
    {Text::SensorsReported, "传感器数量", "Sensors reported"},
    {Text::Start, "开始", "Start"},
    {Text::End, "结束", "End"},
    {Text::Operator, "操作员", "Operator"},
    {Text::Port, "端口", "Port"},
    {Text::PortAndBaud, "%1，%2 波特", "%1, %2 baud"},
    {Text::Tool, "软件", "Tool"},
    {Text::List, "序列号列表", "List"},
    {Text::ListWritten, "%1（已写入）", "%1 (written)"},
    {Text::Polls, "读取 %1 次，其中 %2 次无有效应答", "%1 polls, %2 without a valid reply"},
    {Text::Note, "备注", "Note"},
    {Text::PositionsHeading, "各位置", "Positions"},
    {Text::ColumnPosition, "位置", "Pos."},
    {Text::ColumnSerial, "序列号", "Serial number"},
    {Text::ColumnList, "列表", "List"},
    {Text::ColumnReadings, "读数次数", "Values"},
    {Text::ColumnNoReading, "无读数", "No value"},
    {Text::ColumnLowest, "最低 °C", "Lowest °C"},
    {Text::ColumnMean, "平均 °C", "Mean °C"},
    {Text::ColumnHighest, "最高 °C", "Highest °C"},
    {Text::ColumnChecks, "检查", "Checks"},
    {Text::SerialEmpty, "（空）", "(empty)"},
    {Text::SerialNotRead, "未读取", "not read"},
    {Text::ListMatches, "一致", "matches"},
    {Text::ListDiffers, "不符", "differs"},
    {Text::PositionFine, "正常", "OK"},
    {Text::PositionMissing, "缺传感器", "missing"},
    {Text::PositionListDiffers, "与列表不符", "list"},
    {Text::PositionDuplicate, "重复", "duplicate"},
    {Text::PositionCrc8, "CRC错误", "CRC-8"},
    {Text::PositionLimits, "超限", "limits"},
    {Text::PositionSpread, "偏差过大", "spread"},
    {Text::ChecksHeading, "检查项目", "Checks"},
    {Text::ColumnCheck, "检查", "Check"},
    {Text::ColumnLimits, "限值", "Limits"},
    {Text::ColumnResult, "结果", "Result"},
    {Text::ColumnReason, "说明", "Reason"},
    {Text::StateNotConfigured, "未设置", "not configured"},
    {Text::StateNotRun, "未进行", "not run"},
    {Text::StatePassed, "通过", "passed"},
    {Text::StateFailed, "未通过", "failed"},
    {Text::Verdict, "结论：%1", "Verdict: %1"},
    {Text::Interrupted, "已中断，记录只含中断前完成的步骤",
     "interrupted: the record holds what was done"},
    {Text::NotDone, "未能完成的步骤：%1", "Steps not done: %1"},
    {Text::StepAddress, "读地址", "address"},
    {Text::StepSetAddress, "修改地址", "address change"},
    {Text::StepSensorCount, "传感器数量", "sensor count"},
    {Text::StepSerials, "读序列号", "serial numbers"},
    {Text::StepWrite, "写入列表", "list writing"},
    {Text::StepReadings, "读取温度", "readings"},
    {Text::Signature, "签字", "Signature"},
    {Text::Date, "日期", "Date"},
    {Text::Separator, "、", ", "},
};
constexpr bool inTableOrder() {
    for (std::size_t i = 0; i < std::size(kTexts); ++i) {
        if (static_cast<std::size_t>(kTexts[i].key) != i) {
            return false;
        }
    }
    return std::size(kTexts) == static_cast<std::size_t>(Text::Count);
}
static_assert(inTableOrder(), "kTexts is indexed by Text");

QString text(Text key, Language language) {
    const TextPair& pair = kTexts[static_cast<std::size_t>(key)];
    return QString::fromUtf8(language == Language::Chinese ? pair.chinese : pair.english);
}

QString qText(const std::string& value) {
    return QString::fromStdString(value);
}

const QString kDash = QStringLiteral("—");

QString orDash(const QString& value) {
    return value.trimmed().isEmpty() ? kDash : value;
}

// "2026-12-09T10:15:02.123+08:00" as "2026-12-09 10:15:02 +08:00"; anything else as it is.
QString shownTime(const std::string& iso) {
    const QString time = qText(iso);
    if (time.size() < 19 || time[10] != u'T') {
        return orDash(time);
    }
    QString zone;
    for (qsizetype i = 19; i < time.size(); ++i) {
        if (time[i] == u'+' || time[i] == u'-' || time[i] == u'Z') {
            zone = time.mid(i);
            break;
        }
    }
    return time.left(10) + u' ' + time.mid(11, 8) + (zone.isEmpty() ? QString() : u' ' + zone);
}

QString stepName(const std::string& step, Language language) {
    static const std::pair<const char*, Text> kSteps[] = {
        {"address", Text::StepAddress},
        {"set_address", Text::StepSetAddress},
        {"sensor_count", Text::StepSensorCount},
        {"serials", Text::StepSerials},
        {"write", Text::StepWrite},
        {"readings", Text::StepReadings},
    };
    for (const auto& [key, name] : kSteps) {
        if (step == key) {
            return text(name, language);
        }
    }
    return qText(step);
}

QString stateName(CheckState state, Language language) {
    switch (state) {
        case CheckState::NotConfigured:
            return text(Text::StateNotConfigured, language);
        case CheckState::NotRun:
            return text(Text::StateNotRun, language);
        case CheckState::Passed:
            return text(Text::StatePassed, language);
        case CheckState::Failed:
            return text(Text::StateFailed, language);
    }
    return {};
}

// The font with Chinese and Latin glyphs the package depends on, else the system's default
// (fontconfig then finds a fallback for missing glyphs).
QString fontFamily() {
    const QString preferred = QStringLiteral("WenQuanYi Micro Hei");
    return QFontDatabase::families().contains(preferred) ? preferred
                                                         : QGuiApplication::font().family();
}

// What a failed check says of one position it names, short enough for the positions table.
QString failureAt(CheckId id, Language language) {
    switch (id) {
        case CheckId::Positions:
            return text(Text::PositionMissing, language);
        case CheckId::ListMatch:
            return text(Text::PositionListDiffers, language);
        case CheckId::Duplicates:
            return text(Text::PositionDuplicate, language);
        case CheckId::Crc8:
            return text(Text::PositionCrc8, language);
        case CheckId::Limits:
            return text(Text::PositionLimits, language);
        case CheckId::Spread:
            return text(Text::PositionSpread, language);
        case CheckId::SensorCount:
        case CheckId::Assigned:
        case CheckId::Readings:
            break;
    }
    return qText(record::checkName(id, language));
}

const QColor kInk(0x20, 0x20, 0x20);
const QColor kGrey(0x70, 0x70, 0x70);
const QColor kRule(0xb0, 0xb0, 0xb0);
const QColor kHeaderFill(0xe6, 0xe6, 0xe6);
const QColor kStripe(0xf4, 0xf4, 0xf4);
const QColor kPassColour(0x1b, 0x7a, 0x34);
const QColor kFailColour(0xc0, 0x1c, 0x1c);
const QColor kIncompleteColour(0xb0, 0x60, 0x00);

QColor verdictColour(record::Verdict verdict) {
    switch (verdict) {
        case record::Verdict::Pass:
            return kPassColour;
        case record::Verdict::Fail:
            return kFailColour;
        case record::Verdict::Incomplete:
            return kIncompleteColour;
    }
    return kInk;
}

// Draws on one page in millimetres from the top left of the printable area. Every text is
// fitted into its box (wrapped to the lines given, then elided), so nothing runs off the page or
// into its neighbour whatever the record holds.
class Sheet {
public:
    Sheet(QPainter& painter, QPaintDevice& device, double dotsPerMm)
        : painter_(painter), device_(device), dotsPerMm_(dotsPerMm), family_(fontFamily()) {}

    QFont font(double points, bool bold = false) const {
        QFont font(family_);
        font.setPointSizeF(points);
        font.setBold(bold);
        return font;
    }

    QRectF box(double x, double y, double width, double height) const {
        return {x * dotsPerMm_, y * dotsPerMm_, width * dotsPerMm_, height * dotsPerMm_};
    }

    void fill(double x, double y, double width, double height, const QColor& colour) {
        painter_.fillRect(box(x, y, width, height), colour);
    }

    void rule(double x, double y, double width, const QColor& colour, double thickness) {
        painter_.setPen(QPen(colour, thickness * dotsPerMm_));
        painter_.drawLine(QPointF(x * dotsPerMm_, y * dotsPerMm_),
                          QPointF((x + width) * dotsPerMm_, y * dotsPerMm_));
    }

    void frame(double x, double y, double width, double height, const QColor& colour,
               double thickness) {
        painter_.setPen(QPen(colour, thickness * dotsPerMm_));
        painter_.setBrush(Qt::NoBrush);
        painter_.drawRect(box(x, y, width, height));
    }

    // How many lines `value` takes at `width` mm, at most `maxLines`.
    int lineCount(const QString& value, const QFont& font, double width, int maxLines) const {
        return static_cast<int>(lines(value, font, width, maxLines).size());
    }

    // Text in a box, vertically centred, wrapped to at most `maxLines` lines; the last line is
    // elided when the text needs more.
    void write(double x, double y, double width, double height, const QString& value,
               const QFont& font, const QColor& colour = kInk, Qt::Alignment align = Qt::AlignLeft,
               int maxLines = 1) {
        const std::vector<QString> shown = lines(value, font, width, maxLines);
        const QFontMetricsF metrics(font, &device_);
        const double lineHeight = metrics.height();
        const double total = lineHeight * static_cast<double>(shown.size());
        double top = y * dotsPerMm_ + (height * dotsPerMm_ - total) / 2;
        painter_.setFont(font);
        painter_.setPen(colour);
        for (const QString& line : shown) {
            painter_.drawText(QRectF(x * dotsPerMm_, top, width * dotsPerMm_, lineHeight),
                              static_cast<int>(align | Qt::AlignVCenter) | Qt::TextSingleLine,
                              line);
            top += lineHeight;
        }
    }

private:
    std::vector<QString> lines(const QString& value, const QFont& font, double widthMm,
                               int maxLines) const {
        const QString simple = value.simplified();
        const double width = widthMm * dotsPerMm_;
        const QFontMetricsF metrics(font, &device_);
        if (maxLines <= 1 || metrics.horizontalAdvance(simple) <= width) {
            return {metrics.elidedText(simple, Qt::ElideRight, width)};
        }
        QTextLayout layout(simple, font, &device_);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);  // a long word too
        layout.setTextOption(option);
        layout.beginLayout();
        std::vector<QString> out;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            if (static_cast<int>(out.size()) == maxLines - 1) {
                // The last line takes the rest, elided.
                out.push_back(metrics.elidedText(simple.mid(line.textStart()).trimmed(),
                                                 Qt::ElideRight, width));
                break;
            }
            out.push_back(metrics.elidedText(
                simple.mid(line.textStart(), line.textLength()).trimmed(), Qt::ElideRight, width));
        }
        layout.endLayout();
        return out;
    }

    QPainter& painter_;
    QPaintDevice& device_;
    double dotsPerMm_;
    QString family_;
};

// Where the page's parts lie, in millimetres from the top left of the printable area
// (A4 less the margins: 182 x 273 mm).
constexpr double kMarginX = 14;
constexpr double kMarginY = 12;
constexpr double kWidth = 210 - 2 * kMarginX;
constexpr double kHeight = 297 - 2 * kMarginY;
constexpr double kBodyPoints = 8;
constexpr double kHeaderPoints = 7.5;
constexpr double kInfoRow = 4.8;
constexpr double kTableHeader = 5.5;
constexpr double kPositionRow = 4.55;
constexpr double kCheckRow = 4.8;          // a reason on one line
constexpr double kCheckRowTwoLines = 7.2;  // a reason on two
constexpr double kSignatureTop = kHeight - 9;

struct Column {
    Text heading;
    double width;
    Qt::Alignment align;
};

// The positions table: 182 mm.
constexpr Column kPositionColumns[] = {
    {Text::ColumnPosition, 10, Qt::AlignHCenter}, {Text::ColumnSerial, 38, Qt::AlignLeft},
    {Text::ColumnList, 19, Qt::AlignLeft},        {Text::ColumnReadings, 13, Qt::AlignRight},
    {Text::ColumnNoReading, 13, Qt::AlignRight},  {Text::ColumnLowest, 15, Qt::AlignRight},
    {Text::ColumnMean, 15, Qt::AlignRight},       {Text::ColumnHighest, 15, Qt::AlignRight},
    {Text::ColumnChecks, 44, Qt::AlignLeft},
};
// The checks table: 182 mm.
constexpr Column kCheckColumns[] = {
    {Text::ColumnCheck, 38, Qt::AlignLeft},
    {Text::ColumnLimits, 34, Qt::AlignLeft},
    {Text::ColumnResult, 20, Qt::AlignLeft},
    {Text::ColumnReason, 90, Qt::AlignLeft},
};
constexpr double kCellPadding = 1.2;

struct Cell {
    QString value;
    QColor colour = kInk;
    bool bold = false;
};

// One row of a table: each cell in its column, padded.
template <std::size_t N>
void drawRow(Sheet& sheet, const Column (&columns)[N], double y, double height,
             const std::vector<Cell>& cells, int maxLines = 1) {
    double x = 0;
    for (std::size_t i = 0; i < N && i < cells.size(); ++i) {
        sheet.write(x + kCellPadding, y, columns[i].width - 2 * kCellPadding, height,
                    cells[i].value, sheet.font(kBodyPoints, cells[i].bold), cells[i].colour,
                    columns[i].align, maxLines);
        x += columns[i].width;
    }
}

// The lines the fullest cell of a row takes, at most `maxLines`.
template <std::size_t N>
int rowLines(const Sheet& sheet, const Column (&columns)[N], const std::vector<Cell>& cells,
             int maxLines) {
    int most = 1;
    for (std::size_t i = 0; i < N && i < cells.size(); ++i) {
        most =
            std::max(most, sheet.lineCount(cells[i].value, sheet.font(kBodyPoints, cells[i].bold),
                                           columns[i].width - 2 * kCellPadding, maxLines));
    }
    return most;
}

template <std::size_t N>
void drawHeader(Sheet& sheet, const Column (&columns)[N], double y, Language language) {
    sheet.fill(0, y, kWidth, kTableHeader, kHeaderFill);
    double x = 0;
    for (const Column& column : columns) {
        sheet.write(x + kCellPadding, y, column.width - 2 * kCellPadding, kTableHeader,
                    text(column.heading, language), sheet.font(kHeaderPoints, true), kInk,
                    column.align);
        x += column.width;
    }
    sheet.rule(0, y + kTableHeader, kWidth, kInk, 0.3);
}

// The title and the verdict; returns where the next part starts.
double drawTitle(Sheet& sheet, record::Verdict verdict, Language language) {
    constexpr double kVerdictWidth = 72;
    constexpr double kBand = 13;
    sheet.write(0, 0, kWidth - kVerdictWidth - 4, kBand, text(Text::Title, language),
                sheet.font(17, true));
    const QColor colour = verdictColour(verdict);
    sheet.frame(kWidth - kVerdictWidth, 0, kVerdictWidth, kBand, colour, 0.6);
    sheet.write(kWidth - kVerdictWidth + 2, 0, kVerdictWidth - 4, kBand,
                text(Text::Verdict, language).arg(qText(record::verdictName(verdict, language))),
                sheet.font(15, true), colour, Qt::AlignHCenter);
    sheet.rule(0, kBand + 2, kWidth, kInk, 0.4);
    return kBand + 3.5;
}

// The module, the line, the times and the people; returns where the next part starts.
double drawInfo(Sheet& sheet, const record::Record& record, Language language, double y) {
    const QString address = !record.address     ? kDash
                            : record.oldAddress ? text(Text::WasAddress, language)
                                                      .arg(QString::number(*record.address),
                                                           QString::number(*record.oldAddress))
                                                : QString::number(*record.address);
    QString list = kDash;
    if (record.list) {
        list = orDash(qText(record.listSource));
        if (record.listWritten) {
            list = text(Text::ListWritten, language).arg(list);
        }
    }
    const std::pair<Text, QString> left[] = {
        {Text::Address, address},
        {Text::ModuleId, orDash(qText(record.moduleId))},
        {Text::SensorsReported, record.sensorCount ? QString::number(*record.sensorCount) : kDash},
        {Text::Operator, orDash(qText(record.operatorName))},
        {Text::Tool, orDash(qText(record.toolName + " " + record.toolVersion))},
    };
    const std::pair<Text, QString> right[] = {
        {Text::Start, shownTime(record.start)},
        {Text::End, shownTime(record.end)},
        {Text::Port, record.baud > 0
                         ? text(Text::PortAndBaud, language)
                               .arg(orDash(qText(record.port)), QString::number(record.baud))
                         : orDash(qText(record.port))},
        {Text::List, list},
        {Text::Polls, text(Text::Polls, language)
                          .arg(QString::number(record.polls), QString::number(record.failedPolls))},
    };
    constexpr double kLabel = 24;
    constexpr double kHalf = kWidth / 2;
    const QFont label = sheet.font(kBodyPoints, true);
    const QFont value = sheet.font(kBodyPoints);
    for (std::size_t i = 0; i < std::size(left); ++i) {
        const double rowY = y + kInfoRow * static_cast<double>(i);
        sheet.write(0, rowY, kLabel, kInfoRow, text(left[i].first, language), label, kGrey);
        sheet.write(kLabel, rowY, kHalf - kLabel - 2, kInfoRow, left[i].second, value);
        if (right[i].first == Text::Polls) {  // says what it is in its value
            sheet.write(kHalf, rowY, kHalf, kInfoRow, right[i].second, value);
            continue;
        }
        sheet.write(kHalf, rowY, kLabel, kInfoRow, text(right[i].first, language), label, kGrey);
        sheet.write(kHalf + kLabel, rowY, kHalf - kLabel, kInfoRow, right[i].second, value);
    }
    y += kInfoRow * static_cast<double>(std::size(left));
    constexpr double kNote = 7.6;  // two lines
    sheet.write(0, y, kLabel, kNote, text(Text::Note, language), label, kGrey);
    sheet.write(kLabel, y, kWidth - kLabel, kNote, orDash(qText(record.note)), value, kInk,
                Qt::AlignLeft, 2);
    return y + kNote + 2;
}

double drawHeading(Sheet& sheet, Text heading, Language language, double y) {
    constexpr double kHeading = 5.5;
    sheet.write(0, y, kWidth, kHeading, text(heading, language), sheet.font(9.5, true));
    return y + kHeading;
}

// The 24 positions; returns where the next part starts.
double drawPositions(Sheet& sheet, const record::Record& record,
                     const std::vector<CheckResult>& checks, Language language, double y) {
    // The failed checks that name each position.
    std::array<std::vector<CheckId>, record::kPositions> failedAt;
    for (const CheckResult& check : checks) {
        if (check.state != CheckState::Failed) {
            continue;
        }
        for (int position : check.positions) {
            if (position >= 1 && position <= record::kPositions) {
                failedAt[static_cast<std::size_t>(position - 1)].push_back(check.id);
            }
        }
    }
    const auto failed = [&](std::size_t index, CheckId id) {
        return std::find(failedAt[index].begin(), failedAt[index].end(), id) !=
               failedAt[index].end();
    };

    y = drawHeading(sheet, Text::PositionsHeading, language, y);
    drawHeader(sheet, kPositionColumns, y, language);
    y += kTableHeader;
    for (int position = 1; position <= record::kPositions; ++position) {
        const auto index = static_cast<std::size_t>(position - 1);
        const record::PositionSerial& serial = record.serials[index];
        const record::ChannelReadings& readings = record.readings[index];
        if (position % 2 == 0) {
            sheet.fill(0, y, kWidth, kPositionRow, kStripe);
        }
        std::vector<Cell> cells(std::size(kPositionColumns));
        cells[0] = {QString::number(position)};
        switch (serial.state) {
            case record::PositionSerial::State::Present:
                cells[1] = {qText(serialNumberText(serial.serial))};
                break;
            case record::PositionSerial::State::Empty:
                cells[1] = {text(Text::SerialEmpty, language), kGrey};
                break;
            case record::PositionSerial::State::NotRead:
                cells[1] = {text(Text::SerialNotRead, language), kGrey};
                break;
        }
        cells[2] = {kDash, kGrey};
        if (record.list && index < record.list->size() &&
            serial.state != record::PositionSerial::State::NotRead) {
            const auto& want = (*record.list)[index];
            const bool matches =
                want ? serial.present() && serial.serial == *want : !serial.present();
            cells[2] = matches ? Cell{text(Text::ListMatches, language)}
                               : Cell{text(Text::ListDiffers, language), kFailColour, true};
        }
        cells[3] = {QString::number(readings.count)};
        cells[4] = {QString::number(readings.noReading),
                    readings.noReading > 0 && serial.present() ? kFailColour : kInk};
        if (readings.count > 0) {
            const auto& limits = record.limits;
            const bool low = serial.present() && limits.minCentidegrees &&
                             readings.lowest < *limits.minCentidegrees;
            const bool high = serial.present() && limits.maxCentidegrees &&
                              readings.highest > *limits.maxCentidegrees;
            cells[5] = {qText(record::degreesText(readings.lowest)), low ? kFailColour : kInk, low};
            const bool off = failed(index, CheckId::Spread);
            cells[6] = {qText(record::degreesText(*readings.mean())), off ? kFailColour : kInk,
                        off};
            cells[7] = {qText(record::degreesText(readings.highest)), high ? kFailColour : kInk,
                        high};
        } else {
            cells[5] = cells[6] = cells[7] = {kDash, kGrey};
        }
        if (!failedAt[index].empty()) {
            QString names;
            for (CheckId id : failedAt[index]) {
                names += (names.isEmpty() ? QString() : text(Text::Separator, language)) +
                         failureAt(id, language);
            }
            cells[8] = {names, kFailColour, true};
        } else if (serial.present()) {
            cells[8] = {text(Text::PositionFine, language), kPassColour};
        } else {
            cells[8] = {kDash, kGrey};
        }
        drawRow(sheet, kPositionColumns, y, kPositionRow, cells);
        y += kPositionRow;
        sheet.rule(0, y, kWidth, kRule, 0.15);
    }
    return y + 3;
}

// The checks; returns where the next part starts.
double drawChecks(Sheet& sheet, const std::vector<CheckResult>& checks, Language language,
                  double y) {
    y = drawHeading(sheet, Text::ChecksHeading, language, y);
    drawHeader(sheet, kCheckColumns, y, language);
    y += kTableHeader;
    // At most the nine checks fit; a longer list would not be a record of this tool.
    const std::size_t shown = std::min(checks.size(), record::kAllChecks.size());
    for (std::size_t i = 0; i < shown; ++i) {
        const CheckResult& check = checks[i];
        QColor colour = kGrey;
        if (check.state == CheckState::Passed) {
            colour = kPassColour;
        } else if (check.state == CheckState::Failed) {
            colour = kFailColour;
        } else if (check.state == CheckState::NotRun) {
            colour = kIncompleteColour;
        }
        const bool standsOut =
            check.state == CheckState::Failed || check.state == CheckState::NotRun;
        const std::vector<Cell> cells = {{qText(record::checkName(check.id, language))},
                                         {orDash(qText(check.limits))},
                                         {stateName(check.state, language), colour, standsOut},
                                         {orDash(qText(check.reason))}};
        const double height =
            rowLines(sheet, kCheckColumns, cells, 2) > 1 ? kCheckRowTwoLines : kCheckRow;
        if (i % 2 == 1) {
            sheet.fill(0, y, kWidth, height, kStripe);
        }
        drawRow(sheet, kCheckColumns, y, height, cells, 2);
        y += height;
        sheet.rule(0, y, kWidth, kRule, 0.15);
    }
    return y + 2;
}

// What could not be done, and an interruption; nothing when all went to the end.
void drawNotDone(Sheet& sheet, const record::Record& record, Language language, double y) {
    QString steps;
    for (const record::StepFailure& failure : record.failures) {
        steps += (steps.isEmpty() ? QString() : QStringLiteral("; ")) +
                 stepName(failure.step, language) + QStringLiteral(": ") + qText(failure.reason);
    }
    QString shown;
    if (record.interrupted) {
        shown = text(Text::Interrupted, language);
    }
    if (!steps.isEmpty()) {
        shown += (shown.isEmpty() ? QString() : QStringLiteral(". ")) +
                 text(Text::NotDone, language).arg(steps);
    }
    if (!shown.isEmpty()) {
        sheet.write(0, y, kWidth, 7.6, shown, sheet.font(kBodyPoints), kIncompleteColour,
                    Qt::AlignLeft, 2);
    }
}

void drawSignature(Sheet& sheet, Language language) {
    constexpr double kLine = 8;
    const QFont label = sheet.font(9);
    const double y = kSignatureTop;
    sheet.write(0, y, 22, kLine, text(Text::Signature, language), label);
    sheet.rule(22, y + kLine - 1.5, 88, kInk, 0.3);
    sheet.write(120, y, 14, kLine, text(Text::Date, language), label);
    sheet.rule(134, y + kLine - 1.5, kWidth - 134, kInk, 0.3);
}

}  // namespace

std::optional<std::string> writeRecordPdf(const record::Record& record,
                                          const std::vector<record::CheckResult>& checks,
                                          const std::filesystem::path& file,
                                          record::Language language) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return "a PDF report needs a QGuiApplication";
    }
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(kMarginX, kMarginY, kMarginX, kMarginY),
                                         QPageLayout::Millimeter));
        writer.setTitle(text(Text::Title, language) + u' ' + qText(record::recordBaseName(record)));
        writer.setCreator(qText(record.toolName + " " + record.toolVersion).trimmed());
        QPainter painter;
        if (!painter.begin(&writer)) {
            return "the PDF could not be drawn";
        }
        painter.setRenderHint(QPainter::Antialiasing);
        Sheet sheet(painter, writer, writer.resolution() / 25.4);
        const record::Verdict verdict = record::verdictOf(record, checks);
        double y = drawTitle(sheet, verdict, language);
        y = drawInfo(sheet, record, language, y);
        y = drawPositions(sheet, record, checks, language, y);
        y = drawChecks(sheet, checks, language, y);
        drawNotDone(sheet, record, language, y);
        drawSignature(sheet, language);
        if (!painter.end()) {
            return "the PDF could not be finished";
        }
    }

    QSaveFile out(QFile::decodeName(QByteArray::fromStdString(file.string())));
    if (!out.open(QIODevice::WriteOnly)) {
        return out.errorString().toStdString();
    }
    if (out.write(pdf) != pdf.size()) {
        const std::string reason = out.errorString().toStdString();
        out.cancelWriting();
        return reason;
    }
    if (!out.commit()) {
        return out.errorString().toStdString();
    }
    return std::nullopt;
}

}  // namespace tc24::report
