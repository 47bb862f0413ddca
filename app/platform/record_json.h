#pragma once

#include <QJsonObject>
#include <string>

#include "record/record.h"

namespace tc24 {

// The record as the JSON document docs/record.md describes ("format": "tc24-record/1"): the
// record's data, each check with its limits, result and reason, and the verdict. Keys and
// identifiers are fixed; the reasons are in the language they were evaluated in.
QJsonObject recordJson(const record::Record& record,
                       const std::vector<record::CheckResult>& checks);

// The document as it is written to a file: indented, with a final line end.
std::string recordJsonText(const record::Record& record,
                           const std::vector<record::CheckResult>& checks);

}  // namespace tc24
