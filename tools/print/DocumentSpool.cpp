// SPDX-License-Identifier: Apache-2.0
#include "print/DocumentSpool.h"

#include "print/DocumentFormat.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kevo::tools {

namespace {

// A file descriptor closed when it goes out of scope, unless released.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ > STDERR_FILENO)
            close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

// A new temporary file without a name, in $TMPDIR or /tmp.
int TemporaryFile() {
    const char* folder = std::getenv("TMPDIR");
    std::string path = (folder != nullptr && *folder != '\0' ? folder : "/tmp");
    path += "/kevoconf-print-XXXXXX";
    const int fd = mkostemp(path.data(), O_CLOEXEC);
    if (fd >= 0)
        unlink(path.c_str());
    return fd;
}

// Copies everything from one descriptor to the other; 0 or the errno of
// the failure, with reading telling which side failed.
int Copy(int from, int to, std::size_t& copied, bool& reading) {
    char buffer[65536];
    for (;;) {
        reading = true;
        const ssize_t got = read(from, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return 0;
        reading = false;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = write(to, buffer + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0)
                return errno;
            done += put;
        }
        copied += static_cast<std::size_t>(got);
    }
}

} // namespace

std::string DocumentName(const std::string& file) {
    if (file == "-")
        return "standard input";
    const std::size_t slash = file.find_last_of('/');
    return slash == std::string::npos || slash + 1 == file.size() ? file : file.substr(slash + 1);
}

DocumentSpool::~DocumentSpool() {
    for (const platform::CupsDocument& document : documents_)
        close(document.fd);
}

bool DocumentSpool::Add(const std::string& file) {
    const bool standardInput = file == "-";
    const std::string what = standardInput ? "standard input" : "\"" + file + "\"";
    Descriptor source(standardInput ? STDIN_FILENO : open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (source.Get() < 0) {
        error_ = what + " cannot be read: " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (fstat(source.Get(), &info) == 0 && S_ISDIR(info.st_mode)) {
        error_ = what + " is a folder";
        return false;
    }
    Descriptor copy(TemporaryFile());
    if (copy.Get() < 0) {
        error_ = std::string("no temporary file for ") + what + ": " + std::strerror(errno);
        return false;
    }
    std::size_t copied = 0;
    bool reading = true;
    if (const int error = Copy(source.Get(), copy.Get(), copied, reading)) {
        error_ = reading ? what + " cannot be read: " + std::strerror(error)
                         : "the copy of " + what + " cannot be written: " + std::strerror(error);
        return false;
    }
    if (copied == 0) {
        error_ = what + " is empty: there is nothing to print";
        return false;
    }
    std::string leading(std::min(copied, kLeadingBytes), '\0');
    if (pread(copy.Get(), leading.data(), leading.size(), 0) !=
            static_cast<ssize_t>(leading.size()) ||
        lseek(copy.Get(), 0, SEEK_SET) != 0) {
        error_ = "the copy of " + what + " cannot be read back: " + std::strerror(errno);
        return false;
    }
    documents_.push_back({DocumentName(file), copy.Release()});
    leading_.push_back(std::move(leading));
    return true;
}

} // namespace kevo::tools
