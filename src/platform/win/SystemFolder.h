// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kevo::platform::win {

// The Windows directory is read into a buffer of this many characters, the
// terminator included.
inline constexpr std::uint32_t kWindowsDirectoryBufferSize = 261;

// Reads a folder that the system copies into the caller's buffer, as
// GetWindowsDirectoryW does: call(buffer, size) answers the length copied
// without the terminator, or, when the buffer is too small, the size needed
// with the terminator (copying nothing), or 0 when it fails. The first read
// offers firstSize characters; a folder that does not fit is read again with
// the room it asks for, so that a long folder is never cut or lost. Empty
// when the system fails.
std::wstring ReadSystemFolder(const std::function<std::uint32_t(wchar_t*, std::uint32_t)>& call,
                              std::uint32_t firstSize);

} // namespace kevo::platform::win
