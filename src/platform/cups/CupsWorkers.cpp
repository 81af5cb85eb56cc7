// SPDX-License-Identifier: Apache-2.0
#include "platform/cups/CupsWorkers.h"

#include <system_error>
#include <utility>

namespace kevo::platform {

CupsWorkers::CupsWorkers(std::string server, int port, std::chrono::milliseconds timeout)
    : server_(std::move(server)), port_(port), timeout_(timeout) {}

CupsWorkers::~CupsWorkers() {
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
        threads = std::move(threads_);
    }
    work_.notify_all();
    for (std::thread& thread : threads)
        thread.join();
}

void CupsWorkers::Grow(int count) {
    std::lock_guard lock(mutex_);
    try {
        while (!stopping_ && static_cast<int>(threads_.size()) < count)
            threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
        // No more threads to be had: those there are do the work.
    }
}

int CupsWorkers::Count() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(threads_.size());
}

void CupsWorkers::Post(Job job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    work_.notify_one();
}

void CupsWorkers::RunAll(std::vector<Job> jobs, CupsConnection* own) {
    std::size_t left = jobs.size();
    {
        std::lock_guard lock(mutex_);
        for (Job& job : jobs) {
            jobs_.push_back([this, &left, job = std::move(job)](CupsConnection& connection) {
                try {
                    job(connection);
                } catch (...) {
                    // What the job did not finish is asked again the usual way.
                }
                std::lock_guard finished(mutex_);
                --left;
                done_.notify_all();
            });
        }
    }
    work_.notify_all();
    std::unique_lock lock(mutex_);
    while (own != nullptr && !jobs_.empty()) {
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        job(*own);
        lock.lock();
    }
    done_.wait(lock, [&] { return left == 0; });
    // Every worker lets its connection go before the caller goes on: a
    // scheduler that limits the connections of one client must have room
    // for the service's own again. A worker held up elsewhere is not waited
    // for longer than a request may take.
    ++release_;
    released_ = 0;
    const std::size_t workers = threads_.size();
    work_.notify_all();
    done_.wait_for(lock, timeout_, [&] { return released_ >= workers; });
}

void CupsWorkers::Work() {
    CupsConnection connection(server_, port_, timeout_);
    // What a worker fails to get is asked again over the service's own
    // connection; a scheduler that refuses this one would go on refusing.
    connection.AskAgainWhenDropped(false);
    std::unique_lock lock(mutex_);
    // Taken before connecting, so that a release that comes meanwhile
    // closes this connection too.
    int release = release_;
    lock.unlock();
    connection.Open();
    int epoch = epoch_;
    lock.lock();
    for (;;) {
        work_.wait(lock, [&] { return stopping_ || !jobs_.empty() || release != release_; });
        if (stopping_)
            return;
        if (jobs_.empty()) {
            release = release_;
            lock.unlock();
            connection.Close();
            lock.lock();
            ++released_;
            done_.notify_all();
            continue;
        }
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        if (epoch != epoch_) {
            epoch = epoch_;
            connection.Retry();
        }
        job(connection); // connects again after a release
        lock.lock();
    }
}

} // namespace kevo::platform
