// SPDX-License-Identifier: Apache-2.0
#pragma once

// kevoconf-print's rule of how a setup line is printed, and which lines it
// cannot print as they say; kevoconf-check tells the same lines.

#include "setup/SetupLine.h"
#include "platform/printing/JobOptions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kevo::tools {

using setup::SetupLine;

// The first named line whose name is `name`, letter case ignored as in every
// look-up of the program (platform::SameTextIgnoringCase); nullptr when there
// is none.
const SetupLine* FindNamedLine(const std::vector<SetupLine>& lines, std::string_view name);

// Pages of every document that come from one bin.
struct PagePlan {
    std::string pages;   // "1-" all pages; "1" the first and "2-" the others
    std::string bin;     // the bin number, as the line holds it
    std::string binName; // the bin name, as the line holds it
    // What the job asks of the printer for these pages; nothing when it is
    // not known (simulated printers).
    std::optional<std::vector<platform::JobOption>> options;
};

struct PrintPlan {
    SetupLine line;
    std::vector<PagePlan> pages;
    // The options of the one job; nothing for simulated printers.
    std::optional<std::vector<platform::JobOption>> jobOptions;
    // What is wrong but printed past (--force).
    std::vector<std::string> warnings;
    // Why the line cannot be printed as it says; empty when it can.
    std::string problem;
};

// A bin number cell as a number: decimal digits only, at most 65535.
std::optional<std::uint16_t> BinNumber(std::string_view text);

// The line's pages by bin, without options: all pages from Source 1, or the
// first page from Source 1 and the others from Source 2.
std::vector<PagePlan> PagePlans(const SetupLine& line);

// How the line prints on a queue with these paper sources (nothing for
// simulated printers, whose bins are known by number and name only). A bin
// that is not one of the queue's is a problem; with force it is left to
// the printer instead, with a warning.
PrintPlan MakePrintPlan(const SetupLine& line, const std::optional<platform::QueueSources>& sources,
                        bool force);

} // namespace kevo::tools
