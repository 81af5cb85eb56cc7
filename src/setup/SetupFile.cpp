// SPDX-License-Identifier: Apache-2.0
#include "setup/SetupFile.h"

#include "setup/ConfigTable.h"
#include "platform/SystemPaths.h"
#include "platform/profile/ProfileFile.h"
#include "platform/profile/WriterLock.h"
#include "platform/text/TextCoding.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>
#include <vector>

namespace kevo::setup {

std::string StoredValue(const std::string& value) {
    // A read drops blanks at either end and one pair of enclosing quotation
    // marks; a value that would lose either is written inside double
    // quotation marks, which the read (ours and the host's) takes off again.
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    if (value.empty())
        return value;
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    if (blank(value.front()) || blank(value.back()) || quoted)
        return '"' + value + '"';
    return value;
}

namespace {

// The configuration lines whose sections a text holds, in line order.
std::vector<int> ConfigurationLines(std::string text) {
    platform::ProfileDocument document;
    document.Load(std::move(text));
    const std::vector<std::string> names = document.SectionNames();
    std::vector<int> lines;
    for (int line = kFirstLine; line <= kLastLine; ++line) {
        if (std::find(names.begin(), names.end(), std::to_string(line)) != names.end())
            lines.push_back(line);
    }
    return lines;
}

constexpr const char* kMendAdvice =
    "This program does not save over such a file. Save it as ANSI or as Unicode in a text "
    "editor to mend this.";

std::string Utf8MarkWarning(const std::string& path, std::string_view text) {
    const std::vector<int> hidden =
        ConfigurationLines(std::string(text.substr(0, text.find('\n'))));
    std::string warning =
        "The setup file begins with a UTF-8 byte-order mark, which Windows programs do not "
        "understand.\r\n" +
        path + "\r\n";
    if (!hidden.empty()) {
        warning += "For them the mark belongs to the first line, so they do not see the section [" +
                   std::to_string(hidden[0]) + "] that stands there: " + LineList(hidden) +
                   " reads as not configured, for them and for this program (a program under "
                   "Wine reads it).";
    } else {
        warning += "For them the mark belongs to the first line; no configuration line stands "
                   "there.";
    }
    if (std::any_of(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; }))
        warning += " Letters beyond ASCII are read in code page " +
                   std::to_string(platform::HostCodePage()) + ", as those programs read them.";
    return warning + "\r\n" + kMendAdvice;
}

std::string Utf16BigEndianWarning(const std::string& path, std::string_view bytes) {
    const std::vector<int> lines = ConfigurationLines(platform::DecodeUtf16(bytes, true));
    std::string warning = "The setup file is in UTF-16 big endian (\"Unicode big endian\"), which "
                          "Windows programs do not read.\r\n" +
                          path +
                          "\r\nThey see no printer settings in it, and neither does this program";
    warning += lines.empty() ? "." : ": " + LineList(lines) + " read as not configured.";
    return warning + "\r\n" + kMendAdvice;
}

// The configuration lines as the file reads.
SetupSnapshot SnapshotOf(platform::ProfileFile& file) {
    SetupSnapshot snapshot;
    snapshot.exists = file.Exists();
    const std::vector<std::string> names = file.SectionNames();
    for (int line = kFirstLine; line <= kLastLine; ++line) {
        const std::string section = std::to_string(line);
        StoredLine& stored = snapshot.lines[static_cast<std::size_t>(line)];
        stored.present = std::find(names.begin(), names.end(), section) != names.end();
        if (!stored.present)
            continue;
        for (std::size_t key = 0; key < kSetupKeys.size(); ++key)
            stored.values[key] = file.ReadString(section, kSetupKeys[key]);
    }
    return snapshot;
}

// A file whose mark Windows programs do not understand holds text they read
// otherwise than this program would write it: it is left as it is until the
// user saves it in a form they read.
void RefuseMarkWindowsMisreads(platform::ProfileFile& file, const std::string& path) {
    if (const platform::ByteOrderMark mark = file.Mark();
        mark == platform::ByteOrderMark::Utf8 || mark == platform::ByteOrderMark::Utf16Be)
        throw messages::KevoError(
            std::string("The printer settings are not saved: the setup file begins with a ") +
            (mark == platform::ByteOrderMark::Utf8 ? "UTF-8" : "UTF-16 big-endian") +
            " byte-order mark, which Windows programs do not understand.\r\n" + path +
            "\r\nSave the file as ANSI or as Unicode in a text editor, then save the printer "
            "settings again.");
}

// Every value is known to fit the file's encoding before anything is
// written: a save either writes the whole table or nothing.
void RefuseUnencodable(platform::ProfileFile& file, const SetupSnapshot& written,
                       const std::string& path) {
    for (int line = kFirstLine; line <= kLastLine; ++line) {
        const StoredLine& stored = written.lines[static_cast<std::size_t>(line)];
        if (!stored.present)
            continue;
        for (std::size_t key = 0; key < kSetupKeys.size(); ++key) {
            if (const auto bad = file.CannotHold(stored.values[key]))
                throw messages::KevoError(
                    "Line " + std::to_string(line) + " can not be saved: its " +
                    std::string(kColumnHeaders[static_cast<std::size_t>(ColName) + key]) +
                    " holds " + platform::DescribeCharacter(bad->character) +
                    ", for which the setup file's encoding (" + file.EncodingName() +
                    ") has no place.\r\n" + path +
                    "\r\nNothing was saved. Choose another printer or bin for the line, or "
                    "save the file as Unicode in a text editor.");
        }
    }
}

// How often a save merges again when the file keeps changing under it.
constexpr int kSaveAttempts = 5;

// A file that is there but cannot be read is never merged as empty nor
// replaced: whatever it holds would be lost.
void RefuseUnread(platform::ProfileFile& file, const std::string& path) {
    if (const int error = file.ReadError(); error != 0)
        throw platform::ProfileWriteError(path, error,
                                          "The file can not be read (" +
                                              platform::ReadErrorText(error) +
                                              "); it is not saved over, so that nothing in it "
                                              "is lost.");
}

// How often a read outside the lock looks again for a file that a save of
// ours was replacing.
constexpr int kReadLooks = 3;

// Reads the setup file into file. A save of ours may be replacing it just
// then, and the host's replace may leave no file at its name for a moment
// (WriterLock::AwaitWriter): a file found missing while a writer of ours
// holds the lock is read again once the writer is done.
void ReadSettled(std::optional<platform::ProfileFile>& file, const std::string& path) {
    for (int look = 1;; ++look) {
        file.emplace(path);
        if (file->Exists() || look == kReadLooks || !platform::WriterLock::AwaitWriter(path))
            return;
    }
}

} // namespace

std::string SetupFileMarkWarning(const std::string& path) {
    // The mark and the first line are in the first piece of the file; only a
    // big-endian file, whose lines are all concerned, is read whole.
    platform::FileSystem& files = platform::SystemFileSystem();
    int fd = -1;
    if (files.OpenForReading(path, fd) != 0)
        return {};
    std::string bytes(64 * 1024, '\0');
    std::size_t got = 0;
    const int error = files.Read(fd, bytes.data(), bytes.size(), got);
    files.Close(fd);
    bytes.resize(error == 0 ? got : 0);
    switch (platform::MarkOf(bytes)) {
    case platform::ByteOrderMark::Utf8:
        return Utf8MarkWarning(path, std::string_view(bytes).substr(3));
    case platform::ByteOrderMark::Utf16Be:
        if (files.ReadFile(path, platform::ProfileFile::kMaxFileSize, bytes) != 0)
            return {};
        return Utf16BigEndianWarning(path, std::string_view(bytes).substr(2));
    case platform::ByteOrderMark::Utf16Le:
    case platform::ByteOrderMark::None:
        break;
    }
    return {};
}

std::string SetupFileReadProblem(const std::string& path) {
    // The reader of the setup file itself, which never blocks on a pipe.
    std::string contents;
    const int error =
        platform::SystemFileSystem().ReadFile(path, platform::ProfileFile::kMaxFileSize, contents);
    if (error == 0 || error == ENOENT || error == ENOTDIR)
        return {};
    return platform::ReadErrorText(error);
}

std::string UnreadableSetupFileWarning(const std::string& path, const std::string& problem) {
    return "Printer configuration file can not be read.\r\n" + path + "\r\n" + problem +
           "\r\nThe lines show no printer details, and the file is not saved over, until it "
           "can be read.";
}

SetupLoad LoadSetupFile(ConfigTable& table, const std::string& path, SetupSnapshot* base,
                        std::string* readProblem) {
    std::optional<platform::ProfileFile> read;
    ReadSettled(read, path);
    if (!read->Exists() || platform::DirectoryExists(path)) {
        if (base != nullptr)
            *base = SetupSnapshot{};
        return SetupLoad::FileMissing;
    }
    platform::ProfileFile& file = *read;
    for (int line = kFirstLine; line <= kLastLine; ++line) {
        const std::string section = std::to_string(line);
        table.SetCell(ColErrors, line,
                      NamesDifferentErrors(table.Cell(ColName, line),
                                           file.ReadString(section, kSetupKeys[0]),
                                           EmptyStoredName::Agrees));
        for (int key = 1; key < static_cast<int>(kSetupKeys.size()); ++key)
            table.SetCell(ColName + key, line, file.ReadString(section, kSetupKeys[key]));
        table.SetCell(ColChanged, line, "");
    }
    if (base != nullptr)
        *base = SnapshotOf(file);
    if (const int error = file.ReadError(); error != 0) {
        if (readProblem != nullptr)
            *readProblem = platform::ReadErrorText(error);
        return SetupLoad::Unreadable;
    }
    return SetupLoad::Loaded;
}

std::optional<SetupSnapshot> ReadSetupSnapshot(const std::string& path) {
    std::optional<platform::ProfileFile> file;
    ReadSettled(file, path);
    if (file->ReadFailed())
        return std::nullopt;
    return SnapshotOf(*file);
}

std::string AdministratorOnlyAdvice(const platform::ProfileWriteError& error,
                                    const std::string& windowsDir, PathStyle style) {
    if (style != PathStyle::Windows || !error.AccessRefused() ||
        !LiesIn(error.Path(), windowsDir, style))
        return {};
    return "Only an administrator may change files in the Windows folder: start KevoConf as "
           "administrator, or have an administrator give users write access to this one file.";
}

void SaveSetupFile(ConfigTable& table, const std::string& path) {
    // Without a base of its own the table is written over whatever the file
    // holds, as a first save writes it.
    SetupSnapshot base = ReadSetupSnapshot(path).value_or(SetupSnapshot{});
    SaveSetupFile(table, path, base, [](const std::vector<SetupConflict>&) {
        return std::optional<ConflictChoice>(ConflictChoice::KeepMine);
    });
}

SaveReport SaveSetupFile(ConfigTable& table, const std::string& path, SetupSnapshot& base,
                         const ConflictResolver& resolve) {
    SaveReport report;
    const SetupSnapshot mine = TableSnapshot(table);
    std::optional<ConflictChoice> decided;
    std::vector<SetupConflict> shown;
    std::optional<platform::WriterLock> lock(std::in_place, path);
    for (int attempt = 1;; ++attempt) {
        platform::ProfileFile file(path);
        RefuseMarkWindowsMisreads(file, path);
        RefuseUnread(file, path);
        const SetupSnapshot disk = SnapshotOf(file);
        // A file deleted since it was read has nothing of another program's
        // to keep: it is written anew from the table.
        const bool deleted = base.exists && !disk.exists;
        const SetupSnapshot& from = deleted ? disk : base;
        SetupMerge merge = MergeSetup(from, disk, mine, table, ConflictChoice::Ask);
        if (!merge.conflicts.empty()) {
            if (!decided || merge.conflicts != shown) {
                // No writer of ours waits while the user decides, and the
                // file is read again afterwards: it may have changed
                // meanwhile, and a conflict not shown is asked about anew.
                lock.reset();
                shown = merge.conflicts;
                decided = resolve(shown);
                if (!decided) {
                    report.cancelled = true;
                    return report;
                }
                lock.emplace(path);
                --attempt;
                continue;
            }
            merge = MergeSetup(from, disk, mine, table, *decided);
        }
        SetupSnapshot written = merge.result;
        for (int line = kFirstLine; line <= kLastLine; ++line) {
            // A section the table does not name is another program's: kept
            // as it stands.
            if (!mine.lines[static_cast<std::size_t>(line)].present)
                written.lines[static_cast<std::size_t>(line)].present = false;
        }
        RefuseUnencodable(file, written, path);
        for (int line = kFirstLine; line <= kLastLine; ++line) {
            const auto at = static_cast<std::size_t>(line);
            const std::string section = std::to_string(line);
            if (written.lines[at].present) {
                for (std::size_t key = 0; key < kSetupKeys.size(); ++key)
                    file.WriteString(section, kSetupKeys[key],
                                     StoredValue(written.lines[at].values[key]));
            } else if (!merge.result.lines[at].present) {
                file.EraseSection(section);
            }
        }
        try {
            file.Flush();
        } catch (const platform::ProfileChangedError&) {
            if (attempt < kSaveAttempts)
                continue;
            throw messages::KevoError("The printer settings are not saved: another program "
                                      "keeps changing the setup file.\r\n" +
                                      path + "\r\nSave again in a moment.");
        }
        for (const int line : merge.linesFromDisk) {
            const StoredLine& stored = merge.result.lines[static_cast<std::size_t>(line)];
            for (int column = ColPrinter; column <= ColTray2No; ++column)
                table.SetCell(column, line,
                              stored.present ? stored.values[static_cast<std::size_t>(column - ColName)]
                                             : std::string());
        }
        for (int line = kFirstLine; line <= kLastLine; ++line)
            table.SetCell(ColChanged, line, "");
        table.SetModified(false);
        base = SnapshotOf(file);
        base.exists = disk.exists || platform::FileExists(path);
        report.linesFromDisk = std::move(merge.linesFromDisk);
        report.writtenAnew = deleted;
        return report;
    }
}

std::array<std::string, 100> ReadStoredNames(const std::string& path) {
    std::array<std::string, 100> names;
    platform::ProfileFile file(path);
    for (int line = kFirstLine; line <= kLastLine; ++line)
        names[line] = file.ReadString(std::to_string(line), kSetupKeys[0]);
    return names;
}

} // namespace kevo::setup
