// SPDX-License-Identifier: Apache-2.0
#include "info/AboutBoxTexts.h"

#include "info/MemoryText.h"
#include "info/PlatformText.h"

namespace kevo::info {

AboutBoxTexts GatherAboutBoxTexts(const VersionInformation& version,
                                  const platform::SystemInformation& system,
                                  const std::string& thousandsSeparator) {
    AboutBoxTexts texts;
    texts.version = VersionLabel(version);
    const platform::OsIdentity os = system.Os();
    if (os.windows) {
        const platform::WindowsVersion& windows = *os.windows;
        texts.platform = PlatformText(windows.majorVersion, windows.minorVersion,
                                      windows.buildNumber, windows.platformId, windows.csdVersion);
    } else {
        texts.platform = PosixPlatformText(os);
    }
    const platform::MemoryStatus memory = system.Memory();
    const std::string systemName = os.windows              ? std::string("Windows")
                                   : os.kernelName.empty() ? std::string("Linux")
                                                           : os.kernelName;
    texts.memoryLabel = "Physical Memory Available to " + systemName + ":";
    texts.resources = FormatMemoryLoad(memory.memoryLoad);
    texts.freeMem = FormatTotalPhys(memory.totalPhys, thousandsSeparator);
    texts.strings = ReadVersionStrings(version);
    return texts;
}

} // namespace kevo::info
