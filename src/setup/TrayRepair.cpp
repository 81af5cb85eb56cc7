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

// The tokens of an Errors text that the repair clears: always those of the
// driver and bins; "Printer Undefined," for a line whose printer was found;
// "Port," where ports are device URIs.
std::vector<std::string_view> RepairedTokens(bool printerFound, bool portRepaired) {
    std::vector<std::string_view> tokens = {kTokenDriver, kTokenTray1Name, kTokenTray1Num,
                                            kTokenTray2Name, kTokenTray2Num};
    if (printerFound)
        tokens.push_back(kTokenPrinterUndefined);
    if (portRepaired)
        tokens.push_back(kTokenPort);
    return tokens;
}

// The tokens of an Errors text that the repair does not clear, as they stand
// in it.
std::string OtherErrors(std::string_view errors, const std::vector<std::string_view>& repaired) {
    const ErrorTokens split = SplitErrorTokens(errors);
    std::string others;
    if (split.storedName)
        others += NamesDifferentToken(*split.storedName);
    for (const std::string& token : split.tokens) {
        // The name token stands for the whole "Names Different (...)," above.
        if (split.storedName && kNamesDifferentPrefix.starts_with(token + " ("))
            continue;
        const std::string text = token + ",";
        if (std::find(repaired.begin(), repaired.end(), text) == repaired.end())
            others += text;
    }
    return others;
}

// A stored bin as found on the printer now, or why it is not.
struct FoundBin {
    PaperBin bin;
    std::string problem; // empty when found
};

// headers: the printer names whose own bin mappings hold, in their order.
FoundBin FindBin(const PaperBin& stored, const std::vector<std::string>& headers,
                 const std::vector<std::string>& names, const std::vector<std::string>& numbers,
                 const std::vector<BinMapping>& mappings) {
    // The automatic bin asks the printer for no tray: the same bin on
    // every printer, whether or not its driver lists it.
    if (SameTextIgnoringCase(stored.name, platform::kAutoSelectBinName) &&
        stored.number == std::to_string(platform::kAutoSelectBinNumber))
        return {stored, {}};
    const std::string key = SameTrayKey(stored.name);
    // Whether a bin name is the new name of a mapping of the stored name
    // under a printer's header (empty: for every printer).
    const auto mapped = [&](const std::string& name, const std::string& header) {
        return std::any_of(mappings.begin(), mappings.end(), [&](const BinMapping& m) {
            return (header.empty() ? m.printer.empty()
                                   : !m.printer.empty() && SameTextIgnoringCase(m.printer, header)) &&
                   SameTextIgnoringCase(m.oldName, stored.name) &&
                   SameTextIgnoringCase(m.newName, name);
        });
    };
    // The steps in their order; the first that any bin passes decides.
    std::vector<std::function<bool(const std::string&)>> steps = {
        [&](const std::string& name) { return SameTextIgnoringCase(name, stored.name); },
        [&](const std::string& name) { return !key.empty() && SameTrayKey(name) == key; },
    };
    for (const std::string& header : headers)
        steps.emplace_back([&](const std::string& name) { return mapped(name, header); });
    steps.emplace_back([&](const std::string& name) { return mapped(name, {}); });
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

// Repairs a line into entry.after, or says why it is left alone.
std::string Repair(const SetupLine& line, const std::vector<std::string>& installed,
                   const printers::Printers& printers, const std::vector<BinMapping>& mappings,
                   MovedPrinterFinder& finder, TrayRepairLine& entry) {
    SetupLine& after = entry.after;
    int position = printers::FindInList(installed, line.printer);
    std::vector<std::string> headers = {line.printer};
    std::string found; // how a missing printer was found, for a reason
    if (position < 0) {
        const MovedPrinter moved = finder.Find(line.printer, line.port);
        if (moved.name.empty())
            return moved.problem;
        position = printers::FindInList(installed, moved.name);
        entry.foundBy = FoundByText(moved.by);
        found = "found \"" + moved.name + "\" " + entry.foundBy + "; ";
        headers.insert(headers.begin(), moved.name);
    }
    const bool portRepaired = !found.empty() || printers.PortsAreDeviceUris();
    if (const std::string others =
            OtherErrors(line.errors, RepairedTokens(!found.empty(), portRepaired));
        !others.empty())
        return found + "other errors: " + others;
    printers::Printer printer;
    try {
        printer = printers.Load(position, true);
    } catch (const messages::KevoError& error) {
        return found + "bins cannot be asked: " + error.what();
    }
    const printers::PrinterBins& names = printer.binNames;
    const printers::PrinterBins& numbers = printer.binNumbers;
    if (printer.BinsUnknown())
        return found + "bins cannot be asked";
    if (names.texts.size() != numbers.texts.size())
        return found + "bin names and numbers do not pair up";
    const FoundBin first = FindBin(line.firstPage, headers, names.texts, numbers.texts, mappings);
    const FoundBin other = FindBin(line.otherPages, headers, names.texts, numbers.texts, mappings);
    std::string problem = first.problem;
    if (!other.problem.empty() && other.problem != first.problem)
        problem += (problem.empty() ? "" : "; ") + other.problem;
    if (!problem.empty())
        return found + problem;
    if (!found.empty())
        after.printer = printer.name;
    if (portRepaired)
        after.port = printer.port;
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

namespace {

// The lines of a mapping file: each "OLD = NEW" given to pair, each
// "[NAME]" header to header (which may refuse it). what names the names:
// "BIN NAME", "PRINTER NAME".
void ReadMappingLines(std::string_view text, std::string_view what,
                      const std::function<void(int, std::string)>& header,
                      const std::function<void(int, std::string, std::string)>& pair) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    const std::string name(what);
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
            header(number, std::string(TrimBlanks(line.substr(1, line.size() - 2))));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            FailAt(number, "neither \"OLD " + name + " = NEW " + name +
                               "\" nor \"[PRINTER NAME]\"");
        if (line.find('=', equals + 1) != std::string_view::npos)
            FailAt(number, "more than one \"=\"");
        std::string oldName(TrimBlanks(line.substr(0, equals)));
        std::string newName(TrimBlanks(line.substr(equals + 1)));
        if (oldName.empty() || newName.empty())
            FailAt(number, "a" + std::string(what.starts_with("BIN") ? " bin" : " printer") +
                               " name is missing beside \"=\"");
        pair(number, std::move(oldName), std::move(newName));
    }
}

// "\\SERVER\QUEUE" taken apart, or nothing for a name of another form.
struct ServerName {
    std::string_view server;
    std::string_view queue;
};
std::optional<ServerName> SplitServerName(std::string_view name) {
    if (!name.starts_with("\\\\"))
        return std::nullopt;
    const std::size_t slash = name.find('\\', 2);
    if (slash == std::string_view::npos || slash == 2 || slash + 1 == name.size() ||
        name.find('\\', slash + 1) != std::string_view::npos)
        return std::nullopt;
    return ServerName{name.substr(2, slash - 2), name.substr(slash + 1)};
}

// Whether a mapping's name stands for a whole server: "\\SERVER\*".
bool IsServer(std::string_view name) {
    const std::optional<ServerName> split = SplitServerName(name);
    return split && split->queue == "*";
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// Adds a name unless the list holds it already (the lookup rule).
void AddOnce(std::vector<std::string>& names, const std::string& name) {
    if (printers::FindInList(names, name) < 0)
        names.push_back(name);
}

} // namespace

std::vector<BinMapping> ParseBinMappings(std::string_view text) {
    std::vector<BinMapping> mappings;
    std::string printer;
    ReadMappingLines(
        text, "BIN NAME",
        [&](int number, std::string name) {
            if (name.empty())
                FailAt(number, "the printer header names no printer");
            printer = std::move(name);
        },
        [&](int number, std::string oldName, std::string newName) {
            mappings.push_back({printer, std::move(oldName), std::move(newName), number});
        });
    return mappings;
}

std::vector<PrinterMapping> ParsePrinterMappings(std::string_view text) {
    std::vector<PrinterMapping> mappings;
    ReadMappingLines(
        text, "PRINTER NAME",
        [](int number, const std::string&) {
            FailAt(number, "a printer mapping file has no [headers]");
        },
        [&](int number, std::string oldName, std::string newName) {
            if (IsServer(oldName) != IsServer(newName))
                FailAt(number, "a whole server maps to a whole server: \\\\OLD\\* = \\\\NEW\\*");
            mappings.push_back({std::move(oldName), std::move(newName), number});
        });
    return mappings;
}

std::string_view FoundByText(FoundBy by) {
    switch (by) {
    case FoundBy::Mapping:
        return "by mapping";
    case FoundBy::Port:
        return "by port";
    case FoundBy::QueueName:
        return "by queue name";
    }
    return {};
}

MovedPrinterFinder::MovedPrinterFinder(const printers::Printers& printers,
                                       std::vector<PrinterMapping> mappings)
    : printers_(printers), mappings_(std::move(mappings)), installed_(printers.Names()) {}

MovedPrinter MovedPrinterFinder::Find(const std::string& printer, const std::string& port) {
    const std::optional<ServerName> split = SplitServerName(printer);
    // 1. The mappings of the whole name, else those of its server.
    std::vector<std::string> targets;
    for (const PrinterMapping& m : mappings_) {
        if (!IsServer(m.oldName) && SameTextIgnoringCase(m.oldName, printer))
            AddOnce(targets, m.newName);
    }
    const bool byName = !targets.empty();
    for (const PrinterMapping& m : mappings_) {
        if (!byName && split && IsServer(m.oldName) &&
            SameTextIgnoringCase(SplitServerName(m.oldName)->server, split->server))
            AddOnce(targets, "\\\\" + std::string(SplitServerName(m.newName)->server) + "\\" +
                                 std::string(split->queue));
    }
    // The decision of a step over its candidates.
    const auto decide = [](std::vector<std::string> found, FoundBy by) {
        if (found.size() == 1)
            return MovedPrinter{found.front(), by, {}};
        std::string names;
        for (const std::string& name : found)
            names += (names.empty() ? "" : ", ") + Quoted(name);
        return MovedPrinter{{}, by,
                            "printer has two candidates " + std::string(FoundByText(by)) + ": " +
                                names};
    };
    if (targets.size() == 1) {
        const int position = printers::FindInList(installed_, targets.front());
        if (position < 0)
            return {{}, FoundBy::Mapping, "mapped to " + Quoted(targets.front()) +
                                              ", which is not installed"};
        return {installed_[static_cast<std::size_t>(position)], FoundBy::Mapping, {}};
    }
    if (!targets.empty())
        return decide(targets, FoundBy::Mapping);
    // 2. The stored port, where ports say where printers are.
    if (!port.empty() && printers_.PortsAreDeviceUris()) {
        if (!ports_) {
            ports_.emplace();
            for (std::size_t i = 0; i < installed_.size(); ++i)
                ports_->push_back(printers_.Details(static_cast<int>(i)).port);
        }
        std::vector<std::string> found;
        for (std::size_t i = 0; i < installed_.size(); ++i) {
            if ((*ports_)[i] == port)
                AddOnce(found, installed_[i]);
        }
        if (!found.empty())
            return decide(found, FoundBy::Port);
    }
    // 3. The same queue on another server.
    std::vector<std::string> found;
    for (const std::string& name : installed_) {
        const std::optional<ServerName> other = SplitServerName(name);
        if (split && other && SameTextIgnoringCase(other->queue, split->queue) &&
            !SameTextIgnoringCase(other->server, split->server))
            AddOnce(found, name);
    }
    if (!found.empty())
        return decide(found, FoundBy::QueueName);
    return {{}, FoundBy::Mapping, "printer missing"};
}

TrayRepairPlan PlanTrayRepair(const std::vector<SetupLine>& lines,
                              const printers::Printers& printers,
                              const std::vector<BinMapping>& mappings,
                              const std::vector<PrinterMapping>& printerMappings) {
    TrayRepairPlan plan;
    MovedPrinterFinder finder(printers, printerMappings);
    const std::vector<std::string>& installed = finder.Installed();
    for (const SetupLine& line : lines) {
        if (!line.IsNamed() || !line.HasErrors())
            continue;
        TrayRepairLine& entry = plan.lines.emplace_back(TrayRepairLine{line, line, false, {}, {}});
        entry.reason = Repair(line, installed, printers, mappings, finder, entry);
        entry.repaired = entry.reason.empty();
    }
    return plan;
}

} // namespace kevo::setup
