// SPDX-License-Identifier: Apache-2.0
#pragma once

// The one way between the program's texts and Qt's strings.
//
// The program keeps every text as UTF-8 on every system: the files and the
// system's calls are decoded where they are read (platform/text). A byte
// that no encoding defined shows as U+FFFD.

#include <QLabel>
#include <QString>

#include <string>
#include <string_view>

namespace kevo::ui {

// The bytes as Qt shows them; a CR LF line break (as the program's messages
// hold them) becomes one line break.
QString ToQString(std::string_view bytes);

// What the user typed, as the program's bytes.
std::string ToBytes(const QString& text);

// A label with a plain text at a position of its parent, sized to the text,
// with an object name (the tests find widgets by it).
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top);

} // namespace kevo::ui
