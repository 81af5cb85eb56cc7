// SPDX-License-Identifier: Apache-2.0
#include "SchedulerInPlace.h"

#include <cups/cups.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kevo::faults {

namespace {

namespace fs = std::filesystem;

std::string Cupsd() {
    if (const char* chosen = std::getenv("KEVO_CUPSD"); chosen != nullptr && *chosen != '\0')
        return chosen;
    const std::string found = e2e::FindProgram("cupsd");
    return found.find('/') != std::string::npos ? found : "/usr/sbin/cupsd";
}

} // namespace

SchedulerRestartedInPlace::SchedulerRestartedInPlace(test::PrivateScheduler& scheduler)
    : port_(scheduler.Port()) {
    const fs::path etc = scheduler.Folder() / "etc";
    scheduler.Stop();
    // The configuration names the port; cupsd listens with SO_REUSEADDR, so
    // the connections the old one closed do not keep it off the port.
    e2e::SpawnOptions options;
    options.outputFile = scheduler.Folder() / "log" / "cupsd-in-place.out";
    cupsd_ = e2e::ChildProcess({Cupsd(), "-f", "-c", (etc / "cupsd.conf").string(), "-s",
                                (etc / "cups-files.conf").string()},
                               options);
    const auto deadline = e2e::Clock::now() + std::chrono::seconds(15);
    while (!test::SchedulerAnswers(port_)) {
        if (cupsd_.HasExited() || e2e::Clock::now() >= deadline) {
            throw test::SchedulerError("the scheduler did not come back on port " +
                                       std::to_string(port_) + ": " +
                                       e2e::FileTail(options.outputFile));
        }
        poll(nullptr, 0, 10); // look again shortly
    }
}

SchedulerRestartedInPlace::~SchedulerRestartedInPlace() {
    if (cupsd_.Started() && !cupsd_.HasExited()) {
        kill(cupsd_.Pid(), SIGCONT);
        kill(cupsd_.Pid(), SIGTERM);
        test::Knock(port_);
    }
    cupsd_.Stop();
}

} // namespace kevo::faults
