// SPDX-License-Identifier: Apache-2.0
#pragma once

// Restarts a private scheduler where it was: the same port, folders,
// printers and default. A restarted system scheduler comes back at its own
// address, and the connections that a client kept to the old one are
// closed, which is the fault a running program must survive.
//
// PrivateScheduler::Restart() cannot stand in for it: the old scheduler
// leaves its port held by the connections it closed (TIME_WAIT), so the
// restart takes a new port and points new clients there, and a program
// already running would never see the scheduler again.

#include "ChildProcess.h"
#include "PrivateScheduler.h"

namespace kevo::faults {

class SchedulerRestartedInPlace {
public:
    // Stops the scheduler and starts cupsd again from its configuration;
    // returns once it answers. Throws test::SchedulerError when it does not
    // come up within 15 s.
    explicit SchedulerRestartedInPlace(test::PrivateScheduler& scheduler);
    // Stops that cupsd. The PrivateScheduler stays stopped: Start() brings
    // it back under its own control.
    ~SchedulerRestartedInPlace();

    SchedulerRestartedInPlace(const SchedulerRestartedInPlace&) = delete;
    SchedulerRestartedInPlace& operator=(const SchedulerRestartedInPlace&) = delete;

private:
    int port_;
    test::ChildProcess cupsd_;
};

} // namespace kevo::faults
