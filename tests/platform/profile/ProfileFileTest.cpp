// SPDX-License-Identifier: Apache-2.0
#include "platform/profile/ProfileFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <ctime>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <stdexcept>

#include "ScopedEnv.h"
#include "ScratchFolder.h"

namespace kevo::platform {
namespace {

using namespace std::string_literals;
using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;

// The real file system, with kinds of calls made to fail on demand and every
// call counted.
enum class Call {
    ReadFile,
    Status,
    CheckWritable,
    CreateNew,
    SetPermissions,
    Write,
    Sync,
    Close,
    Rename,
    SyncDirectory,
    Truncate,
};

const char* CallName(Call call) {
    static constexpr std::array kNames = {
        "ReadFile", "Status", "CheckWritable", "CreateNew",     "SetPermissions", "Write",
        "Sync",     "Close",  "Rename",        "SyncDirectory", "Truncate"};
    return kNames[static_cast<std::size_t>(call)];
}

class FaultyFileSystem : public PosixFileSystem {
public:
    void FailAt(Call call, int error) { failures_[call] = error; }
    void Heal() { failures_.clear(); }
    int Count(Call call) const {
        const auto found = counts_.find(call);
        return found == counts_.end() ? 0 : found->second;
    }
    // Each write takes at most this many bytes, as a pipe or a nearly full
    // disk may do.
    std::size_t maxWrite = SIZE_MAX;

    int ReadFile(const std::string& path, std::size_t maxSize, std::string& contents) override {
        return Run(Call::ReadFile,
                   [&] { return PosixFileSystem::ReadFile(path, maxSize, contents); });
    }
    int Status(const std::string& path, FileStatus& status) override {
        return Run(Call::Status, [&] { return PosixFileSystem::Status(path, status); });
    }
    int CheckWritable(const std::string& path) override {
        return Run(Call::CheckWritable, [&] { return PosixFileSystem::CheckWritable(path); });
    }
    int CreateNew(const std::string& path, int& fd) override {
        return Run(Call::CreateNew, [&] { return PosixFileSystem::CreateNew(path, fd); });
    }
    int SetPermissions(int fd, mode_t permissions) override {
        return Run(Call::SetPermissions,
                   [&] { return PosixFileSystem::SetPermissions(fd, permissions); });
    }
    int Write(int fd, const char* data, std::size_t size, std::size_t& written) override {
        return Run(Call::Write, [&] {
            return PosixFileSystem::Write(fd, data, std::min(size, maxWrite), written);
        });
    }
    int Sync(int fd) override {
        return Run(Call::Sync, [&] { return PosixFileSystem::Sync(fd); });
    }
    int Close(int fd) override {
        // The descriptor is released even when close reports an error.
        const int result = PosixFileSystem::Close(fd);
        return Run(Call::Close, [&] { return result; });
    }
    int Rename(const std::string& from, const std::string& to) override {
        return Run(Call::Rename, [&] { return PosixFileSystem::Rename(from, to); });
    }
    int SyncDirectory(const std::string& path) override {
        return Run(Call::SyncDirectory, [&] { return PosixFileSystem::SyncDirectory(path); });
    }
    int Truncate(int fd, std::size_t size) override {
        return Run(Call::Truncate, [&] { return PosixFileSystem::Truncate(fd, size); });
    }

private:
    // The real call runs only when this kind of call is not made to fail.
    template <typename RealCall> int Run(Call call, RealCall real) {
        const std::optional<int> failure = Fails(call);
        return failure ? *failure : real();
    }

    std::optional<int> Fails(Call call) {
        ++counts_[call];
        const auto failure = failures_.find(call);
        if (failure != failures_.end()) {
            return failure->second;
        }
        return std::nullopt;
    }

    std::map<Call, int> failures_;
    std::map<Call, int> counts_;
};

std::string Message(const std::string& path) {
    return "Unable to write to " + path;
}

// Runs call and gives the text of the ProfileWriteError it raises, or a note
// that it raised none; systemError, when given, gets the error's errno value.
template <typename Function> std::string WriteErrorOf(Function call, int* systemError = nullptr) {
    try {
        call();
    } catch (const ProfileWriteError& error) {
        if (systemError != nullptr)
            *systemError = error.SystemError();
        return error.what();
    }
    return "(no error)";
}

// ---------------------------------------------------------------- reading

TEST(ProfileFileRead, MissingFileReadsEmptyAndIsNotCreated) {
    ScratchFolder folder;
    const std::string path = folder / "setup.ini";
    {
        ProfileFile file(path);
        EXPECT_EQ(file.ReadString("1", "Name"), "");
        file.Flush();
    }
    EXPECT_TRUE(folder.Names().empty());
}

TEST(ProfileFileRead, ReadsTheFileOnce) {
    ScratchFolder folder;
    const std::string path = folder / "setup.ini";
    WriteBytes(path, "[1]\nName=a\n[2]\nName=b\n");
    FaultyFileSystem fileSystem;
    ProfileFile file(path, fileSystem);
    EXPECT_EQ(file.ReadString("1", "Name"), "a");
    // Later changes by another program are not seen within one operation.
    WriteBytes(path, "[1]\nName=changed\n");
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(file.ReadString("2", "Name"), "b");
    }
    EXPECT_EQ(fileSystem.Count(Call::ReadFile), 1);
    // Nor are they replaced: the flush finds them and writes nothing.
    file.WriteString("3", "Name", "c");
    EXPECT_THROW(file.Flush(), ProfileChangedError);
    EXPECT_EQ(ReadBytes(path), "[1]\nName=changed\n");
}

TEST(ProfileFileRead, NextOperationSeesChangesMadeInBetween) {
    ScratchFolder folder;
    const std::string path = folder / "setup.ini";
    WriteBytes(path, "[1]\nName=a\n");
    EXPECT_EQ(ProfileFile(path).ReadString("1", "Name"), "a");
    WriteBytes(path, "[1]\nName=b\n");
    EXPECT_EQ(ProfileFile(path).ReadString("1", "Name"), "b");
}

// Paths where nothing can be read or written: reads give empty values, the
// first mutating call is refused, and nothing is created or changed.
struct UnusablePath {
    const char* name;
    std::string (*make)(const ScratchFolder&);
};

void PrintTo(const UnusablePath& c, std::ostream* os) {
    *os << c.name;
}

class UnusablePathTest : public ::testing::TestWithParam<UnusablePath> {};

TEST_P(UnusablePathTest, ReadsEmptyAndRefusesWrites) {
    ScratchFolder folder;
    const std::string path = GetParam().make(folder);
    const std::vector<std::string> before = folder.Names();

    ProfileFile reader(path);
    EXPECT_EQ(reader.ReadString("1", "Name"), "");

    EXPECT_EQ(WriteErrorOf([&] { ProfileFile(path).WriteString("1", "Name", "x"); }),
              Message(path));
    EXPECT_EQ(WriteErrorOf([&] { ProfileFile(path).EraseSection("1"); }), Message(path));
    EXPECT_EQ(folder.Names(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, UnusablePathTest,
    ::testing::Values(
        UnusablePath{"Directory",
                     [](const ScratchFolder& f) {
                         const std::string path = f / "setup.ini";
                         ::mkdir(path.c_str(), 0755);
                         return path;
                     }},
        UnusablePath{"MissingFolder",
                     [](const ScratchFolder& f) { return f / "missing/setup.ini"; }},
        UnusablePath{"UnderRegularFile",
                     [](const ScratchFolder& f) {
                         WriteBytes(f / "file.ini", "[1]\r\n");
                         return f / "file.ini/setup.ini";
                     }},
        UnusablePath{"Pipe",
                     [](const ScratchFolder& f) {
                         // Reading must not wait for a writer that never comes.
                         const std::string path = f / "setup.ini";
                         ::mkfifo(path.c_str(), 0644);
                         return path;
                     }},
        UnusablePath{"DeviceFile", [](const ScratchFolder&) { return "/dev/null"s; }},
        UnusablePath{"ProcFile", [](const ScratchFolder&) { return "/proc/self/setup.ini"s; }},
        UnusablePath{"EmptyPath", [](const ScratchFolder&) { return ""s; }},
        UnusablePath{"TrailingSlash", [](const ScratchFolder& f) { return f / "setup.ini/"; }},
        UnusablePath{"LinkLoop",
                     [](const ScratchFolder& f) {
                         const std::string a = f / "a.ini";
                         const std::string b = f / "b.ini";
                         if (::symlink(b.c_str(), a.c_str()) != 0 ||
                             ::symlink(a.c_str(), b.c_str()) != 0)
                             throw std::runtime_error("cannot make the link loop");
                         return a;
                     }}),
    [](const ::testing::TestParamInfo<UnusablePath>& info) {
        return std::string(info.param.name);
    });

TEST(ProfileFileWrite, DeviceFileStaysADevice) {
    EXPECT_THROW(ProfileFile("/dev/null").WriteString("1", "Name", "x"), ProfileWriteError);
    struct stat st {};
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

// ---------------------------------------------------------------- saving

// A save as the setup file's owner does it: eight keys for each named line,
// the section erased for every other line of 1 to 99.
void SaveLines(ProfileFile& file, const std::map<int, std::string>& names) {
    static const std::array<const char*, 8> kKeys = {
        "Name",         "Device",           "Port",        "Driver", "PaperSourceName1",
        "PaperSource1", "PaperSourceName2", "PaperSource2"};
    for (int line = 1; line <= 99; ++line) {
        const std::string section = std::to_string(line);
        const auto named = names.find(line);
        if (named == names.end()) {
            file.EraseSection(section);
            continue;
        }
        for (const char* key : kKeys) {
            file.WriteString(section, key, key == kKeys[0] ? named->second : "");
        }
    }
    file.Flush();
}

TEST(ProfileFileWrite, SaveKeepsForeignSectionsAndHandAddedKeys) {
    ScratchFolder folder;
    const std::string path = folder / "setup.ini";
    WriteBytes(path, "; setup written by hand\n"
                     "[General]\nVersion=3\n\n"
                     "[1]\nName=One\nDevice=Laser\n\n"
                     "[2]\nMine=keep\nNAME=Two\n\n"
                     "[4]\nName=Four\nExtra=hand\n\n"
                     "[100]\nName=Far\n");
    ProfileFile file(path);
    SaveLines(file, {{1, "One"}, {2, "Zwei"}, {3, "Three"}});
    const std::string rest = "Port=\r\nDriver=\r\nPaperSourceName1=\r\nPaperSource1=\r\n"
                             "PaperSourceName2=\r\nPaperSource2=\r\n";
    EXPECT_EQ(ReadBytes(path), "; setup written by hand\r\n"
                               "[General]\r\nVersion=3\r\n\r\n"
                               "[1]\r\nName=One\r\nDevice=\r\n" +
                                   rest +
                                   "\r\n"
                                   "[2]\r\nMine=keep\r\nNAME=Zwei\r\nDevice=\r\n" +
                                   rest +
                                   "\r\n"
                                   "[100]\r\nName=Far\r\n"
                                   "[3]\r\nName=Three\r\nDevice=\r\n" +
                                   rest);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"setup.ini"});
}

TEST(ProfileFileWrite, SectionErasedBySaveAndWrittenLaterLandsAtEnd) {
    ScratchFolder folder;
    const std::string path = folder / "setup.ini";
    {
        ProfileFile file(path);
        SaveLines(file, {{1, "a"}, {2, "b"}, {3, "c"}});
    }
    {
        ProfileFile file(path);
        SaveLines(file, {{1, "a"}, {3, "c"}});
    }
    {
        ProfileFile file(path);
        SaveLines(file, {{1, "a"}, {2, "b"}, {3, "c"}});
    }
    ProfileFile file(path);
    const std::string text = ReadBytes(path);
    EXPECT_LT(text.find("[1]"), text.find("[3]"));
    EXPECT_LT(text.find("[3]"), text.find("[2]"));
    EXPECT_EQ(file.ReadString("2", "Name"), "b");
}

TEST(ProfileFileWrite, NewFileIsCreated) {
    ScratchFolder folder;
    const std::string path = folder / "setup.ini";
    ProfileFile file(path);
    file.WriteString("3", "Name", "Invoices");
    file.WriteString("3", "Port", "");
    file.Flush();
    EXPECT_EQ(ReadBytes(path), "[3]\r\nName=Invoices\r\nPort=\r\n");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"setup.ini"});
}

TEST(ProfileFileWrite, WritesBeforeFlushStayOffTheDisk) {
    ScratchFolder folder;
    const std::string path = folder / "setup.ini";
    const std::string old = "[1]\nName=old\n";
    WriteBytes(path, old);
    {
        ProfileFile file(path);
        file.WriteString("1", "Name", "new");
        EXPECT_EQ(file.ReadString("1", "Name"), "new");
        EXPECT_EQ(ReadBytes(path), old);
    } // not flushed: discarded
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"setup.ini"});
}

TEST(ProfileFileWrite, FlushWithoutChangesLeavesTheFileAlone) {
    ScratchFolder folder;
    const std::string path = folder / "setup.ini";
    WriteBytes(path, "[1]\nName=a\n"); // LF ends: a rewrite would show
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    {
        ProfileFile file(path);
        file.EraseSection("2");
        file.EraseSection("99");
        file.Flush();
    }
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(ReadBytes(path), "[1]\nName=a\n");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"setup.ini"});

    // Erasing every section of a file that does not exist creates nothing.
    ProfileFile missing(folder / "other.ini");
    SaveLines(missing, {});
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"setup.ini"});
}

TEST(ProfileFileWrite, WritesAfterAFlushReachTheDiskAtTheNextFlush) {
    ScratchFolder folder;
    const std::string path = folder / "setup.ini";
    ProfileFile file(path);
    file.WriteString("1", "A", "1");
    file.Flush();
    EXPECT_EQ(ReadBytes(path), "[1]\r\nA=1\r\n");
    file.WriteString("1", "A", "2");
    file.Flush();
    file.Flush();
    EXPECT_EQ(ReadBytes(path), "[1]\r\nA=2\r\n");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"setup.ini"});
}

TEST(ProfileFileWrite, SaveRemovesOnlyItsOwnStaleTemporaries) {
    ScratchFolder folder;
    const std::string path = folder / "setup.ini";
    WriteBytes(path, "[1]\nName=old\n");
    const auto age = [&](const std::string& name, int seconds) {
        const timespec then{::time(nullptr) - seconds, 0};
        const std::array<timespec, 2> times{then, then};
        ASSERT_EQ(::utimensat(AT_FDCWD, (folder / name).c_str(), times.data(), AT_SYMLINK_NOFOLLOW),
                  0);
    };
    ASSERT_EQ(::symlink("setup.ini", (folder / ".setup.ini.kevo-link0001").c_str()), 0);
    age(".setup.ini.kevo-link0001", 3600);
    std::vector<std::string> expected = {".setup.ini.kevo-link0001", "setup.ini"};
    // Name, age in seconds, whether the save keeps it.
    const std::vector<std::tuple<std::string, int, bool>> entries = {
        {".setup.ini.kevo-stale001", 90, false},  // ours, left by a killed save
        {".setup.ini.kevo-fresh001", 0, true},    // ours, a save may be going on
        {".other.ini.kevo-a1b2c3d4", 3600, true}, // another file's
        {".setup.ini.a1b2c3d4", 3600, true},      // without our mark
        {".setup.ini.kevo-A1B2C3D4", 3600, true}, // letters we never use
    };
    for (const auto& [name, seconds, kept] : entries) {
        WriteBytes(folder / name, "x");
        age(name, seconds);
        if (kept) {
            expected.push_back(name);
        }
    }
    std::sort(expected.begin(), expected.end());

    ProfileFile file(path);
    file.WriteString("1", "Name", "new");
    file.Flush();
    EXPECT_EQ(folder.Names(), expected);
}

TEST(ProfileFileWrite, UnwritableNamesAreRefusedBeforeTheDisk) {
    ScratchFolder folder;
    const std::string path = folder / "setup.ini";
    ProfileFile file(path);
    EXPECT_EQ(WriteErrorOf([&] { file.WriteString("", "Name", "x"); }), Message(path));
    EXPECT_EQ(WriteErrorOf([&] { file.WriteString("1", " ", "x"); }), Message(path));
    EXPECT_EQ(WriteErrorOf([&] { file.WriteString("1", "a=b", "x"); }), Message(path));
    EXPECT_EQ(WriteErrorOf([&] { file.WriteString("1", ";c", "x"); }), Message(path));
    EXPECT_EQ(WriteErrorOf([&] { file.WriteString("1", "[s]", "x"); }), Message(path));
    EXPECT_TRUE(folder.Names().empty());
}

TEST(ProfileFileWrite, ShortWritesStillWriteEverything) {
    ScratchFolder folder;
    const std::string path = folder / "setup.ini";
    FaultyFileSystem fileSystem;
    fileSystem.maxWrite = 7;
    std::string expected;
    {
        ProfileFile file(path, fileSystem);
        for (int line = 1; line <= 99; ++line) {
            file.WriteString(std::to_string(line), "Name", std::string(line, 'n'));
            expected.append("[").append(std::to_string(line)).append("]\r\nName=");
            expected.append(std::string(line, 'n')).append("\r\n");
        }
        file.Flush();
    }
    EXPECT_EQ(ReadBytes(path), expected);
}

// ---------------------------------------------------------------- failures

// One failing step of a save. Steps up to the temporary file's creation fail
// at the first mutating call; the others at the flush.
struct FailureCase {
    Call call;
    int error;
    bool atFirstWrite;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << CallName(c.call) << " errno " << c.error;
}

class SaveFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(SaveFailureTest, OldFileStaysAndNoTemporaryIsLeft) {
    const FailureCase& c = GetParam();
    ScratchFolder folder;
    const std::string path = folder / "setup.ini";
    const std::string old = "[General]\nA=1\n[1]\nName=old\nMine=hand\n";
    WriteBytes(path, old);
    ::chmod(path.c_str(), 0640);

    FaultyFileSystem fileSystem;
    fileSystem.FailAt(c.call, c.error);
    ProfileFile file(path, fileSystem);
    // The refusing call's error goes with the error, so that a refusal of
    // access can be told from a full disk.
    int systemError = 0;
    if (c.atFirstWrite) {
        EXPECT_EQ(WriteErrorOf([&] { file.WriteString("1", "Name", "new"); }, &systemError),
                  Message(path));
        EXPECT_EQ(WriteErrorOf([&] { file.EraseSection("General"); }), Message(path));
    } else {
        file.WriteString("1", "Name", "new");
        file.EraseSection("General");
        EXPECT_EQ(WriteErrorOf([&] { file.Flush(); }, &systemError), Message(path));
    }
    EXPECT_EQ(systemError, c.error);
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"setup.ini"});

    // Once the fault is gone the same operation can finish the save.
    fileSystem.Heal();
    file.WriteString("1", "Name", "new");
    file.EraseSection("General");
    file.Flush();
    EXPECT_EQ(ReadBytes(path), "[1]\r\nName=new\r\nMine=hand\r\n");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"setup.ini"});
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, SaveFailureTest,
    ::testing::Values(
        FailureCase{Call::Status, EIO, true}, FailureCase{Call::CheckWritable, EACCES, true},
        FailureCase{Call::CheckWritable, EROFS, true}, FailureCase{Call::CreateNew, EDQUOT, true},
        FailureCase{Call::CreateNew, ENOSPC, true}, FailureCase{Call::SetPermissions, EPERM, true},
        FailureCase{Call::Write, ENOSPC, false}, FailureCase{Call::Write, EIO, false},
        FailureCase{Call::Sync, EIO, false}, FailureCase{Call::Close, EIO, false},
        FailureCase{Call::Rename, EACCES, false}, FailureCase{Call::Rename, EIO, false}),
    [](const ::testing::TestParamInfo<FailureCase>& info) {
        return std::string(CallName(info.param.call)) + "_" + std::to_string(info.param.error);
    });

TEST(ProfileFileFailure, UnreadableFileIsNeverReplaced) {
    ScratchFolder folder;
    const std::string path = folder / "setup.ini";
    const std::string old = "[1]\nName=old\n[2]\nName=keep\n";
    WriteBytes(path, old);
    FaultyFileSystem fileSystem;
    fileSystem.FailAt(Call::ReadFile, EIO);
    ProfileFile file(path, fileSystem);
    EXPECT_EQ(file.ReadString("1", "Name"), "");
    // Writing now would throw away section 2, which could not be read.
    EXPECT_EQ(WriteErrorOf([&] { file.WriteString("1", "Name", "new"); }), Message(path));
    EXPECT_EQ(WriteErrorOf([&] { file.Flush(); }), "(no error)");
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"setup.ini"});
}

TEST(ProfileFileFailure, FolderSyncFailureIsReportedAfterTheRename) {
    ScratchFolder folder;
    const std::string path = folder / "setup.ini";
    WriteBytes(path, "[1]\nName=old\n");
    FaultyFileSystem fileSystem;
    fileSystem.FailAt(Call::SyncDirectory, EIO);
    ProfileFile file(path, fileSystem);
    file.WriteString("1", "Name", "new");
    // The new text is in place, but not known to survive a crash.
    EXPECT_EQ(WriteErrorOf([&] { file.Flush(); }), Message(path));
    EXPECT_EQ(ReadBytes(path), "[1]\r\nName=new\r\n");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"setup.ini"});

    // A file system that cannot sync folders at all is no failure.
    fileSystem.FailAt(Call::SyncDirectory, EINVAL);
    ProfileFile again(path, fileSystem);
    again.WriteString("1", "Name", "newer");
    EXPECT_EQ(WriteErrorOf([&] { again.Flush(); }), "(no error)");
    EXPECT_EQ(ReadBytes(path), "[1]\r\nName=newer\r\n");
}

// A folder that refuses the temporary file: an existing file is rewritten in
// place and stays the same file; a failure there is the write error; a
// missing file is not made.
TEST(ProfileFileFailure, FolderThatRefusesTheTemporaryGetsTheFileWrittenInPlace) {
    struct Case {
        const char* name;
        int createError;
        std::optional<std::pair<Call, int>> alsoFails;
        bool exists;
    };
    for (const Case& c : {Case{"denied", EACCES, {}, true}, Case{"not permitted", EPERM, {}, true},
                          Case{"write fails", EACCES, std::pair{Call::Write, ENOSPC}, true},
                          Case{"truncate fails", EACCES, std::pair{Call::Truncate, EIO}, true},
                          Case{"missing file", EACCES, {}, false}}) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        const std::string path = folder / "setup.ini";
        struct stat before {};
        if (c.exists) {
            // Longer than the new text, which must not keep the old tail.
            WriteBytes(path, "[1]\nName=" + std::string(500, 'o') + "\n");
            ASSERT_EQ(::chmod(path.c_str(), 0646), 0);
            ASSERT_EQ(::stat(path.c_str(), &before), 0);
        }
        FaultyFileSystem fileSystem;
        fileSystem.FailAt(Call::CreateNew, c.createError);
        if (c.alsoFails) {
            fileSystem.FailAt(c.alsoFails->first, c.alsoFails->second);
        }
        const bool saved = c.exists && !c.alsoFails;
        int systemError = 0;
        EXPECT_EQ(WriteErrorOf(
                      [&] {
                          ProfileFile file(path, fileSystem);
                          file.WriteString("1", "Name", "new");
                          file.Flush();
                      },
                      &systemError),
                  saved ? "(no error)" : Message(path));
        if (!saved) {
            EXPECT_EQ(systemError, c.alsoFails ? c.alsoFails->second : c.createError);
        }
        EXPECT_EQ(folder.Names(),
                  c.exists ? std::vector<std::string>{"setup.ini"} : std::vector<std::string>{});
        struct stat after {};
        static_cast<void>(::stat(path.c_str(), &after));
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode, before.st_mode);
        if (saved) {
            EXPECT_EQ(ReadBytes(path), "[1]\r\nName=new\r\n");
        }
    }
}

TEST(ProfileFileFailure, ErrorIsAProgramError) {
    const ProfileWriteError error("/home/a/setup.ini");
    const messages::KevoError& asKevo = error;
    const std::runtime_error& asRuntime = error;
    EXPECT_STREQ(asKevo.what(), "Unable to write to /home/a/setup.ini");
    EXPECT_STREQ(asRuntime.what(), "Unable to write to /home/a/setup.ini");
}

// ---------------------------------------------------------------- file attributes

class KeepsPermissionsTest : public ::testing::TestWithParam<mode_t> {};

TEST_P(KeepsPermissionsTest, AfterSave) {
    ScratchFolder folder;
    const std::string path = folder / "setup.ini";
    WriteBytes(path, "[1]\nName=a\n");
    ASSERT_EQ(::chmod(path.c_str(), GetParam()), 0);
    ProfileFile file(path);
    file.WriteString("1", "Name", "b");
    file.Flush();
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, GetParam());
    EXPECT_EQ(ReadBytes(path), "[1]\r\nName=b\r\n");
}

INSTANTIATE_TEST_SUITE_P(Modes, KeepsPermissionsTest,
                         ::testing::Values(0600, 0640, 0644, 0604, 0666, 0755));

TEST(ProfileFileAttributes, NewFileGetsModeLessUmask) {
    for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{002}}) {
        ScratchFolder folder;
        const std::string path = folder / "setup.ini";
        const mode_t previous = ::umask(mask);
        {
            ProfileFile file(path);
            file.WriteString("1", "Name", "a");
            file.Flush();
        }
        ::umask(previous);
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0666 & ~mask) << "umask " << mask;
    }
}

struct LinkCase {
    const char* name;
    bool relative;
    bool chained;
    bool dangling;
};

void PrintTo(const LinkCase& c, std::ostream* os) {
    *os << c.name;
}

class SymbolicLinkTest : public ::testing::TestWithParam<LinkCase> {};

TEST_P(SymbolicLinkTest, LinkStaysAndTargetIsWritten) {
    const LinkCase& c = GetParam();
    ScratchFolder folder;
    ASSERT_EQ(::mkdir((folder / "real").c_str(), 0755), 0);
    const std::string target = folder / "real/setup.ini";
    if (!c.dangling) {
        WriteBytes(target, "[1]\nName=old\nMine=x\n");
        ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    }
    const std::string linkText = c.relative ? "real/setup.ini" : target;
    std::string path = folder / "setup.ini";
    ASSERT_EQ(::symlink(linkText.c_str(), path.c_str()), 0);
    if (c.chained) {
        const std::string outer = folder / "outer.ini";
        ASSERT_EQ(::symlink("setup.ini", outer.c_str()), 0);
        path = outer;
    }

    ProfileFile file(path);
    file.WriteString("1", "Name", "new");
    file.Flush();

    char buffer[PATH_MAX] = {};
    const ssize_t length = ::readlink((folder / "setup.ini").c_str(), buffer, sizeof buffer - 1);
    ASSERT_GT(length, 0);
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(length)), linkText);
    EXPECT_EQ(ReadBytes(target),
              c.dangling ? "[1]\r\nName=new\r\n" : "[1]\r\nName=new\r\nMine=x\r\n");
    if (!c.dangling) {
        struct stat st {};
        ASSERT_EQ(::stat(target.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u);
    }
    std::vector<std::string> inReal;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "real")) {
        inReal.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(inReal, std::vector<std::string>{"setup.ini"});
}

INSTANTIATE_TEST_SUITE_P(Links, SymbolicLinkTest,
                         ::testing::Values(LinkCase{"Absolute", false, false, false},
                                           LinkCase{"Relative", true, false, false},
                                           LinkCase{"Chain", true, true, false},
                                           LinkCase{"Dangling", false, false, true}),
                         [](const ::testing::TestParamInfo<LinkCase>& info) {
                             return std::string(info.param.name);
                         });

// ---------------------------------------------------------------- large and odd input

TEST(ProfileFileInput, FiftyMegabyteLine) {
    ScratchFolder folder;
    const std::string path = folder / "setup.ini";
    const std::size_t size = 50u * 1024 * 1024;
    {
        std::string big = "[1]\r\nName=";
        big.append(size, 'v'); // no line end at all
        WriteBytes(path, big);
    }
    {
        ProfileFile file(path);
        EXPECT_EQ(file.ReadString("1", "Name"), std::string(2047, 'v'));
        file.WriteString("2", "Name", "b");
        file.Flush();
    }
    const std::string text = ReadBytes(path);
    EXPECT_EQ(text.size(), 10 + size + 2 + 13);
    EXPECT_EQ(text.substr(text.size() - 16), "v\r\n[2]\r\nName=b\r\n");
}

TEST(ProfileFileInput, BinaryFileKeepsItsBytes) {
    ScratchFolder folder;
    const std::string path = folder / "setup.ini";
    std::mt19937 engine(7);
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::string noise(1 << 20, '\0');
    for (char& c : noise) {
        c = static_cast<char>(anyByte(engine));
        if (c == '\n' || c == '[') { // one line, never a header
            c = '\0';
        }
    }
    const std::string section = "[9]\r\nName=\xFF\xFEna\0me\x80\r\n"s;
    WriteBytes(path, noise + "\r\n" + section);
    // Every byte is text of the code page, the ones it leaves undefined too.
    const test::ScopedEnv codePage("KEVOCONF_CODEPAGE", "1252");
    {
        ProfileFile file(path);
        EXPECT_EQ(file.ReadString("9", "Name"), "\u00ff\u00fena\0me\u20ac"s);
        file.WriteString("10", "Name", "\0\u00c3("s);
        file.Flush();
    }
    EXPECT_EQ(ReadBytes(path), noise + "\r\n" + section + "[10]\r\nName=\0\xC3(\r\n"s);
    EXPECT_EQ(ProfileFile(path).ReadString("10", "name"), "\0\u00c3("s);
}

} // namespace
} // namespace kevo::platform
