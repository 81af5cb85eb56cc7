// SPDX-License-Identifier: Apache-2.0
#include "setup/TrayRepair.h"

#include "messages/ErrorReport.h"
#include "platform/printing/SimulatedPrintingService.h"
#include "printers/Printers.h"

#include <gtest/gtest.h>

#include <tuple>

namespace kevo::setup {
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

// The printer mappings as "old|new|line" lines, or "line N" of the failure.
std::string ParsedPrinters(std::string_view text) try {
    std::string out;
    for (const PrinterMapping& m : ParsePrinterMappings(text))
        out += m.oldName + "|" + m.newName + "|" + std::to_string(m.line) + "\n";
    return out;
} catch (const messages::KevoError& error) {
    const std::string what = error.what();
    return what.substr(0, what.find(':'));
}

TEST(PrinterMappings, NamesServersAndFaults) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\\\\OLD\\* = \\\\NEW\\*\r\n# x\nAccounts_Laser=accounts-laser # moved",
         "\\\\OLD\\*|\\\\NEW\\*|1\nAccounts_Laser|accounts-laser|3\n"},
        {"a = b\n\\\\OLD\\* = \\\\NEW\\Queue", "line 2"},
        {"[Laser]\n", "line 1"},
        {"a = ", "line 1"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ParsedPrinters(text), expected) << text;
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

constexpr const char* kPrinters = R"(printer Renumbered
devices New Driver,LPT1:
bin 15 Automatically Select
bin 260 Tray 1
bin 261 Tray 2
bin 262 Cassette 1
bin 263 Upper
bin 264 upper
printer Renamed
devices IPP Driver,LPT2:
bin 256 tray-1
bin 257 by-pass-tray
bin 4 Manual
bin 258 Drawer A
bin 259 Drawer B
printer Broken
bin 1 Upper
names-data fail
printer Uneven
bin 1 Roll
numbers-count 2
)";

constexpr const char* kMappings = "Lower = TRAY 2\nTray 2 = Drawer A\nTray1 = Tray 1\n"
                                  "[RENAMED]\nTray 2 = Drawer B\n";

auto Fields(const SetupLine& l) {
    return std::tie(l.line, l.name, l.printer, l.port, l.driver, l.firstPage, l.otherPages,
                    l.errors);
}

// A bin written "name/number", and back.
PaperBin Bin(const std::string& text) {
    return {text.substr(0, text.rfind('/')), text.substr(text.rfind('/') + 1)};
}
std::string Text(const PaperBin& bin) {
    return bin.name + "/" + bin.number;
}

TEST(TrayRepair, EachBinFoundOnceOrTheLineLeftWithWhy) {
    struct Case {
        std::string printer, first, other, errors, outcome;
    };
    const std::string trays = "Driver,Tray1Name,Tray1Num,Tray2Name,Tray2Num,";
    const std::string named = NamesDifferentToken("Driver,),Tray1Num,");
    const std::vector<Case> cases = {
        // Renumbered, found by name before the table; a general mapping.
        {"renumbered", "tray 1/256", "Lower/2", "Driver,Tray1Num,Tray2Name,",
         "Tray 1/260, Tray 2/261, New Driver"},
        // Another driver's words; the automatic bin whether listed or not.
        {"Renamed", "Cassette 01/3", "Bypass Tray/9", trays,
         "tray-1/256, by-pass-tray/257, IPP Driver"},
        {"Renamed", "Manual Feed/7", "Automatically Select/15", trays,
         "Manual/4, Automatically Select/15, IPP Driver"},
        {"Renumbered", "Automatically Select/7", "Tray 2/257", "Tray1Num,Tray2Num,",
         "Automatically Select/15, Tray 2/261, New Driver"},
        // The printer's own mapping wins over the general one.
        {"Renamed", "Tray 2/257", "Tray 2/257", trays, "Drawer B/259, Drawer B/259, IPP Driver"},
        // Two by name, two by the table (the mapping is not asked).
        {"Renumbered", "UPPER/3", "Tray1/1", trays,
         "bin \"UPPER\" has two candidates; bin \"Tray1\" has two candidates"},
        {"Renumbered", "Tray 3/258", "Tray 3/258", trays, "bin \"Tray 3\" not found"},
        {"Renamed", "Automatic/15", "Tray 1/256", trays, "bin \"Automatic\" not found"},
        {"Gone", "Tray 1/1", "Tray 1/1", "Printer Undefined,", "printer missing"},
        {"Renumbered", "Tray 1/1", "Tray 1/1", "Port,Driver,Tray1Num,", "other errors: Port,"},
        {"Renumbered", "Tray 1/1", "Tray 1/1", named + "Tray1Num,", "other errors: " + named},
        {"Broken", "Upper/1", "Upper/1", trays, "bins cannot be asked: DevCap Error"},
        {"Uneven", "Roll/1", "Roll/1", trays, "bin names and numbers do not pair up"},
    };
    // Lines that are not in the plan: unnamed, and without errors.
    std::vector<SetupLine> lines = {
        {1, "", "Renamed", "LPT2:", "x", {}, {}, "Printer Redundant,"},
        {2, "Fine", "Renamed", "LPT2:", "IPP Driver", {"Manual", "4"}, {"Manual", "4"}, ""}};
    for (const Case& c : cases) {
        const int number = static_cast<int>(lines.size()) + 1;
        lines.push_back(
            {number, "Name", c.printer, "LPT9:", "Old", Bin(c.first), Bin(c.other), c.errors});
    }
    platform::SimulatedPrintingService service =
        platform::SimulatedPrintingService::FromText(kPrinters, "test");
    const TrayRepairPlan plan =
        PlanTrayRepair(lines, printers::Printers(service), ParseBinMappings(kMappings));
    ASSERT_EQ(plan.lines.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const TrayRepairLine& got = plan.lines[i];
        const SetupLine& a = got.after;
        EXPECT_EQ(got.repaired ? Text(a.firstPage) + ", " + Text(a.otherPages) + ", " + a.driver
                               : got.reason,
                  cases[i].outcome);
        EXPECT_EQ(got.repaired, got.reason.empty()) << i;
        // Nothing but the bins, the driver and the errors changes.
        SetupLine expected = lines[i + 2];
        if (got.repaired)
            expected = {expected.line, "Name",      expected.printer, "LPT9:",
                        a.driver,      a.firstPage, a.otherPages,     ""};
        EXPECT_EQ(Fields(got.before), Fields(lines[i + 2])) << i;
        EXPECT_EQ(Fields(a), Fields(expected)) << i;
    }
}

// Printers that moved, on a service whose ports are device URIs; without
// its first line the same printers with Windows ports.
constexpr const char* kMovedPrinters = R"(ports device-uris
printer \\PRINTSRV02\Accounts
devices New Driver,socket://10.0.4.21
bin 256 Tray 1
bin 259 Drawer B
printer accounts-laser
devices Laser Driver,socket://10.0.4.30
printer Plotter-New
devices Plot Driver,ipp://plotter.local/ipp/print
printer Twin A
devices D,usb://twin
printer Twin B
devices D,usb://twin
printer \\SRVB\Sales
devices D,socket://10.0.5.1
printer \\SRVC\Sales
devices D,socket://10.0.5.2
printer \\SRVB\Shipping
devices D,socket://10.0.5.3
)";

TEST(TrayRepair, MissingPrinterFoundOnceOrTheLineLeftWithWhy) {
    struct Case {
        bool uris;
        std::string printer, port, first, other, errors, outcome;
    };
    const std::string a = "Automatically Select/15";
    const std::string undefined = "Printer Undefined,";
    const std::vector<Case> cases = {
        {true, "accounts_laser", "LPT1:", a, a, undefined,
         "accounts-laser socket://10.0.4.30 by mapping, " + a + ", " + a + ", Laser Driver"},
        // A whole server; bins mapped under the new printer's header and the old one's.
        {true, "\\\\PrintSrv01\\ACCOUNTS", "", "Upper/1", "Lower/2", undefined,
         "\\\\PRINTSRV02\\Accounts socket://10.0.4.21 by mapping, Tray 1/256, Drawer B/259, "
         "New Driver"},
        {true, "\\\\PRINTSRV01\\Accounts", "", "Tray 9/9", a, undefined,
         "found \"\\\\PRINTSRV02\\Accounts\" by mapping; bin \"Tray 9\" not found"},
        {true, "\\\\PRINTSRV01\\Gone", "socket://10.0.4.30", a, a, undefined,
         "mapped to \"\\\\printsrv02\\Gone\", which is not installed"},
        {true, "Old Plotter", "", a, a, undefined,
         "mapped to \"Gone Plotter\", which is not installed"},
        {true, "dup", "", a, a, undefined,
         "printer has two candidates by mapping: \"accounts-laser\", \"Plotter-New\""},
        {true, "Plotter", "ipp://plotter.local/ipp/print", a, a, undefined,
         "Plotter-New ipp://plotter.local/ipp/print by port, " + a + ", " + a + ", Plot Driver"},
        {true, "Plotter", "IPP://plotter.local/ipp/print", a, a, undefined, "printer missing"},
        {true, "Twin", "usb://twin", a, a, undefined,
         "printer has two candidates by port: \"Twin A\", \"Twin B\""},
        {true, "\\\\SRVA\\Sales", "socket://10.0.5.1", a, a, undefined,
         "\\\\SRVB\\Sales socket://10.0.5.1 by port, " + a + ", " + a + ", D"},
        {true, "\\\\SRVA\\Sales", "LPT1:", a, a, undefined,
         "printer has two candidates by queue name: \"\\\\SRVB\\Sales\", \"\\\\SRVC\\Sales\""},
        {false, "\\\\srva\\shipping", "LPT1:", a, a, undefined,
         "\\\\SRVB\\Shipping socket://10.0.5.3 by queue name, " + a + ", " + a + ", D"},
        // A new port alone; Windows ports are neither matched nor repaired.
        {true, "plotter-new", "ipp://old/ipp/print", a, a, "Port,Driver,",
         "plotter-new ipp://plotter.local/ipp/print, " + a + ", " + a + ", Plot Driver"},
        {false, "Plotter", "ipp://plotter.local/ipp/print", a, a, undefined, "printer missing"},
        {false, "plotter-new", "ipp://old/ipp/print", a, a, "Port,", "other errors: Port,"},
    };
    const std::vector<BinMapping> bins =
        ParseBinMappings("[\\\\PRINTSRV01\\Accounts]\nLower = Drawer B\n"
                         "[\\\\PRINTSRV02\\Accounts]\nUpper = Tray 1\n");
    const std::vector<PrinterMapping> moved = ParsePrinterMappings(
        "Accounts_Laser = ACCOUNTS-LASER\n\\\\PRINTSRV01\\* = \\\\printsrv02\\*\n"
        "Old Plotter = Gone Plotter\nDup = accounts-laser\nDUP = Plotter-New\n");
    for (const bool uris : {true, false}) {
        const std::string_view text = kMovedPrinters;
        platform::SimulatedPrintingService service = platform::SimulatedPrintingService::FromText(
            uris ? text : text.substr(text.find('\n') + 1), "test");
        for (const Case& c : cases) {
            if (c.uris != uris)
                continue;
            const SetupLine line{1, "Name", c.printer, c.port, "Old", Bin(c.first), Bin(c.other),
                                 c.errors};
            const TrayRepairPlan plan =
                PlanTrayRepair({line}, printers::Printers(service), bins, moved);
            ASSERT_EQ(plan.lines.size(), 1u);
            const TrayRepairLine& got = plan.lines[0];
            const SetupLine& after = got.after;
            EXPECT_EQ(got.repaired ? after.printer + " " + after.port +
                                         (got.foundBy.empty() ? "" : " " + got.foundBy) + ", " +
                                         Text(after.firstPage) + ", " + Text(after.otherPages) +
                                         ", " + after.driver
                                   : got.reason,
                      c.outcome);
        }
    }
}

} // namespace
} // namespace kevo::setup
