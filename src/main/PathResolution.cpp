// SPDX-License-Identifier: Apache-2.0
#include "main/PathResolution.h"

namespace kevo::main {

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

} // namespace kevo::main
