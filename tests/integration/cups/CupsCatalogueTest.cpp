// The printer catalogue as the program builds it (the CUPS service behind
// the caching decorator) on the private scheduler: what the print setup
// dialog and the check see.

#include "SchedulerEnvironment.h"
#include "SchedulerQueries.h"
#include "core/ErrorReport.h"
#include "platform/printing/PrintingServiceFactory.h"
#include "printsetup/PrinterCatalogue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace kevo::test {
namespace {

using core::KevoError;
using printsetup::PrinterCatalogue;
using namespace printers;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class CupsCatalogueTest : public testing::Test {
protected:
    void SetUp() override {
        Scheduler().SetServerDefault(kManualFeed);
        service_ = platform::MakePrintingService(nullptr);
        catalogue_ = std::make_unique<PrinterCatalogue>(*service_);
    }
    void TearDown() override {
        catalogue_.reset();
        service_.reset();
        Scheduler().Thaw();
        Scheduler().Start();
        Scheduler().ClearServerDefault();
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

TEST_F(CupsCatalogueTest, StoppedSchedulerGivesSystemErrorAtOnce) {
    Scheduler().Stop();
    const auto [error, took] = FormCreateError();
    EXPECT_EQ(error.rfind("System Error.  Code: ", 0), 0u) << error;
    EXPECT_NE(error.find("not running"), std::string::npos) << error;
    EXPECT_LT(took, milliseconds(2000));
    EXPECT_TRUE(catalogue_->cboPrinters().items.empty());
}

TEST_F(CupsCatalogueTest, FrozenSchedulerGivesSystemErrorWithinTenSeconds) {
    Scheduler().Freeze();
    const auto [error, took] = FormCreateError();
    EXPECT_EQ(error.rfind("System Error.  Code: ", 0), 0u) << error;
    EXPECT_NE(error.find("did not answer"), std::string::npos) << error;
    EXPECT_LT(took, milliseconds(10000));
    EXPECT_TRUE(catalogue_->cboPrinters().items.empty());
}

} // namespace
} // namespace kevo::test
