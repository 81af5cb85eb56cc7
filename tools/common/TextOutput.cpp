// SPDX-License-Identifier: Apache-2.0
#include "common/TextOutput.h"

#include "platform/text/TextCoding.h"

#include <iostream>

namespace kevo::tools {

void WriteOutput(std::string_view text) {
    std::cout << platform::ToOutputText(text, 1);
}

void WriteError(std::string_view text) {
    std::cerr << platform::ToOutputText(text, 2);
}

} // namespace kevo::tools
