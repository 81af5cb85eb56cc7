// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "check/HeadlessCheck.h"
#include "setup/TrayRepair.h"

#include <string>
#include <vector>

namespace kevo::tools {

struct RepairResult {
    // The check before the repair.
    CheckResult check;
    // What the repair does to the lines in error (empty when no check was
    // made or the mapping file was refused).
    setup::TrayRepairPlan plan;
    bool dryRun = false;
    // The repaired lines' keys were written into the setup file.
    bool written = false;
    // Why no repair could be made or written (the check's failure, the
    // mapping file, the setup file refusing the values); empty otherwise.
    std::string failure;
    // The lines in error once the plan is written: the check's count on the
    // written file; with --dry-run those the plan leaves and those in error
    // that are not its to repair (an unnamed line's redundant printer).
    int linesInErrorAfter = 0;
};

// kevoconf-check --repair: the check as RunCheck makes it, then the tray
// repair of its lines with the bin mappings of mapFile and the printer
// mappings of printerMapFile (none when empty), and, unless dryRun, the
// five keys of each repaired line (Driver, PaperSourceName1, PaperSource1,
// PaperSourceName2, PaperSource2), and Device and Port where they change,
// written in place in its section, in the file's own encoding, atomically;
// every other byte of the file stays as it is.
RepairResult RunRepair(const std::vector<std::string>& files, workspace::Workspace& workspace,
                       const std::string& mapFile, const std::string& printerMapFile,
                       bool dryRun);

// 0 when no line is in error once the plan is written (also with --dry-run,
// as if written), 1 when lines remain in error, 2 when no check, no plan or
// no write could be made.
int RepairExitStatus(const RepairResult& result);

// The plan in text: each repaired line with its old and new printer (and
// how it was found) and port where they change, bins and driver, each line left with its reason, and the count after the repair.
std::string RepairReportText(const RepairResult& result);
// The same as one JSON document (kevoconf-check(1)).
std::string RepairReportJson(const RepairResult& result);

} // namespace kevo::tools
