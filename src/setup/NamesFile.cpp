// SPDX-License-Identifier: Apache-2.0
#include "setup/NamesFile.h"

#include "setup/ConfigTable.h"
#include "platform/SystemPaths.h"
#include "platform/profile/FileSystem.h"
#include "platform/text/TextCoding.h"

#include <array>

namespace kevo::setup {
namespace {

constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';
constexpr char kCtrlZ = '\x1a';

struct ReadFailure {
    std::string text;
};

constexpr const char* kNotText =
    "The file is not text in a form this program reads: save it as ANSI, UTF-8 or Unicode.";

// Hands out the file's text, as UTF-8, one byte at a time from a buffer
// filled a piece at a time. A file that begins with a UTF-16 mark is
// decoded from UTF-16 piece by piece; any other file is handed out as it
// is, and its lines are decoded once they are split (ReadLines): line ends
// and Ctrl-Z are the same bytes in every 8-bit code page and in UTF-8.
class TextReader {
public:
    TextReader(platform::FileSystem& files, int fd) : files_(files), fd_(fd) {
        std::string start;
        while (start.size() < 3 && ReadRaw(start)) {
        }
        mark_ = platform::MarkOf(start);
        pending_ = start.substr(platform::MarkLength(mark_));
        Take(pending_, false);
    }

    platform::ByteOrderMark Mark() const { return mark_; }

    // The next byte without taking it; false at the end of the file.
    bool Peek(char& byte) {
        if (pos_ == buffer_.size() && !Fill())
            return false;
        byte = buffer_[pos_];
        return true;
    }

    // Appends the rest of the current line to line, without its carriage
    // returns, and moves past the line feed that ends it (if any).
    void ReadLine(std::string& line) {
        for (;;) {
            if (pos_ == buffer_.size() && !Fill())
                return;
            const std::size_t end = buffer_.find(kLineFeed, pos_);
            const std::size_t stop = end == std::string::npos ? buffer_.size() : end;
            for (std::size_t i = pos_; i < stop; ++i) {
                if (buffer_[i] != kCarriageReturn)
                    line += buffer_[i];
            }
            pos_ = stop;
            if (end != std::string::npos) {
                ++pos_;
                return;
            }
        }
    }

private:
    bool Utf16() const {
        return mark_ == platform::ByteOrderMark::Utf16Le ||
               mark_ == platform::ByteOrderMark::Utf16Be;
    }

    // Appends the next piece of the file's bytes to raw; false at its end.
    bool ReadRaw(std::string& raw) {
        std::array<char, 64 * 1024> piece{};
        std::size_t got = 0;
        if (const int error = files_.Read(fd_, piece.data(), piece.size(), got); error != 0)
            throw ReadFailure{platform::ReadErrorText(error)};
        raw.append(piece.data(), got);
        return got > 0;
    }

    // Puts raw bytes into the buffer: UTF-16 decoded as far as whole
    // characters go (the rest waits for the next piece, or, at the end of
    // the file, is decoded as it stands), other bytes as they are.
    void Take(std::string& raw, bool atEnd) {
        buffer_.erase(0, pos_);
        pos_ = 0;
        if (!Utf16()) {
            buffer_ += raw;
            raw.clear();
            return;
        }
        const bool bigEndian = mark_ == platform::ByteOrderMark::Utf16Be;
        std::size_t whole = atEnd ? raw.size() : raw.size() & ~std::size_t{1};
        if (!atEnd && whole >= 2) {
            // A high surrogate at the end waits for its partner.
            const auto high = static_cast<unsigned char>(raw[whole - (bigEndian ? 2 : 1)]);
            if (high >= 0xD8 && high <= 0xDB)
                whole -= 2;
        }
        buffer_ += platform::DecodeUtf16(std::string_view(raw).substr(0, whole), bigEndian);
        raw.erase(0, whole);
    }

    bool Fill() {
        while (pos_ == buffer_.size()) {
            const bool more = ReadRaw(pending_);
            Take(pending_, !more);
            if (!more)
                return pos_ < buffer_.size();
        }
        return true;
    }

    platform::FileSystem& files_;
    int fd_;
    platform::ByteOrderMark mark_ = platform::ByteOrderMark::None;
    std::string pending_; // raw bytes not yet in the buffer
    std::string buffer_;
    std::size_t pos_ = 0;
};

// The text of a line as the program keeps it (UTF-8). A file without a
// mark is in the host's code page; NUL bytes there mean UTF-16 without its
// mark, which no code page reads. A marked file must be well-formed.
std::string DecodedLine(std::string line, platform::ByteOrderMark mark, int codePage) {
    if (mark == platform::ByteOrderMark::None) {
        if (line.find('\0') != std::string::npos)
            throw ReadFailure{kNotText};
        line = platform::DecodeCodePage(line, codePage);
        if (codePage == platform::kCodePageUtf8 && !platform::IsValidUtf8(line))
            throw ReadFailure{kNotText};
        return line;
    }
    if (!platform::IsValidUtf8(line))
        throw ReadFailure{kNotText};
    return line;
}

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
    TextReader reader(files, fd);
    const int codePage = platform::HostCodePage();
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
        result.names.push_back(DecodedLine(std::move(line), reader.Mark(), codePage));
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
        result.errorText = platform::ReadErrorText(error);
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

} // namespace kevo::setup
