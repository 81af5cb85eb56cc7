// SPDX-License-Identifier: Apache-2.0
#include "info/ProgramVersion.h"

#include "info/ProgramVersionValues.h"

namespace kevo::info {

VersionData ProgramVersionData() {
    VersionData data;
    data.fixed = FixedFileInfo{KEVO_FILE_VERSION_MS, KEVO_FILE_VERSION_LS};
    const Translation translation{KEVO_VERSION_LANGUAGE, KEVO_VERSION_CODE_PAGE};
    data.translations = {translation};
    // The table's name is the prefix without its backslashes.
    const std::string prefix = StringFileInfoPrefix(translation);
    const std::string table = prefix.substr(prefix.size() - 9, 8);
    data.stringTables[table] = {
        {"CompanyName", KEVO_COMPANY_NAME},
        {"FileDescription", KEVO_FILE_DESCRIPTION},
        {"FileVersion", KEVO_FILE_VERSION_TEXT},
        {"InternalName", KEVO_INTERNAL_NAME},
        {"LegalCopyright", KEVO_LEGAL_COPYRIGHT},
        {"OriginalFilename", KEVO_INTERNAL_NAME},
        {"ProductName", KEVO_PRODUCT_NAME},
        {"ProductVersion", KEVO_FILE_VERSION_TEXT},
        {"Comments", KEVO_COMMENTS},
    };
    return data;
}

std::string MakerWebAddress() {
    return KEVO_WEB_ADDRESS;
}

std::string MakerEmailAddress() {
    return KEVO_EMAIL_ADDRESS;
}

std::string MakerWebTarget() {
    return "http://" + MakerWebAddress();
}

std::string MakerEmailTarget() {
    return "mailto:" + MakerEmailAddress();
}

} // namespace kevo::info
