// SPDX-License-Identifier: Apache-2.0
#pragma once

// The one way between the program's texts and Qt's strings.
//
// The program keeps every text as bytes, as the files, the printing service
// and the system give them: UTF-8 on Linux (Qt 6 takes the local 8-bit
// encoding to be UTF-8 there, whatever the locale) and the ANSI code page
// on Windows, where the system's "A" functions give and take them. Qt's
// local 8-bit conversion is exactly that encoding on both.

#include <QLabel>
#include <QString>

#include <string>
#include <string_view>

namespace kevo::platform {

// The bytes as Qt shows them; a CR LF line break (as the program's messages
// hold them) becomes one line break.
QString ToQString(std::string_view bytes);

// What the user typed, as the program's bytes.
std::string ToBytes(const QString& text);

// A label with a plain text at a position of its parent, sized to the text,
// with an object name (the tests find widgets by it).
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top);

} // namespace kevo::platform
