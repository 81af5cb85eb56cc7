// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kevo::platform {

// What became of a request to open a web address or an e-mail address.
struct OpenOutcome {
    enum class State {
        Running,    // the opener has started and has not ended yet
        Opened,     // the opener ended with success
        NotStarted, // the opener could not be started; error holds the errno
        Failed,     // the opener ended with a failure: exitStatus, or signal
        Refused,    // the Windows shell refused; shellResult holds its answer
    };
    State state = State::Running;
    int error = 0;       // NotStarted: the errno of starting it
    int exitStatus = 0;  // Failed: the opener's exit status (0 when a signal ended it)
    int signal = 0;      // Failed: the signal that ended it, else 0
    int shellResult = 0; // Refused: the shell's result, 0 to 32

    static OpenOutcome Opened() { return {State::Opened, 0, 0, 0, 0}; }
    static OpenOutcome NotStarted(int error) { return {State::NotStarted, error, 0, 0, 0}; }
    static OpenOutcome ExitedWith(int status) { return {State::Failed, 0, status, 0, 0}; }
    static OpenOutcome KilledBy(int signal) { return {State::Failed, 0, 0, signal, 0}; }
    static OpenOutcome RefusedByShell(int result) { return {State::Refused, 0, 0, 0, result}; }

    bool operator==(const OpenOutcome&) const = default;
};

// One request handed to the desktop. Its outcome is set once, possibly from
// another thread, and can be read at any time without waiting.
class OpenRequest {
public:
    OpenRequest() = default;
    explicit OpenRequest(OpenOutcome outcome) : outcome_(outcome) {}

    OpenOutcome Outcome() const;
    // Waits at most timeout for the request to end; gives the outcome then
    // (Running if it has not ended).
    OpenOutcome WaitFor(std::chrono::milliseconds timeout) const;
    // Sets the outcome; the first outcome other than Running counts.
    void Finish(OpenOutcome outcome);

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable ended_;
    OpenOutcome outcome_;
};

// The desktop's "open" of a web address ("http://...") or an e-mail address
// ("mailto:..."). Opening never waits for the opener to end: the caller
// looks at the request's outcome when it likes.
class DesktopOpener {
public:
    virtual ~DesktopOpener() = default;
    virtual std::shared_ptr<OpenRequest> Open(const std::string& target) = 0;
};

// The freedesktop opener, xdg-open (POSIX systems), started as a process of its own: the
// target is its single argument (no shell is involved), its input is
// /dev/null, it runs in a session of its own so that signals meant for this
// program's terminal do not reach the browser it starts, and a thread waits
// for its end so that it never stays behind as a zombie.
//
// Failures: a missing, unreadable or unrunnable opener is reported at once
// (NotStarted with the errno of starting it: ENOENT when there is no
// xdg-open); a started opener that ends with a non-zero status (xdg-open: 1
// bad arguments, 2 target not found, 3 no program to open it with, 4 the
// action failed) or by a signal is reported as Failed when it ends.
class XdgOpener : public DesktopOpener {
public:
    // program: a name looked up in PATH, or a path.
    explicit XdgOpener(std::string program = "xdg-open") : program_(std::move(program)) {}
    std::shared_ptr<OpenRequest> Open(const std::string& target) override;

private:
    std::string program_;
};

// The Windows shell's "open" (Windows only): ShellExecuteW with the verb
// "open", no parameters, no working folder and the show command "normal".
// The shell answers at once: a result above 32 is Opened, any other is
// Refused with that result.
class ShellOpener : public DesktopOpener {
public:
    std::shared_ptr<OpenRequest> Open(const std::string& target) override;
};

// This system's opener: xdg-open on POSIX systems, the shell on Windows.
DesktopOpener& SystemOpener();

// A stand-in for the desktop: remembers every target and ends each request
// with the next outcome of its script (Opened when the script is empty). A
// request scripted as Running stays so until the test finishes it.
class SimulatedOpener : public DesktopOpener {
public:
    void AnswerNext(OpenOutcome outcome) { script_.push_back(outcome); }
    std::shared_ptr<OpenRequest> Open(const std::string& target) override;

    const std::vector<std::string>& Targets() const { return targets_; }
    std::shared_ptr<OpenRequest> LastRequest() const { return last_; }

private:
    std::deque<OpenOutcome> script_;
    std::vector<std::string> targets_;
    std::shared_ptr<OpenRequest> last_;
};

} // namespace kevo::platform
