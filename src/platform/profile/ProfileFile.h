// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "messages/ErrorReport.h"
#include "platform/profile/FileSystem.h"
#include "platform/profile/ProfileDocument.h"
#include "platform/text/TextCoding.h"

#include <optional>

namespace kevo::platform {

// A write to a profile file that the system refused. what() is
// "Unable to write to " followed by the file's path, and after a line break
// the advice when one is given. SystemError() is the errno value of the
// refusing call (0 when no system call refused, as for a name that could
// not be read back).
class ProfileWriteError : public messages::KevoError {
public:
    explicit ProfileWriteError(const std::string& path, int systemError = 0,
                               const std::string& advice = {});

    const std::string& Path() const { return path_; }
    int SystemError() const { return systemError_; }
    const std::string& Advice() const { return advice_; }
    // The system refused access: the user may not change the file or, for a
    // new file, its folder (EACCES, EPERM; on Windows ERROR_ACCESS_DENIED).
    bool AccessRefused() const;

private:
    std::string path_;
    int systemError_;
    std::string advice_;
};

// A save that found the file changed on disk since it was read: another
// program wrote it meanwhile. Nothing was written; the caller reads the file
// again and merges.
class ProfileChangedError : public messages::KevoError {
public:
    explicit ProfileChangedError(const std::string& path);
};

// One profile (INI) file, opened for one operation: one load, or one save.
//
// The file is read once, at the first call, and every later call works on
// that copy. Writes are kept in memory and reach the disk only at Flush(),
// all at once: the new text goes to a temporary file in the same folder,
// which is synced and renamed over the old file, so that a crash or a full
// disk never leaves a half-written file. A ProfileFile destroyed without
// Flush() discards its writes; callers flush at the end of a save.
//
// Reading never fails: a missing file, section or key, a file that cannot be
// read, or a path that is a directory give the empty text. A write that the
// system would refuse raises ProfileWriteError at the first WriteString or
// EraseSection (the folder is missing, or refuses a new file, the path is a
// directory or a read-only file, or the existing file cannot be read and
// would be lost) or at Flush() (writing, syncing or renaming fails). After a
// failure the old file is as it was (unless it was being rewritten in place,
// below) and no temporary file is left behind; the writes stay in
// memory, so a later Flush() may try again. One failure comes after the
// rename: when the folder cannot be synced, the new text is in place but may
// not survive a crash, and Flush() still reports the error.
//
// Erasing a section that does not exist changes nothing, and Flush() after
// no change leaves the disk alone (a missing file is not created).
//
// Flush() replaces only the file it read: right before the new text takes
// the old one's place, the file is read again, and when its bytes are no
// longer those read at first (another program saved it meanwhile, created
// it, or deleted it), nothing is replaced and ProfileChangedError is raised.
//
// Text: names and values are UTF-8; the file is read and written as the
// Windows profile functions read and write it. A file that begins with the
// UTF-16 LE byte-order mark is UTF-16 LE, and stays so with its mark; every
// other file is in the host's code page (HostCodePage) byte for byte, also
// one that begins with a UTF-8 or a UTF-16 BE mark, which those functions
// do not understand: the mark's bytes are text of the first line. A new
// file is written in the code page. Decoding keeps every byte (see
// TextCoding), so the lines that a save does not change keep their bytes,
// and writing a value equal to the one stored changes nothing and touches
// no file.
//
// Names and values: see ProfileDocument. CR and LF in names and values are
// written as blanks. Writing with a section or key name that could not be
// read back (empty or blank only; a key holding "=", or beginning with ";",
// or looking like a section header) is refused with ProfileWriteError as
// well, before anything touches the disk.
//
// A path that is a symbolic link is written through to the file it names;
// the link stays. The replacement keeps the old file's permission bits (and
// its owner and group where the process may set them; on Windows its
// attributes and access list); a new file gets 0666 less the umask. Being a
// new file, the replacement does not keep other hard links to the old one.
//
// A folder in which the user may not create files (a shared setup file,
// writable by all, in a folder only an administrator may change) cannot
// hold the temporary file. Then an existing writable file is rewritten in
// place instead: opened, overwritten, cut to the new length and synced, so
// that it keeps its owner, permissions and links. That save is not atomic: a
// failure or a crash half-way can leave the file cut short (the failure is
// still reported). A missing file in such a folder cannot be created.
//
// Temporary files are named ".<file name>.kevo-" and eight letters or
// digits. One that a killed save left behind is removed by a later save of
// the same file once it is a minute old.
class ProfileFile {
public:
    // Files above this size are treated as unreadable: read as empty and
    // never replaced.
    static constexpr std::size_t kMaxFileSize = std::size_t{256} * 1024 * 1024;

    explicit ProfileFile(std::string path);
    // For tests: the file-system calls go through fileSystem, which must
    // outlive this object.
    ProfileFile(std::string path, FileSystem& fileSystem);
    ~ProfileFile();

    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;

    const std::string& Path() const { return path_; }

    // The file's encoding for people: "code page 1250", "UTF-8" (the code
    // page 65001) or "UTF-16".
    std::string EncodingName();
    // The byte-order mark the file began with when it was read.
    ByteOrderMark Mark();
    // The first character of text that the file's encoding cannot hold, if
    // any: a write of that text would fail at Flush().
    std::optional<Unencodable> CannotHold(std::string_view text);

    // Whether the file was there when it was read, and whether it was there
    // but could not be read. Nothing is there when the path or a folder on
    // it does not exist.
    bool Exists();
    bool ReadFailed();
    // Why the file that is there could not be read: the error of the read
    // (see ReadErrorText); 0 when it was read or is not there.
    int ReadError();

    std::string ReadString(std::string_view section, std::string_view key);
    // The sections' names in file order (see ProfileDocument).
    std::vector<std::string> SectionNames();
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void EraseSection(std::string_view section);
    void Flush();

private:
    void Load();
    void PrepareWrite();
    // Raises ProfileChangedError when the file's bytes are not those read.
    void EnsureUnchanged();
    // The new text is on disk: it is what a later flush expects there.
    void Written();
    void RemoveStaleTemporaries(const std::string& directory, const std::string& prefix);
    // Writes the document to fd_ from where it stands; the bytes written.
    std::size_t WriteDocument();
    [[noreturn]] void Fail(int systemError = 0);
    // Closes fd_ and removes the temporary file, if any.
    void Discard() noexcept;
    std::string ResolveTarget() const;

    std::string path_;
    FileSystem& fileSystem_;
    int codePage_; // the host's, when the file is not UTF-16
    ByteOrderMark mark_ = ByteOrderMark::None;
    ProfileDocument document_;
    bool loaded_ = false;
    bool existed_ = false;    // the file was there when it was read
    std::string readBytes_;   // its bytes as read (or as written by a flush)
    std::string written_;     // the bytes being written
    int readError_ = 0;       // the file exists but could not be read: why
    bool changed_ = false;    // the document differs from what is on disk

    // Set up by the first mutating call and consumed by Flush().
    std::string target_;    // the file that is replaced (links resolved)
    std::string folder_;    // its folder, for the temporary file and the sync
    std::string temporary_; // empty when there is none
    int fd_ = -1;           // the temporary file, or the file itself when in place
    bool inPlace_ = false;  // the folder refused the temporary file
};

} // namespace kevo::platform
