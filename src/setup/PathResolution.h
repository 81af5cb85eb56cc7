// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kevo::setup {

inline constexpr const char* kDefaultNamesFileName = "KevoName.txt";
inline constexpr const char* kDefaultSetupFileName = "Vezerava.ini";

// Which character separates folders in a path: the backslash on Windows,
// "/" on POSIX systems. A name that holds the separator anywhere is used as
// given; a bare name is looked for in fixed folders.
enum class PathStyle { Windows, Posix };

#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

char PathSeparator(PathStyle style);

struct ResolvedPaths {
    std::string namesFileName;
    std::string setupFileName;
};

struct PathContext {
    PathStyle style = kNativePathStyle;
    // The executable's folder, with its trailing separator.
    std::string executableDirectory;
    // The setup file's default folder (platform::SetupFileFolder: the
    // Windows directory on Windows), without a trailing separator.
    std::string setupFileFolder;
    // True when a file that is not a directory exists at the path.
    std::function<bool(const std::string&)> fileExists;
    // The folder of the sample files that come with the program (beside the
    // executable on Windows, the package's examples folder on POSIX
    // systems), and the test whether a directory exists at a path.
    std::string samplesFolder;
    std::function<bool(const std::string&)> directoryExists;
    // The user's local application data folder (%LOCALAPPDATA%); empty
    // where the system has none.
    std::string localAppData;
};

// The program's folders on this machine, and the system's file tests. The
// samples are pointed out only to a person who starts the editor
// (withSamples); a check run by a script leaves them out.
PathContext ThisMachinePaths(bool withSamples);

// Works out the names file and the setup file from the program's arguments
// (run mode first; names file and setup file optional). A bare names-file
// name is taken from beside the executable when a file of that name is
// there, and from the setup file's folder otherwise; a bare setup-file name
// is always taken from the setup file's folder. Names with a separator are used
// unchanged, relative ones staying relative to the current folder.
ResolvedPaths ResolvePaths(const std::vector<std::string>& arguments, const PathContext& context);

// The folder part of a path, without its last separator ("." for a bare
// name).
std::string FolderOf(const std::string& path, PathStyle style);

// True when path lies in folder or in a folder below it. Windows paths
// match without regard to ASCII case, with "\" and "/" alike.
bool LiesIn(const std::string& path, const std::string& folder, PathStyle style);

// Where Windows keeps a user's own copy of a file in the Windows directory
// that a program without a manifest believed it wrote: the path without its
// drive under localAppData\VirtualStore (C:\Windows\Vezerava.ini gives
// localAppData\VirtualStore\Windows\Vezerava.ini). Empty for a file outside
// windowsDir, one without a drive, or an empty localAppData.
std::string VirtualStorePath(const std::string& path, const std::string& windowsDir,
                             const std::string& localAppData);

} // namespace kevo::setup
