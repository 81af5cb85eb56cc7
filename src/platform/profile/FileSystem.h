// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

namespace kevo::platform {

#ifdef _WIN32
// Windows files have no numeric owner and group; the Windows file system
// reports 0 and ignores them.
using uid_t = unsigned int;
using gid_t = unsigned int;
#endif

// What the profile file needs to know about a path (links followed).
struct FileStatus {
    bool isRegular = false;
    bool isDirectory = false;
    mode_t permissions = 0; // the permission bits, set-id and sticky bits included
    uid_t owner = 0;
    gid_t group = 0;
};

// One name in a folder, as ListFolder gives it.
struct FolderEntry {
    std::string name;
    bool isRegular = false;    // a regular file itself, not a link to one
    std::int64_t modified = 0; // last change of its contents, seconds since 1970 (UTC)
};

// The file-system calls through which a profile file reads and replaces its
// file. Every call answers 0 on success or an errno value on failure, so that
// tests can put a failing file system in place and make any single step of a
// save fail the way a full disk or a failing device would.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Reads the whole regular file at path into contents. Anything that is
    // not a regular file (a directory, a pipe, a device) is refused with
    // EISDIR or EINVAL without being opened for reading in earnest, so that a
    // pipe cannot block the caller. Files larger than maxSize are refused
    // with EFBIG.
    virtual int ReadFile(const std::string& path, std::size_t maxSize, std::string& contents) = 0;

    // Opens the existing regular file at path for reading its bytes as they
    // are, a piece at a time (Read, then Close). Anything that is not a
    // regular file is refused as ReadFile refuses it, without waiting on a
    // pipe.
    virtual int OpenForReading(const std::string& path, int& fd) = 0;

    // Reads at most size bytes into buffer; got is 0 at the end of the file
    // (retried on EINTR).
    virtual int Read(int fd, char* buffer, std::size_t size, std::size_t& got) = 0;

    // stat(2): links are followed. ENOENT when nothing is there.
    virtual int Status(const std::string& path, FileStatus& status) = 0;

    // readlink(2): EINVAL when path is not a symbolic link.
    virtual int ReadLink(const std::string& path, std::string& target) = 0;

    // Whether the calling process may write to the existing file at path.
    virtual int CheckWritable(const std::string& path) = 0;

    // Creates a new file that must not exist yet, for writing, with mode
    // 0666 less the process's umask. EEXIST when the name is taken.
    virtual int CreateNew(const std::string& path, int& fd) = 0;

    // Opens the existing regular file at path for writing, as it is: not
    // created, not truncated. EINVAL for anything but a regular file.
    virtual int OpenExisting(const std::string& path, int& fd) = 0;

    // Writes some of data; written tells how much (retried on EINTR).
    virtual int Write(int fd, const char* data, std::size_t size, std::size_t& written) = 0;

    // Cuts or extends the open file to size bytes.
    virtual int Truncate(int fd, std::size_t size) = 0;

    virtual int SetPermissions(int fd, mode_t permissions) = 0;
    virtual int SetOwner(int fd, uid_t owner, gid_t group) = 0;
    virtual int Sync(int fd) = 0;
    virtual int Close(int fd) = 0;
    // Puts the file from in the place of to. An existing to keeps what the
    // system keeps for it on replacement (on Windows its attributes and
    // access list).
    virtual int Rename(const std::string& from, const std::string& to) = 0;
    virtual int Remove(const std::string& path) = 0;

    // The entries of the folder at path whose names begin with prefix ("."
    // and ".." never).
    virtual int ListFolder(const std::string& path, std::string_view prefix,
                           std::vector<FolderEntry>& entries) = 0;

    // Makes a rename in the folder durable: fsync on the folder itself.
    virtual int SyncDirectory(const std::string& path) = 0;
};

// The real calls of a POSIX system. (Windows has its own, behind
// SystemFileSystem().)
class PosixFileSystem : public FileSystem {
public:
    int ReadFile(const std::string& path, std::size_t maxSize, std::string& contents) override;
    int OpenForReading(const std::string& path, int& fd) override;
    int Read(int fd, char* buffer, std::size_t size, std::size_t& got) override;
    int Status(const std::string& path, FileStatus& status) override;
    int ReadLink(const std::string& path, std::string& target) override;
    int CheckWritable(const std::string& path) override;
    int CreateNew(const std::string& path, int& fd) override;
    int OpenExisting(const std::string& path, int& fd) override;
    int Write(int fd, const char* data, std::size_t size, std::size_t& written) override;
    int Truncate(int fd, std::size_t size) override;
    int SetPermissions(int fd, mode_t permissions) override;
    int SetOwner(int fd, uid_t owner, gid_t group) override;
    int Sync(int fd) override;
    int Close(int fd) override;
    int Rename(const std::string& from, const std::string& to) override;
    int Remove(const std::string& path) override;
    int ListFolder(const std::string& path, std::string_view prefix,
                   std::vector<FolderEntry>& entries) override;
    int SyncDirectory(const std::string& path) override;
};

// One shared instance of the real file system; it holds no state. Tests may
// put another in its place (FileSystemOverride).
FileSystem& SystemFileSystem();

// The real file system itself, whatever a test put in its place.
FileSystem& NativeFileSystem();

// Why a file could not be read, for people, from the error of ReadFile or
// OpenForReading: "Not a regular file" for anything but one, otherwise the
// system's text ("Permission denied"; on Windows the system's message, as
// for a file that another program holds locked).
std::string ReadErrorText(int error);

// For tests: while it lives, SystemFileSystem() answers with the given file
// system, which must outlive it, so that a test can make the calls of the
// code under test fail.
class FileSystemOverride {
public:
    explicit FileSystemOverride(FileSystem& fileSystem);
    ~FileSystemOverride();
    FileSystemOverride(const FileSystemOverride&) = delete;
    FileSystemOverride& operator=(const FileSystemOverride&) = delete;

private:
    FileSystem* previous_;
};

// The position of the separator that ends the folder part of a path, or npos
// for a bare name: the last "/" on POSIX systems; on Windows the last "\" or
// "/", or the colon of a drive prefix ("C:name").
std::size_t FolderSeparatorPosition(std::string_view path);

} // namespace kevo::platform
