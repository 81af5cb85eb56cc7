// SPDX-License-Identifier: Apache-2.0
#pragma once

// Programs that the tests start: the one place a test runs a child process.
//
// POSIX systems (ChildProcess_posix.cpp): ChildProcess, a program that runs
// beside the test (the X server, the window manager, a scheduler, KevoConf
// itself), and RunTool / RunToEnd, a command run to its end with what it
// wrote. A child ends with the test process even when that crashes (it gets
// SIGKILL when the thread that started it dies), and the object kills and
// reaps it when it goes away, so that a failing test never leaves a process
// behind.
//
// Windows (ChildProcess_win.cpp): RunProcess, a command line run to its end.

#include <chrono>
#include <string>

#ifdef _WIN32

namespace kevo::test {

// Runs program with the whole command line given (UTF-8, through
// CreateProcessW) and waits for it, at most timeoutMs; its exit code, or -1
// when it could not be started or did not end in time (said on standard
// error).
int RunProcess(const std::string& program, const std::string& commandLine, int timeoutMs);

} // namespace kevo::test

#else

#include <filesystem>
#include <map>
#include <optional>
#include <vector>

#include <sys/resource.h>
#include <sys/types.h>

namespace kevo::test {

using Clock = std::chrono::steady_clock;

// Milliseconds left until a deadline, never negative.
int RemainingMs(Clock::time_point deadline);

// Where a child's standard error goes.
enum class ErrorOutput {
    OutputFile, // to the output file, with standard output unless that is piped
    Pipe,       // through a pipe of its own (ReadToEnd)
    WithOutput, // wherever its standard output goes
    Inherited,  // to this process's standard error
};

struct SpawnOptions {
    // Environment changes on top of this process's environment: a value
    // sets the variable, std::nullopt removes it.
    std::map<std::string, std::optional<std::string>> environment;
    // Where standard output and standard error go (appended); /dev/null when
    // empty.
    std::filesystem::path outputFile;
    // Give the child a pipe as standard input (kept open until the object
    // goes or CloseInput()), else /dev/null.
    bool inputPipe = false;
    // Read the child's standard output through a pipe (ReadLine, ReadToEnd)
    // instead of the output file.
    bool outputPipe = false;
    ErrorOutput error = ErrorOutput::OutputFile;
    // A descriptor of this process handed to the child as its descriptor 3.
    int passAsFd3 = -1;
};

// How a finished child ended.
struct ExitInfo {
    bool exited = false; // ended by exit(); else by a signal
    int code = -1;       // exit status, or the signal's number
    rusage usage{};      // its resource use (ru_maxrss: peak memory in KiB)

    std::string Describe() const;
};

class ChildProcess {
public:
    ChildProcess() = default;
    // Starts argv[0], looked up on PATH (FindProgram).
    ChildProcess(const std::vector<std::string>& argv, const SpawnOptions& options);
    ~ChildProcess();

    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }
    bool Started() const { return pid_ > 0; }
    const std::string& Name() const { return name_; }
    Clock::time_point StartTime() const { return startTime_; }

    // Whether it has ended; reaps it when it has. Never blocks.
    bool HasExited();
    // The end, once HasExited() or WaitForExit() saw it.
    const std::optional<ExitInfo>& Exit() const { return exit_; }
    // Waits until it ends or the deadline passes; true when it ended.
    bool WaitForExit(Clock::time_point deadline);
    // Ends it: SIGTERM, and SIGKILL when it has not gone after `grace`.
    void Stop(std::chrono::milliseconds grace = std::chrono::milliseconds(2000));
    // Ends it at once with SIGKILL and reaps it; Exit() then says whether
    // the signal ended it or it had ended by itself.
    void Kill();

    // One line of its standard output (without the line end), or nullopt
    // when none came before the deadline or the output closed.
    std::optional<std::string> ReadLine(Clock::time_point deadline);
    // Everything it writes to its piped standard output and standard error
    // until it closes both; false when the deadline came first.
    bool ReadToEnd(Clock::time_point deadline, std::string& output, std::string& error);
    void CloseInput();

private:
    void Release();

    pid_t pid_ = -1;
    int pidFd_ = -1;
    int inputFd_ = -1;
    int outputFd_ = -1;
    int errorFd_ = -1;
    std::string pendingOutput_;
    std::string name_;
    Clock::time_point startTime_{};
    std::optional<ExitInfo> exit_;
};

// What a command run to its end wrote, and how it ended.
struct ToolRun {
    int exitCode = -1; // -1: killed by a signal or by the time limit
    bool timedOut = false;
    std::string out;
    std::string err; // empty when it went with the output
};

// Runs argv (argv[0] looked up on PATH) with the options' environment and
// collects its standard output, and its standard error apart unless the
// options send it with the output. Waits at most limit; a command still
// running then is killed.
ToolRun RunToEnd(const std::vector<std::string>& argv, SpawnOptions options,
                 std::chrono::milliseconds limit);

// A companion command: program (a path) with the arguments and this
// process's environment changed by environment, standard output and error
// each on its own.
ToolRun RunTool(const std::string& program, const std::vector<std::string>& arguments,
                const std::map<std::string, std::optional<std::string>>& environment = {},
                std::chrono::milliseconds limit = std::chrono::seconds(60));

// The path of a program on PATH, then in moreFolders (folders separated by
// ':'), or the name itself when it is not found (exec then fails and the
// child ends with status 127). A name with a '/' is taken as it is.
std::string FindProgram(const std::string& name, const std::string& moreFolders = {});

} // namespace kevo::test

#endif
