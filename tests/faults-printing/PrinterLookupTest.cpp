// SPDX-License-Identifier: Apache-2.0
// The check finds the printers that lines name by asking the scheduler for
// each by name, not by listing every queue: each case's line gets the same
// tokens and the program shows the same messages as when the catalogue's
// list answers (the rule the user sees), one request after another and side
// by side.

#include "PrivateScheduler.h"
#include "ScratchFolder.h"
#include "TestPrinters.h"
#include "WindowlessProgram.h"
#include "platform/cups/CupsPrintingService.h"
#include "platform/printing/CachingPrintingService.h"

#include <gtest/gtest.h>

#include "ScopedEnv.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kevo::faults {
namespace {

namespace fs = std::filesystem;
using e2e::TestPrinter;
using platform::CupsServiceOptions;
using test::ProgramFiles;
using test::WindowlessProgram;

TestPrinter Office() {
    return e2e::OfficePrinter("Office", "file:///dev/null");
}
// After "Office" in the scheduler's order, which stands in as the default
// when none is set.
TestPrinter Zurich() {
    return e2e::OfficePrinter("Z\xC3\xBCrich", "socket://10.20.0.30:9100");
}
TestPrinter Used() {
    return e2e::LongNamesPrinter("Used", "socket://10.20.0.21:9100");
}

test::PrivateScheduler& Scheduler() {
    static const std::unique_ptr<test::PrivateScheduler> scheduler = [] {
        auto started = std::make_unique<test::PrivateScheduler>();
        started->Start();
        e2e::AddPrinters(*started, {Office(), Zurich()}, KEVO_TEST_PPD_DIR);
        started->AddClass("Team", {"Office"});
        started->SetServerDefault("Office");
        return started;
    }();
    return *scheduler;
}

// The program's service, or one whose list answers every look-up (as
// before the scheduler was asked for printers by name). Counts the
// listings, and runs an action just before the first bin query for "Used".
class Service : public platform::CachingPrintingService {
public:
    Service(bool byName, CupsServiceOptions options, std::function<void()> beforeUsedBins)
        : CachingPrintingService(platform::MakeCupsPrintingService(options)), byName_(byName),
          beforeUsedBins_(std::move(beforeUsedBins)) {}
    platform::PrinterLookup LookUpPrinter(const std::string& name) override {
        return byName_ ? CachingPrintingService::LookUpPrinter(name) : platform::PrinterLookup{};
    }
    std::vector<platform::PrinterEntry> EnumPrinters() override {
        ++listings_;
        return CachingPrintingService::EnumPrinters();
    }
    int BinCount(platform::BinKind kind, const std::string& device,
                 const std::string& port) override {
        if (device == "Used" && beforeUsedBins_)
            std::exchange(beforeUsedBins_, nullptr)();
        return CachingPrintingService::BinCount(kind, device, port);
    }
    int Listings() const { return listings_; }

private:
    bool byName_;
    std::function<void()> beforeUsedBins_;
    int listings_ = 0;
};

enum class Change { None, DeletedBeforeBins, NoDefault };

struct LookupCase {
    const char* name;
    TestPrinter printer; // line 2 as set up on it, under the name the line gives
    bool named;          // line 2 has a name in the names file
    Change change;
    std::string tokens; // line 2's Errors
    // A name that the scheduler compares otherwise: the list answers.
    bool needsList = false;
};

void PrintTo(const LookupCase& lookup, std::ostream* out) {
    *out << lookup.name;
}

TestPrinter Named(TestPrinter printer, const std::string& name) {
    printer.name = name;
    return printer;
}

const std::string kFallbackBins = "Tray1Name,Tray1Num,Tray2Name,Tray2Num,";

class PrinterLookup : public ::testing::TestWithParam<LookupCase> {
protected:
    void SetUp() override {
        // The lines' texts as UTF-8, whatever the locale.
        codePage_ = std::make_unique<test::ScopedEnv>("KEVOCONF_CODEPAGE", "utf-8");
        folder_ = test::MakeScratchFolder("kevo-lookup-");
        files_ = {folder_ / "names.txt", folder_ / "setup.ini", folder_ / "config"};
        const LookupCase& lookup = GetParam();
        const TestPrinter office = Office();
        test::WriteBytes(files_.names,
                         e2e::NamesFileText({"Invoices", lookup.named ? "Delivery Notes" : ""}));
        test::WriteBytes(
            files_.setup,
            e2e::SetupFileText(
                {e2e::MatchingLine(1, "Invoices", office, office.bins[1], office.bins[2]),
                 e2e::MatchingLine(2, lookup.named ? "Delivery Notes" : "", lookup.printer,
                                   lookup.printer.bins[1], lookup.printer.bins[2])}));
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    // Line 2's Errors and the messages of a mode-2 start-up; whether it
    // took the catalogue's list.
    struct Seen {
        std::string tokens;
        std::vector<std::string> shown;
        bool listTaken = false;
    };
    Seen Check(bool byName, CupsServiceOptions::SideBySide how) {
        test::PrivateScheduler& scheduler = Scheduler();
        const LookupCase& lookup = GetParam();
        if (lookup.change == Change::DeletedBeforeBins)
            e2e::AddPrinters(scheduler, {Used()}, KEVO_TEST_PPD_DIR);
        if (lookup.change == Change::NoDefault)
            scheduler.ClearServerDefault();
        CupsServiceOptions options;
        options.sideBySide = how;
        // The queue goes between its look-up (or the list) and its bins.
        auto service =
            std::make_unique<Service>(byName, options, [&] { scheduler.RemovePrinter("Used"); });
        const Service& asked = *service;
        WindowlessProgram program(std::move(service));
        program.StartUp("2", files_);
        if (lookup.change == Change::NoDefault)
            scheduler.SetServerDefault("Office");
        return {program.Errors(2), program.prompter.Shown(), asked.Listings() > 0};
    }

    std::unique_ptr<test::ScopedEnv> codePage_;
    fs::path folder_;
    ProgramFiles files_;
};

TEST_P(PrinterLookup, GivesWhatTheListGives) {
    using SideBySide = CupsServiceOptions::SideBySide;
    const LookupCase& lookup = GetParam();
    const Seen listed = Check(false, SideBySide::Never);
    EXPECT_EQ(listed.tokens, lookup.tokens);
    const std::vector<std::string> report = {"message: Error(s) detected in your printer setup.\r\n"
                                             "Please run the application printer setup routine."};
    EXPECT_EQ(listed.shown, lookup.tokens.empty() ? std::vector<std::string>{} : report);
    // Side by side, the look-up and the bins are one worker's job: nothing
    // can come between them.
    for (const SideBySide how : {SideBySide::Never, SideBySide::Always}) {
        if (how == SideBySide::Always && lookup.change == Change::DeletedBeforeBins)
            continue;
        const Seen byName = Check(true, how);
        const char* mode = how == SideBySide::Never ? "one at a time" : "side by side";
        EXPECT_EQ(byName.tokens, listed.tokens) << mode;
        EXPECT_EQ(byName.shown, listed.shown) << mode;
        EXPECT_EQ(byName.listTaken, lookup.needsList) << mode;
    }
}

const TestPrinter kOffice = Office();

INSTANTIATE_TEST_SUITE_P(
    Scheduler, PrinterLookup,
    ::testing::Values(
        LookupCase{"SameName", kOffice, true, Change::None, ""},
        LookupCase{"OtherAsciiCase", Named(kOffice, "oFFICE"), true, Change::None, ""},
        LookupCase{"OtherCaseBeyondAscii", Named(Zurich(), "Z\xC3\x9CRICH"), true, Change::None, "",
                   true},
        LookupCase{"ClassQueue", Named(kOffice, "team"), true, Change::None, "Driver,"},
        LookupCase{"NoSuchQueue", Named(kOffice, "Nowhere"), true, Change::None,
                   "Printer Undefined,"},
        LookupCase{"NoQueueName", Named(kOffice, "Accounts Laser"), true, Change::None,
                   "Printer Undefined,"},
        LookupCase{"UnnamedLineOnAQueue", kOffice, false, Change::None, "Printer Redundant,"},
        LookupCase{"DeletedBeforeItsBins", Used(), true, Change::DeletedBeforeBins, kFallbackBins},
        LookupCase{"NoDefaultPrinter", Named(kOffice, "OFFICE"), true, Change::NoDefault, ""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kevo::faults
