// SPDX-License-Identifier: Apache-2.0
#include "setup/PathResolution.h"

#include "platform/SystemPaths.h"

#include <algorithm>

namespace kevo::setup {

PathContext ThisMachinePaths(bool withSamples) {
    PathContext context;
    context.executableDirectory = platform::ExecutableDirectory();
    context.setupFileFolder = platform::SetupFileFolder();
    context.fileExists = platform::FileExists;
    if (withSamples) {
        context.samplesFolder = platform::SamplesFolder();
        context.directoryExists = platform::DirectoryExists;
    }
    context.localAppData = platform::LocalAppDataFolder();
    return context;
}

char PathSeparator(PathStyle style) {
    return style == PathStyle::Windows ? '\\' : '/';
}

ResolvedPaths ResolvePaths(const std::vector<std::string>& arguments, const PathContext& context) {
    const char separator = PathSeparator(context.style);
    const auto inSetupFileFolder = [&](const std::string& name) {
        return context.setupFileFolder + separator + name;
    };

    ResolvedPaths paths{kDefaultNamesFileName, kDefaultSetupFileName};
    if (arguments.size() >= 2)
        paths.namesFileName = arguments[1];
    if (paths.namesFileName.find(separator) == std::string::npos) {
        const std::string besideExecutable = context.executableDirectory + paths.namesFileName;
        if (!context.executableDirectory.empty() && context.fileExists &&
            context.fileExists(besideExecutable))
            paths.namesFileName = besideExecutable;
        else
            paths.namesFileName = inSetupFileFolder(paths.namesFileName);
    }

    if (arguments.size() >= 3)
        paths.setupFileName = arguments[2];
    if (paths.setupFileName.find(separator) == std::string::npos)
        paths.setupFileName = inSetupFileFolder(paths.setupFileName);
    return paths;
}

namespace {

bool IsSeparator(char c, PathStyle style) {
    return c == '/' || (style == PathStyle::Windows && c == '\\');
}

char Folded(char c, PathStyle style) {
    if (c == '/' && style == PathStyle::Windows)
        return '\\';
    return style == PathStyle::Windows && c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a')
                                                               : c;
}

} // namespace

std::string FolderOf(const std::string& path, PathStyle style) {
    const std::size_t end =
        style == PathStyle::Windows ? path.find_last_of("\\/") : path.rfind('/');
    return end == std::string::npos ? std::string(".") : path.substr(0, end);
}

bool LiesIn(const std::string& path, const std::string& folder, PathStyle style) {
    std::size_t length = folder.size();
    while (length > 0 && IsSeparator(folder[length - 1], style))
        --length;
    if (length == 0 || path.size() <= length + 1 || !IsSeparator(path[length], style))
        return false;
    return std::equal(folder.begin(), folder.begin() + static_cast<std::ptrdiff_t>(length),
                      path.begin(),
                      [&](char a, char b) { return Folded(a, style) == Folded(b, style); });
}

std::string VirtualStorePath(const std::string& path, const std::string& windowsDir,
                             const std::string& localAppData) {
    constexpr PathStyle style = PathStyle::Windows;
    const bool hasDrive = path.size() > 2 && path[1] == ':' && IsSeparator(path[2], style);
    if (localAppData.empty() || !hasDrive || !LiesIn(path, windowsDir, style))
        return {};
    std::string store = localAppData;
    while (!store.empty() && IsSeparator(store.back(), style))
        store.pop_back();
    return store + "\\VirtualStore" + path.substr(2);
}

} // namespace kevo::setup
