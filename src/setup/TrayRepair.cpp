// SPDX-License-Identifier: Apache-2.0
#include "setup/TrayRepair.h"

#include "messages/ErrorReport.h"
#include "platform/printing/JobOptions.h"
#include "platform/text/TextCoding.h"
#include "printers/Printers.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>

namespace kevo::setup {

using platform::SameTextIgnoringCase;

namespace {

// The names of one tray in different drivers' words. This table is the one
// place they are defined. Two bin names name the same tray when, compared
// ignoring letter case, blanks and hyphens,
// - both are "Tray N" or "Cassette N" with the same number N, leading zeros
//   aside: "Tray 2" = "Tray2" = "tray-2" (the IPP keyword) = "Cassette 2"
//   = "TRAY 02";
// - or both are in the same row below: "Manual Feed" = "ManualFeed" =
//   "manual", "by-pass-tray" = "Bypass Tray", "large-capacity" =
//   "Large Capacity".
// The automatic bin (kAutoSelectBinName) is in no row: the CUPS service lists it beside a
// queue's own "Automatic Selection" tray, which would then always have two
// candidates.
constexpr std::array<std::array<std::string_view, 3>, 7> kSameTray = {{
    {"Manual Feed", "Manual"},
    {"Automatic Selection", "Automatic", "Auto"},
    {"Multipurpose Tray", "MP Tray", "Bypass Tray"},
    {"Upper", "Top"},
    {"Lower", "Bottom"},
    {"Middle"},
    {"Large Capacity"},
}};

// A name without its blanks and hyphens.
std::string Plain(std::string_view name) {
    std::string plain;
    for (char c : name) {
        if (c != ' ' && c != '-')
            plain += c;
    }
    return plain;
}

// The tray a bin name names by the table above: "tray N" or "row R", or
// empty when the table does not know the name.
std::string SameTrayKey(std::string_view name) {
    const std::string plain = Plain(name);
    const std::size_t digits = plain.find_last_not_of("0123456789") + 1;
    if (digits < plain.size()) {
        const std::string_view head = std::string_view(plain).substr(0, digits);
        if (SameTextIgnoringCase(head, "tray") || SameTextIgnoringCase(head, "cassette")) {
            const std::size_t first =
                std::min(plain.find_first_not_of('0', digits), plain.size() - 1);
            return "tray " + plain.substr(first);
        }
    }
    for (std::size_t row = 0; row < kSameTray.size(); ++row) {
        for (std::string_view alias : kSameTray[row]) {
            if (!alias.empty() && SameTextIgnoringCase(Plain(alias), plain))
                return "row " + std::to_string(row);
        }
    }
    return {};
}

// The tokens of an Errors text that the repair clears.
constexpr std::array<std::string_view, 5> kRepairedTokens = {
    kTokenDriver, kTokenTray1Name, kTokenTray1Num, kTokenTray2Name, kTokenTray2Num};

// The tokens of an Errors text that the repair does not clear, as they stand
// in it.
std::string OtherErrors(std::string_view errors) {
    const ErrorTokens split = SplitErrorTokens(errors);
    std::string others;
    if (split.storedName)
        others += NamesDifferentToken(*split.storedName);
    for (const std::string& token : split.tokens) {
        // The name token stands for the whole "Names Different (...)," above.
        if (split.storedName && kNamesDifferentPrefix.starts_with(token + " ("))
            continue;
        const std::string text = token + ",";
        if (std::find(kRepairedTokens.begin(), kRepairedTokens.end(), text) ==
            kRepairedTokens.end())
            others += text;
    }
    return others;
}

// A stored bin as found on the printer now, or why it is not.
struct FoundBin {
    PaperBin bin;
    std::string problem; // empty when found
};

FoundBin FindBin(const PaperBin& stored, const std::string& printer,
                 const std::vector<std::string>& names, const std::vector<std::string>& numbers,
                 const std::vector<BinMapping>& mappings) {
    // The automatic bin asks the printer for no tray: the same bin on
    // every printer, whether or not its driver lists it.
    if (SameTextIgnoringCase(stored.name, platform::kAutoSelectBinName) &&
        stored.number == std::to_string(platform::kAutoSelectBinNumber))
        return {stored, {}};
    const std::string key = SameTrayKey(stored.name);
    // Whether a bin name is the new name of a mapping of the stored name for
    // this printer (specific) or for every printer.
    const auto mapped = [&](const std::string& name, bool specific) {
        return std::any_of(mappings.begin(), mappings.end(), [&](const BinMapping& m) {
            return (specific ? !m.printer.empty() && SameTextIgnoringCase(m.printer, printer)
                             : m.printer.empty()) &&
                   SameTextIgnoringCase(m.oldName, stored.name) &&
                   SameTextIgnoringCase(m.newName, name);
        });
    };
    // The steps in their order; the first that any bin passes decides.
    const std::array<std::function<bool(const std::string&)>, 4> steps = {
        [&](const std::string& name) { return SameTextIgnoringCase(name, stored.name); },
        [&](const std::string& name) { return !key.empty() && SameTrayKey(name) == key; },
        [&](const std::string& name) { return mapped(name, true); },
        [&](const std::string& name) { return mapped(name, false); },
    };
    for (const auto& step : steps) {
        std::vector<std::size_t> found;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (step(names[i]))
                found.push_back(i);
        }
        if (found.size() == 1)
            return {{names[found[0]], numbers[found[0]]}, {}};
        if (found.size() > 1)
            return {stored, "bin \"" + stored.name + "\" has two candidates"};
    }
    return {stored, "bin \"" + stored.name + "\" not found"};
}

// Repairs a line into after, or says why it is left alone.
std::string Repair(const SetupLine& line, const std::vector<std::string>& installed,
                   const printers::Printers& printers, const std::vector<BinMapping>& mappings,
                   SetupLine& after) {
    const int position = printers::FindInList(installed, line.printer);
    if (position < 0)
        return "printer missing";
    if (const std::string others = OtherErrors(line.errors); !others.empty())
        return "other errors: " + others;
    printers::Printer printer;
    try {
        printer = printers.Load(position, true);
    } catch (const messages::KevoError& error) {
        return std::string("bins cannot be asked: ") + error.what();
    }
    const printers::PrinterBins& names = printer.binNames;
    const printers::PrinterBins& numbers = printer.binNumbers;
    if (printer.BinsUnknown())
        return "bins cannot be asked";
    if (names.texts.size() != numbers.texts.size())
        return "bin names and numbers do not pair up";
    const FoundBin first =
        FindBin(line.firstPage, line.printer, names.texts, numbers.texts, mappings);
    const FoundBin other =
        FindBin(line.otherPages, line.printer, names.texts, numbers.texts, mappings);
    std::string problem = first.problem;
    if (!other.problem.empty() && other.problem != first.problem)
        problem += (problem.empty() ? "" : "; ") + other.problem;
    if (!problem.empty())
        return problem;
    after.firstPage = first.bin;
    after.otherPages = other.bin;
    after.driver = printer.driver;
    after.errors.clear();
    return {};
}

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

TrayRepairPlan PlanTrayRepair(const std::vector<SetupLine>& lines,
                              const printers::Printers& printers,
                              const std::vector<BinMapping>& mappings) {
    TrayRepairPlan plan;
    const std::vector<std::string> installed = printers.Names();
    for (const SetupLine& line : lines) {
        if (!line.IsNamed() || !line.HasErrors())
            continue;
        TrayRepairLine& entry = plan.lines.emplace_back(TrayRepairLine{line, line, false, {}});
        entry.reason = Repair(line, installed, printers, mappings, entry.after);
        entry.repaired = entry.reason.empty();
    }
    return plan;
}

} // namespace kevo::setup
