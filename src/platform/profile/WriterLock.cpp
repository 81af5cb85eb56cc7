// SPDX-License-Identifier: Apache-2.0
#include "platform/profile/WriterLock.h"

#include "platform/profile/FileSystem.h"

#include <atomic>
#include <thread>

namespace kevo::platform {

namespace {

using Clock = std::chrono::steady_clock;

// Two polls of a writer that waits for the lock (WriterLock_*.cpp).
constexpr auto kTurn = std::chrono::milliseconds(10);

// When this process last let go of a lock (steady clock ticks).
std::atomic<Clock::rep> lastRelease{Clock::time_point::min().time_since_epoch().count()};

} // namespace

void WriterLock::GiveWay() {
    const Clock::time_point released{Clock::duration(lastRelease.load())};
    if (Clock::now() < released + kTurn)
        std::this_thread::sleep_until(released + kTurn);
}

void WriterLock::Released() {
    lastRelease.store(Clock::now().time_since_epoch().count());
}

std::string WriterLock::LockFilePath(const std::string& path) {
    const std::size_t separator = FolderSeparatorPosition(path);
    const std::size_t start = separator == std::string::npos ? 0 : separator + 1;
    return path.substr(0, start) + "." + path.substr(start) + ".kevo-lock";
}

} // namespace kevo::platform
