#include "app/platform/record_json.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "protocol/hex.h"

namespace tc24 {

namespace {

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

QJsonValue orNull(const std::optional<int>& value) {
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonValue degrees(int centidegrees) {
    return centidegrees / 100.0;
}

const char* serialState(record::PositionSerial::State state) {
    switch (state) {
        case record::PositionSerial::State::NotRead:
            return "not_read";
        case record::PositionSerial::State::Empty:
            return "empty";
        case record::PositionSerial::State::Present:
            return "present";
    }
    return "";
}

QJsonObject limitsJson(const record::Record& record, record::CheckId id) {
    const record::Limits& limits = record.limits;
    QJsonObject json;
    switch (id) {
        case record::CheckId::SensorCount:
            if (limits.sensors) {
                json.insert("expected", *limits.sensors);
            }
            break;
        case record::CheckId::Positions: {
            QJsonArray positions;
            for (int position : record::expectedPositions(record)) {
                positions.append(position);
            }
            json.insert("expected", positions);
            break;
        }
        case record::CheckId::ListMatch:
            if (record.list) {
                json.insert("list", qText(record.listSource));
                json.insert("written", record.listWritten);
            }
            break;
        case record::CheckId::Limits:
            if (limits.minCentidegrees) {
                json.insert("min", degrees(*limits.minCentidegrees));
            }
            if (limits.maxCentidegrees) {
                json.insert("max", degrees(*limits.maxCentidegrees));
            }
            break;
        case record::CheckId::Spread:
            if (limits.spreadCentidegrees) {
                json.insert("spread", degrees(*limits.spreadCentidegrees));
            }
            break;
        case record::CheckId::Assigned:
        case record::CheckId::Duplicates:
        case record::CheckId::Crc8:
        case record::CheckId::Readings:
            break;
    }
    return json;
}

}  // namespace

QJsonObject recordJson(const record::Record& record,
                       const std::vector<record::CheckResult>& checks) {
    QJsonObject json;
    json.insert("format", "tc24-record/1");
    json.insert("tool", QJsonObject{{"name", qText(record.toolName)},
                                    {"version", qText(record.toolVersion)}});
    json.insert("start", qText(record.start));
    json.insert("end", qText(record.end));
    json.insert("operator", qText(record.operatorName));
    json.insert("note", qText(record.note));
    json.insert("module_id", qText(record.moduleId));
    json.insert("line", QJsonObject{{"port", qText(record.port)}, {"baud", record.baud}});
    json.insert("module", QJsonObject{{"address", orNull(record.address)},
                                      {"old_address", orNull(record.oldAddress)},
                                      {"sensor_count", orNull(record.sensorCount)}});

    QJsonArray positions;
    for (int position = 1; position <= record::kPositions; ++position) {
        const auto index = static_cast<std::size_t>(position - 1);
        const record::PositionSerial& serial = record.serials[index];
        QJsonObject entry{{"position", position}, {"state", serialState(serial.state)}};
        entry.insert("serial", serial.present() ? QJsonValue(qText(serialNumberText(serial.serial)))
                                                : QJsonValue(QJsonValue::Null));
        if (record.list && index < record.list->size()) {
            const auto& want = (*record.list)[index];
            entry.insert("expected", want ? QJsonValue(qText(serialNumberText(*want)))
                                          : QJsonValue(QJsonValue::Null));
            if (serial.state != record::PositionSerial::State::NotRead) {
                entry.insert("matched",
                             want ? serial.present() && serial.serial == *want : !serial.present());
            } else {
                entry.insert("matched", QJsonValue::Null);
            }
        }
        const record::ChannelReadings& readings = record.readings[index];
        QJsonObject stats{{"count", readings.count}, {"no_reading", readings.noReading}};
        if (readings.count > 0) {
            stats.insert("lowest", degrees(readings.lowest));
            stats.insert("mean", degrees(*readings.mean()));
            stats.insert("highest", degrees(readings.highest));
        }
        entry.insert("readings", stats);
        positions.append(entry);
    }
    json.insert("positions", positions);
    json.insert("polls", QJsonObject{{"count", record.polls}, {"failed", record.failedPolls}});

    QJsonArray steps;
    for (const record::StepFailure& failure : record.failures) {
        steps.append(QJsonObject{{"step", qText(failure.step)}, {"reason", qText(failure.reason)}});
    }
    json.insert("not_done", steps);

    QJsonArray checkArray;
    for (const record::CheckResult& check : checks) {
        QJsonArray failedPositions;
        for (int position : check.positions) {
            failedPositions.append(position);
        }
        checkArray.append(QJsonObject{{"id", record::checkKey(check.id)},
                                      {"result", record::checkStateKey(check.state)},
                                      {"limits", limitsJson(record, check.id)},
                                      {"reason", qText(check.reason)},
                                      {"positions", failedPositions}});
    }
    json.insert("checks", checkArray);
    json.insert("interrupted", record.interrupted);
    json.insert("verdict", record::verdictKey(record::verdictOf(record, checks)));
    return json;
}

std::string recordJsonText(const record::Record& record,
                           const std::vector<record::CheckResult>& checks) {
    return QJsonDocument(recordJson(record, checks)).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace tc24
