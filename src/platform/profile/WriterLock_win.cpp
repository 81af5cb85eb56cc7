// SPDX-License-Identifier: Apache-2.0
#include "platform/profile/WriterLock.h"

#include "platform/text/WideText.h"

#include <thread>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace kevo::platform {

namespace {

constexpr auto kPoll = std::chrono::milliseconds(5);

// The range locked in the setup file itself lies far beyond its end, so that
// it never keeps the in-place rewrite of the file from writing.
constexpr DWORD kRangeOffsetHigh = 0x7FFFFFF0;

} // namespace

WriterLock::WriterLock(const std::string& path, std::chrono::milliseconds patience)
    : lockFile_(LockFilePath(path)) {
    GiveWay();
    const auto deadline = std::chrono::steady_clock::now() + patience;
    const std::wstring lockName = WideFromUtf8(lockFile_);
    int refusals = 0;
    for (;;) {
        // Opened for this process alone: another writer's open fails with a
        // sharing violation until this handle closes, which the system does
        // for a process that ends; the file goes with the handle.
        HANDLE lock = CreateFileW(lockName.c_str(), GENERIC_READ | DELETE, 0, nullptr,
                                  OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (lock != INVALID_HANDLE_VALUE) {
            handle_ = lock;
            held_ = true;
            return;
        }
        const DWORD error = GetLastError();
        // A lock file that is being removed refuses access for a moment, too.
        if (error == ERROR_ACCESS_DENIED && ++refusals > 2)
            break;
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)
            return;
        if (std::chrono::steady_clock::now() >= deadline)
            return;
        std::this_thread::sleep_for(kPoll);
    }
    // No file can be made beside the setup file: lock a range of the setup
    // file itself.
    HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    handle_ = file;
    for (;;) {
        OVERLAPPED at{};
        at.OffsetHigh = kRangeOffsetHigh;
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            held_ = true;
            rangeLocked_ = true;
            return;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION ||
            std::chrono::steady_clock::now() >= deadline)
            return;
        std::this_thread::sleep_for(kPoll);
    }
}

bool WriterLock::AwaitWriter(const std::string& path, std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    const std::wstring lockName = WideFromUtf8(LockFilePath(path));
    bool held = false;
    for (;;) {
        // Shared with everyone: only a writer that has the file alone
        // refuses the open. A lock file that no writer holds (the system
        // stopped before its holder closed it) opens, and stays as it is.
        HANDLE lock = CreateFileW(lockName.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (lock != INVALID_HANDLE_VALUE) {
            CloseHandle(lock);
            return held;
        }
        // Access is refused, too, while the holder's file is being removed.
        const DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)
            return held; // no lock file: no writer
        held = true;
        if (std::chrono::steady_clock::now() >= deadline)
            return held;
        std::this_thread::sleep_for(kPoll);
    }
}

WriterLock::~WriterLock() {
    if (handle_ == nullptr)
        return;
    if (rangeLocked_) {
        OVERLAPPED at{};
        at.OffsetHigh = kRangeOffsetHigh;
        UnlockFileEx(static_cast<HANDLE>(handle_), 0, 1, 0, &at);
    }
    CloseHandle(static_cast<HANDLE>(handle_));
    if (held_)
        Released();
}

} // namespace kevo::platform
