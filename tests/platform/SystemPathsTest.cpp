// SPDX-License-Identifier: Apache-2.0
#include "platform/SystemPaths.h"

#include "ScopedEnv.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>

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

} // namespace
} // namespace kevo::platform
