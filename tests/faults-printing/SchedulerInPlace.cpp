// SPDX-License-Identifier: Apache-2.0
#include "SchedulerInPlace.h"

#include "Files.h"

#include <cups/cups.h>

#include <filesystem>

#include <csignal>
#include <poll.h>

namespace kevo::faults {

SchedulerRestartedInPlace::SchedulerRestartedInPlace(test::PrivateScheduler& scheduler)
    : port_(scheduler.Port()) {
    const std::filesystem::path output = scheduler.Folder() / "log" / "cupsd-in-place.out";
    scheduler.Stop();
    // The configuration names the port; cupsd listens with SO_REUSEADDR, so
    // the connections the old one closed do not keep it off the port.
    cupsd_ = scheduler.LaunchCupsd(output);
    const auto deadline = test::Clock::now() + std::chrono::seconds(15);
    while (!test::SchedulerAnswers(port_)) {
        if (cupsd_.HasExited() || test::Clock::now() >= deadline) {
            throw test::SchedulerError("the scheduler did not come back on port " +
                                       std::to_string(port_) + ": " + test::FileTail(output));
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
