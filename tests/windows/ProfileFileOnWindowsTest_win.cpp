// SPDX-License-Identifier: Apache-2.0
// Our profile file on the Windows file system: the save replaces the file
// through a temporary one in the same folder, the file keeps its attributes,
// and every refusal of the system is "Unable to write to" with the old file
// left as it was.

#include "WindowsTestSupport.h"

#include "platform/profile/ProfileFile.h"

#include <gtest/gtest.h>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace kevo::testing {
namespace {

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find, &entry) != 0);
    FindClose(find);
    return names;
}

// The message of the write error that a save of path raises, or "".
std::string SaveError(const std::string& path) {
    try {
        platform::ProfileFile file(path);
        file.WriteString("1", "Name", "changed");
        file.Flush();
    } catch (const platform::ProfileWriteError& error) {
        return error.what();
    }
    return {};
}

// The replaced file stays hidden; a temporary file that a killed save left
// an hour ago goes.
TEST(ProfileFileOnWindows, SaveReplacesTheFileAndLeavesNothingElse) {
    for (const char* separator : {"\\", "/"}) {
        TemporaryFolder folder;
        const std::string path = folder.Path() + separator + "Vezerava.ini";
        WriteBytes(path, "[1]\r\nName=old\r\n[General]\r\nx=1\r\n");
        ASSERT_NE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN), 0);
        const std::string stale = folder.File(".Vezerava.ini.kevo-stale001");
        WriteBytes(stale, "x");
        const HANDLE handle = CreateFileA(stale.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        FILETIME time{};
        GetSystemTimeAsFileTime(&time);
        ULARGE_INTEGER then{{time.dwLowDateTime, time.dwHighDateTime}};
        then.QuadPart -= 3600ULL * 10000000ULL; // an hour in steps of 100 ns
        time = {then.LowPart, then.HighPart};
        EXPECT_NE(SetFileTime(handle, nullptr, nullptr, &time), 0);
        CloseHandle(handle);

        EXPECT_EQ(SaveError(path), "") << separator;
        EXPECT_EQ(ReadBytes(path), "[1]\r\nName=changed\r\n[General]\r\nx=1\r\n") << separator;
        EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u) << separator;
        EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"Vezerava.ini"})
            << separator;
    }
}

TEST(ProfileFileOnWindows, NewFileInAnExistingFolder) {
    TemporaryFolder folder;
    const std::string path = folder.File("Vezerava.ini");
    EXPECT_EQ(SaveError(path), "");
    EXPECT_EQ(ReadBytes(path), "[1]\r\nName=changed\r\n");
}

TEST(ProfileFileOnWindows, RefusalsLeaveTheOldFile) {
    TemporaryFolder folder;
    const std::string old = "[1]\r\nName=old\r\n";

    const std::string missingFolder = folder.File("missing\\Vezerava.ini");
    EXPECT_EQ(SaveError(missingFolder), "Unable to write to " + missingFolder);

    const std::string isFolder = folder.File("folder.ini");
    CreateDirectoryA(isFolder.c_str(), nullptr);
    EXPECT_EQ(SaveError(isFolder), "Unable to write to " + isFolder);

    // Another program holds the file open without letting others write it.
    const std::string locked = folder.File("locked.ini");
    WriteBytes(locked, old);
    const HANDLE handle = CreateFileA(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SaveError(locked), "Unable to write to " + locked);
    CloseHandle(handle);
    EXPECT_EQ(ReadBytes(locked), old);

    const std::string readOnly = folder.File("readonly.ini");
    WriteBytes(readOnly, old);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(SaveError(readOnly), "Unable to write to " + readOnly);
    EXPECT_EQ(ReadBytes(readOnly), old);

    // No temporary file stays behind after any of these.
    for (const std::string& name : FolderEntries(folder.Path()))
        EXPECT_NE(name.front(), '.') << name;
}

TEST(ProfileFileOnWindows, FileThatCannotBeReadIsNeverReplaced) {
    // Opened by another program that shares nothing: it cannot be read, so
    // a save, which would lose what it holds, is refused.
    TemporaryFolder folder;
    const std::string path = folder.File("Vezerava.ini");
    WriteBytes(path, "[1]\r\nName=old\r\n");
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    platform::ProfileFile file(path);
    EXPECT_EQ(file.ReadString("1", "Name"), "");
    // Another program's hold on the file, not a matter of access rights.
    EXPECT_EQ(file.ReadError(), EBUSY);
    EXPECT_THROW(file.WriteString("1", "Name", "new"), platform::ProfileWriteError);
    CloseHandle(handle);
    EXPECT_EQ(ReadBytes(path), "[1]\r\nName=old\r\n");
}

} // namespace
} // namespace kevo::testing
