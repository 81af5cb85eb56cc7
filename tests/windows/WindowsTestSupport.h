// SPDX-License-Identifier: Apache-2.0
#pragma once

// Helpers of the Windows test runner: temporary folders, its own path and
// the texts the system converts.

#include "ChildProcess.h"
#include "Files.h"

#include <string>
#include <vector>

namespace kevo::testing {

// The environment variable that makes the runner, started as a child, write
// the arguments that the program takes from the system (ProgramArguments:
// GetCommandLineW through our splitting) to the file it names, one per line
// in hexadecimal, and end.
inline constexpr const char* kPrintArgumentsVariable = "KEVO_PRINT_ARGUMENTS";

// The runner's side of that: 0 when written.
int PrintArguments(const std::string& file, int argc, const char* const* argv);

// A new empty folder under the system's temporary folder, removed with all
// it holds when the object goes.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    // The folder, without a trailing backslash.
    const std::string& Path() const { return path_; }
    // Path() + "\" + name.
    std::string File(const std::string& name) const;

private:
    std::string path_;
};

bool Exists(const std::string& path);

// Whole files and child processes are the test support's (tests/support).
using test::ReadBytes;
using test::RunProcess;
using test::WriteBytes;

// The running program's own path.
std::string OwnPath();

// Bytes shown readably in a test message: printable ASCII as it is, the rest
// as \xHH.
std::string Printable(const std::string& bytes);
// Each of the texts so.
std::vector<std::string> PrintableAll(const std::vector<std::string>& texts);

} // namespace kevo::testing
