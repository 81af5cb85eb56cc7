// SPDX-License-Identifier: Apache-2.0
#include "platform/profile/WriterLock.h"

#include <cerrno>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kevo::platform {

namespace {

constexpr auto kPoll = std::chrono::milliseconds(5);

bool FolderRefuses(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

// Takes flock's lock (LOCK_EX or LOCK_SH) on fd, polling until the deadline.
bool LockBy(int fd, std::chrono::steady_clock::time_point deadline, int operation = LOCK_EX) {
    for (;;) {
        if (flock(fd, operation | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kPoll);
    }
}

// Whether fd is still the file that path names: a holder removes the lock
// file when it lets go, so a waiter may have locked a file that is gone.
bool StillNamed(int fd, const std::string& path) {
    struct stat opened {};
    struct stat named {};
    return fstat(fd, &opened) == 0 && stat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

} // namespace

WriterLock::WriterLock(const std::string& path, std::chrono::milliseconds patience)
    : lockFile_(LockFilePath(path)) {
    GiveWay();
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        // Read-only is enough for flock, and lets another user open a lock
        // file that this user made.
        fd_ = open(lockFile_.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            if (!FolderRefuses(errno))
                return;
            // No file can be made beside the setup file: lock the setup file.
            fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
            if (fd_ >= 0)
                held_ = LockBy(fd_, deadline);
            return;
        }
        if (!LockBy(fd_, deadline))
            return;
        if (StillNamed(fd_, lockFile_)) {
            held_ = true;
            ownsLockFile_ = true;
            return;
        }
        close(fd_);
        fd_ = -1;
        if (std::chrono::steady_clock::now() >= deadline)
            return;
    }
}

bool WriterLock::AwaitWriter(const std::string& path, std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    const int fd = open(LockFilePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false; // no lock file: no writer
    // A shared lock waits for the holder's exclusive one; a lock file that a
    // killed writer left is held by nobody.
    const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (held)
        LockBy(fd, deadline, LOCK_SH);
    close(fd);
    return held;
}

WriterLock::~WriterLock() {
    if (ownsLockFile_)
        unlink(lockFile_.c_str());
    if (fd_ >= 0)
        close(fd_); // lets go of the lock
    if (held_)
        Released();
}

} // namespace kevo::platform
