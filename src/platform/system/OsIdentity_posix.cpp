// SPDX-License-Identifier: Apache-2.0
#include "platform/system/OsIdentity.h"

#include <fstream>
#include <sstream>
#include <sys/utsname.h>

namespace kevo::platform {
namespace {

std::string ReadFile(const char* path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return {};
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

OsIdentity ReadOsIdentity() {
    std::string osRelease = ReadFile("/etc/os-release");
    if (osRelease.empty())
        osRelease = ReadFile("/usr/lib/os-release");
    struct utsname names {};
    std::string kernelName;
    std::string kernelRelease;
    if (uname(&names) == 0) {
        kernelName = names.sysname;
        kernelRelease = names.release;
    }
    return MakeOsIdentity(osRelease, kernelName, kernelRelease);
}

} // namespace kevo::platform
