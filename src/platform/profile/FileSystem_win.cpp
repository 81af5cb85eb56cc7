// SPDX-License-Identifier: Apache-2.0
// The file-system calls of a profile file on Windows. Errors are reported as
// the errno values the profile file expects (ENOENT for a file that is not
// there, EACCES for one that may not be written, EBUSY for one that another
// program holds locked, ...). Paths are UTF-8, and go to the system's
// wide-character calls as UTF-16.

#include "platform/profile/FileSystem.h"

#include "platform/text/WideText.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <vector>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace kevo::platform {

namespace {

int ErrnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    // Another program holds the file open without sharing it, or has locked
    // a part of it: not a matter of access rights.
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EBUSY;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    default:
        return EIO;
    }
}

int LastErrno() {
    return ErrnoOf(GetLastError());
}

// Closes a handle on every way out of a function.
class HandleGuard {
public:
    explicit HandleGuard(HANDLE handle) : handle_(handle) {}
    ~HandleGuard() {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    HandleGuard(const HandleGuard&) = delete;
    HandleGuard& operator=(const HandleGuard&) = delete;

private:
    HANDLE handle_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Seconds since 1970 (UTC) of a file time (100 ns steps since 1601).
std::int64_t UnixSeconds(const FILETIME& time) {
    constexpr std::int64_t kStepsTo1970 = 116444736000000000;
    constexpr std::int64_t kStepsPerSecond = 10000000;
    ULARGE_INTEGER steps{};
    steps.LowPart = time.dwLowDateTime;
    steps.HighPart = time.dwHighDateTime;
    return (static_cast<std::int64_t>(steps.QuadPart) - kStepsTo1970) / kStepsPerSecond;
}

// The attributes that a replaced file hands on to its replacement.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// The attributes that SetFileAttributes can set.
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_TEMPORARY;

class WindowsFileSystem final : public FileSystem {
public:
    int ReadFile(const std::string& path, std::size_t maxSize, std::string& contents) override {
        contents.clear();
        const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return LastErrno();
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return EISDIR;
        const HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, kShareAll,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return LastErrno();
        HandleGuard guard(file);
        // Devices (CON, a pipe) are refused before anything is read, so that
        // none can block the caller.
        if (GetFileType(file) != FILE_TYPE_DISK)
            return EINVAL;
        LARGE_INTEGER size{};
        if (GetFileSizeEx(file, &size) == 0)
            return LastErrno();
        if (static_cast<unsigned long long>(size.QuadPart) > maxSize)
            return EFBIG;
        contents.reserve(static_cast<std::size_t>(size.QuadPart));
        std::vector<char> chunk(std::size_t{64} * 1024);
        for (;;) {
            DWORD got = 0;
            if (::ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) ==
                0) {
                const int error = LastErrno();
                contents.clear();
                return error;
            }
            if (got == 0)
                return 0;
            if (contents.size() + got > maxSize) {
                contents.clear();
                return EFBIG;
            }
            contents.append(chunk.data(), got);
        }
    }

    int OpenForReading(const std::string& path, int& fd) override {
        fd = -1;
        const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return LastErrno();
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return EISDIR;
        const int opened = _wopen(WideFromUtf8(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
        if (opened < 0)
            return errno;
        // Devices (CON, a pipe) are refused before anything is read.
        if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(opened))) != FILE_TYPE_DISK) {
            _close(opened);
            return EINVAL;
        }
        fd = opened;
        return 0;
    }

    int Read(int fd, char* buffer, std::size_t size, std::size_t& got) override {
        const auto count = static_cast<unsigned int>(size > INT_MAX ? INT_MAX : size);
        const int n = _read(fd, buffer, count);
        got = n < 0 ? 0 : static_cast<std::size_t>(n);
        return n < 0 ? errno : 0;
    }

    int Status(const std::string& path, FileStatus& status) override {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (GetFileAttributesExW(WideFromUtf8(path).c_str(), GetFileExInfoStandard, &data) == 0)
            return LastErrno();
        const DWORD attributes = data.dwFileAttributes;
        status.isDirectory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        status.isRegular = !status.isDirectory && (attributes & FILE_ATTRIBUTE_DEVICE) == 0;
        // The read-only attribute is the only permission a Windows file
        // carries in this sense.
        status.permissions = (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
        status.owner = 0;
        status.group = 0;
        return 0;
    }

    int ReadLink(const std::string& /*path*/, std::string& /*target*/) override {
        // Symbolic links are followed by the system itself; the file is
        // replaced where the path names it.
        return EINVAL;
    }

    int CheckWritable(const std::string& path) override {
        const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return LastErrno();
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
            return EACCES;
        // Opening it for writing also answers for access rights and for
        // another program that holds it locked.
        const HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, kShareAll,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return LastErrno();
        CloseHandle(file);
        return 0;
    }

    int CreateNew(const std::string& path, int& fd) override {
        fd =
            _wopen(WideFromUtf8(path).c_str(),
                   _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
        return fd < 0 ? errno : 0;
    }

    int OpenExisting(const std::string& path, int& fd) override {
        const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return LastErrno();
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return EINVAL;
        fd = _wopen(WideFromUtf8(path).c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT);
        if (fd < 0)
            return errno;
        if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(fd))) != FILE_TYPE_DISK) {
            _close(fd);
            fd = -1;
            return EINVAL;
        }
        return 0;
    }

    int Write(int fd, const char* data, std::size_t size, std::size_t& written) override {
        const auto count = static_cast<unsigned int>(size > INT_MAX ? INT_MAX : size);
        const int n = _write(fd, data, count);
        if (n < 0) {
            written = 0;
            return errno;
        }
        written = static_cast<std::size_t>(n);
        return 0;
    }

    int Truncate(int fd, std::size_t size) override {
        return _chsize_s(fd, static_cast<__int64>(size));
    }

    int SetPermissions(int /*fd*/, mode_t /*permissions*/) override {
        // The file that is replaced was writable (CheckWritable), so the new
        // one, writable as created, has the same permission.
        return 0;
    }

    int SetOwner(int /*fd*/, uid_t /*owner*/, gid_t /*group*/) override { return 0; }

    int Sync(int fd) override { return _commit(fd) == 0 ? 0 : errno; }

    int Close(int fd) override { return _close(fd) == 0 ? 0 : errno; }

    int Rename(const std::string& from, const std::string& to) override {
        const DWORD attributes = GetFileAttributesW(WideFromUtf8(to).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            // Nothing to replace yet. Write-through: the call returns once the
            // move is on the disk, which is what syncing the folder does on a
            // POSIX system.
            return MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0
                       ? 0
                       : LastErrno();
        }
        // The replacement takes over the old file's attributes, access list,
        // creation time and short name. When these cannot all be carried
        // over, the new text still goes in: it is what the user saved.
        if (ReplaceFileW(WideFromUtf8(to).c_str(), WideFromUtf8(from).c_str(), nullptr,
                         REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) == 0)
            return LastErrno();
        // Not every implementation of ReplaceFile carries the attributes
        // over (Wine's does not); then they are set here. A failure leaves
        // the saved text in place and is not reported.
        const DWORD now = GetFileAttributesW(WideFromUtf8(to).c_str());
        if (now != INVALID_FILE_ATTRIBUTES &&
            (now & kKeptAttributes) != (attributes & kKeptAttributes)) {
            const DWORD wanted =
                (now & kSettableAttributes & ~kKeptAttributes) | (attributes & kKeptAttributes);
            SetFileAttributesW(WideFromUtf8(to).c_str(),
                               wanted != 0 ? wanted : FILE_ATTRIBUTE_NORMAL);
        }
        return 0;
    }

    int Remove(const std::string& path) override {
        return DeleteFileW(WideFromUtf8(path).c_str()) != 0 ? 0 : LastErrno();
    }

    int ListFolder(const std::string& path, std::string_view prefix,
                   std::vector<FolderEntry>& entries) override {
        entries.clear();
        std::string pattern = path;
        if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/' &&
            pattern.back() != ':')
            pattern += '\\';
        pattern += '*';
        WIN32_FIND_DATAW data{};
        const HANDLE find = FindFirstFileW(WideFromUtf8(pattern).c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : LastErrno();
        do {
            const std::string name = Utf8FromWide(data.cFileName);
            if (name == "." || name == ".." || !name.starts_with(prefix))
                continue;
            const bool isRegular =
                (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                                          FILE_ATTRIBUTE_DEVICE)) == 0;
            entries.push_back({name, isRegular, UnixSeconds(data.ftLastWriteTime)});
        } while (FindNextFileW(find, &data) != 0);
        const DWORD error = GetLastError();
        FindClose(find);
        return error == ERROR_NO_MORE_FILES ? 0 : ErrnoOf(error);
    }

    int SyncDirectory(const std::string& /*path*/) override {
        // A folder cannot be flushed on its own here. The move of a new file
        // is write-through; a replacement cannot be asked for that, and its
        // new name is as durable as the file system makes it.
        return 0;
    }
};

} // namespace

FileSystem& NativeFileSystem() {
    static WindowsFileSystem fileSystem;
    return fileSystem;
}

std::string ReadErrorText(int error) {
    // The system's own message for the errors that stand for several of its
    // own: the one a user meets most.
    DWORD code = 0;
    switch (error) {
    case EINVAL:
        return "Not a regular file";
    case EACCES:
        code = ERROR_ACCESS_DENIED;
        break;
    case EBUSY:
        code = ERROR_SHARING_VIOLATION;
        break;
    default:
        return std::strerror(error);
    }
    wchar_t text[512] = {};
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                       text, sizeof text / sizeof text[0], nullptr);
    std::string message = Utf8FromWide(std::wstring_view(text, length));
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return message.empty() ? std::strerror(error) : message;
}

std::size_t FolderSeparatorPosition(std::string_view path) {
    const std::size_t separator = path.find_last_of("\\/");
    if (separator != std::string_view::npos)
        return separator;
    if (path.size() >= 2 && path[1] == ':')
        return 1;
    return std::string_view::npos;
}

} // namespace kevo::platform
