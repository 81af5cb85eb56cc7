// SPDX-License-Identifier: Apache-2.0
#include "ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kevo::test {
namespace fs = std::filesystem;

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1 << 30));
}

std::string ExitInfo::Describe() const {
    if (exited)
        return "exit status " + std::to_string(code);
    return std::string("killed by signal ") + std::to_string(code) + " (" + strsignal(code) + ")";
}

std::string FindProgram(const std::string& name, const std::string& moreFolders) {
    if (name.find('/') != std::string::npos)
        return name;
    const char* path = std::getenv("PATH");
    std::istringstream folders(std::string(path != nullptr ? path : "/usr/bin:/bin") +
                               (moreFolders.empty() ? "" : ":" + moreFolders));
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const fs::path candidate = fs::path(folder.empty() ? "." : folder) / name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    }
    return name;
}

namespace {

// The environment of the child: ours with the requested changes.
std::vector<std::string>
ChildEnvironment(const std::map<std::string, std::optional<std::string>>& changes) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        if (changes.count(name) == 0)
            result.push_back(text);
    }
    for (const auto& [name, value] : changes) {
        if (value)
            result.push_back(name + "=" + *value);
    }
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> result;
    for (std::string& text : texts)
        result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

void CloseIfOpen(int& fd) {
    if (fd >= 0)
        close(fd);
    fd = -1;
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const SpawnOptions& options) {
    if (argv.empty())
        throw std::invalid_argument("ChildProcess: no program");
    name_ = fs::path(argv[0]).filename().string();

    // Everything the child needs is prepared here: between fork and exec it
    // may call only async-signal-safe functions.
    std::vector<std::string> args = argv;
    args[0] = FindProgram(argv[0]);
    std::vector<std::string> env = ChildEnvironment(options.environment);
    std::vector<char*> argPointers = Pointers(args);
    std::vector<char*> envPointers = Pointers(env);

    const int output =
        options.outputFile.empty()
            ? open("/dev/null", O_WRONLY | O_CLOEXEC)
            : open(options.outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (output < 0)
        throw std::runtime_error("cannot open " + options.outputFile.string());
    const int nullInput = open("/dev/null", O_RDONLY | O_CLOEXEC);
    int inputPipe[2] = {-1, -1};
    int outputPipe[2] = {-1, -1};
    int errorPipe[2] = {-1, -1};
    const bool pipeError = options.error == ErrorOutput::Pipe;
    if ((options.inputPipe && pipe2(inputPipe, O_CLOEXEC) != 0) ||
        (options.outputPipe && pipe2(outputPipe, O_CLOEXEC) != 0) ||
        (pipeError && pipe2(errorPipe, O_CLOEXEC) != 0)) {
        throw std::runtime_error("cannot create a pipe");
    }
    const int standardOutput = options.outputPipe ? outputPipe[1] : output;
    int standardError = -1; // ErrorOutput::Inherited: left as it is
    if (options.error == ErrorOutput::OutputFile)
        standardError = output;
    else if (options.error == ErrorOutput::WithOutput)
        standardError = standardOutput;
    else if (pipeError)
        standardError = errorPipe[1];

    const pid_t parent = getpid();
    startTime_ = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        // It must not outlive the test, whatever happens to the test.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        dup2(options.inputPipe ? inputPipe[0] : nullInput, 0);
        dup2(standardOutput, 1);
        if (standardError >= 0)
            dup2(standardError, 2);
        if (options.passAsFd3 >= 0)
            dup2(options.passAsFd3, 3); // dup2 clears close-on-exec on the copy
        execve(argPointers[0], argPointers.data(), envPointers.data());
        _exit(127);
    }
    const int forkError = errno;
    close(output);
    close(nullInput);
    CloseIfOpen(inputPipe[0]);
    CloseIfOpen(outputPipe[1]);
    CloseIfOpen(errorPipe[1]);
    if (pid < 0) {
        CloseIfOpen(inputPipe[1]);
        CloseIfOpen(outputPipe[0]);
        CloseIfOpen(errorPipe[0]);
        throw std::runtime_error("cannot start " + args[0] + ": " + std::strerror(forkError));
    }
    pid_ = pid;
    inputFd_ = inputPipe[1];
    outputFd_ = outputPipe[0];
    errorFd_ = errorPipe[0];
    // A descriptor that becomes readable when the child ends, where the
    // kernel has them; otherwise waiting falls back to short polls.
    pidFd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
}

ChildProcess::~ChildProcess() {
    Release();
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept {
    *this = std::move(other);
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        Release();
        pid_ = std::exchange(other.pid_, -1);
        pidFd_ = std::exchange(other.pidFd_, -1);
        inputFd_ = std::exchange(other.inputFd_, -1);
        outputFd_ = std::exchange(other.outputFd_, -1);
        errorFd_ = std::exchange(other.errorFd_, -1);
        pendingOutput_ = std::move(other.pendingOutput_);
        name_ = std::move(other.name_);
        startTime_ = other.startTime_;
        exit_ = std::move(other.exit_);
    }
    return *this;
}

void ChildProcess::Release() {
    if (pid_ > 0)
        Stop();
    CloseIfOpen(pidFd_);
    CloseIfOpen(inputFd_);
    CloseIfOpen(outputFd_);
    CloseIfOpen(errorFd_);
    pid_ = -1;
}

bool ChildProcess::HasExited() {
    if (exit_)
        return true;
    if (pid_ <= 0)
        return false;
    int status = 0;
    rusage usage{};
    const pid_t got = wait4(pid_, &status, WNOHANG, &usage);
    if (got != pid_)
        return false;
    ExitInfo info;
    info.exited = WIFEXITED(status);
    info.code = info.exited ? WEXITSTATUS(status) : WTERMSIG(status);
    info.usage = usage;
    exit_ = info;
    return true;
}

bool ChildProcess::WaitForExit(Clock::time_point deadline) {
    while (!HasExited()) {
        const int left = RemainingMs(deadline);
        if (left == 0)
            return false;
        if (pidFd_ >= 0) {
            pollfd ended{pidFd_, POLLIN, 0};
            poll(&ended, 1, left);
        } else {
            poll(nullptr, 0, std::min(left, 5));
        }
    }
    return true;
}

void ChildProcess::Stop(std::chrono::milliseconds grace) {
    if (pid_ <= 0 || HasExited())
        return;
    kill(pid_, SIGTERM);
    if (!WaitForExit(Clock::now() + grace)) {
        kill(pid_, SIGKILL);
        WaitForExit(Clock::now() + std::chrono::seconds(10));
    }
}

std::optional<std::string> ChildProcess::ReadLine(Clock::time_point deadline) {
    while (true) {
        const auto end = pendingOutput_.find('\n');
        if (end != std::string::npos) {
            std::string line = pendingOutput_.substr(0, end);
            pendingOutput_.erase(0, end + 1);
            return line;
        }
        if (outputFd_ < 0)
            return std::nullopt;
        pollfd readable{outputFd_, POLLIN, 0};
        const int left = RemainingMs(deadline);
        if (left == 0 || poll(&readable, 1, left) <= 0)
            return std::nullopt;
        char buffer[512];
        const ssize_t got = read(outputFd_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            CloseIfOpen(outputFd_);
            continue;
        }
        pendingOutput_.append(buffer, static_cast<std::size_t>(got));
    }
}

void ChildProcess::Kill() {
    if (pid_ <= 0 || HasExited())
        return;
    kill(pid_, SIGKILL);
    WaitForExit(Clock::now() + std::chrono::seconds(10));
}

bool ChildProcess::ReadToEnd(Clock::time_point deadline, std::string& output, std::string& error) {
    output += std::exchange(pendingOutput_, {});
    int* const fds[2] = {&outputFd_, &errorFd_};
    std::string* const sinks[2] = {&output, &error};
    while (outputFd_ >= 0 || errorFd_ >= 0) {
        pollfd readable[2] = {{outputFd_, POLLIN, 0}, {errorFd_, POLLIN, 0}};
        const int left = RemainingMs(deadline);
        if (left == 0)
            return false;
        const int ready = poll(readable, 2, left);
        if (ready < 0 && errno != EINTR)
            return false;
        for (int i = 0; i < 2 && ready > 0; ++i) {
            if (*fds[i] < 0 || (readable[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0)
                continue;
            char buffer[4096];
            const ssize_t got = read(*fds[i], buffer, sizeof buffer);
            if (got > 0)
                sinks[i]->append(buffer, static_cast<std::size_t>(got));
            else if (got == 0 || errno != EINTR)
                CloseIfOpen(*fds[i]);
        }
    }
    return true;
}

void ChildProcess::CloseInput() {
    CloseIfOpen(inputFd_);
}

ToolRun RunToEnd(const std::vector<std::string>& argv, SpawnOptions options,
                 std::chrono::milliseconds limit) {
    options.outputPipe = true;
    if (options.error != ErrorOutput::WithOutput)
        options.error = ErrorOutput::Pipe;
    const auto deadline = Clock::now() + limit;
    ChildProcess child(argv, options);
    ToolRun run;
    if (!child.ReadToEnd(deadline, run.out, run.err) || !child.WaitForExit(deadline)) {
        run.timedOut = true;
        child.Kill();
        return run;
    }
    if (child.Exit()->exited)
        run.exitCode = child.Exit()->code;
    return run;
}

ToolRun RunTool(const std::string& program, const std::vector<std::string>& arguments,
                const std::map<std::string, std::optional<std::string>>& environment,
                std::chrono::milliseconds limit) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    SpawnOptions options;
    options.environment = environment;
    return RunToEnd(argv, options, limit);
}

} // namespace kevo::test
