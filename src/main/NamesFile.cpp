// SPDX-License-Identifier: Apache-2.0
#include "main/NamesFile.h"

#include "main/ConfigTable.h"
#include "platform/SystemPaths.h"
#include "platform/profile/FileSystem.h"

#include <array>
#include <cerrno>
#include <cstring>

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
    ByteReader(platform::FileSystem& files, int fd) : files_(files), fd_(fd) {}

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
        std::size_t got = 0;
        if (const int error = files_.Read(fd_, buffer_.data(), buffer_.size(), got); error != 0)
            throw ReadFailure{std::strerror(error)};
        pos_ = 0;
        length_ = got;
        return got > 0;
    }

    platform::FileSystem& files_;
    int fd_;
    std::array<char, 64 * 1024> buffer_{};
    std::size_t pos_ = 0;
    std::size_t length_ = 0;
};

// Closes the file on every way out.
class OpenFile {
public:
    OpenFile(platform::FileSystem& files, int fd) : files_(files), fd_(fd) {}
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile() { files_.Close(fd_); }

private:
    platform::FileSystem& files_;
    int fd_;
};

void ReadLines(platform::FileSystem& files, int fd, NamesFileResult& result) {
    ByteReader reader(files, fd);
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
    platform::FileSystem& files = platform::SystemFileSystem();
    int fd = -1;
    if (const int error = files.OpenForReading(path, fd); error != 0) {
        result.outcome = NamesFileResult::Outcome::ReadError;
        result.errorText = error == EINVAL ? "Not a regular file" : std::strerror(error);
        return result;
    }
    const OpenFile file(files, fd);
    try {
        ReadLines(files, fd, result);
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
