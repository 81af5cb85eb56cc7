// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "check/HeadlessCheck.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kevo::tools {

// A line's Errors text taken apart into its tokens (setup/ConfigTable.h).
using setup::ErrorTokens;
using setup::SplitErrorTokens;

// The result for people: one row per line in error, "LINE "NAME" ERRORS",
// then the summary "Errors: N (M lines in the names file)". Nothing when the
// check failed. Names and errors are escaped as EscapedText says.
std::string CheckReportText(const CheckResult& result);

// The result as one JSON document (the schema is in kevoconf-check(1)).
std::string CheckReportJson(const CheckResult& result);

class JsonWriter;

// A line's members in the commands' JSON: line, name, printer, errors, its
// tokens and, with the name token, storedName.
void WriteLineMembers(JsonWriter& json, int line, const std::string& name,
                      const std::string& printer, const std::string& errors);

// The result in the text format of Prometheus' node exporter (its textfile
// collector), for watching many workstations: gauges for the result (0
// clean, 1 errors, 2 failed, as the exit status), the lines in error (NaN
// when no check was made), the names file's lines and the time of the
// check (checkedAt, seconds since 1970), and the lines that kevoconf-print
// cannot print (NaN when no check was made), each labelled with the two files
// and the user who ran the check.
std::string CheckReportPrometheus(const CheckResult& result, std::int64_t checkedAt,
                                  std::string_view user);

// The line of standard error in text mode that names the two files checked
// (given as the caller resolved them, absolute): "kevoconf-check: checked
// NAMES-FILE and SETUP-FILE".
std::string CheckedFilesText(const std::string& namesFile, const std::string& setupFile);

// What goes to standard error: every notice in the program's own words,
// each beginning with "kevoconf-check: " (or the name of the command given)
// and its further lines indented; a question is followed by the answer it
// was given. Then the hints, in the same form, and when the check failed a
// last line saying why.
std::string NoticesText(const CheckResult& result, std::string_view program = "kevoconf-check");

} // namespace kevo::tools
