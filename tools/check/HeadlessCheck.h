// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "check/QuietPrompter.h"
#include "platform/printing/PrintingService.h"
#include "setup/PathResolution.h"
#include "setup/SetupLine.h"
#include "workspace/Workspace.h"

#include <string>
#include <vector>

namespace kevo::tools {

// The check's lines: a line's cells as the program's table holds them
// after the check.
using setup::SetupLine;

// A line that is not in error but that kevoconf-print cannot print as it
// says (PrintRule.h), and why.
struct UnprintableLine {
    int line = 0;
    std::string name;
    std::string reason;
};

struct CheckResult {
    enum class Outcome {
        Clean,  // checked, no line in error
        Errors, // checked, lines in error
        Failed, // no valid check could be made; failure says why
    };
    Outcome outcome = Outcome::Failed;
    // The two files as the program's path rules resolved them.
    std::string namesFile;
    std::string setupFile;
    // How many lines the names file gave (at most 99).
    int namesFileLines = 0;
    // The lines in error, in line order; empty when the check failed.
    std::vector<SetupLine> lines;
    // Every named line, in line order, those in error too; empty when the
    // check failed.
    std::vector<SetupLine> namedLines;
    // The named lines not in error that kevoconf-print would refuse, in line
    // order (AddUnprintableLines); each is also a hint.
    std::vector<UnprintableLine> unprintable;
    // Everything the program would have shown, in order.
    std::vector<Notice> notices;
    // Why no check could be made; empty otherwise.
    std::string failure;
    // Advice that does not change the result: for a file name given on the
    // command line (a bare name that is not where the program looks, but is
    // in the current folder), and the program's start-up warnings about a
    // setup file that begins with a mark a Windows host does not understand
    // and about a KEVOCONF_CODEPAGE that is ignored (which are then not among
    // the notices).
    std::vector<std::string> hints;
};

// Exit status of kevoconf-check: 0 clean, 1 errors, 2 failed.
int ExitStatus(const CheckResult& result);

// Runs the program's start-up in run mode 0 without windows, in the
// workspace's folders on its printers: asks for the default printer as the
// print setup dialog's creation does (Workspace::OpenPrinters), creates the main window's logic
// with the given files (none, the names file, or the names file and the setup file), which resolves
// the paths and loads both files, and runs the start-up check. Messages are answered at once
// (QuietPrompter); nothing is written.
//
// The check fails, and is not run, when the default printer cannot be asked
// for any reason but the lack of one, when the names file is missing, empty
// or cannot be read, or when the setup file exists but cannot be read; it
// fails while it runs when a printer's bins cannot be read. Without a
// default printer, and without a setup file, the check runs as in the
// program: every named line then has "Printer Undefined,".
CheckResult RunCheck(const std::vector<std::string>& files, workspace::Workspace& workspace);

// Applies kevoconf-print's rule (MakePrintPlan) to every named line that
// is not in error, on the paper sources that the service gives for its
// printer, and adds each line that it would refuse to the result's
// unprintable lines and hints. The result and its exit status stay: a line
// that the program accepts is not in error. Printers whose sources the
// service cannot tell (winspool, the simulated printers, a PPD that cannot
// be read now) give no such line. Nothing when the check failed.
void AddUnprintableLines(CheckResult& result, platform::PrintingService& service);

} // namespace kevo::tools
