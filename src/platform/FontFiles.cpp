// SPDX-License-Identifier: Apache-2.0
#include "platform/FontFiles.h"

namespace kevo::platform {

namespace {

std::string Join(const std::string& folder, const std::string& name, char separator) {
    if (folder.empty())
        return {};
    if (folder.back() == separator || folder.back() == '/')
        return folder + name;
    return folder + separator + name;
}

std::vector<std::string> FontFileCandidates(const FontFolders& folders, const std::string& fileName,
                                            bool windows) {
    std::vector<std::string> files;
    const auto add = [&files](std::string file) {
        if (!file.empty())
            files.push_back(std::move(file));
    };
    if (!windows) {
        add(Join(folders.wineFonts, fileName, '/'));
        return files;
    }
    add(Join(Join(folders.windowsDirectory, "Fonts", '\\'), fileName, '\\'));
    if (folders.underWine)
        add(Join(folders.wineFonts, fileName, '\\'));
    return files;
}

} // namespace

std::vector<std::string> FontFilesToLoad(bool installed, const FontFolders& folders,
                                         const std::string& fileName, bool windows,
                                         const std::function<bool(const std::string&)>& exists) {
    std::vector<std::string> files;
    if (installed)
        return files;
    for (std::string& file : FontFileCandidates(folders, fileName, windows))
        if (exists(file))
            files.push_back(std::move(file));
    return files;
}

} // namespace kevo::platform
