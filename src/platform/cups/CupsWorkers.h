// SPDX-License-Identifier: Apache-2.0
#pragma once

// Threads that ask the scheduler side by side, each over a connection of its
// own. libcups keeps state per thread (the server, the password callback,
// the last error), so each connection is made and used in its own thread
// only, to the address that the thread creating the workers resolved, and
// each worker thread sets its own password callback (CupsConnection does
// when it connects).
//
// Workers are started on demand, up to a fixed number, and connect as they
// start, so that their first questions do not wait for it. Once RunAll's
// jobs are done every worker closes its connection (and connects again for
// its next job): after a burst of questions the service's own connection is
// the only one that the scheduler counts, as a scheduler may limit the
// connections of one client. Each connection waits no longer than the
// request timeout, as the service's own does.

#include "platform/cups/CupsConnection.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kevo::platform {

class CupsWorkers {
public:
    using Job = std::function<void(CupsConnection&)>;

    CupsWorkers(std::string server, int port, std::chrono::milliseconds timeout);
    // Jobs not begun are dropped; those begun end within their timeout.
    ~CupsWorkers();

    CupsWorkers(const CupsWorkers&) = delete;
    CupsWorkers& operator=(const CupsWorkers&) = delete;

    // Starts workers until there are `count` (never fewer than there are,
    // and fewer when the system has no more threads to give); each connects
    // at once, before it is given a job. Any thread may ask.
    void Grow(int count);
    int Count() const;

    // Queues a job for the next free worker.
    void Post(Job job);

    // Runs the jobs on the workers and returns once every one has run and
    // the workers have closed their connections. Needs at least one worker.
    // With the caller's own connection given, the calling thread takes jobs
    // too, over it.
    void RunAll(std::vector<Job> jobs, CupsConnection* own = nullptr);

    // A new command of the user's: every worker's connection tries a
    // given-up scheduler again before its next job.
    void Retry() { ++epoch_; }

private:
    void Work();

    const std::string server_;
    const int port_;
    const std::chrono::milliseconds timeout_;
    mutable std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable done_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    std::atomic<int> epoch_{0};
    // Counts RunAll's requests that the workers close their connections,
    // and the workers that have closed since the last.
    int release_ = 0;
    std::size_t released_ = 0;
    std::vector<std::thread> threads_;
};

} // namespace kevo::platform
