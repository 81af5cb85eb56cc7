#include "main/NamesFile.h"

#include "main/ConfigTable.h"
#include "platform/SystemPaths.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace kevo::main {
namespace {

constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';
constexpr char kCtrlZ = '\x1a';

struct ReadFailure {
    std::string text;
};

// Hands out the file's bytes one at a time from a fixed-size buffer.
class ByteReader {
public:
    explicit ByteReader(int fd) : fd_(fd) {}

    // The next byte without taking it; false at the end of the file.
    bool Peek(char& byte) {
        if (pos_ == length_ && !Fill())
            return false;
        byte = buffer_[pos_];
        return true;
    }

    // Appends the rest of the current line to line, without its carriage
    // returns, and moves past the line feed that ends it (if any).
    void ReadLine(std::string& line) {
        for (;;) {
            if (pos_ == length_ && !Fill())
                return;
            const char* start = buffer_.data() + pos_;
            const std::size_t available = length_ - pos_;
            const void* found = std::memchr(start, kLineFeed, available);
            const std::size_t run =
                found != nullptr ? static_cast<std::size_t>(static_cast<const char*>(found) - start)
                                 : available;
            for (const char* p = start; p < start + run;) {
                const void* cr =
                    std::memchr(p, kCarriageReturn, static_cast<std::size_t>(start + run - p));
                const char* stop = cr != nullptr ? static_cast<const char*>(cr) : start + run;
                line.append(p, stop);
                p = stop + (cr != nullptr ? 1 : 0);
            }
            pos_ += run;
            if (found != nullptr) {
                ++pos_;
                return;
            }
        }
    }

private:
    bool Fill() {
        for (;;) {
            const ssize_t got = read(fd_, buffer_.data(), buffer_.size());
            if (got > 0) {
                pos_ = 0;
                length_ = static_cast<std::size_t>(got);
                return true;
            }
            if (got == 0)
                return false;
            if (errno != EINTR)
                throw ReadFailure{std::strerror(errno)};
        }
    }

    int fd_;
    std::array<char, 64 * 1024> buffer_{};
    std::size_t pos_ = 0;
    std::size_t length_ = 0;
};

class FileHandle {
public:
    explicit FileHandle(int fd) : fd_(fd) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (fd_ >= 0)
            close(fd_);
    }
    int Get() const { return fd_; }

private:
    int fd_;
};

void ReadLines(int fd, NamesFileResult& result) {
    ByteReader reader(fd);
    char byte = 0;
    for (;;) {
        if (!reader.Peek(byte) || byte == kCtrlZ)
            return;
        if (result.names.size() == static_cast<std::size_t>(kMaxNames)) {
            result.outcome = NamesFileResult::Outcome::TooMany;
            return;
        }
        std::string line;
        reader.ReadLine(line);
        result.names.push_back(std::move(line));
    }
}

} // namespace

NamesFileResult ReadNamesFile(const std::string& path) {
    NamesFileResult result;
    if (!platform::FileExists(path)) {
        result.outcome = NamesFileResult::Outcome::Missing;
        return result;
    }
    // A named pipe does not block the open; only regular files are read, so
    // a device that never ends cannot hang the program.
    FileHandle file(platform::OpenForReading(path));
    struct stat info {};
    if (file.Get() < 0 || fstat(file.Get(), &info) != 0) {
        result.outcome = NamesFileResult::Outcome::ReadError;
        result.errorText = std::strerror(errno);
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.outcome = NamesFileResult::Outcome::ReadError;
        result.errorText = "Not a regular file";
        return result;
    }
    try {
        ReadLines(file.Get(), result);
    } catch (const ReadFailure& failure) {
        result.outcome = NamesFileResult::Outcome::ReadError;
        result.errorText = failure.text;
        return result;
    }
    if (result.names.empty())
        result.outcome = NamesFileResult::Outcome::Empty;
    return result;
}

std::string NamesFileMessage(NamesFileResult::Outcome outcome, const std::string& path,
                             const std::string& errorText) {
    switch (outcome) {
    case NamesFileResult::Outcome::Missing:
        return "Printer names file does not exist.\r\n" + path + "\r\n" +
               "You can not configure printers without this file!";
    case NamesFileResult::Outcome::Empty:
        return "Printer names file is empty.\r\n" + path + "\r\n" +
               "This file must contain the printer names to configure.";
    case NamesFileResult::Outcome::TooMany:
        return "Printer names file has too many lines.\r\n" + path + "\r\n" + "Only the first " +
               std::to_string(kMaxNames) + " will be used.";
    case NamesFileResult::Outcome::ReadError:
        return "Printer names file can not be read.\r\n" + path + "\r\n" + errorText;
    case NamesFileResult::Outcome::Loaded:
        break;
    }
    return {};
}

void FillNameColumns(ConfigTable& table, const std::vector<std::string>& names) {
    int row = kFirstLine;
    for (const std::string& name : names) {
        if (row > kLastLine)
            break;
        table.SetCell(ColName, row, name);
        table.SetCell(ColLineNumber, row, std::to_string(row));
        ++row;
    }
}

} // namespace kevo::main
