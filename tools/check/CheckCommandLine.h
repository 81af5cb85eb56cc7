// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <vector>

namespace kevo::tools {

// kevoconf-check [--json | --format FORMAT] [NAMES-FILE [SETUP-FILE]],
// kevoconf-check --repair [--map FILE] [--printer-map FILE] [--dry-run]
// [--json] [NAMES-FILE [SETUP-FILE]], or --help, or --version. Options may stand anywhere; "--" ends them, so that
// a file whose name begins with "-" can be given.
struct CheckCommandLine {
    enum class Format { Text, Json, Prometheus };
    Format format = Format::Text;
    // --repair: repair the trays after a driver change (with --map FILE's
    // bin mappings; --dry-run: only say what would change).
    bool repair = false;
    bool dryRun = false;
    std::string mapFile;
    // --printer-map FILE: the printer mappings for printers that moved.
    std::string printerMapFile;
    bool help = false;
    bool version = false;
    // The names file and the setup file, as given (none, one or both).
    std::vector<std::string> files;
    // What is wrong with the command line; empty when it is right.
    std::string error;
};

// arguments: argv without the program's own path.
CheckCommandLine ParseCheckCommandLine(const std::vector<std::string>& arguments);

// The text of --help.
std::string CheckUsage();

} // namespace kevo::tools
