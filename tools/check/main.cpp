// SPDX-License-Identifier: Apache-2.0
// kevoconf-check: the start-up check of KevoConf without a window, for
// scripts and monitoring. It runs the program's own loading and check code
// and never writes the setup file.

#include "check/CheckCommandLine.h"
#include "check/CheckReport.h"
#include "check/HeadlessCheck.h"
#include "check/RepairRun.h"
#include "common/TextOutput.h"
#include "common/ToolVersion.h"

#include "platform/SystemPaths.h"

#include <chrono>
#include <filesystem>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif
#include <iostream>

namespace {

// The path (UTF-8 on Windows, bytes here) as an absolute one, without "."
// and ".." steps; as given when the current folder cannot be had.
std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute =
        std::filesystem::absolute(std::u8string(path.begin(), path.end()), error);
    if (error)
        return path;
    const std::u8string text = absolute.lexically_normal().u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

int main(int argc, char** argv) {
    using namespace kevo;
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const tools::CheckCommandLine line = tools::ParseCheckCommandLine(arguments);
    if (line.help) {
        tools::WriteOutput(tools::CheckUsage());
        return 0;
    }
    if (line.version) {
        tools::WriteOutput(tools::VersionLine("kevoconf-check"));
        return 0;
    }
    if (!line.error.empty()) {
        tools::WriteError(tools::WrongCommandLineText("kevoconf-check", line.error));
        return 2;
    }

    workspace::Workspace workspace = workspace::ThisMachine(false);
    if (line.repair) {
        const tools::RepairResult repair =
            tools::RunRepair(line.files, workspace, line.mapFile, line.printerMapFile, line.dryRun);
        tools::WriteError(tools::NoticesText(repair.check));
        if (!repair.failure.empty() && repair.check.failure.empty())
            tools::WriteError("kevoconf-check: " + repair.failure + "\n");
        if (line.format == tools::CheckCommandLine::Format::Json)
            std::cout << tools::RepairReportJson(repair);
        else
            tools::WriteOutput(tools::RepairReportText(repair));
        std::cout.flush();
        return std::cout ? tools::RepairExitStatus(repair) : 2;
    }
    tools::CheckResult result = tools::RunCheck(line.files, workspace);
    tools::AddUnprintableLines(result, workspace.Service());
    // A bare name may resolve to the configuration folder while a file of
    // that name lies here: a person reading the text is told which two files
    // were checked. Scripts read standard output, JSON and the Prometheus
    // gauges name the files already, and a timer's standard error goes to
    // its log, so this is for the text only.
    if (line.format == tools::CheckCommandLine::Format::Text &&
        result.outcome != tools::CheckResult::Outcome::Failed)
        tools::WriteError(tools::CheckedFilesText(AbsolutePath(result.namesFile),
                                                  AbsolutePath(result.setupFile)));
    tools::WriteError(tools::NoticesText(result));
    switch (line.format) {
    case tools::CheckCommandLine::Format::Text:
        tools::WriteOutput(tools::CheckReportText(result));
        break;
    case tools::CheckCommandLine::Format::Json:
        std::cout << tools::CheckReportJson(result); // UTF-8 in every locale
        break;
    case tools::CheckCommandLine::Format::Prometheus: {
#ifdef _WIN32
        // The exposition format ends its lines with \n alone: the text mode
        // of the standard output would make each one \r\n.
        std::cout.flush();
        _setmode(_fileno(stdout), _O_BINARY);
#endif
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        std::cout << tools::CheckReportPrometheus(
            result, std::chrono::duration_cast<std::chrono::seconds>(now).count(),
            platform::CurrentUserName());
        break;
    }
    }
    std::cout.flush();
    if (!std::cout) {
        tools::WriteError("kevoconf-check: the result could not be written\n");
        return 2;
    }
    return tools::ExitStatus(result);
}
