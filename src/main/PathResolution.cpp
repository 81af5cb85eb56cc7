#include "main/PathResolution.h"

namespace kevo::main {

char PathSeparator(PathStyle style) {
    return style == PathStyle::Windows ? '\\' : '/';
}

ResolvedPaths ResolvePaths(const std::vector<std::string>& arguments, const PathContext& context) {
    const char separator = PathSeparator(context.style);
    const auto inWindowsDirectory = [&](const std::string& name) {
        return context.windowsDirectory + separator + name;
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
            paths.namesFileName = inWindowsDirectory(paths.namesFileName);
    }

    if (arguments.size() >= 3)
        paths.setupFileName = arguments[2];
    if (paths.setupFileName.find(separator) == std::string::npos)
        paths.setupFileName = inWindowsDirectory(paths.setupFileName);
    return paths;
}

} // namespace kevo::main
