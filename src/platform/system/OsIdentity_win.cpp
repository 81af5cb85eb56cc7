// SPDX-License-Identifier: Apache-2.0
#include "platform/system/OsIdentity.h"

#include "platform/text/TextCoding.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>

namespace kevo::platform {

static_assert(sizeof(OSVERSIONINFOA) == 148, "the version record of the A function");

WindowsVersion ReadWindowsVersion() {
    OSVERSIONINFOA record{};
    record.dwOSVersionInfoSize = sizeof record;
    GetVersionExA(&record);
    WindowsVersion version;
    version.majorVersion = record.dwMajorVersion;
    version.minorVersion = record.dwMinorVersion;
    version.buildNumber = record.dwBuildNumber;
    version.platformId = record.dwPlatformId;
    // The record of the A function holds its text in the ANSI code page.
    version.csdVersion =
        DecodeCodePage(std::string_view(record.szCSDVersion,
                                        strnlen(record.szCSDVersion, sizeof record.szCSDVersion)),
                       static_cast<int>(GetACP()));
    return version;
}

OsIdentity ReadOsIdentity() {
    OsIdentity identity;
    identity.windows = ReadWindowsVersion();
    return identity;
}

} // namespace kevo::platform
