// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

namespace kevo::platform {

// The full path of the running program's executable; empty when the system
// cannot tell.
std::string ExecutablePath();

// The folder of the running program's executable, with its trailing
// separator; empty when the system cannot tell.
std::string ExecutableDirectory();

// The setup file's default folder, where a bare setup-file name (and a
// bare names-file name not found beside the program) is looked for. On
// Windows the Windows directory, exactly as the system reports it (read
// into a buffer of 261 characters, and again with more room should it not
// fit); on POSIX systems the user's configuration folder for the program,
// $XDG_CONFIG_HOME/kevoconf, or ~/.config/kevoconf when XDG_CONFIG_HOME is
// unset or not absolute. Returned without a trailing separator; the folder
// need not exist yet.
std::string SetupFileFolder();

// The folder of the sample files that come with the program: "samples"
// beside the executable on Windows; on POSIX systems the package's examples
// folder under the installation prefix that holds the executable's folder
// (/usr/share/doc/kevoconf/examples for /usr/bin/kevoconf). The folder need
// not exist.
std::string SamplesFolder();

// The user's local application data folder (%LOCALAPPDATA%) on Windows;
// empty on POSIX systems, and when it is not set.
std::string LocalAppDataFolder();

// The name of the user the program runs as (the login name; on Windows the
// account name); the user id as a number when the system gives no name.
std::string CurrentUserName();

// Creates the folder and its missing parents (mode 0700 for new ones, as a
// user's configuration folder should be). Returns false when it cannot.
bool EnsureDirectory(const std::string& path);

// True when something that is not a directory exists at path (links are
// followed).
bool FileExists(const std::string& path);

// True when a directory exists at path.
bool DirectoryExists(const std::string& path);

} // namespace kevo::platform
