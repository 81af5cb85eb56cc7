// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "platform/system/OsIdentity.h"

#include <array>
#include <cstdint>
#include <string>

namespace kevo::info {

// The names of the Windows platform ids 0, 1 and 2.
inline constexpr std::array<const char*, 3> PlatformNames = {"Win32s", "Windows 95/98/ME",
                                                             "Windows NT/2000/XP"};

// The version suffix: " - v" major "." minor with at least two digits "."
// build, then one space and the service-pack text when that text is not
// empty. Only the low 16 bits of build count, and the service-pack text ends
// at its first zero character and at 128 characters at most.
std::string VersionSuffix(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                          const std::string& servicePack);

// The about box's platform text for a Windows version record: the system's
// name by platform id, major, minor and build ("Windows XP",
// "Windows 95 OSR2", ... or "Unknown Win32 Version" for ids above 2), then
// the version suffix. Windows XP 5.1 build 2600 reads
// "Windows XP - v5.01.2600".
std::string PlatformText(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                         std::uint32_t platformId, const std::string& servicePack);

// A kernel release ("6.1.0-18-amd64") taken apart for the version suffix:
// its first three numbers are major, minor and build (a number that is not
// there is 0; a number too large for 32 bits counts as 4294967295), and
// what follows them, without the separators ('-', '.', '+', '_', '~') it
// starts with, takes the place of the service-pack text ("18-amd64"). A
// release that does not start with a digit gives 0.0.0 and is kept whole as
// that text.
struct KernelVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::string rest;

    bool operator==(const KernelVersion&) const = default;
};
KernelVersion ParseKernelRelease(const std::string& release);

// The about box's platform text on Linux and other POSIX systems: the
// distribution's name and version from os-release (NAME and VERSION_ID,
// "Debian GNU/Linux 12"; PRETTY_NAME where NAME is missing; the kernel's
// name, else "Linux", where os-release names nothing), followed by the
// kernel release in the same suffix form as the Windows text:
// "Debian GNU/Linux 12 - v6.01.0 18-amd64".
std::string PosixPlatformText(const platform::OsIdentity& os);

} // namespace kevo::info
