// SPDX-License-Identifier: Apache-2.0
#include "check/CheckCommandLine.h"

#include <optional>
#include <utility>

namespace kevo::tools {

namespace {

std::optional<CheckCommandLine::Format> FormatNamed(const std::string& name) {
    if (name == "text")
        return CheckCommandLine::Format::Text;
    if (name == "json")
        return CheckCommandLine::Format::Json;
    if (name == "prometheus")
        return CheckCommandLine::Format::Prometheus;
    return std::nullopt;
}

// The option of a file that argument gives ("--map", "--map=FILE"), or
// nothing.
const char* FileOption(const std::string& argument) {
    for (const char* option : {"--map", "--printer-map"}) {
        const std::string name = option;
        if (argument == name || argument.starts_with(name + "="))
            return option;
    }
    return nullptr;
}

} // namespace

CheckCommandLine ParseCheckCommandLine(const std::vector<std::string>& arguments) {
    CheckCommandLine line;
    bool optionsEnded = false;
    const auto fail = [&line](std::string error) {
        if (line.error.empty())
            line.error = std::move(error);
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            if (argument == "--") {
                optionsEnded = true;
            } else if (argument == "--json") {
                line.format = CheckCommandLine::Format::Json;
            } else if (argument == "--format" || argument.starts_with("--format=")) {
                const bool separate = argument == "--format";
                if (separate && i + 1 == arguments.size()) {
                    fail("--format needs a value: text, json or prometheus");
                    continue;
                }
                const std::string name = separate ? arguments[++i] : argument.substr(9);
                if (const auto format = FormatNamed(name))
                    line.format = *format;
                else
                    fail("unknown format \"" + name + "\": give text, json or prometheus");
            } else if (argument == "--repair") {
                line.repair = true;
            } else if (argument == "--dry-run") {
                line.dryRun = true;
            } else if (const char* option = FileOption(argument)) {
                const std::string name = option;
                std::string& file = name == "--map" ? line.mapFile : line.printerMapFile;
                const bool separate = argument == name;
                if (separate && i + 1 == arguments.size()) {
                    fail(name + " needs a file");
                    continue;
                }
                file = separate ? arguments[++i] : argument.substr(name.size() + 1);
                if (file.empty())
                    fail(name + " needs a file");
            } else if (argument == "--help" || argument == "-h") {
                line.help = true;
            } else if (argument == "--version") {
                line.version = true;
            } else {
                fail("unknown option \"" + argument + "\"");
            }
            continue;
        }
        // The program cannot be given an empty argument; an empty file name
        // here is a mistake in the calling script.
        if (argument.empty()) {
            fail("empty file name");
            continue;
        }
        line.files.push_back(argument);
    }
    if (line.files.size() > 2)
        fail("too many files: give the names file and the setup file at most");
    if (!line.repair && (line.dryRun || !line.mapFile.empty() || !line.printerMapFile.empty()))
        fail(std::string(line.dryRun               ? "--dry-run"
                         : line.mapFile.empty() ? "--printer-map"
                                                : "--map") +
             " goes with --repair");
    if (line.repair && line.format == CheckCommandLine::Format::Prometheus)
        fail("--repair prints text or JSON");
    return line;
}

std::string CheckUsage() {
    return "Usage: kevoconf-check [--json | --format FORMAT] [NAMES-FILE [SETUP-FILE]]\n"
           "       kevoconf-check --repair [--map FILE] [--printer-map FILE] [--dry-run] [--json]\n"
           "                      [NAMES-FILE [SETUP-FILE]]\n"
           "       kevoconf-check --help | --version\n"
           "\n"
           "Checks the printer setup as KevoConf does at start-up, without a window:\n"
           "loads the names file and the setup file, compares every line with the\n"
           "installed printers, ports, drivers and paper bins, and prints one row\n"
           "per line in error (line, name, error tokens) and the number of lines in\n"
           "error. Nothing is written but by --repair.\n"
           "\n"
           "  --json     print the same as one JSON document (see kevoconf-check(1))\n"
           "  --format FORMAT\n"
           "             text (the default), json (as --json), or prometheus: the\n"
           "             node exporter's textfile format, for monitoring\n"
           "  --repair   after a driver change: find each line's two bins on its\n"
           "             printer as it is now and write their new names and numbers\n"
           "             and the new driver into the setup file (and the printer and\n"
           "             port of a printer that moved; nothing else); print what\n"
           "             changed and what was left, and why\n"
           "  --map FILE with --repair: the administrator's bin mappings\n"
           "             (OLD BIN NAME = NEW BIN NAME, under [PRINTER] or for all)\n"
           "  --printer-map FILE\n"
           "             with --repair: the administrator's printer mappings for\n"
           "             printers that moved (OLD PRINTER = NEW PRINTER, or a whole\n"
           "             server \\\\OLD\\* = \\\\NEW\\*); a printer that is not installed\n"
           "             is found by them, then by its port (CUPS device URIs),\n"
           "             then by its queue name on another server\n"
           "  --dry-run  with --repair: print the plan, write nothing\n"
           "  --help     print this help and end\n"
           "  --version  print the version and end\n"
           "\n"
           "NAMES-FILE defaults to KevoName.txt and SETUP-FILE to Vezerava.ini. A name\n"
           "without \"/\" is looked for as the program does: the names file beside the\n"
           "program, else in the configuration folder ($XDG_CONFIG_HOME/kevoconf,\n"
           "normally ~/.config/kevoconf); the setup file always in the configuration\n"
           "folder. KEVOCONF_SIMULATED_PRINTERS names a file of simulated printers to\n"
           "check against instead of the machine's. KEVOCONF_CODEPAGE (1250, utf-8)\n"
           "sets the code page of the files; without it, the locale's as Wine has it\n"
           "(under the C locale 1252).\n"
           "\n"
           "Messages the program would show go to standard error, in its own words;\n"
           "a question is answered No.\n"
           "\n"
           "Exit status: 0 no line in error; 1 lines in error (also when the setup\n"
           "file is missing or no default printer is set: every named line then\n"
           "lacks its printer); 2 no check was made (names file missing, empty or\n"
           "unreadable, setup file unreadable, printers not available, a printer\n"
           "failing during the check, or a wrong command line). With --repair: 0 no\n"
           "line in error once repaired, 1 lines remain in error, 2 no check, no\n"
           "plan or no write (also with --dry-run, as if written).\n";
}

} // namespace kevo::tools
