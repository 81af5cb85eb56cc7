// SPDX-License-Identifier: Apache-2.0
#include "info/PlatformText.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string_view>

namespace kevo::info {
namespace {

constexpr std::size_t kServicePackLength = 128;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads the decimal number at pos, if there is one, and moves pos past it.
std::uint32_t ReadNumber(const std::string& text, std::size_t& pos) {
    std::uint64_t value = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        value = value * 10 + static_cast<std::uint64_t>(text[pos] - '0');
        if (value > std::numeric_limits<std::uint32_t>::max())
            value = std::numeric_limits<std::uint32_t>::max();
    }
    return static_cast<std::uint32_t>(value);
}

std::string WindowsName(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                        std::uint32_t platformId) {
    switch (platformId) {
    case 0:
        return PlatformNames[0];
    case 1:
        if (major == 4 && minor == 0)
            return build <= 1080 ? "Windows 95" : "Windows 95 OSR2";
        if (major == 4 && minor == 10)
            return build == 222 ? "Windows 98 SE" : "Windows 98";
        if (major == 4 && minor == 90)
            return "Windows ME";
        return PlatformNames[1];
    case 2:
        if (major == 3 || major == 4)
            return "Windows NT";
        if (major == 5 && minor == 0)
            return "Windows 2000";
        if (major == 5 && minor == 1)
            return "Windows XP";
        return PlatformNames[2];
    default:
        return "Unknown Win32 Version";
    }
}

} // namespace

std::string VersionSuffix(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                          const std::string& servicePack) {
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, " - v%u.%.2u.%u", major, minor, build & 0xFFFFu);
    std::string text = suffix;
    const std::string pack =
        servicePack.substr(0, std::min(servicePack.find('\0'), kServicePackLength));
    if (!pack.empty())
        text += " " + pack;
    return text;
}

std::string PlatformText(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                         std::uint32_t platformId, const std::string& servicePack) {
    // The name is chosen on the low 16 bits of the build number, as shown.
    const std::uint32_t shownBuild = build & 0xFFFFu;
    return WindowsName(major, minor, shownBuild, platformId) +
           VersionSuffix(major, minor, shownBuild, servicePack);
}

KernelVersion ParseKernelRelease(const std::string& release) {
    KernelVersion version;
    if (release.empty() || !IsDigit(release.front())) {
        version.rest = release;
        return version;
    }
    std::size_t pos = 0;
    std::uint32_t* const parts[] = {&version.major, &version.minor, &version.build};
    for (std::size_t i = 0; i < 3; ++i) {
        if (i > 0) {
            if (pos + 1 >= release.size() || release[pos] != '.' || !IsDigit(release[pos + 1]))
                break;
            ++pos;
        }
        *parts[i] = ReadNumber(release, pos);
    }
    while (pos < release.size() &&
           std::string_view("-.+_~").find(release[pos]) != std::string_view::npos)
        ++pos;
    version.rest = release.substr(pos);
    return version;
}

std::string PosixPlatformText(const platform::OsIdentity& os) {
    std::string name;
    if (!os.name.empty())
        name = os.versionId.empty() ? os.name : os.name + " " + os.versionId;
    else if (!os.prettyName.empty())
        name = os.prettyName;
    else if (!os.kernelName.empty())
        name = os.kernelName;
    else
        name = "Linux";
    const KernelVersion kernel = ParseKernelRelease(os.kernelRelease);
    return name + VersionSuffix(kernel.major, kernel.minor, kernel.build, kernel.rest);
}

} // namespace kevo::info
