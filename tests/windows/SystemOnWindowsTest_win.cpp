// SPDX-License-Identifier: Apache-2.0
// The system services on a real Windows system (here Wine): folders, files,
// the command line through GetCommandLineW, the names file read in binary,
// the version and memory of the system, and the shell's answers.

#include "SharedCases.h"
#include "WindowsTestSupport.h"

#include "info/AboutBoxTexts.h"
#include "info/ExploreWeb.h"
#include "info/PlatformText.h"
#include "info/ProgramVersion.h"
#include "setup/NamesFile.h"
#include "platform/CommandLine.h"
#include "platform/FontFiles.h"
#include "platform/SystemPaths.h"
#include "platform/system/DesktopOpener.h"
#include "platform/system/SystemInformation.h"
#include "platform/text/WideText.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace kevo::testing {
namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

TEST(WindowsFolders, WindowsDirectoryAsTheSystemReportsIt) {
    wchar_t expected[MAX_PATH + 1] = {};
    const UINT length = GetWindowsDirectoryW(expected, MAX_PATH + 1);
    ASSERT_GT(length, 0u);
    const std::string folder = platform::SetupFileFolder();
    EXPECT_EQ(folder, platform::Utf8FromWide(std::wstring_view(expected, length)));
    EXPECT_NE(folder.back(), '\\');
    EXPECT_TRUE(platform::DirectoryExists(folder));
    // The environment names the same folder.
    char windir[MAX_PATH + 1] = {};
    if (GetEnvironmentVariableA("windir", windir, sizeof windir) > 0) {
        EXPECT_EQ(Lower(folder), Lower(windir));
    }
}

// Fonts come from the folders that the system and Wine report, whatever
// WINDIR says.
TEST(WindowsFolders, FontFoldersAsTheSystemAndWineReportThem) {
    SetEnvironmentVariableA("WINDIR", "Z:\\elsewhere");
    const platform::FontFolders folders = platform::SystemFontFolders();
    SetEnvironmentVariableA("WINDIR", platform::SetupFileFolder().c_str());
    EXPECT_EQ(folders.windowsDirectory, platform::SetupFileFolder());
    EXPECT_TRUE(folders.underWine); // this runner runs under Wine
    const std::string wineFonts = "\\usr\\share\\wine\\fonts";
    EXPECT_NE(Lower(folders.wineFonts).find(wineFonts), std::string::npos) << folders.wineFonts;
}

TEST(WindowsFolders, ExecutableDirectoryWithItsTrailingBackslash) {
    const std::string own = OwnPath();
    const std::string folder = platform::ExecutableDirectory();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_EQ(folder, own.substr(0, own.rfind('\\') + 1));
    EXPECT_TRUE(platform::FileExists(own));
    EXPECT_FALSE(platform::FileExists(folder));
    EXPECT_TRUE(platform::DirectoryExists(folder));
}

TEST(WindowsFolders, FilesAndFolders) {
    TemporaryFolder temporary;
    const std::string file = temporary.File("names.txt");
    WriteBytes(file, "x\r\n");
    struct Case {
        std::string path;
        bool file;
        bool folder;
    };
    const Case cases[] = {
        {file, true, false},
        {temporary.Path() + "/names.txt", true, false}, // forward slashes work too
        {temporary.Path(), false, true},
        {temporary.Path() + "\\", false, true},
        {temporary.File("missing.txt"), false, false},
        {temporary.File("no\\such\\folder"), false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::FileExists(c.path), c.file) << c.path;
        EXPECT_EQ(platform::DirectoryExists(c.path), c.folder) << c.path;
    }
}

TEST(WindowsFolders, EnsureDirectoryMakesTheMissingParents) {
    TemporaryFolder temporary;
    const std::string nested = temporary.File("a\\b\\c");
    EXPECT_TRUE(platform::EnsureDirectory(nested));
    EXPECT_TRUE(platform::DirectoryExists(nested));
    EXPECT_TRUE(platform::EnsureDirectory(nested + "\\")); // already there
    WriteBytes(temporary.File("file"), "");
    EXPECT_FALSE(platform::EnsureDirectory(temporary.File("file\\sub")));
}

TEST(WindowsPaths, NamesFileBesideTheProgramIsFound) {
    // A names file of a name nobody else uses, beside this program.
    const std::string name = "kevo-names-" + std::to_string(GetCurrentProcessId()) + ".txt";
    const setup::PathContext context = setup::ThisMachinePaths(false);
    EXPECT_EQ(context.style, setup::PathStyle::Windows);

    const std::vector<std::string> arguments = {"1", name, "setup.ini"};
    EXPECT_EQ(setup::ResolvePaths(arguments, context).namesFileName,
              context.setupFileFolder + "\\" + name);

    const std::string beside = context.executableDirectory + name;
    WriteBytes(beside, "Invoices\r\n");
    const setup::ResolvedPaths paths = setup::ResolvePaths(arguments, context);
    DeleteFileA(beside.c_str());
    EXPECT_EQ(paths.namesFileName, beside);
    EXPECT_EQ(paths.setupFileName, context.setupFileFolder + "\\setup.ini");
}

TEST(WindowsFiles, NamesFileIsReadAsBytes) {
    // Read in text mode, CR LF would become LF and Ctrl-Z would end the file
    // anywhere; the names file's own rules must see the bytes, decoded from
    // the ANSI code page (1252 here).
    TemporaryFolder temporary;
    const std::string file = temporary.File("KevoName.txt");
    WriteBytes(file, "Invoices\r\nOr\rders\n\r\nB\xfcro\x1a still\r\n\x1a"
                     "after the end\r\n");
    const setup::NamesFileResult result = setup::ReadNamesFile(file);
    EXPECT_EQ(result.outcome, setup::NamesFileResult::Outcome::Loaded);
    const std::vector<std::string> expected = {"Invoices", "Orders", "", "Büro\x1a still"};
    EXPECT_EQ(result.names, expected);
    EXPECT_EQ(setup::ReadNamesFile(temporary.Path()).outcome,
              setup::NamesFileResult::Outcome::Missing);
}

// Every command line of the shared table, handed to a program of our own,
// which reads it back as the program does (ProgramArguments: GetCommandLineW
// through our splitting).
TEST(WindowsCommandLine, GetCommandLineThroughOurSplitting) {
    TemporaryFolder temporary;
    const std::string output = temporary.File("arguments.txt");
    const std::string program = OwnPath();
    SetEnvironmentVariableA(kPrintArgumentsVariable, output.c_str());
    for (const CommandLineCase& c : kCommandLineCases) {
        DeleteFileA(output.c_str());
        const std::string commandLine = "\"" + program + "\" " + c.arguments;
        ASSERT_EQ(RunProcess(program, commandLine, 60000), 0) << c.name;
        std::istringstream lines(ReadBytes(output));
        std::vector<std::string> arguments;
        std::string line;
        while (std::getline(lines, line)) {
            std::string bytes;
            for (std::size_t i = 0; i + 1 < line.size(); i += 2)
                bytes += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
            arguments.push_back(bytes);
        }
        std::vector<std::string> shown;
        for (const std::string& a : arguments)
            shown.push_back(Printable(a));
        std::vector<std::string> expected;
        for (const std::string& a : c.expectedArguments)
            expected.push_back(Printable(a));
        EXPECT_EQ(shown, expected) << c.name;
    }
    SetEnvironmentVariableA(kPrintArgumentsVariable, nullptr);
}

TEST(WindowsSystem, VersionRecordAndItsPlatformText) {
    const platform::WindowsVersion version = platform::ReadWindowsVersion();
    EXPECT_EQ(version.platformId, 2u); // the NT family
    EXPECT_GE(version.majorVersion, 5u);

    const std::string text =
        info::PlatformText(version.majorVersion, version.minorVersion, version.buildNumber,
                           version.platformId, version.csdVersion);
    RecordProperty("platform", text);
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, " - v%u.%.2u.%u", version.majorVersion,
                  version.minorVersion, version.buildNumber & 0xFFFFu);
    EXPECT_EQ(text.rfind("Windows", 0), 0u) << text;
    EXPECT_NE(text.find(suffix), std::string::npos) << text;
    if (!version.csdVersion.empty()) {
        EXPECT_EQ(text.substr(text.size() - version.csdVersion.size() - 1),
                  " " + version.csdVersion);
    }

    // The about box takes the same text from the system information.
    const platform::HostSystemInformation system;
    const info::AboutBoxTexts texts =
        info::GatherAboutBoxTexts(info::ProgramVersionInformation(), system, ",");
    EXPECT_EQ(texts.platform, text);
}

TEST(WindowsSystem, MemoryStatusIsPlausible) {
    const platform::MemoryStatus memory = platform::ReadMemoryStatus();
    EXPECT_GE(memory.totalPhys, std::uint64_t{64} * 1024 * 1024);
    EXPECT_LE(memory.memoryLoad, 100u);
    // The legacy record agrees where it can count.
    MEMORYSTATUS legacy{};
    legacy.dwLength = sizeof legacy;
    GlobalMemoryStatus(&legacy);
    EXPECT_EQ(static_cast<std::uint64_t>(legacy.dwTotalPhys), memory.totalPhys);
}

TEST(WindowsShell, FailuresAreReportedWithTheShellsResult) {
    TemporaryFolder temporary;
    const std::string unknownKind = temporary.File("file.kevo-unknown-kind");
    WriteBytes(unknownKind, "x");
    struct Case {
        std::string target;
        int result;
        const char* message;
    };
    const Case cases[] = {
        {temporary.File("missing.txt"), 2, "Error: File not found"},
        {temporary.File("no-such-folder\\missing.txt"), 2, "Error: File not found"},
        // A file that nothing is registered to open.
        {unknownKind, 31, "Error Nr:31 in ShellExecute"},
    };
    platform::ShellOpener opener;
    for (const Case& c : cases) {
        const platform::OpenOutcome outcome = opener.Open(c.target)->Outcome();
        EXPECT_EQ(outcome.state, platform::OpenOutcome::State::Refused) << c.target;
        EXPECT_EQ(info::ShellResultFor(outcome), c.result) << c.target;
        EXPECT_EQ(info::ExploreWebMessage(info::ShellResultFor(outcome)), c.message) << c.target;
    }
}

} // namespace
} // namespace kevo::testing
