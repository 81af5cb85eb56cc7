#include "info/AboutBoxTexts.h"

#include "info/MemoryText.h"
#include "info/PlatformText.h"

namespace kevo::info {

AboutBoxTexts GatherAboutBoxTexts(const VersionInformation& version,
                                  const platform::SystemInformation& system,
                                  const std::string& thousandsSeparator) {
    AboutBoxTexts texts;
    texts.version = VersionLabel(version);
    texts.platform = PosixPlatformText(system.Os());
    const platform::MemoryStatus memory = system.Memory();
    texts.resources = FormatMemoryLoad(memory.memoryLoad);
    texts.freeMem = FormatTotalPhys(memory.totalPhys, thousandsSeparator);
    texts.strings = ReadVersionStrings(version);
    return texts;
}

} // namespace kevo::info
