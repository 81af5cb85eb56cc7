// SPDX-License-Identifier: Apache-2.0
// The printer catalogue as the program builds it (the CUPS service behind
// the caching decorator) on the private scheduler: what the print setup
// dialog and the check see.

#include "SchedulerEnvironment.h"
#include "SchedulerQueries.h"
#include "messages/ErrorReport.h"
#include "platform/PrintingServiceFactory.h"
#include "platform/cups/CupsConnection.h"
#include "platform/cups/CupsPrintingService.h"
#include "platform/printing/CachingPrintingService.h"
#include "printsetup/PrinterCatalogue.h"

#include <cups/cups.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace kevo::test {
namespace {

using kevo::printers::InstalledPrinters;
using messages::KevoError;
using printsetup::PrinterCatalogue;
using namespace printers;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class CupsCatalogueTest : public testing::Test {
protected:
    void SetUp() override {
        Scheduler().SetServerDefault(kManualFeed);
        service_ = platform::MakePrintingService(nullptr);
        MakeCatalogue();
    }
    void TearDown() override {
        catalogue_.reset();
        installed_.reset();
        service_.reset();
        Scheduler().Thaw();
        Scheduler().LimitClientsPerHost(0);
        Scheduler().Start();
        Scheduler().ClearServerDefault();
    }

    void MakeCatalogue() {
        catalogue_.reset();
        installed_ = std::make_unique<InstalledPrinters>(*service_);
        catalogue_ = std::make_unique<PrinterCatalogue>(*installed_);
    }

    void Select(const char* printer) {
        const int position = catalogue_->FindPrinter(printer);
        ASSERT_GE(position, 0) << printer;
        catalogue_->SetSelectedPosition(position);
        catalogue_->cboPrintersChange();
    }

    // FormCreate's error, and how long it took to come.
    std::pair<std::string, milliseconds> FormCreateError() {
        const auto start = Clock::now();
        std::string error;
        try {
            catalogue_->FormCreate();
        } catch (const KevoError& e) {
            error = e.what();
        }
        return {error, std::chrono::duration_cast<milliseconds>(Clock::now() - start)};
    }

    std::unique_ptr<platform::PrintingService> service_;
    std::unique_ptr<InstalledPrinters> installed_;
    std::unique_ptr<PrinterCatalogue> catalogue_;
};

TEST_F(CupsCatalogueTest, ShowsTheSchedulersPrintersAndBins) {
    catalogue_->FormCreate();
    EXPECT_EQ(catalogue_->cboPrinters().items, LpstatDestinations(Scheduler()));
    EXPECT_EQ(catalogue_->cboPrinters().items.at(catalogue_->SelectedPosition()), kManualFeed);
    EXPECT_EQ(catalogue_->lblDriver(), "Kevo Office 3000");
    EXPECT_EQ(catalogue_->lblPort(), "ipp://printhost.example/printers/manual");
    EXPECT_EQ(catalogue_->cboTray1().items,
              (std::vector<std::string>{"Automatically Select", "Main Tray", "Manual Feed"}));
    EXPECT_EQ(catalogue_->cboTray1Num().items, (std::vector<std::string>{"15", "256", "4"}));

    Select(kBlankPadded);
    EXPECT_EQ(catalogue_->lblPort(), "ipps://secure.example:8443/printers/queue");
    EXPECT_EQ(catalogue_->FindBinName("tray 3"), 3);
    EXPECT_EQ(catalogue_->FindBinName(""), 4); // the choice whose text is all blanks
    EXPECT_EQ(catalogue_->FindBinNumber("261"), 6);

    // Without bins, or when the PPD cannot be read: the fallback entries.
    for (const char* printer : {kRaw, kBroken}) {
        Select(printer);
        EXPECT_EQ(catalogue_->cboTray1().items, std::vector<std::string>{"Default"}) << printer;
        EXPECT_EQ(catalogue_->cboTray1Num().items, std::vector<std::string>{"7"}) << printer;
    }
}

// What selecting each printer in turn shows: port, driver, bins, and
// whether the bins could be asked.
std::vector<std::string> EveryPrinterShown(PrinterCatalogue& catalogue) {
    std::vector<std::string> shown;
    const std::vector<std::string> printers = catalogue.cboPrinters().items;
    for (const std::string& printer : printers) {
        catalogue.SetSelectedPosition(catalogue.FindPrinter(printer));
        catalogue.cboPrintersChange();
        std::string text = printer + "|" + catalogue.lblPort() + "|" + catalogue.lblDriver() + "|" +
                           (catalogue.BinsUnknown() ? "unknown" : "known");
        for (const auto* list : {&catalogue.cboTray1(), &catalogue.cboTray1Num()}) {
            for (const std::string& item : list->items)
                text += "|" + item;
        }
        shown.push_back(text);
    }
    return shown;
}

// The bins fetched ahead, side by side, are what the printers' own queries
// give, over at most kMaxConnections at once; a scheduler that drops
// connections leaves those bins to the usual queries, with the same result.
// The printers that the run before named are fetched while the default is
// asked, with the same result, also after a run on another scheduler; from
// windows of the list, one after another where questions are not asked side
// by side, and over two connections where the scheduler answers near.
struct PrefetchCase {
    using SideBySide = platform::CupsServiceOptions::SideBySide;
    const char* name;
    int clientsPerHost; // 0: no limit
    bool stopAfterPrefetch;
    bool namedBefore = false;
    SideBySide sideBySide = SideBySide::Always;
};

void PrintTo(const PrefetchCase& prefetch, std::ostream* out) {
    *out << prefetch.name;
}

class CupsPrefetchTest : public CupsCatalogueTest,
                         public testing::WithParamInterface<PrefetchCase> {};

TEST_P(CupsPrefetchTest, GivesWhatThePrintersQueriesGive) {
    // The limit restarts the scheduler, which reads the broken PPD afresh:
    // both runs ask the same scheduler.
    Scheduler().LimitClientsPerHost(GetParam().clientsPerHost);
    std::vector<std::string> alone;
    {
        platform::CupsServiceOptions oneAtATime;
        oneAtATime.sideBySide = platform::CupsServiceOptions::SideBySide::Never;
        CachedCupsService reference(oneAtATime);
        InstalledPrinters installed(reference);
        PrinterCatalogue catalogue(installed);
        catalogue.FormCreate();
        alone = EveryPrinterShown(catalogue);
    }
    // Names as lines give them: in other ASCII case, repeated, of no printer.
    std::vector<std::string> names = alone;
    for (std::string& name : names) {
        name = name.substr(0, name.find('|'));
        std::transform(name.begin(), name.end(), name.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    }
    const std::vector<std::string> once = names;
    names.push_back("Nowhere");
    names.insert(names.end(), once.begin(), once.end());
    // Side by side although the scheduler is near, as with a far one (or
    // one at a time, or as the scheduler's answer tells).
    platform::CupsServiceOptions options;
    options.sideBySide = GetParam().sideBySide;
    const std::filesystem::path named =
        std::filesystem::temp_directory_path() / ("kevo-named-" + std::to_string(getpid()));
    if (GetParam().namedBefore) {
        options.namedPrintersFile = named.string();
        {
            CachedCupsService before(options);
            InstalledPrinters installed(before);
            PrinterCatalogue(installed).FormCreate();
            installed.Prefetch(names);
        }
        // A run on another scheduler (this one by another address) notes
        // its printers beside them.
        cupsSetServer(("localhost:" + std::to_string(Scheduler().Port())).c_str());
        CachedCupsService other(options);
        InstalledPrinters elsewhere(other);
        PrinterCatalogue(elsewhere).FormCreate();
        elsewhere.Prefetch({names.front()});
        cupsSetServer(nullptr);
    }
    platform::CupsConnection::ResetMostOpen();
    service_ = std::make_unique<CachedCupsService>(options);
    MakeCatalogue();
    catalogue_->FormCreate();
    std::filesystem::remove(named);
    catalogue_->TakeList();
    if (!GetParam().namedBefore)
        installed_->Prefetch(names);
    EXPECT_LE(platform::CupsConnection::MostOpenAtOnce(),
              platform::CupsPrintingService::kMaxConnections);
    if (GetParam().stopAfterPrefetch) {
        // Everything was fetched ahead: nothing is left to ask.
        EXPECT_EQ(platform::CupsConnection::MostOpenAtOnce() > 1,
                  GetParam().sideBySide != PrefetchCase::SideBySide::Never);
        Scheduler().Stop();
    }
    EXPECT_EQ(EveryPrinterShown(*catalogue_), alone);
}

INSTANTIATE_TEST_SUITE_P(
    Scheduler, CupsPrefetchTest,
    testing::Values(PrefetchCase{"Answering", 0, true},
                    PrefetchCase{"DroppingConnections", 3, false},
                    PrefetchCase{"NamedByTheRunBefore", 0, true, true},
                    PrefetchCase{"NamedOneAtATime", 0, true, true, PrefetchCase::SideBySide::Never},
                    PrefetchCase{"NamedNearOneConnectionPerClient", 1, false, true,
                                 PrefetchCase::SideBySide::WhenFar},
                    PrefetchCase{"NamedNear", 0, true, true, PrefetchCase::SideBySide::WhenFar}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CupsCatalogueTest, StoppedSchedulerGivesSystemErrorAtOnce) {
    Scheduler().Stop();
    const auto [error, took] = FormCreateError();
    EXPECT_EQ(error.rfind(kevo::printers::kSystemErrorLead, 0), 0u) << error;
    EXPECT_NE(error.find("not running"), std::string::npos) << error;
    EXPECT_LT(took, milliseconds(2000));
    EXPECT_TRUE(catalogue_->cboPrinters().items.empty());
}

TEST_F(CupsCatalogueTest, FrozenSchedulerGivesSystemErrorWithinTenSeconds) {
    Scheduler().Freeze();
    const auto [error, took] = FormCreateError();
    EXPECT_EQ(error.rfind(kevo::printers::kSystemErrorLead, 0), 0u) << error;
    EXPECT_NE(error.find("did not answer"), std::string::npos) << error;
    EXPECT_LT(took, milliseconds(10000));
    EXPECT_TRUE(catalogue_->cboPrinters().items.empty());
}

} // namespace
} // namespace kevo::test
