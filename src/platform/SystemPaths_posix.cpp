// SPDX-License-Identifier: Apache-2.0
#include "platform/SystemPaths.h"

#include "platform/FontFiles.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kevo::platform {

std::string ExecutablePath() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return {};
        if (static_cast<std::size_t>(length) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

std::string ExecutableDirectory() {
    const std::string path = ExecutablePath();
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string SetupFileFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/')
        return std::string(xdg) + "/kevoconf";
    const char* home = std::getenv("HOME");
    std::string homeDir = home != nullptr ? home : "";
    if (homeDir.empty()) {
        if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
            homeDir = entry->pw_dir;
    }
    return homeDir + "/.config/kevoconf";
}

std::string SamplesFolder() {
    std::string folder = ExecutableDirectory();
    // The executable's folder is the prefix's bin folder.
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    const auto slash = folder.rfind('/');
    if (slash == std::string::npos)
        return {};
    return folder.substr(0, slash + 1) + KEVO_EXAMPLES_INSTALL_DIR;
}

std::string LocalAppDataFolder() {
    return {};
}

bool EnsureDirectory(const std::string& path) {
    if (path.empty() || DirectoryExists(path))
        return !path.empty();
    const auto slash = path.find_last_not_of('/') == std::string::npos
                           ? std::string::npos
                           : path.rfind('/', path.find_last_not_of('/'));
    if (slash != std::string::npos && slash > 0 && !EnsureDirectory(path.substr(0, slash)))
        return false;
    return mkdir(path.c_str(), 0700) == 0 || (errno == EEXIST && DirectoryExists(path));
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string CurrentUserName() {
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_name != nullptr)
        return entry->pw_name;
    return std::to_string(getuid());
}

FontFolders SystemFontFolders() {
    // Debian's fonts-wine, which fontconfig does not scan.
    FontFolders folders;
    folders.wineFonts = "/usr/share/wine/fonts";
    return folders;
}

} // namespace kevo::platform
