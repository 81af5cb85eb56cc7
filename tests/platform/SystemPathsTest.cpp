// SPDX-License-Identifier: Apache-2.0
#include "platform/SystemPaths.h"

#include "platform/FontFiles.h"

#include "ScopedEnv.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace kevo::platform {
namespace {

namespace fs = std::filesystem;

using test::ScopedEnv;

TEST(SystemPaths, ExecutableDirectoryHoldsThisTest) {
    const std::string dir = ExecutableDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_TRUE(fs::exists(fs::path(dir) / "platform_test"));
}

TEST(SystemPaths, SetupFileFolderIsTheUsersConfigurationFolder) {
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "/tmp/xdg-test");
        EXPECT_EQ(SetupFileFolder(), "/tmp/xdg-test/kevoconf");
    }
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
        ScopedEnv home("HOME", "/home/alice");
        EXPECT_EQ(SetupFileFolder(), "/home/alice/.config/kevoconf");
    }
    {
        // A relative XDG_CONFIG_HOME is not valid and is ignored.
        ScopedEnv xdg("XDG_CONFIG_HOME", "relative/dir");
        ScopedEnv home("HOME", "/home/bob");
        EXPECT_EQ(SetupFileFolder(), "/home/bob/.config/kevoconf");
    }
}

TEST(SystemPaths, FilesAreNotDirectoriesAndFoldersAreMadeWithParents) {
    const test::ScratchFolder root("kevo-paths-");
    const fs::path nested = root.Path() / "a" / "b";
    EXPECT_FALSE(DirectoryExists(nested.string()));
    ASSERT_TRUE(EnsureDirectory(nested.string() + "/"));
    EXPECT_TRUE(DirectoryExists(nested.string()));
    EXPECT_FALSE(FileExists(nested.string()));
    EXPECT_TRUE(EnsureDirectory(nested.string())); // already there

    const fs::path file = nested / "KevoName.txt";
    test::WriteBytes(file, "Invoices\n");
    EXPECT_TRUE(FileExists(file.string()));
    EXPECT_FALSE(DirectoryExists(file.string()));
    EXPECT_FALSE(FileExists((nested / "missing.txt").string()));
    // A folder cannot be made below a file.
    EXPECT_FALSE(EnsureDirectory((file / "sub").string()));
}

// Where a font that is not installed is loaded from: Wine or not, the font
// installed or not, and which copies exist. WINDIR and the Z: drive are
// whatever someone else made them: on Windows proper no file outside the
// Fonts folder of the Windows directory that the system reports is loaded.
TEST(FontFiles, LoadedOnlyFromTheSystemsFontsFolders) {
    const std::string system = "C:\\Windows\\Fonts\\tahoma.ttf";
    const std::string wine = "Z:\\usr\\share\\wine\\fonts\\tahoma.ttf";
    const std::string share = "/usr/share/wine/fonts/tahoma.ttf";
    struct Case {
        const char* name;
        bool windows;
        bool underWine;
        bool installed;
        std::set<std::string> existing;
        std::vector<std::string> loaded;
    };
    const std::vector<Case> cases = {
        {"windows, both copies", true, false, false, {system, wine}, {system}},
        {"windows, only the Z: copy", true, false, false, {wine}, {}},
        {"windows, installed", true, false, true, {system, wine}, {}},
        {"wine, both copies", true, true, false, {system, wine}, {system, wine}},
        {"wine, only Wine's copy", true, true, false, {wine}, {wine}},
        {"wine, installed", true, true, true, {system, wine}, {}},
        {"wine, no copy", true, true, false, {}, {}},
        {"linux, fonts-wine", false, false, false, {share, system}, {share}},
        {"linux, installed", false, false, true, {share}, {}},
    };
    for (const Case& c : cases) {
        FontFolders folders;
        folders.underWine = c.underWine;
        folders.windowsDirectory = c.windows ? "C:\\Windows" : "";
        folders.wineFonts = c.windows ? "Z:\\usr\\share\\wine\\fonts" : "/usr/share/wine/fonts";
        const auto exists = [&c](const std::string& file) { return c.existing.count(file) > 0; };
        EXPECT_EQ(FontFilesToLoad(c.installed, folders, "tahoma.ttf", c.windows, exists), c.loaded)
            << c.name;
    }
}

} // namespace
} // namespace kevo::platform
