#include "record/record.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <set>

#include "protocol/hex.h"
#include "protocol/onewire.h"
#include "protocol/temperature.h"

namespace tc24::record {

namespace {

// The texts of the checks and the verdict, in both languages, in one table. "%1", "%2" are
// filled in by fill().
enum class Text {
    SensorCountName,
    PositionsName,
    AssignedName,
    ListMatchName,
    DuplicatesName,
    Crc8Name,
    LimitsName,
    SpreadName,
    ReadingsName,
    VerdictPass,
    VerdictFail,
    VerdictIncomplete,
    NotReadPositions,  // %1 positions
    StepFailed,        // %1 reason
    SensorCountPass,   // %1 count
    SensorCountFail,   // %1 reported, %2 expected
    PositionsPass,
    PositionsFail,  // %1 positions
    AssignedPass,   // %1 count
    AssignedFail,   // %1 sensors, %2 positions holding one
    ListMatchPass,
    ListMatchWrittenPass,
    ListMatchFail,  // %1 positions
    DuplicatesPass,
    DuplicatesFail,  // %1 serial, %2 positions
    Crc8Pass,
    Crc8Fail,         // %1 positions
    LimitsPass,       // %1 readings
    LimitsFailLow,    // %1 channel, %2 value
    LimitsFailHigh,   // %1 channel, %2 value
    LimitsNoReading,  // %1 channel
    SpreadPass,       // %1 median
    SpreadFail,       // %1 channel, %2 mean, %3 median
    ReadingsPass,     // %1 polls
    ReadingsFail,     // %1 failed, %2 polls
    NoReadings,
    NothingRead,
    Interrupted,
    Count
};

struct TextPair {
    Text key;
    const char* chinese;
    const char* english;
};

constexpr TextPair kTexts[] = {
    {Text::SensorCountName, "传感器数量", "sensor count"},
    {Text::PositionsName, "位置齐全", "positions"},
    {Text::AssignedName, "传感器均已分配", "all sensors assigned"},
    {Text::ListMatchName, "与列表一致", "matches the list"},
    {Text::DuplicatesName, "序列号不重复", "no duplicates"},
    {Text::Crc8Name, "序列号CRC-8", "serial number CRC-8"},
    {Text::LimitsName, "温度范围", "temperature limits"},
    {Text::SpreadName, "通道一致性", "spread"},
    {Text::ReadingsName, "读数完整", "readings"},
    {Text::VerdictPass, "合格", "pass"},
    {Text::VerdictFail, "不合格", "fail"},
    {Text::VerdictIncomplete, "未完成", "incomplete"},
    {Text::NotReadPositions, "位置 %1 未读取", "positions %1 were not read"},
    {Text::StepFailed, "未能完成：%1", "could not be done: %1"},
    {Text::SensorCountPass, "模块报告 %1 个传感器", "the module reports %1 sensors"},
    {Text::SensorCountFail, "模块报告 %1 个传感器，应为 %2 个",
     "the module reports %1 sensors, %2 expected"},
    {Text::PositionsPass, "所有应有传感器的位置都有序列号",
     "every expected position holds a serial number"},
    {Text::PositionsFail, "位置 %1 没有序列号", "positions %1 hold no serial number"},
    {Text::AssignedPass, "总线上 %1 个传感器都有位置", "all %1 sensors on the bus have a position"},
    {Text::AssignedFail, "总线上有 %1 个传感器，但只有 %2 个位置有序列号",
     "%1 sensors on the bus, but %2 positions hold a serial number"},
    {Text::ListMatchPass, "所有位置与列表一致", "every position matches the list"},
    {Text::ListMatchWrittenPass, "列表已写入，读回一致", "the list was written and reads back"},
    {Text::ListMatchFail, "位置 %1 与列表不符", "positions %1 differ from the list"},
    {Text::DuplicatesPass, "没有重复的序列号", "no serial number appears twice"},
    {Text::DuplicatesFail, "序列号 %1 出现在位置 %2", "%1 appears at positions %2"},
    {Text::Crc8Pass, "所有序列号的CRC-8正确", "every serial number has a valid CRC-8"},
    {Text::Crc8Fail, "位置 %1 的序列号CRC-8错误", "positions %1 have no valid CRC-8"},
    {Text::LimitsPass, "%1 个读数都在范围内", "all %1 readings within the limits"},
    {Text::LimitsFailLow, "通道 %1 读数 %2 低于下限", "channel %1 read %2, below the limit"},
    {Text::LimitsFailHigh, "通道 %1 读数 %2 高于上限", "channel %1 read %2, above the limit"},
    {Text::LimitsNoReading, "通道 %1 无读数", "channel %1 had no reading"},
    {Text::SpreadPass, "所有通道平均值与中位数 %1 的偏差在范围内",
     "every channel's mean within the spread of the median %1"},
    {Text::SpreadFail, "通道 %1 平均值 %2 偏离中位数 %3",
     "channel %1 mean %2 is off the median %3"},
    {Text::ReadingsPass, "%1 次读取全部有效", "all %1 polls answered"},
    {Text::ReadingsFail, "%2 次读取中 %1 次无有效应答", "%1 of %2 polls without a valid reply"},
    {Text::NoReadings, "没有读数", "no readings were taken"},
    {Text::NothingRead, "未读取序列号", "no serial number was read"},
    {Text::Interrupted, "已中断", "interrupted"},
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
// The check names follow CheckId's order.
static_assert(static_cast<int>(Text::ReadingsName) - static_cast<int>(Text::SensorCountName) ==
              static_cast<int>(CheckId::Readings));

std::string text(Text key, Language language) {
    const TextPair& pair = kTexts[static_cast<std::size_t>(key)];
    return language == Language::Chinese ? pair.chinese : pair.english;
}

std::string fill(std::string pattern, const std::vector<std::string>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::string mark = "%" + std::to_string(i + 1);
        const auto at = pattern.find(mark);
        if (at != std::string::npos) {
            pattern.replace(at, mark.size(), values[i]);
        }
    }
    return pattern;
}

std::string text(Text key, Language language, const std::vector<std::string>& values) {
    return fill(text(key, language), values);
}

// "1-5, 7, 9-10".
std::string positionsText(const std::vector<int>& positions) {
    std::string out;
    for (std::size_t i = 0; i < positions.size();) {
        std::size_t j = i;
        while (j + 1 < positions.size() && positions[j + 1] == positions[j] + 1) {
            ++j;
        }
        out += (out.empty() ? "" : ", ") + std::to_string(positions[i]);
        if (j > i) {
            out += "-" + std::to_string(positions[j]);
        }
        i = j + 1;
    }
    return out;
}

// Half to even, as the spread check rounds means.
long long roundedHalfEven(long long sum, long long count) {
    long long quotient = sum / count;
    long long remainder = sum % count;
    if (remainder < 0) {  // floor division
        remainder += count;
        --quotient;
    }
    const long long twice = 2 * remainder;
    if (twice > count || (twice == count && quotient % 2 != 0)) {
        ++quotient;
    }
    return quotient;
}

const StepFailure* failureOf(const Record& record, const std::string& step) {
    for (const StepFailure& failure : record.failures) {
        if (failure.step == step) {
            return &failure;
        }
    }
    return nullptr;
}

// A check that could not run: the step's failure when there is one, else what was missing.
CheckResult notRun(CheckId id, const Record& record, const std::string& step,
                   const std::string& missing, Language language) {
    CheckResult result{id};
    result.state = CheckState::NotRun;
    const StepFailure* failure = failureOf(record, step);
    result.reason =
        failure != nullptr ? text(Text::StepFailed, language, {failure->reason}) : missing;
    return result;
}

std::vector<int> notReadAmong(const Record& record, const std::vector<int>& positions) {
    std::vector<int> notRead;
    for (int position : positions) {
        if (record.serials[static_cast<std::size_t>(position - 1)].state ==
            PositionSerial::State::NotRead) {
            notRead.push_back(position);
        }
    }
    return notRead;
}

std::vector<int> allPositions() {
    std::vector<int> positions(kPositions);
    for (int i = 0; i < kPositions; ++i) {
        positions[static_cast<std::size_t>(i)] = i + 1;
    }
    return positions;
}

// The positions holding a serial number: "a channel with a sensor".
std::vector<int> sensorPositions(const Record& record) {
    std::vector<int> positions;
    for (int position = 1; position <= kPositions; ++position) {
        if (record.serials[static_cast<std::size_t>(position - 1)].present()) {
            positions.push_back(position);
        }
    }
    return positions;
}

bool anyRead(const Record& record) {
    return std::any_of(record.serials.begin(), record.serials.end(), [](const PositionSerial& s) {
        return s.state != PositionSerial::State::NotRead;
    });
}

CheckResult sensorCountCheck(const Record& record, Language language) {
    CheckResult result{CheckId::SensorCount};
    if (!record.limits.sensors) {
        return result;
    }
    const int expected = *record.limits.sensors;
    if (!record.sensorCount) {
        result = notRun(CheckId::SensorCount, record, "sensor_count", "", language);
    } else if (*record.sensorCount == expected) {
        result.state = CheckState::Passed;
        result.reason = text(Text::SensorCountPass, language, {std::to_string(expected)});
    } else {
        result.state = CheckState::Failed;
        result.reason = text(Text::SensorCountFail, language,
                             {std::to_string(*record.sensorCount), std::to_string(expected)});
    }
    result.limits = std::to_string(expected);
    return result;
}

CheckResult positionsCheck(const Record& record, Language language) {
    const std::vector<int> expected = expectedPositions(record);
    const std::vector<int> notRead = notReadAmong(
        record, record.limits.positions || record.limits.sensors || record.list ? expected
                                                                                : allPositions());
    CheckResult result{CheckId::Positions};
    result.limits = positionsText(expected);
    if (!notRead.empty()) {
        result = notRun(CheckId::Positions, record, "serials",
                        text(Text::NotReadPositions, language, {positionsText(notRead)}), language);
        result.limits = positionsText(expected);
        return result;
    }
    for (int position : expected) {
        if (!record.serials[static_cast<std::size_t>(position - 1)].present()) {
            result.positions.push_back(position);
        }
    }
    result.state = result.positions.empty() ? CheckState::Passed : CheckState::Failed;
    result.reason = result.positions.empty()
                        ? text(Text::PositionsPass, language)
                        : text(Text::PositionsFail, language, {positionsText(result.positions)});
    return result;
}

CheckResult assignedCheck(const Record& record, Language language) {
    const std::vector<int> notRead = notReadAmong(record, allPositions());
    if (!record.sensorCount) {
        return notRun(CheckId::Assigned, record, "sensor_count", "", language);
    }
    if (!notRead.empty()) {
        return notRun(CheckId::Assigned, record, "serials",
                      text(Text::NotReadPositions, language, {positionsText(notRead)}), language);
    }
    CheckResult result{CheckId::Assigned};
    const int holding = static_cast<int>(sensorPositions(record).size());
    if (holding == *record.sensorCount) {
        result.state = CheckState::Passed;
        result.reason = text(Text::AssignedPass, language, {std::to_string(holding)});
    } else {
        result.state = CheckState::Failed;
        result.reason = text(Text::AssignedFail, language,
                             {std::to_string(*record.sensorCount), std::to_string(holding)});
    }
    return result;
}

CheckResult listMatchCheck(const Record& record, Language language) {
    CheckResult result{CheckId::ListMatch};
    if (!record.list) {
        return result;
    }
    result.limits = record.listSource;
    // Only the positions the list covers.
    const int covered = std::min<int>(kPositions, static_cast<int>(record.list->size()));
    std::vector<int> listed;
    for (int position = 1; position <= covered; ++position) {
        listed.push_back(position);
    }
    const std::vector<int> notRead = notReadAmong(record, listed);
    if (!notRead.empty()) {
        CheckResult missing =
            notRun(CheckId::ListMatch, record, record.listWritten ? "write" : "serials",
                   text(Text::NotReadPositions, language, {positionsText(notRead)}), language);
        missing.limits = result.limits;
        return missing;
    }
    for (int position : listed) {
        const auto& want = (*record.list)[static_cast<std::size_t>(position - 1)];
        const PositionSerial& have = record.serials[static_cast<std::size_t>(position - 1)];
        const bool matches = want ? have.present() && have.serial == *want : !have.present();
        if (!matches) {
            result.positions.push_back(position);
        }
    }
    result.state = result.positions.empty() ? CheckState::Passed : CheckState::Failed;
    result.reason = !result.positions.empty()
                        ? text(Text::ListMatchFail, language, {positionsText(result.positions)})
                    : record.listWritten ? text(Text::ListMatchWrittenPass, language)
                                         : text(Text::ListMatchPass, language);
    return result;
}

CheckResult duplicatesCheck(const Record& record, Language language) {
    if (!anyRead(record)) {
        return notRun(CheckId::Duplicates, record, "serials", text(Text::NothingRead, language),
                      language);
    }
    CheckResult result{CheckId::Duplicates};
    std::map<protocol::SerialNumber, std::vector<int>> where;
    for (int position : sensorPositions(record)) {
        where[record.serials[static_cast<std::size_t>(position - 1)].serial].push_back(position);
    }
    for (const auto& [serial, positions] : where) {
        if (positions.size() > 1) {
            result.positions.insert(result.positions.end(), positions.begin(), positions.end());
            if (result.reason.empty()) {
                result.reason = text(Text::DuplicatesFail, language,
                                     {serialNumberText(serial), positionsText(positions)});
            }
        }
    }
    std::sort(result.positions.begin(), result.positions.end());
    result.state = result.positions.empty() ? CheckState::Passed : CheckState::Failed;
    if (result.positions.empty()) {
        result.reason = text(Text::DuplicatesPass, language);
    }
    return result;
}

CheckResult crc8Check(const Record& record, Language language) {
    CheckResult result{CheckId::Crc8};
    if (!record.limits.crcCheck) {
        return result;
    }
    if (!anyRead(record)) {
        return notRun(CheckId::Crc8, record, "serials", text(Text::NothingRead, language),
                      language);
    }
    for (int position : sensorPositions(record)) {
        if (!protocol::hasValidOnewireCrc(
                record.serials[static_cast<std::size_t>(position - 1)].serial)) {
            result.positions.push_back(position);
        }
    }
    result.state = result.positions.empty() ? CheckState::Passed : CheckState::Failed;
    result.reason = result.positions.empty()
                        ? text(Text::Crc8Pass, language)
                        : text(Text::Crc8Fail, language, {positionsText(result.positions)});
    return result;
}

// Whether every channel with a sensor has a reading (with or without a value).
bool readingsTaken(const Record& record, const std::vector<int>& channels) {
    if (record.polls == 0 || channels.empty()) {
        return false;
    }
    return std::all_of(channels.begin(), channels.end(), [&](int position) {
        const ChannelReadings& r = record.readings[static_cast<std::size_t>(position - 1)];
        return r.count + r.noReading > 0;
    });
}

CheckResult limitsCheck(const Record& record, Language language) {
    CheckResult result{CheckId::Limits};
    const auto& limits = record.limits;
    if (!limits.minCentidegrees && !limits.maxCentidegrees) {
        return result;
    }
    const std::string low = limits.minCentidegrees ? degreesText(*limits.minCentidegrees) : "";
    const std::string high = limits.maxCentidegrees ? degreesText(*limits.maxCentidegrees) : "";
    const std::string shown = low + " ~ " + high + " °C";
    const std::vector<int> channels = sensorPositions(record);
    if (!readingsTaken(record, channels)) {
        result =
            notRun(CheckId::Limits, record, "readings", text(Text::NoReadings, language), language);
        result.limits = shown;
        return result;
    }
    result.limits = shown;
    int total = 0;
    for (int position : channels) {
        const ChannelReadings& r = record.readings[static_cast<std::size_t>(position - 1)];
        total += r.count + r.noReading;
        std::string why;
        if (r.noReading > 0) {
            why = text(Text::LimitsNoReading, language, {std::to_string(position)});
        } else if (limits.minCentidegrees && r.lowest < *limits.minCentidegrees) {
            why = text(Text::LimitsFailLow, language,
                       {std::to_string(position), degreesText(r.lowest)});
        } else if (limits.maxCentidegrees && r.highest > *limits.maxCentidegrees) {
            why = text(Text::LimitsFailHigh, language,
                       {std::to_string(position), degreesText(r.highest)});
        }
        if (!why.empty()) {
            result.positions.push_back(position);
            if (result.reason.empty()) {
                result.reason = why;
            }
        }
    }
    result.state = result.positions.empty() ? CheckState::Passed : CheckState::Failed;
    if (result.positions.empty()) {
        result.reason = text(Text::LimitsPass, language, {std::to_string(total)});
    }
    return result;
}

CheckResult spreadCheck(const Record& record, Language language) {
    CheckResult result{CheckId::Spread};
    if (!record.limits.spreadCentidegrees) {
        return result;
    }
    const int spread = *record.limits.spreadCentidegrees;
    const std::string shown = "± " + degreesText(spread) + " °C";
    std::vector<std::pair<int, int>> means;  // position, mean
    for (int position : sensorPositions(record)) {
        if (const auto mean = record.readings[static_cast<std::size_t>(position - 1)].mean()) {
            means.emplace_back(position, *mean);
        }
    }
    if (means.empty()) {
        result =
            notRun(CheckId::Spread, record, "readings", text(Text::NoReadings, language), language);
        result.limits = shown;
        return result;
    }
    std::vector<int> sorted;
    for (const auto& [position, mean] : means) {
        sorted.push_back(mean);
    }
    std::sort(sorted.begin(), sorted.end());
    const int median = sorted[(sorted.size() - 1) / 2];  // an even count: the lower middle
    result.limits = shown;
    for (const auto& [position, mean] : means) {
        if (std::abs(mean - median) > spread) {
            result.positions.push_back(position);
            if (result.reason.empty()) {
                result.reason =
                    text(Text::SpreadFail, language,
                         {std::to_string(position), degreesText(mean), degreesText(median)});
            }
        }
    }
    result.state = result.positions.empty() ? CheckState::Passed : CheckState::Failed;
    if (result.positions.empty()) {
        result.reason = text(Text::SpreadPass, language, {degreesText(median)});
    }
    return result;
}

CheckResult readingsCheck(const Record& record, Language language) {
    if (record.polls == 0) {
        return notRun(CheckId::Readings, record, "readings", text(Text::NoReadings, language),
                      language);
    }
    CheckResult result{CheckId::Readings};
    if (record.failedPolls == 0) {
        result.state = CheckState::Passed;
        result.reason = text(Text::ReadingsPass, language, {std::to_string(record.polls)});
    } else {
        result.state = CheckState::Failed;
        result.reason = text(Text::ReadingsFail, language,
                             {std::to_string(record.failedPolls), std::to_string(record.polls)});
    }
    return result;
}

// A CSV field, quoted when it needs to be.
std::string csvField(const std::string& value) {
    if (value.find_first_of(",\"\r\n") == std::string::npos) {
        return value;
    }
    std::string quoted = "\"";
    for (char c : value) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + '"';
}

}  // namespace

PositionSerial PositionSerial::of(const protocol::SerialNumber& serial) {
    PositionSerial position;
    position.state = serial == protocol::kNoSerialNumber ? State::Empty : State::Present;
    position.serial = serial;
    return position;
}

void ChannelReadings::add(std::uint16_t registerValue) {
    const auto reading = protocol::registerReading(registerValue);
    if (!reading) {
        ++noReading;
        return;
    }
    if (count == 0) {
        lowest = highest = *reading;
    }
    lowest = std::min(lowest, *reading);
    highest = std::max(highest, *reading);
    sum += *reading;
    ++count;
}

std::optional<int> ChannelReadings::mean() const {
    if (count == 0) {
        return std::nullopt;
    }
    return static_cast<int>(roundedHalfEven(sum, count));
}

void Record::addReading(const std::vector<std::uint16_t>& registers) {
    ++polls;
    for (std::size_t i = 0; i < registers.size() && i < readings.size(); ++i) {
        readings[i].add(registers[i]);
    }
}

bool Record::stepFailed(const std::string& step) const {
    return failureOf(*this, step) != nullptr;
}

const char* checkKey(CheckId id) {
    switch (id) {
        case CheckId::SensorCount:
            return "sensor_count";
        case CheckId::Positions:
            return "positions";
        case CheckId::Assigned:
            return "assigned";
        case CheckId::ListMatch:
            return "list_match";
        case CheckId::Duplicates:
            return "duplicates";
        case CheckId::Crc8:
            return "crc8";
        case CheckId::Limits:
            return "limits";
        case CheckId::Spread:
            return "spread";
        case CheckId::Readings:
            return "readings";
    }
    return "";
}

const char* checkStateKey(CheckState state) {
    switch (state) {
        case CheckState::NotConfigured:
            return "not_configured";
        case CheckState::NotRun:
            return "not_run";
        case CheckState::Passed:
            return "pass";
        case CheckState::Failed:
            return "fail";
    }
    return "";
}

const char* verdictKey(Verdict verdict) {
    switch (verdict) {
        case Verdict::Pass:
            return "pass";
        case Verdict::Fail:
            return "fail";
        case Verdict::Incomplete:
            return "incomplete";
    }
    return "";
}

std::string checkName(CheckId id, Language language) {
    return text(static_cast<Text>(static_cast<int>(Text::SensorCountName) + static_cast<int>(id)),
                language);
}

std::string verdictName(Verdict verdict, Language language) {
    switch (verdict) {
        case Verdict::Pass:
            return text(Text::VerdictPass, language);
        case Verdict::Fail:
            return text(Text::VerdictFail, language);
        case Verdict::Incomplete:
            return text(Text::VerdictIncomplete, language);
    }
    return "";
}

std::vector<int> expectedPositions(const Record& record) {
    std::vector<int> positions;
    if (record.limits.positions) {
        for (int p = record.limits.positions->first; p <= record.limits.positions->second; ++p) {
            positions.push_back(p);
        }
    } else if (record.limits.sensors) {
        for (int p = 1; p <= std::min(*record.limits.sensors, kPositions); ++p) {
            positions.push_back(p);
        }
    } else if (record.list) {
        for (int p = 1; p <= std::min<int>(kPositions, static_cast<int>(record.list->size()));
             ++p) {
            if ((*record.list)[static_cast<std::size_t>(p - 1)]) {
                positions.push_back(p);
            }
        }
    } else {
        positions = sensorPositions(record);
    }
    return positions;
}

std::vector<CheckResult> evaluate(const Record& record, Language language) {
    return {sensorCountCheck(record, language), positionsCheck(record, language),
            assignedCheck(record, language),    listMatchCheck(record, language),
            duplicatesCheck(record, language),  crc8Check(record, language),
            limitsCheck(record, language),      spreadCheck(record, language),
            readingsCheck(record, language)};
}

Verdict verdictOf(const std::vector<CheckResult>& checks) {
    bool incomplete = false;
    for (const CheckResult& check : checks) {
        if (check.state == CheckState::Failed) {
            return Verdict::Fail;
        }
        incomplete = incomplete || check.state == CheckState::NotRun;
    }
    return incomplete ? Verdict::Incomplete : Verdict::Pass;
}

Verdict verdictOf(const Record& record, const std::vector<CheckResult>& checks) {
    const Verdict verdict = verdictOf(checks);
    if (verdict == Verdict::Pass && (!record.failures.empty() || record.interrupted)) {
        return Verdict::Incomplete;
    }
    return verdict;
}

std::string degreesText(int centidegrees) {
    return protocol::centidegreesText(centidegrees);
}

std::string isoTimeWithOffset(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(time.time_since_epoch()).count();
    long long seconds = sinceEpoch / 1000;
    long long millis = sinceEpoch % 1000;
    if (millis < 0) {
        millis += 1000;
        --seconds;
    }
    const std::time_t whole = static_cast<std::time_t>(seconds);
    // std::localtime shares one result between calls; records are made on one thread.
    const std::tm* local = std::localtime(&whole);
    if (local == nullptr) {
        return {};
    }
    char head[32];
    char offset[8];
    std::strftime(head, sizeof head, "%Y-%m-%dT%H:%M:%S", local);
    std::strftime(offset, sizeof offset, "%z", local);  // "+0100"
    std::string zone = offset;
    if (zone.size() == 5) {
        zone.insert(3, ":");  // ISO 8601's "+01:00"
    }
    char millisText[8];
    std::snprintf(millisText, sizeof millisText, ".%03lld", millis);
    return head + std::string(millisText) + zone;
}

std::string logHeader() {
    std::string header =
        "time,address,verdict,failed checks,operator,module id,record,tool version";
    for (int position = 1; position <= kPositions; ++position) {
        header += ",sn" + std::to_string(position);
    }
    return header + "\r\n";
}

std::string logLine(const Record& record, const std::vector<CheckResult>& checks,
                    const std::string& recordFile) {
    std::string failed;
    for (const CheckResult& check : checks) {
        if (check.state == CheckState::Failed || check.state == CheckState::NotRun) {
            failed += (failed.empty() ? "" : ";") + std::string(checkKey(check.id));
        }
    }
    std::string line = csvField(record.end.empty() ? record.start : record.end);
    line += ',' + (record.address ? std::to_string(*record.address) : std::string());
    line += ',' + std::string(verdictKey(verdictOf(record, checks)));
    line += ",\"" + failed + '"';
    line += ',' + csvField(record.operatorName);
    line += ',' + csvField(record.moduleId);
    line += ',' + csvField(recordFile);
    line += ',' + csvField(record.toolVersion);
    for (const PositionSerial& position : record.serials) {
        line += ',';
        if (position.present()) {
            line += serialNumberText(position.serial);
        }
    }
    return line + "\r\n";
}

std::string recordBaseName(const Record& record) {
    std::string name = "tc24-" + (record.address ? std::to_string(*record.address) : "x");
    if (!record.moduleId.empty()) {
        name += "-" + record.moduleId;
    }
    // The start without its milliseconds and offset, in the file system's own terms.
    name += "-" + record.start.substr(0, 19);
    for (char& c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' ||
            c == '<' || c == '>' || c == '|' || c == ' ') {
            c = c == ':' ? '-' : '_';
        }
    }
    return name;
}

}  // namespace tc24::record
