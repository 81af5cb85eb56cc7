// SPDX-License-Identifier: Apache-2.0
#include "TestPrinters.h"

#include "Files.h"
#include "PrivateScheduler.h"
#include "SetupSection.h"

namespace kevo::e2e {
namespace fs = std::filesystem;
using test::ChildProcess;
using test::SpawnOptions;

namespace {
const Bin kAutomaticallySelect{15, "Automatically Select"};
const Bin kManualFeed{4, "Manual Feed"};
} // namespace

TestPrinter OfficePrinter(const std::string& name, const std::string& deviceUri) {
    // NickName "Kevo Office 3000, v2.1, PS": the driver ends at the comma.
    return {name,
            "kevo-manual-feed.ppd",
            deviceUri,
            "Kevo Office 3000",
            {kAutomaticallySelect, {256, "Main Tray"}, kManualFeed}};
}

TestPrinter LongNamesPrinter(const std::string& name, const std::string& deviceUri) {
    // The InputSlot texts cut to 24 bytes; the last cut ends in a blank,
    // which is trimmed.
    return {name,
            "kevo-long-names.ppd",
            deviceUri,
            "Kevo LongTray 500",
            {kAutomaticallySelect,
             {256, "Upper Paper Tray Holding"},
             {257, "Lower Cassette For Lette"},
             {258, "Exactly Twenty-Four Byte"},
             {259, "Envelope Feeder Slot 12"}}};
}

TestPrinter NoSlotsPrinter(const std::string& name, const std::string& deviceUri) {
    return {name, "kevo-no-slots.ppd", deviceUri, "Kevo No Slots", {kAutomaticallySelect}};
}

void AddPrinters(test::PrivateScheduler& scheduler, const std::vector<TestPrinter>& printers,
                 const fs::path& ppdFolder) {
    for (const TestPrinter& printer : printers)
        scheduler.AddPrinter(printer.name, ppdFolder / printer.ppd, printer.deviceUri);
}

SetupLine MatchingLine(int line, const std::string& name, const TestPrinter& printer,
                       const Bin& source1, const Bin& source2) {
    return {line, name, printer.name, printer.deviceUri, printer.driver, source1, source2};
}

std::string SetupFileText(const std::vector<SetupLine>& lines) {
    std::string text;
    for (const SetupLine& line : lines) {
        text += test::SetupSection(line.line, line.name, line.device, line.port, line.driver,
                                   line.source1.name, std::to_string(line.source1.number),
                                   line.source2.name, std::to_string(line.source2.number));
    }
    return text;
}

std::string NamesFileText(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += name + "\r\n";
    return text;
}

std::string WriteMatchingSetup(const std::filesystem::path& namesFile,
                               const std::filesystem::path& setupFile, int count,
                               const std::vector<TestPrinter>& printers) {
    std::vector<std::string> names;
    std::vector<SetupLine> lines;
    for (int line = 1; line <= count; ++line) {
        const TestPrinter& printer = printers[static_cast<std::size_t>(line - 1) % printers.size()];
        names.push_back("Document " + std::to_string(line));
        lines.push_back(
            MatchingLine(line, names.back(), printer, printer.bins[1], printer.bins.back()));
    }
    const std::string setupText = SetupFileText(lines);
    test::WriteBytes(namesFile, NamesFileText(names));
    test::WriteBytes(setupFile, setupText);
    return setupText;
}

ChildProcess StartKevoconf(const fs::path& program, const std::vector<std::string>& arguments,
                           const fs::path& folder, const std::string& display,
                           const std::string& simulatedPrinters,
                           const std::map<std::string, std::optional<std::string>>& more) {
    for (const char* sub : {"home", "config", "runtime"})
        fs::create_directories(folder / sub);
    fs::permissions(folder / "runtime", fs::perms::owner_all);

    SpawnOptions options;
    options.outputFile = folder / "kevoconf.log";
    options.environment = {
        {"HOME", (folder / "home").string()},
        {"XDG_CONFIG_HOME", (folder / "config").string()},
        {"XDG_RUNTIME_DIR", (folder / "runtime").string()},
        // The machine's printers, never the simulated ones of the demo.
        {"KEVOCONF_SIMULATED_PRINTERS", std::nullopt},
        {"LPDEST", std::nullopt},
        {"PRINTER", std::nullopt},
    };
    if (!simulatedPrinters.empty())
        options.environment["KEVOCONF_SIMULATED_PRINTERS"] = simulatedPrinters;
    if (display.empty()) {
        options.environment["QT_QPA_PLATFORM"] = "offscreen";
        options.environment["DISPLAY"] = std::nullopt;
    } else {
        options.environment["QT_QPA_PLATFORM"] = "xcb";
        options.environment["DISPLAY"] = display;
    }
    for (const auto& [name, value] : more)
        options.environment[name] = value;
    std::vector<std::string> argv = {program.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return ChildProcess(argv, options);
}

} // namespace kevo::e2e
