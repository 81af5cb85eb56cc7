// SPDX-License-Identifier: Apache-2.0
#include "mainwindow/TrayRepair.h"

#include "messages/ErrorReport.h"

#include <gtest/gtest.h>

namespace kevo::mainwindow {
namespace {

// The mappings as "printer|old|new|line" lines, or "line N" of the failure.
std::string Parsed(std::string_view text) try {
    std::string out;
    for (const BinMapping& m : ParseBinMappings(text))
        out += m.printer + "|" + m.oldName + "|" + m.newName + "|" + std::to_string(m.line) + "\n";
    return out;
} catch (const messages::KevoError& error) {
    const std::string what = error.what();
    return what.substr(0, what.find(':'));
}

TEST(BinMappings, LinesHeadersAndComments) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\xEF\xBB\xBF# every printer\r\nTray 3 = Lower  # moved\r\n\r\n[ Office Laser ]\r\n"
         "\t Manual =Bypass Tray \r\n[Plotter]\nroll=Sheet",
         "|Tray 3|Lower|2\nOffice Laser|Manual|Bypass Tray|5\nPlotter|roll|Sheet|7\n"},
        {"A = B\n\nTray 3\n", "line 3"},
        {"A = B = C", "line 1"},
        {"# x\r\n = B", "line 2"},
        {"[Laser\n", "line 1"},
        {"A = \xFF!", "line 1"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(Parsed(text), expected) << text;
}

} // namespace
} // namespace kevo::mainwindow
