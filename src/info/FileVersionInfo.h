// SPDX-License-Identifier: Apache-2.0
#pragma once

// The version resource of a file, read through the Windows version services
// (Windows only).

#include "info/VersionInfo.h"

#include <memory>
#include <string>

namespace kevo::info {

// The version information of the file at path (UTF-8):
// GetFileVersionInfoSizeW for the size, GetFileVersionInfoW to read it,
// VerQueryValueW for each lookup. A root block of size 0 counts as a failed
// lookup. Texts are UTF-8, from the resource's Unicode.
std::unique_ptr<VersionInformation> FileVersionInformation(std::string path);

} // namespace kevo::info
