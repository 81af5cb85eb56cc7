// SPDX-License-Identifier: Apache-2.0
#pragma once

// Runs a companion command as a child process and collects what it wrote to
// standard output and standard error, each on its own.

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kevo::test {

struct ToolRun {
    int exitCode = -1; // -1: killed by a signal or by the time limit
    bool timedOut = false;
    std::string out;
    std::string err;
};

// Runs program (a path) with the arguments and this process's environment,
// changed by environment: a value sets the variable, nullopt removes it.
// Waits at most limit; a command still running then is killed.
ToolRun RunTool(const std::string& program, const std::vector<std::string>& arguments,
                const std::map<std::string, std::optional<std::string>>& environment = {},
                std::chrono::milliseconds limit = std::chrono::seconds(60));

} // namespace kevo::test
