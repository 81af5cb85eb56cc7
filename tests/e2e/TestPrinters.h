// SPDX-License-Identifier: Apache-2.0
#pragma once

// Printers of a private CUPS scheduler together with what KevoConf is to
// see of them, and the names and setup files that match them, for the
// end-to-end tests and the start-up benchmark.
//
// The expected values follow the program's rules for CUPS queues: the port
// is the queue's device URI, the driver is its make and model up to the first
// comma, and the bins are "Automatically Select" (15), then the PPD's
// InputSlot choices numbered from 256 with their texts cut to 24 bytes, then
// "Manual Feed" (4) where the PPD has a ManualFeed option. `kevoconf-printers`
// prints what the program really sees, for comparison.

#include "ChildProcess.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kevo::test {
class PrivateScheduler;
}

namespace kevo::e2e {

struct Bin {
    int number = 0;
    std::string name;
};

struct TestPrinter {
    std::string name;      // the queue's name
    std::string ppd;       // file name in the test PPD folder
    std::string deviceUri; // the queue's device URI, which is the port
    std::string driver;    // the driver as the program reports it
    std::vector<Bin> bins; // the bins as the program numbers them
};

// Printers made from the test PPDs, under a queue name and device URI of
// the caller's choice.
// kevo-manual-feed.ppd: one tray and a manual feed switch.
TestPrinter OfficePrinter(const std::string& name, const std::string& deviceUri);
// kevo-long-names.ppd: four trays whose texts are longer than 24 bytes.
TestPrinter LongNamesPrinter(const std::string& name, const std::string& deviceUri);
// kevo-no-slots.ppd: no paper source option at all.
TestPrinter NoSlotsPrinter(const std::string& name, const std::string& deviceUri);

// Adds the printers to a running scheduler, from the PPDs in `ppdFolder`.
void AddPrinters(test::PrivateScheduler& scheduler, const std::vector<TestPrinter>& printers,
                 const std::filesystem::path& ppdFolder);

// One configuration line as the setup file stores it.
struct SetupLine {
    int line = 0;
    std::string name;
    std::string device;
    std::string port;
    std::string driver;
    Bin source1;
    Bin source2;
};

// A line that matches the printer exactly.
SetupLine MatchingLine(int line, const std::string& name, const TestPrinter& printer,
                       const Bin& source1, const Bin& source2);

// The setup file's text as the program writes it: one section per line,
// eight keys each, lines ended by CR LF.
std::string SetupFileText(const std::vector<SetupLine>& lines);
// The names file's text: the names one per line, CR LF after each.
std::string NamesFileText(const std::vector<std::string>& names);

// A setup without errors, as the benchmarks measure it: lines 1 to count
// named "Document N", line N on printers[(N - 1) % size] with its second and
// its last bin, written as the names file and the setup file. Returns the
// setup file's text.
std::string WriteMatchingSetup(const std::filesystem::path& namesFile,
                               const std::filesystem::path& setupFile, int count,
                               const std::vector<TestPrinter>& printers);

// Starts kevoconf with the arguments given. It sees the printers of the
// scheduler that this process points at (CUPS_SERVER) and never the
// simulated ones; its home and configuration folders are inside `folder`,
// and its output goes to folder/kevoconf.log. With a display it runs on
// that X display; without one, on Qt's offscreen platform. Given a
// simulated printers file, it uses those printers instead. `more` changes
// further variables on top (test::SpawnOptions::environment).
test::ChildProcess
StartKevoconf(const std::filesystem::path& program, const std::vector<std::string>& arguments,
              const std::filesystem::path& folder, const std::string& display,
              const std::string& simulatedPrinters = {},
              const std::map<std::string, std::optional<std::string>>& more = {});

} // namespace kevo::e2e
