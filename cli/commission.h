#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/list_file.h"
#include "cli/master.h"
#include "cli/options.h"
#include "cli/output_path.h"
#include "record/record.h"

namespace tc24::cli {

// What `commission` is to do, with its profile applied and its files checked, before anything
// is sent.
struct CommissionPlan {
    record::Limits limits;
    int reads = kDefaultReads;
    int intervalMs = kDefaultReadIntervalMs;
    // --list: entry i for position i + 1, as long as the expected positions reach.
    std::optional<std::vector<ListEntry>> list;
    std::optional<OutputPath> record;  // a file, or with --scan a folder
    std::optional<OutputPath> report;  // likewise
    std::optional<OutputPath> log;     // the file lines are appended to
};

// The job the options describe; nothing, with the usage error in `error`, when they describe
// none: a bad profile or list, a list that does not cover the expected positions, limits that
// contradict each other, a path that cannot take the results.
std::optional<CommissionPlan> planCommission(const Invocation& invocation, std::string& error);

// Runs `commission` over the opened line: one module, or every module a scan finds, each with
// its record, report and log line, written before the status is decided. Returns the worst
// module's status (3 port lost > 1 a step without a valid reply > 4 a file not written > 5 a
// check failed > 0), or 128 + N after signal N.
int runCommission(const Invocation& invocation, const CommissionPlan& plan, Environment& env,
                  Master& master, const std::string& port, int baud);

}  // namespace tc24::cli
