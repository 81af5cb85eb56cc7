// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <chrono>
#include <string>

namespace kevo::platform {

// Keeps this program's writers of one file (the main window, the repair of
// kevoconf-check, a second copy of the program) from replacing it at the
// same moment, so that none of them loses what another wrote between its
// read and its replace. It is held for one save only, never between
// operations.
//
// The lock is a file beside the file, ".<file name>.kevo-lock", locked by
// the system (flock; on Windows opened for this process alone), so that a
// writer that crashes leaves no lock behind: the system lets go of it with
// the process. The holder removes the file when it lets go. Where the folder
// refuses new files (a shared setup file in a folder that only an
// administrator may change), the setup file itself is locked instead: there
// a save rewrites it in place, so it stays the same file.
//
// A lock that another writer holds is waited on for at most patience; a
// lock that cannot be had then, or at all, is not held (Held() is false)
// and the save goes on unserialised: it still refuses to replace a file that
// changed since it was read (ProfileFile), so it then merges again.
class WriterLock {
public:
    explicit WriterLock(const std::string& path,
                        std::chrono::milliseconds patience = std::chrono::seconds(3));
    ~WriterLock();

    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

    bool Held() const { return held_; }

    // Waits, for at most patience, while another writer holds the lock of
    // path; takes nothing and makes no file. Whether a writer held it: a
    // reader that found path missing then reads again, for the host's
    // replace may take the old file's name away a moment before the new file
    // gets it (Wine's ReplaceFile moves the old file aside first).
    static bool AwaitWriter(const std::string& path,
                            std::chrono::milliseconds patience = std::chrono::seconds(3));

    // ".<file name>.kevo-lock" in the folder of path.
    static std::string LockFilePath(const std::string& path);

private:
    // A writer that let go of a lock a moment ago leaves the lock free for a
    // while before it tries again, so that one that polls for it gets its
    // turn: saves in a row would otherwise keep it for seconds.
    static void GiveWay();
    static void Released();

    bool held_ = false;
    std::string lockFile_;
#ifdef _WIN32
    void* handle_ = nullptr;
    bool rangeLocked_ = false; // a range of the setup file itself
#else
    int fd_ = -1;
    bool ownsLockFile_ = false; // the lock file is removed on release
#endif
};

} // namespace kevo::platform
