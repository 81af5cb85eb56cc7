// SPDX-License-Identifier: Apache-2.0
#include "platform/profile/FileSystem.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kevo::platform {

namespace {

// Closes a descriptor on every way out of a function.
class DescriptorGuard {
public:
    explicit DescriptorGuard(int fd) : fd_(fd) {}
    ~DescriptorGuard() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    DescriptorGuard(const DescriptorGuard&) = delete;
    DescriptorGuard& operator=(const DescriptorGuard&) = delete;

private:
    int fd_;
};

} // namespace

int PosixFileSystem::OpenForReading(const std::string& path, int& fd) {
    fd = -1;
    // O_NONBLOCK: opening a pipe that nobody writes to must not wait; the
    // file type is checked before anything is read.
    const int opened = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (opened < 0) {
        return errno;
    }
    struct stat st {};
    int error = 0;
    if (::fstat(opened, &st) != 0) {
        error = errno;
    } else if (S_ISDIR(st.st_mode)) {
        error = EISDIR;
    } else if (!S_ISREG(st.st_mode)) {
        error = EINVAL;
    }
    if (error != 0) {
        ::close(opened);
        return error;
    }
    fd = opened;
    return 0;
}

int PosixFileSystem::Read(int fd, char* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0) {
            got = static_cast<std::size_t>(n);
            return 0;
        }
        if (errno != EINTR) {
            return errno;
        }
    }
}

int PosixFileSystem::ReadFile(const std::string& path, std::size_t maxSize, std::string& contents) {
    contents.clear();
    int fd = -1;
    if (const int error = OpenForReading(path, fd); error != 0) {
        return error;
    }
    DescriptorGuard guard(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return errno;
    }
    if (static_cast<std::size_t>(st.st_size) > maxSize) {
        return EFBIG;
    }
    // The size is a hint only: files under /proc report 0 and a file may
    // grow while it is read.
    contents.reserve(static_cast<std::size_t>(st.st_size));
    std::vector<char> chunk(std::size_t{64} * 1024);
    for (;;) {
        std::size_t got = 0;
        if (const int error = Read(fd, chunk.data(), chunk.size(), got); error != 0) {
            contents.clear();
            return error;
        }
        if (got == 0) {
            return 0;
        }
        if (contents.size() + got > maxSize) {
            contents.clear();
            return EFBIG;
        }
        contents.append(chunk.data(), got);
    }
}

int PosixFileSystem::Status(const std::string& path, FileStatus& status) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return errno;
    }
    status.isRegular = S_ISREG(st.st_mode);
    status.isDirectory = S_ISDIR(st.st_mode);
    status.permissions = st.st_mode & 07777;
    status.owner = st.st_uid;
    status.group = st.st_gid;
    return 0;
}

int PosixFileSystem::ReadLink(const std::string& path, std::string& target) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0) {
            return errno;
        }
        if (static_cast<std::size_t>(n) < buffer.size()) {
            target.assign(buffer.data(), static_cast<std::size_t>(n));
            return 0;
        }
        if (buffer.size() >= std::size_t{1024} * 1024) {
            return ENAMETOOLONG;
        }
        buffer.resize(buffer.size() * 4);
    }
}

int PosixFileSystem::CheckWritable(const std::string& path) {
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
}

int PosixFileSystem::CreateNew(const std::string& path, int& fd) {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    return fd < 0 ? errno : 0;
}

int PosixFileSystem::OpenExisting(const std::string& path, int& fd) {
    // O_NONBLOCK: a pipe put in the file's place must not wait for a reader.
    fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return errno;
    }
    struct stat st {};
    const int error = ::fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : EINVAL;
    if (error != 0) {
        ::close(fd);
        fd = -1;
    }
    return error;
}

int PosixFileSystem::Write(int fd, const char* data, std::size_t size, std::size_t& written) {
    written = 0;
    for (;;) {
        const ssize_t n = ::write(fd, data, size);
        if (n >= 0) {
            written = static_cast<std::size_t>(n);
            return 0;
        }
        if (errno != EINTR) {
            return errno;
        }
    }
}

int PosixFileSystem::Truncate(int fd, std::size_t size) {
    for (;;) {
        if (::ftruncate(fd, static_cast<off_t>(size)) == 0) {
            return 0;
        }
        if (errno != EINTR) {
            return errno;
        }
    }
}

int PosixFileSystem::SetPermissions(int fd, mode_t permissions) {
    return ::fchmod(fd, permissions) == 0 ? 0 : errno;
}

int PosixFileSystem::SetOwner(int fd, uid_t owner, gid_t group) {
    return ::fchown(fd, owner, group) == 0 ? 0 : errno;
}

int PosixFileSystem::Sync(int fd) {
    return ::fsync(fd) == 0 ? 0 : errno;
}

int PosixFileSystem::Close(int fd) {
    // The descriptor is gone after close(2) even when it reports an error,
    // so EINTR is not retried.
    return ::close(fd) == 0 ? 0 : errno;
}

int PosixFileSystem::Rename(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int PosixFileSystem::Remove(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int PosixFileSystem::ListFolder(const std::string& path, std::string_view prefix,
                                std::vector<FolderEntry>& entries) {
    entries.clear();
    DIR* const folder = ::opendir(path.c_str());
    if (folder == nullptr) {
        return errno;
    }
    const int folderFd = ::dirfd(folder);
    for (;;) {
        errno = 0;
        const dirent* const entry = ::readdir(folder);
        if (entry == nullptr) {
            break;
        }
        const std::string_view name(entry->d_name);
        if (name == "." || name == ".." || !name.starts_with(prefix)) {
            continue;
        }
        struct stat st {};
        if (::fstatat(folderFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue; // gone in the meantime
        }
        entries.push_back({std::string(name), S_ISREG(st.st_mode), st.st_mtim.tv_sec});
    }
    const int error = errno;
    ::closedir(folder);
    return error;
}

int PosixFileSystem::SyncDirectory(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    DescriptorGuard guard(fd);
    return ::fsync(fd) == 0 ? 0 : errno;
}

FileSystem& NativeFileSystem() {
    static PosixFileSystem fileSystem;
    return fileSystem;
}

std::string ReadErrorText(int error) {
    if (error == EINVAL)
        return "Not a regular file";
    return std::strerror(error);
}

std::size_t FolderSeparatorPosition(std::string_view path) {
    return path.rfind('/');
}

} // namespace kevo::platform
