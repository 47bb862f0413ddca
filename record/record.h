#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/codes.h"

namespace tc24::record {

// The commissioning record of one module: what was done to it, what it answered, and whether
// it passed. The window and tc24-cli fill it from what they see on the line; the checks and
// the verdict are computed here, the same for both. Temperatures are kept in whole hundredths
// of a degree, as the module sends them.

inline constexpr int kPositions = protocol::kPositions;

// The language of the reasons and of the printed report: the window's, or tc24-cli's.
enum class Language { Chinese, English };

// What the checks are held to. A limit that is not set leaves its check "not configured".
struct Limits {
    std::optional<int> sensors;  // the sensor count the module must report
    // The positions that must hold a sensor (first, last); unset: 1 to `sensors` when that is
    // set, else those a list names, else every position that holds a serial number.
    std::optional<std::pair<int, int>> positions;
    std::optional<int> minCentidegrees;  // every reading of a channel with a sensor, inclusive
    std::optional<int> maxCentidegrees;
    std::optional<int> spreadCentidegrees;  // each channel's mean against the median of means
    bool crcCheck = true;                   // serial numbers end in a valid 1-Wire CRC-8
};

// A serial number by position, or the state of a position that holds none.
struct PositionSerial {
    enum class State {
        NotRead,  // nothing known
        Empty,    // the module answered eight 0xFF bytes: no sensor there
        Present,  // a serial number
    };
    State state = State::NotRead;
    protocol::SerialNumber serial{};

    static PositionSerial of(const protocol::SerialNumber& serial);  // Empty for eight 0xFF
    bool present() const { return state == State::Present; }
    friend bool operator==(const PositionSerial&, const PositionSerial&) = default;
};

// The readings of one channel over the reading window.
struct ChannelReadings {
    int count = 0;      // readings with a value
    int noReading = 0;  // readings of 65535 ("no reading")
    int lowest = 0;     // meaningful when count > 0
    int highest = 0;
    long long sum = 0;

    void add(std::uint16_t registerValue);
    // The mean rounded half to even to whole hundredths; nothing without a value.
    std::optional<int> mean() const;
};

// A step of the job that could not be done, and why (no reply, the port went away).
struct StepFailure {
    std::string step;  // "address", "set_address", "sensor_count", "serials", "write", "readings"
    std::string reason;
};

struct Record {
    // Who wrote it.
    std::string toolName;  // "tc24" or "tc24-cli"
    std::string toolVersion;
    // ISO 8601 with milliseconds and the UTC offset ("2026-12-09T01:02:03.456+01:00").
    std::string start;
    std::string end;
    std::string operatorName;
    std::string note;
    std::string moduleId;  // a label or scanned barcode: the module has no serial number of its own
    std::string port;
    int baud = 0;

    // The module.
    std::optional<int> address;      // the address it answered at (the new one after a change)
    std::optional<int> oldAddress;   // set when the address was changed
    std::optional<int> sensorCount;  // as the module reported it

    // Per position 1 to 24 (index 0 is position 1).
    std::array<PositionSerial, kPositions> serials{};
    // The list the serial numbers are compared with (written, or given): entry i for position
    // i + 1, as many as the list covers (at most 24); nothing when there is none. An empty entry
    // means the position must be empty; positions beyond the list are not compared.
    std::optional<std::vector<std::optional<protocol::SerialNumber>>> list;
    bool listWritten = false;  // the list was written into the module (with verification)
    std::string listSource;    // the file the list came from, for the record

    std::array<ChannelReadings, kPositions> readings{};
    int polls = 0;        // register queries sent in the reading window
    int failedPolls = 0;  // of those, without a valid reply

    Limits limits;
    std::vector<StepFailure> failures;
    bool interrupted = false;  // a signal ended the job; the record holds what was done

    // A register reply of the 24 channels (register 0 first). Fewer values fill fewer channels.
    void addReading(const std::vector<std::uint16_t>& registers);
    void addFailedPoll() {
        ++polls;
        ++failedPolls;
    }
    // Whether a step failed (its check then could not run).
    bool stepFailed(const std::string& step) const;
};

enum class CheckId {
    SensorCount,
    Positions,
    Assigned,
    ListMatch,
    Duplicates,
    Crc8,
    Limits,
    Spread,
    Readings
};
inline constexpr std::array<CheckId, 9> kAllChecks = {
    CheckId::SensorCount, CheckId::Positions,  CheckId::Assigned,
    CheckId::ListMatch,   CheckId::Duplicates, CheckId::Crc8,
    CheckId::Limits,      CheckId::Spread,     CheckId::Readings};
// Fixed identifiers, whatever the language: "sensor_count", "positions", "assigned",
// "list_match", "duplicates", "crc8", "limits", "spread", "readings".
const char* checkKey(CheckId id);

enum class CheckState {
    NotConfigured,  // nothing to hold it to; does not block a pass
    NotRun,         // configured, but the data it needs could not be taken; blocks a pass
    Passed,
    Failed,
};
// "not_configured", "not_run", "pass", "fail".
const char* checkStateKey(CheckState state);

struct CheckResult {
    explicit CheckResult(CheckId check = CheckId::SensorCount) : id(check) {}

    CheckId id;
    CheckState state = CheckState::NotConfigured;
    std::string limits;  // what it is held to, in words ("24", "1-24", "10.00 ~ 40.00 °C")
    std::string reason;  // one line: why it passed or failed
    std::vector<int> positions;  // the positions that failed it, if any
};

enum class Verdict {
    Pass,        // every configured check ran and passed
    Fail,        // a check failed
    Incomplete,  // no check failed, but a configured one could not run
};
const char* verdictKey(Verdict verdict);  // "pass", "fail", "incomplete"

// The positions that must hold a sensor, as the limits and the list say.
std::vector<int> expectedPositions(const Record& record);

std::vector<CheckResult> evaluate(const Record& record, Language language);
Verdict verdictOf(const std::vector<CheckResult>& checks);
// The record's verdict: the checks', but at best "incomplete" when a step of the job could not
// be done (an address change that did not happen passes no check, yet the job is not done) or
// the job was interrupted. Records, logs and reports carry this one.
Verdict verdictOf(const Record& record, const std::vector<CheckResult>& checks);

// The name of a check and of a verdict, in words ("传感器数量", "sensor count"; "合格", "pass").
std::string checkName(CheckId id, Language language);
std::string verdictName(Verdict verdict, Language language);

// "25.34" from hundredths of a degree.
std::string degreesText(int centidegrees);

// Now, as a record keeps its times.
std::string isoTimeWithOffset(std::chrono::system_clock::time_point time);

// The production log: one CSV line per module, CR LF. Columns: time (with the UTC offset),
// address, verdict, failed checks (one quoted field of identifiers separated by ";"),
// operator, module id, record file, tool version, then the serial numbers of positions 1 to
// 24 (empty where none).
std::string logHeader();
std::string logLine(const Record& record, const std::vector<CheckResult>& checks,
                    const std::string& recordFile);

// "tc24-<address>-<start time>" (the module id after the address when there is one), with
// characters that do not belong in a file name replaced: the name of a module's files.
std::string recordBaseName(const Record& record);

}  // namespace tc24::record
