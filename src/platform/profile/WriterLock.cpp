// SPDX-License-Identifier: Apache-2.0
#include "platform/profile/WriterLock.h"

#include "platform/profile/FileSystem.h"

namespace kevo::platform {

std::string WriterLock::LockFilePath(const std::string& path) {
    const std::size_t separator = FolderSeparatorPosition(path);
    const std::size_t start = separator == std::string::npos ? 0 : separator + 1;
    return path.substr(0, start) + "." + path.substr(start) + ".kevo-lock";
}

} // namespace kevo::platform
