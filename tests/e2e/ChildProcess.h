// SPDX-License-Identifier: Apache-2.0
#pragma once

// A program started by the end-to-end tests: the X server, the window
// manager, the stand-in host window and KevoConf itself. The child ends with
// the test process even when that crashes (it gets SIGKILL when its parent
// thread dies), and the object kills and reaps it when it goes away, so that
// a failing test never leaves a process behind.

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/types.h>

namespace kevo::e2e {

using Clock = std::chrono::steady_clock;

// Milliseconds left until a deadline, never negative.
int RemainingMs(Clock::time_point deadline);

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
    // Read the child's standard output through a pipe (ReadLine) instead of
    // the output file; standard error still goes to the output file.
    bool outputPipe = false;
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

    // One line of its standard output (without the line end), or nullopt
    // when none came before the deadline or the output closed.
    std::optional<std::string> ReadLine(Clock::time_point deadline);
    void CloseInput();

private:
    void Release();

    pid_t pid_ = -1;
    int pidFd_ = -1;
    int inputFd_ = -1;
    int outputFd_ = -1;
    std::string pendingOutput_;
    std::string name_;
    Clock::time_point startTime_{};
    std::optional<ExitInfo> exit_;
};

// The path of a program on PATH, or the name itself when it is not found
// (exec then fails and the child ends with status 127).
std::string FindProgram(const std::string& name);

// The last `maxBytes` bytes of a file, for failure messages.
std::string FileTail(const std::filesystem::path& path, std::size_t maxBytes = 4000);

} // namespace kevo::e2e
