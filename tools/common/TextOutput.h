// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string_view>

namespace kevo::tools {

// Text for people, written to standard output or standard error in the
// encoding of the user's locale, with "?" for what that encoding cannot hold
// (platform::ToOutputText). The commands write all their text through these
// two; JSON and the Prometheus text format are UTF-8 in every locale and are
// written as they are.
void WriteOutput(std::string_view text);
void WriteError(std::string_view text);

} // namespace kevo::tools
