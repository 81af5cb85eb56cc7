// SPDX-License-Identifier: Apache-2.0
#include "messages/ErrorReport.h"

namespace kevo::messages {

std::string StandardErrorText(const std::string& errorText) {
    // Character codes are compared as unsigned bytes, so an 8-bit last
    // character also comes after ".".
    if (!errorText.empty() && static_cast<unsigned char>(errorText.back()) > '.')
        return errorText + ".";
    return errorText;
}

} // namespace kevo::messages
