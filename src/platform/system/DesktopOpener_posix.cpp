// SPDX-License-Identifier: Apache-2.0
#include "platform/system/DesktopOpener.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>

extern char** environ;

namespace kevo::platform {
namespace {

// Everything posix_spawn needs, released in every case.
class SpawnSetup {
public:
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions_);
        posix_spawnattr_init(&attributes_);
    }
    ~SpawnSetup() {
        posix_spawnattr_destroy(&attributes_);
        posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // The opener reads nothing, starts with no signal blocked, and with the
    // signals this program may ignore or catch back at their defaults.
    int Prepare() {
        if (int error =
                posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0))
            return error;
        sigset_t none;
        sigemptyset(&none);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (const int signal : {SIGPIPE, SIGCHLD, SIGINT, SIGQUIT, SIGTERM, SIGHUP})
            sigaddset(&defaults, signal);
        short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#ifdef POSIX_SPAWN_SETSID
        flags |= POSIX_SPAWN_SETSID;
#endif
        if (int error = posix_spawnattr_setsigmask(&attributes_, &none))
            return error;
        if (int error = posix_spawnattr_setsigdefault(&attributes_, &defaults))
            return error;
        return posix_spawnattr_setflags(&attributes_, flags);
    }

    const posix_spawn_file_actions_t* Actions() const {
        return &actions_;
    }
    const posix_spawnattr_t* Attributes() const {
        return &attributes_;
    }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

OpenOutcome OutcomeOf(int status) {
    if (WIFEXITED(status)) {
        const int code = WEXITSTATUS(status);
        return code == 0 ? OpenOutcome::Opened() : OpenOutcome::ExitedWith(code);
    }
    if (WIFSIGNALED(status))
        return OpenOutcome::KilledBy(WTERMSIG(status));
    return OpenOutcome::Opened();
}

void WaitForEnd(pid_t pid, const std::shared_ptr<OpenRequest>& request) {
    int status = 0;
    pid_t result = 0;
    do {
        result = waitpid(pid, &status, 0);
    } while (result == -1 && errno == EINTR);
    // ECHILD: something else reaped the opener (SIGCHLD ignored); its result
    // is unknown, and no failure is claimed.
    request->Finish(result == pid ? OutcomeOf(status) : OpenOutcome::Opened());
}

} // namespace

std::shared_ptr<OpenRequest> XdgOpener::Open(const std::string& target) {
    auto request = std::make_shared<OpenRequest>();
    SpawnSetup setup;
    if (const int error = setup.Prepare()) {
        request->Finish(OpenOutcome::NotStarted(error));
        return request;
    }
    std::string program = program_;
    std::string argument = target;
    char* const argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    const bool searchPath = program_.find('/') == std::string::npos;
    const int error = searchPath ? posix_spawnp(&pid, program.c_str(), setup.Actions(),
                                                setup.Attributes(), argv, environ)
                                 : posix_spawn(&pid, program.c_str(), setup.Actions(),
                                               setup.Attributes(), argv, environ);
    if (error != 0) {
        request->Finish(OpenOutcome::NotStarted(error));
        return request;
    }
    try {
        std::thread(WaitForEnd, pid, request).detach();
    } catch (const std::system_error&) {
        // No thread to wait with: the opener has started, and its end goes
        // unobserved.
        request->Finish(OpenOutcome::Opened());
    }
    return request;
}

DesktopOpener& SystemOpener() {
    static XdgOpener opener;
    return opener;
}

} // namespace kevo::platform
