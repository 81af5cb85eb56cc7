// SPDX-License-Identifier: Apache-2.0
#include "print/PrintCommandLine.h"

#include "setup/PathResolution.h"

#include <algorithm>

namespace kevo::tools {

namespace {

// "--names-file FILE" or "--names-file=FILE": the option's value, taken
// from the argument itself or from the next one.
bool TakeValue(const std::vector<std::string>& arguments, std::size_t& i, const std::string& option,
               std::string& value, std::string& error) {
    const std::string& argument = arguments[i];
    if (argument.rfind(option + "=", 0) == 0) {
        value = argument.substr(option.size() + 1);
    } else if (argument == option) {
        if (i + 1 == arguments.size()) {
            error = option + " needs a file name";
            return true;
        }
        value = arguments[++i];
    } else {
        return false;
    }
    if (value.empty())
        error = option + " needs a file name";
    return true;
}

std::string OperandError(const PrintCommandLine& line, const std::vector<std::string>& operands) {
    if (line.help || line.version)
        return {};
    if (line.list)
        return operands.empty() ? std::string() : "--list takes no name and no file";
    if (operands.empty())
        return "no name given";
    if (std::count(line.files.begin(), line.files.end(), "-") > 1)
        return "standard input (\"-\") can be printed only once";
    if (std::count(line.files.begin(), line.files.end(), "") > 0)
        return "empty file name";
    return {};
}

} // namespace

PrintCommandLine ParsePrintCommandLine(const std::vector<std::string>& arguments) {
    PrintCommandLine line;
    std::vector<std::string> operands;
    std::string error;
    bool optionsEnded = false;
    const std::pair<const char*, bool PrintCommandLine::*> flags[] = {
        {"--json", &PrintCommandLine::json},       {"--list", &PrintCommandLine::list},
        {"--dry-run", &PrintCommandLine::dryRun},  {"--force", &PrintCommandLine::force},
        {"--help", &PrintCommandLine::help},       {"-h", &PrintCommandLine::help},
        {"--version", &PrintCommandLine::version},
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            operands.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const auto flag = std::find_if(std::begin(flags), std::end(flags),
                                       [&](const auto& f) { return argument == f.first; });
        if (flag != std::end(flags)) {
            line.*(flag->second) = true;
        } else if (!TakeValue(arguments, i, "--names-file", line.namesFile, error) &&
                   !TakeValue(arguments, i, "--setup-file", line.setupFile, error) &&
                   error.empty()) {
            error = "unknown option \"" + argument + "\"";
        }
    }

    if (!line.list && !operands.empty()) {
        line.name = operands.front();
        line.files.assign(operands.begin() + 1, operands.end());
    }
    line.error = error.empty() ? OperandError(line, operands) : error;
    return line;
}

std::vector<std::string> CheckFileArguments(const PrintCommandLine& line) {
    if (!line.setupFile.empty())
        return {line.namesFile.empty() ? setup::kDefaultNamesFileName : line.namesFile,
                line.setupFile};
    if (!line.namesFile.empty())
        return {line.namesFile};
    return {};
}

std::string PrintUsage() {
    return "Usage: kevoconf-print [OPTIONS] NAME [FILE...]\n"
           "       kevoconf-print [OPTIONS] --list\n"
           "       kevoconf-print --help | --version\n"
           "\n"
           "Prints the FILEs (standard input without FILE, or for \"-\") as one job on\n"
           "the printer and paper bins that the printer setup gives to NAME: the first\n"
           "page of each document from Source 1, the other pages from Source 2 when the\n"
           "line uses a second tray. The line is found by its name, ignoring letter\n"
           "case, and checked against the installed printers as KevoConf checks it; a\n"
           "line in error is not printed.\n"
           "\n"
           "  --names-file FILE  the names file (default KevoName.txt)\n"
           "  --setup-file FILE  the setup file (default Vezerava.ini)\n"
           "  --dry-run          print what would be sent (printer, options for each\n"
           "                     page range) and send nothing\n"
           "  --json             print the same as one JSON document (see kevoconf-print(1))\n"
           "  --list             print every name with its printer and trays\n"
           "  --force            print a line in error anyway, saying what is wrong\n"
           "  --help             print this help and end\n"
           "  --version          print the version and end\n"
           "\n"
           "Files are found as KevoConf finds them: a name without \"/\" is looked for\n"
           "beside the program (names file only), else in the configuration folder\n"
           "($XDG_CONFIG_HOME/kevoconf, normally ~/.config/kevoconf). They are read in\n"
           "the code page KEVOCONF_CODEPAGE sets (1250, utf-8), else the locale's as\n"
           "Wine has it (under the C locale 1252).\n"
           "\n"
           "Exit status: 0 printed (or, with --dry-run or --list, shown); 1 not printed\n"
           "because NAME is not in the names file or its line is in error; 2 no print\n"
           "was made (a file cannot be read, the printing service fails or refuses the\n"
           "job, the printer cannot take the trays as the line says, or a wrong\n"
           "command line).\n";
}

} // namespace kevo::tools
