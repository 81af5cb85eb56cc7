// SPDX-License-Identifier: Apache-2.0
#include "mainwindow/TrayRepair.h"

#include "messages/ErrorReport.h"
#include "platform/text/TextCoding.h"

#include <algorithm>
#include <cstddef>

namespace kevo::mainwindow {

namespace {

[[noreturn]] void FailAt(int line, const std::string& what) {
    throw messages::KevoError("line " + std::to_string(line) + ": " + what);
}

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(" \t") + 1 - begin);
}

} // namespace

std::vector<BinMapping> ParseBinMappings(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    std::vector<BinMapping> mappings;
    std::string printer;
    for (int number = 1; !text.empty(); ++number) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (!platform::IsValidUtf8(line))
            FailAt(number, "the text is not UTF-8");
        line = TrimBlanks(line.substr(0, line.find('#')));
        if (line.empty())
            continue;
        if (line.front() == '[') {
            if (line.size() < 2 || line.back() != ']')
                FailAt(number, "a printer header ends with \"]\"");
            printer = TrimBlanks(line.substr(1, line.size() - 2));
            if (printer.empty())
                FailAt(number, "the printer header names no printer");
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            FailAt(number, "neither \"OLD BIN NAME = NEW BIN NAME\" nor \"[PRINTER NAME]\"");
        if (line.find('=', equals + 1) != std::string_view::npos)
            FailAt(number, "more than one \"=\"");
        BinMapping mapping{printer, std::string(TrimBlanks(line.substr(0, equals))),
                           std::string(TrimBlanks(line.substr(equals + 1))), number};
        if (mapping.oldName.empty() || mapping.newName.empty())
            FailAt(number, "a bin name is missing beside \"=\"");
        mappings.push_back(std::move(mapping));
    }
    return mappings;
}

} // namespace kevo::mainwindow
