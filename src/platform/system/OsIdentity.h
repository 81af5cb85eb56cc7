// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace kevo::platform {

// The Windows version record (OSVERSIONINFOA) as GetVersionExA fills it.
struct WindowsVersion {
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    std::uint32_t platformId = 0;
    // szCSDVersion up to its first zero character: the service pack.
    std::string csdVersion;

    bool operator==(const WindowsVersion&) const = default;
};

// The operating system's own name and version, as the system states them:
// on POSIX systems the distribution from os-release(5) and the kernel from
// uname(2); on Windows the version record.
struct OsIdentity {
    // os-release NAME, VERSION_ID and PRETTY_NAME; empty when not given.
    std::string name;
    std::string versionId;
    std::string prettyName;
    // uname: the kernel's name ("Linux") and release ("6.1.0-18-amd64").
    std::string kernelName;
    std::string kernelRelease;
    // Windows only: what GetVersionExA reports.
    std::optional<WindowsVersion> windows = std::nullopt;

    bool operator==(const OsIdentity&) const = default;
};

// The assignments of an os-release file: KEY=value lines, values unquoted
// ("..." or '...', with backslash escapes inside double quotes), comments
// and blank lines skipped, lines that are not assignments ignored. A later
// assignment of a key replaces an earlier one.
std::map<std::string, std::string> ParseOsRelease(const std::string& text);

// Builds the identity from an os-release text and the uname fields.
OsIdentity MakeOsIdentity(const std::string& osReleaseText, const std::string& kernelName,
                          const std::string& kernelRelease);

// This machine's identity: /etc/os-release, else /usr/lib/os-release, and
// uname(2); on Windows the version record of GetVersionExA.
OsIdentity ReadOsIdentity();

// GetVersionExA into a record that starts zeroed, its size field set to the
// record's 148 bytes; the call's result is not tested (Windows only).
WindowsVersion ReadWindowsVersion();

} // namespace kevo::platform
