// SPDX-License-Identifier: Apache-2.0
#include "setup/PathResolution.h"

#include <gtest/gtest.h>

#include <set>

namespace kevo::setup {
namespace {

using Args = std::vector<std::string>;

struct PathCase {
    const char* what;
    PathStyle style;
    Args arguments;
    std::set<std::string> existingFiles;
    std::string names;
    std::string setup;
};

class ResolvePathsTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(ResolvePathsTest, ResolvesBothFiles) {
    const auto& c = GetParam();
    PathContext context;
    context.style = c.style;
    context.executableDirectory = c.style == PathStyle::Windows ? "C:\\Kevo\\" : "/opt/kevo/bin/";
    context.setupFileFolder =
        c.style == PathStyle::Windows ? "C:\\WINDOWS" : "/home/a/.config/kevoconf";
    context.fileExists = [&](const std::string& path) { return c.existingFiles.count(path) > 0; };
    const auto paths = ResolvePaths(c.arguments, context);
    EXPECT_EQ(paths.namesFileName, c.names) << c.what;
    EXPECT_EQ(paths.setupFileName, c.setup) << c.what;
}

constexpr auto W = PathStyle::Windows;
constexpr auto X = PathStyle::Posix;

INSTANTIATE_TEST_SUITE_P(
    Cases, ResolvePathsTest,
    ::testing::Values(PathCase{"defaults, nothing beside the exe",
                               W,
                               {"0"},
                               {},
                               "C:\\WINDOWS\\KevoName.txt",
                               "C:\\WINDOWS\\Vezerava.ini"},
                      PathCase{"default names file beside the exe",
                               W,
                               {"1"},
                               {"C:\\Kevo\\KevoName.txt"},
                               "C:\\Kevo\\KevoName.txt",
                               "C:\\WINDOWS\\Vezerava.ini"},
                      PathCase{"setup file never taken from beside the exe",
                               W,
                               {"1", "n.txt", "s.ini"},
                               {"C:\\Kevo\\n.txt", "C:\\Kevo\\s.ini"},
                               "C:\\Kevo\\n.txt",
                               "C:\\WINDOWS\\s.ini"},
                      PathCase{"bare name only in the windows directory",
                               W,
                               {"1", "n.txt"},
                               {"C:\\WINDOWS\\n.txt"},
                               "C:\\WINDOWS\\n.txt",
                               "C:\\WINDOWS\\Vezerava.ini"},
                      PathCase{"names with a backslash are used unchanged",
                               W,
                               {"2", "..\\data\\n.txt", "D:\\cfg\\s.ini", "ignored"},
                               {},
                               "..\\data\\n.txt",
                               "D:\\cfg\\s.ini"},
                      PathCase{"forward slashes and drives do not count on windows",
                               W,
                               {"0", "C:n.txt", "a/s.ini"},
                               {},
                               "C:\\WINDOWS\\C:n.txt",
                               "C:\\WINDOWS\\a/s.ini"},
                      PathCase{"posix defaults",
                               X,
                               {"0"},
                               {},
                               "/home/a/.config/kevoconf/KevoName.txt",
                               "/home/a/.config/kevoconf/Vezerava.ini"},
                      PathCase{"posix names beside the exe",
                               X,
                               {"1", "names.txt"},
                               {"/opt/kevo/bin/names.txt"},
                               "/opt/kevo/bin/names.txt",
                               "/home/a/.config/kevoconf/Vezerava.ini"},
                      PathCase{"posix relative paths stay relative",
                               X,
                               {"1", "./n.txt", "cfg/s.ini"},
                               {},
                               "./n.txt",
                               "cfg/s.ini"},
                      PathCase{"posix backslash is an ordinary character",
                               X,
                               {"1", "a\\n.txt", "b\\s.ini"},
                               {},
                               "/home/a/.config/kevoconf/a\\n.txt",
                               "/home/a/.config/kevoconf/b\\s.ini"}));

TEST(ResolvePaths, NoExecutableFolderMeansNoLookBesideIt) {
    PathContext context;
    context.style = PathStyle::Posix;
    context.setupFileFolder = "/cfg";
    context.fileExists = [](const std::string&) { return true; };
    EXPECT_EQ(ResolvePaths({"1", "n.txt"}, context).namesFileName, "/cfg/n.txt");
}

// The per-user copy Windows keeps of a file in the Windows directory.
TEST(VirtualStorePath, OnlyForAFileInTheWindowsDirectory) {
    const std::string local = "C:\\Users\\a\\AppData\\Local\\";
    const std::string store = "C:\\Users\\a\\AppData\\Local\\VirtualStore";
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\Windows\\Vezerava.ini", store + "\\Windows\\Vezerava.ini"},
        {"c:/WINDOWS/Sub/V.ini", store + "/WINDOWS/Sub/V.ini"},
        {"C:\\WindowsApps\\Vezerava.ini", ""},
        {"D:\\Data\\Vezerava.ini", ""},
        {"C:\\Windows", ""},
        {"\\\\server\\Windows\\Vezerava.ini", ""},
    };
    for (const auto& [path, copy] : cases)
        EXPECT_EQ(VirtualStorePath(path, "C:\\Windows", local), copy) << path;
    EXPECT_EQ(VirtualStorePath("C:\\Windows\\Vezerava.ini", "C:\\Windows", ""), "");
}

} // namespace
} // namespace kevo::setup
