// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <vector>

namespace kevo::tools {

// kevoconf-print [OPTIONS] NAME [FILE...], kevoconf-print [OPTIONS] --list,
// or --help, or --version. Options may stand anywhere; "--" ends them. A
// FILE of "-" is standard input, which is also the document without FILE.
struct PrintCommandLine {
    bool help = false;
    bool version = false;
    bool json = false;
    bool list = false;
    bool dryRun = false;
    bool force = false;
    // --names-file and --setup-file as given; empty when not given.
    std::string namesFile;
    std::string setupFile;
    std::string name;
    std::vector<std::string> files;
    // What is wrong with the command line; empty when it is right.
    std::string error;
};

// arguments: argv without the program's own path.
PrintCommandLine ParsePrintCommandLine(const std::vector<std::string>& arguments);

// The files to run the program's loading with, as kevoconf-check takes
// them: none, the names file, or the names file and the setup file (the
// default names file standing in when only the setup file is given).
std::vector<std::string> CheckFileArguments(const PrintCommandLine& line);

// The text of --help.
std::string PrintUsage();

} // namespace kevo::tools
