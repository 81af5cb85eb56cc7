// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "info/VersionInfo.h"

#include <string>

namespace kevo::info {

// The program's own version information, built from the project's version
// when it is configured: file version 3.2.0.0 for project version 3.2.0.0,
// one translation entry (British English, UTF-8:
// "\StringFileInfo\0809FDE9\") and a string table with the company name,
// product name, copyright, comments and the other keys the about box looks
// up except LegalTradeMarks. On POSIX systems the program carries it
// compiled in, its strings in UTF-8. On Windows it is the version resource
// of the program's own file (ProgramVersion.rc.in), read through the
// system's version services, which give the strings in the ANSI code page.
const VersionInformation& ProgramVersionInformation();

// The same values as plain data, for tests that start from them (strings in
// UTF-8).
VersionData ProgramVersionData();

// The maker's web site (host name only, no scheme) and e-mail address, as
// the about box shows them.
std::string MakerWebAddress();
std::string MakerEmailAddress();

// What the about box's two links hand to the desktop: "http://" and
// "mailto:" followed by the addresses above.
std::string MakerWebTarget();
std::string MakerEmailTarget();

} // namespace kevo::info
