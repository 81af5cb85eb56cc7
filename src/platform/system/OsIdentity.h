#pragma once

#include <map>
#include <string>

namespace kevo::platform {

// The operating system's own name and version, as the system states them:
// the distribution from os-release(5) and the kernel from uname(2).
struct OsIdentity {
    // os-release NAME, VERSION_ID and PRETTY_NAME; empty when not given.
    std::string name;
    std::string versionId;
    std::string prettyName;
    // uname: the kernel's name ("Linux") and release ("6.1.0-18-amd64").
    std::string kernelName;
    std::string kernelRelease;

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
// uname(2).
OsIdentity ReadOsIdentity();

} // namespace kevo::platform
