// SPDX-License-Identifier: Apache-2.0
#include "platform/profile/ProfileFile.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace kevo::platform {

namespace {

// Links are followed at most this often, as the system itself does.
constexpr int kMaxLinkHops = 40;

// The temporary file's name keeps at most this much of the file's own name,
// so that a long file name still leaves room for the temporary one's.
constexpr std::size_t kMaxTemporaryStem = 128;

constexpr std::size_t kWriteChunk = std::size_t{64} * 1024;

// A temporary file is named ".<file name>.kevo-<8 random letters or digits>",
// so that one left behind by a killed save is told apart from anything else
// in the folder and removed at a later save once it is this old.
constexpr std::string_view kTemporaryMark = ".kevo-";
constexpr std::size_t kRandomLength = 8;
constexpr std::string_view kRandomLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::int64_t kStaleTemporarySeconds = 60;

std::string RandomSuffix() {
    thread_local std::mt19937_64 engine(
        std::random_device{}() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::uniform_int_distribution<std::size_t> pick(0, kRandomLetters.size() - 1);
    std::string suffix(kRandomLength, ' ');
    for (char& c : suffix) {
        c = kRandomLetters[pick(engine)];
    }
    return suffix;
}

// Whether name is one of our temporary files whose name begins with prefix
// (".<file name>.kevo-").
bool IsTemporaryName(std::string_view name, std::string_view prefix) {
    if (name.size() != prefix.size() + kRandomLength || !name.starts_with(prefix)) {
        return false;
    }
    name.remove_prefix(prefix.size());
    return name.find_first_not_of(kRandomLetters) == std::string_view::npos;
}

// Errors of creating a file that say the folder refuses new files, not that
// the disk or the device fails.
bool IsFolderRefusal(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

// Errors of a read that say nothing is there: neither the file, nor (for
// ENOTDIR) the folder it would be in.
bool NothingThere(int error) {
    return error == ENOENT || error == ENOTDIR;
}

// Collects the document's pieces into large writes to one descriptor and
// keeps the first error.
class ChunkWriter {
public:
    ChunkWriter(FileSystem& fileSystem, int fd) : fileSystem_(fileSystem), fd_(fd) {
        buffer_.reserve(kWriteChunk);
    }

    void Add(std::string_view piece) {
        if (error_ != 0) {
            return;
        }
        if (buffer_.size() + piece.size() <= kWriteChunk) {
            buffer_.append(piece);
            return;
        }
        Finish();
        if (piece.size() >= kWriteChunk) {
            WriteAll(piece);
        } else {
            buffer_.append(piece);
        }
    }

    // How many bytes have been written.
    std::size_t Written() const { return written_; }

    // Writes what is still buffered; the first error of all the writes.
    int Finish() {
        if (error_ == 0 && !buffer_.empty()) {
            WriteAll(buffer_);
        }
        buffer_.clear();
        return error_;
    }

private:
    void WriteAll(std::string_view data) {
        while (!data.empty() && error_ == 0) {
            std::size_t written = 0;
            error_ = fileSystem_.Write(fd_, data.data(), data.size(), written);
            if (error_ == 0 && written == 0) {
                error_ = ENOSPC; // no progress: the disk takes no more
            }
            data.remove_prefix(written);
            written_ += written;
        }
    }

    FileSystem& fileSystem_;
    int fd_;
    std::string buffer_;
    int error_ = 0;
    std::size_t written_ = 0;
};

} // namespace

ProfileWriteError::ProfileWriteError(const std::string& path, int systemError,
                                     const std::string& advice)
    : messages::KevoError("Unable to write to " + path + (advice.empty() ? "" : "\r\n" + advice)),
      path_(path), systemError_(systemError), advice_(advice) {}

ProfileChangedError::ProfileChangedError(const std::string& path)
    : messages::KevoError("The setup file was changed by another program while it was saved: " +
                          path) {}

bool ProfileWriteError::AccessRefused() const {
    return systemError_ == EACCES || systemError_ == EPERM;
}

ProfileFile::ProfileFile(std::string path) : ProfileFile(std::move(path), SystemFileSystem()) {}

ProfileFile::ProfileFile(std::string path, FileSystem& fileSystem)
    : path_(std::move(path)), fileSystem_(fileSystem), codePage_(HostCodePage()) {}

ByteOrderMark ProfileFile::Mark() {
    Load();
    return mark_;
}

std::string ProfileFile::EncodingName() {
    Load();
    if (mark_ == ByteOrderMark::Utf16Le)
        return "UTF-16";
    if (codePage_ == kCodePageUtf8)
        return "UTF-8";
    return "code page " + std::to_string(codePage_);
}

std::optional<Unencodable> ProfileFile::CannotHold(std::string_view text) {
    Load();
    std::string bytes;
    return mark_ == ByteOrderMark::Utf16Le ? EncodeUtf16(text, false, bytes)
                                           : EncodeCodePage(text, codePage_, bytes);
}

ProfileFile::~ProfileFile() {
    Discard();
}

bool ProfileFile::Exists() {
    Load();
    return existed_;
}

bool ProfileFile::ReadFailed() {
    return ReadError() != 0;
}

int ProfileFile::ReadError() {
    Load();
    return readError_;
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key) {
    Load();
    return document_.ReadString(section, key);
}

std::vector<std::string> ProfileFile::SectionNames() {
    Load();
    return document_.SectionNames();
}

void ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
    if (!ProfileDocument::IsWritableSectionName(ProfileDocument::CleanName(section)) ||
        !ProfileDocument::IsWritableKeyName(ProfileDocument::CleanName(key))) {
        Fail();
    }
    // A value that stays as it stands asks nothing of the file system: an
    // untouched save of a file the user may not change succeeds.
    Load();
    if (document_.Holds(section, key, value))
        return;
    PrepareWrite();
    document_.WriteString(section, key, value);
    changed_ = true;
}

void ProfileFile::EraseSection(std::string_view section) {
    PrepareWrite();
    if (document_.EraseSection(section)) {
        changed_ = true;
    }
}

void ProfileFile::Flush() {
    if (!changed_) {
        Discard();
        return;
    }
    PrepareWrite();
    if (inPlace_) {
        EnsureUnchanged();
    }
    const std::size_t size = WriteDocument();
    // Written in place over the old text: what is left of a longer old text
    // goes.
    int error = inPlace_ ? fileSystem_.Truncate(fd_, size) : 0;
    if (error != 0) {
        Fail(error);
    }

    error = fileSystem_.Sync(fd_);
    if (error != 0) {
        Fail(error);
    }
    if (!inPlace_) {
        EnsureUnchanged();
    }
    const int fd = std::exchange(fd_, -1);
    error = fileSystem_.Close(fd);
    if (error != 0) {
        Fail(error);
    }
    if (inPlace_) {
        // The file kept its name: there is no rename to make durable.
        changed_ = false;
        Written();
        return;
    }
    error = fileSystem_.Rename(temporary_, target_);
    if (error != 0) {
        Fail(error);
    }
    temporary_.clear();
    changed_ = false;
    Written();

    // The new text is in place; the rename itself is durable only once the
    // folder is synced. File systems that cannot sync a folder say EINVAL.
    error = fileSystem_.SyncDirectory(folder_);
    if (error != 0 && error != EINVAL && error != ENOTSUP) {
        throw ProfileWriteError(path_, error);
    }
}

void ProfileFile::Load() {
    if (loaded_) {
        return;
    }
    loaded_ = true;
    std::string bytes;
    const int error = fileSystem_.ReadFile(path_, kMaxFileSize, bytes);
    existed_ = !NothingThere(error);
    if (error == 0) {
        readBytes_ = bytes;
        mark_ = MarkOf(bytes);
        document_.Load(mark_ == ByteOrderMark::Utf16Le
                           ? DecodeUtf16(std::string_view(bytes).substr(2), false)
                           : DecodeCodePage(bytes, codePage_));
    } else {
        // A missing file reads as empty and may be created; a file that is
        // there but cannot be read must never be replaced by what little
        // this operation writes.
        readError_ = existed_ ? error : 0;
    }
}

void ProfileFile::Written() {
    existed_ = true;
    readBytes_ = std::move(written_);
    written_.clear();
}

void ProfileFile::EnsureUnchanged() {
    std::string bytes;
    const int error = fileSystem_.ReadFile(path_, kMaxFileSize, bytes);
    const bool exists = !NothingThere(error);
    if (exists != existed_ || (error == 0 && bytes != readBytes_)) {
        Discard();
        throw ProfileChangedError(path_);
    }
}

std::string ProfileFile::ResolveTarget() const {
    std::string current = path_;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        std::string link;
        if (fileSystem_.ReadLink(current, link) != 0) {
            // Not a link (or nothing there yet): this is the file to replace.
            return current;
        }
        if (link.empty()) {
            return {};
        }
        if (link.front() == '/') {
            current = std::move(link);
        } else {
            const std::size_t slash = FolderSeparatorPosition(current);
            current.erase(slash == std::string::npos ? 0 : slash + 1);
            current += link;
        }
    }
    return {}; // a loop of links
}

void ProfileFile::PrepareWrite() {
    Load();
    if (fd_ >= 0) {
        return;
    }
    if (readError_ != 0) {
        Fail(readError_);
    }
    target_ = ResolveTarget();
    const std::size_t slash = FolderSeparatorPosition(target_);
    const std::string directory =
        slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
    const std::string name = target_.substr(directory.size());
    if (name.empty()) {
        Fail();
    }
    folder_ = directory.empty() ? "." : directory;

    FileStatus status;
    const int statusError = fileSystem_.Status(target_, status);
    const bool exists = statusError == 0;
    if (exists) {
        if (!status.isRegular) {
            Fail(EISDIR);
        }
        if (const int error = fileSystem_.CheckWritable(target_); error != 0) {
            Fail(error);
        }
    } else if (statusError != ENOENT) {
        Fail(statusError);
    }

    const std::string prefix =
        "." + name.substr(0, kMaxTemporaryStem) + std::string(kTemporaryMark);
    RemoveStaleTemporaries(directory, prefix);

    // Created now rather than at the flush, so that a folder that is missing
    // or read-only is reported by the first write of the operation.
    inPlace_ = false;
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        temporary_ = directory + prefix + RandomSuffix();
        error = fileSystem_.CreateNew(temporary_, fd_);
    }
    if (error != 0) {
        temporary_.clear();
        fd_ = -1;
        // A shared setup file may be writable in a folder where the user may
        // not create files: then it is rewritten where it is, and so keeps
        // its owner, permissions and links, though a failure half-way can
        // leave it cut short.
        if (!exists || !IsFolderRefusal(error)) {
            Fail(error);
        }
        if (const int openError = fileSystem_.OpenExisting(target_, fd_); openError != 0) {
            fd_ = -1;
            Fail(openError);
        }
        inPlace_ = true;
        return;
    }
    if (exists) {
        // The owner first: a change of owner may clear the set-id bits. Only
        // a privileged process may give a file away; others keep their own.
        static_cast<void>(fileSystem_.SetOwner(fd_, status.owner, status.group));
        if (const int error = fileSystem_.SetPermissions(fd_, status.permissions); error != 0) {
            Fail(error);
        }
    }
}

void ProfileFile::RemoveStaleTemporaries(const std::string& directory, const std::string& prefix) {
    // Anything that goes wrong here is left for the next save to try again.
    std::vector<FolderEntry> entries;
    static_cast<void>(fileSystem_.ListFolder(folder_, prefix, entries));
    const std::int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    for (const FolderEntry& entry : entries) {
        if (entry.isRegular && IsTemporaryName(entry.name, prefix) &&
            now - entry.modified > kStaleTemporarySeconds) {
            static_cast<void>(fileSystem_.Remove(directory + entry.name));
        }
    }
}

std::size_t ProfileFile::WriteDocument() {
    // The whole text is encoded before anything is written: a value that the
    // encoding cannot hold fails the save with the file as it was.
    std::string bytes;
    const std::string text = document_.Text();
    if (mark_ == ByteOrderMark::Utf16Le) {
        bytes = MarkBytes(ByteOrderMark::Utf16Le);
        if (EncodeUtf16(text, false, bytes))
            Fail();
    } else if (EncodeCodePage(text, codePage_, bytes)) {
        Fail();
    }
    ChunkWriter writer(fileSystem_, fd_);
    writer.Add(bytes);
    if (const int error = writer.Finish(); error != 0) {
        Fail(error);
    }
    // What a later flush of this operation expects to find on disk.
    written_ = std::move(bytes);
    return writer.Written();
}

void ProfileFile::Fail(int systemError) {
    Discard();
    throw ProfileWriteError(path_, systemError);
}

void ProfileFile::Discard() noexcept {
    if (fd_ >= 0) {
        static_cast<void>(fileSystem_.Close(fd_));
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        static_cast<void>(fileSystem_.Remove(temporary_));
        temporary_.clear();
    }
}

} // namespace kevo::platform
