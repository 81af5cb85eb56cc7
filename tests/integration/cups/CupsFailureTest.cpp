// SPDX-License-Identifier: Apache-2.0
// A scheduler that is not running, or that is frozen (it accepts
// connections but never answers), must give failure answers within a bound
// and never hang or crash the program.

#include "SchedulerEnvironment.h"
#include "platform/cups/CupsPrintingService.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace kevo::test {
namespace {

using platform::BinNameField;
using platform::CupsPrintingService;
using platform::DefaultPrinterAnswer;
using platform::DevicesValue;
using platform::WindowsDevice;
using namespace printers;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

// Every query the printer catalogue makes when it is built and a printer is
// selected, each of which must give its failure answer.
void ExpectCatalogueQueriesFail(CupsPrintingService& service, const char* printer) {
    EXPECT_TRUE(service.EnumPrinters().empty());
    const DefaultPrinterAnswer answer = service.DefaultPrinter();
    EXPECT_EQ(answer.status, DefaultPrinterAnswer::Status::SystemError);
    EXPECT_NE(answer.errorCode, 0);
    EXPECT_NE(answer.errorText.find("printing service"), std::string::npos) << answer.errorText;
    EXPECT_EQ(service.ProfileWindowsDevice(), WindowsDevice{});
    EXPECT_EQ(service.ProfileDevicesValue(printer), DevicesValue{});
    std::vector<BinNameField> names;
    std::vector<std::uint16_t> numbers;
    EXPECT_EQ(service.BinNameCount(printer, ""), -1);
    EXPECT_EQ(service.BinNames(printer, "", names), -1);
    EXPECT_EQ(service.BinNumberCount(printer, ""), -1);
    EXPECT_EQ(service.BinNumbers(printer, "", numbers), -1);
}

// Puts the scheduler back as the other tests expect it, however a test ends.
class SchedulerRestorer {
public:
    ~SchedulerRestorer() {
        try {
            Scheduler().Thaw();
            Scheduler().Start();
        } catch (const std::exception& error) {
            ADD_FAILURE() << "cannot restore the scheduler: " << error.what();
        }
    }
};

TEST(CupsSchedulerDownTest, NotRunningFailsAtOnce) {
    SchedulerRestorer restore;
    Scheduler().Stop();
    CupsPrintingService service;
    const auto start = Clock::now();
    ExpectCatalogueQueriesFail(service, kManualFeed);
    EXPECT_LT(Since(start), milliseconds(2000));
    EXPECT_TRUE(service.SchedulerGivenUp());

    const DefaultPrinterAnswer answer = service.DefaultPrinter();
    EXPECT_NE(answer.errorText.find("not running"), std::string::npos) << answer.errorText;
}

TEST(CupsSchedulerDownTest, StoppingMidRunNeitherCrashesNorRecovers) {
    SchedulerRestorer restore;
    Scheduler();
    CachedCupsService service;
    ASSERT_FALSE(service.EnumPrinters().empty()); // the connection is open now
    ASSERT_EQ(service.BinNameCount(kManualFeed, ""), 3);

    Scheduler().Stop();
    const auto start = Clock::now();
    EXPECT_EQ(service.BinNameCount(kLongNames, ""), -1);
    EXPECT_EQ(service.DefaultPrinter().status, DefaultPrinterAnswer::Status::SystemError);
    EXPECT_LT(Since(start), milliseconds(2000));
    // What was fetched before stays known.
    EXPECT_EQ(service.BinNameCount(kManualFeed, ""), 3);

    // Given up until the next command: a scheduler back meanwhile is not
    // asked again before it.
    Scheduler().Start();
    EXPECT_TRUE(service.Cups().SchedulerGivenUp());
    EXPECT_EQ(service.BinNameCount(kCaseVariants, ""), -1);
}

TEST(CupsSchedulerFrozenTest, FailsWithinTenSecondsThenAtOnce) {
    SchedulerRestorer restore;
    Scheduler().Freeze();
    CupsPrintingService service; // the default timeout, as the program uses it
    const auto start = Clock::now();
    ExpectCatalogueQueriesFail(service, kManualFeed);
    for (const char* printer : {kLongNames, kBlankPadded, kUtf8, kRaw}) {
        EXPECT_EQ(service.BinNameCount(printer, ""), -1);
        EXPECT_EQ(service.ProfileDevicesValue(printer), DevicesValue{});
    }
    EXPECT_LT(Since(start), milliseconds(10000));
    EXPECT_TRUE(service.SchedulerGivenUp());
    EXPECT_NE(service.DefaultPrinter().errorText.find("did not answer"), std::string::npos);

    // Later queries of the same service fail at once.
    const auto later = Clock::now();
    ExpectCatalogueQueriesFail(service, kCaseVariants);
    EXPECT_LT(Since(later), milliseconds(100));
}

TEST(CupsSchedulerFrozenTest, FreezingMidRunGivesUpOnce) {
    SchedulerRestorer restore;
    Scheduler();
    CachedCupsService service(platform::CupsServiceOptions{milliseconds(500)});
    ASSERT_FALSE(service.EnumPrinters().empty());
    ASSERT_EQ(service.BinNameCount(kManualFeed, ""), 3);

    Scheduler().Freeze();
    const auto start = Clock::now();
    EXPECT_EQ(service.BinNameCount(kLongNames, ""), -1);
    EXPECT_EQ(service.DefaultPrinter().status, DefaultPrinterAnswer::Status::SystemError);
    EXPECT_EQ(service.BinNameCount(kBlankPadded, ""), -1);
    EXPECT_LT(Since(start), milliseconds(3000));
    EXPECT_EQ(service.BinNameCount(kManualFeed, ""), 3);
    // Known from the enumeration, so no need to ask.
    EXPECT_EQ(service.ProfileDevicesValue(kManualFeed),
              (DevicesValue{"Kevo Office 3000", "ipp://printhost.example/printers/manual"}));
}

TEST(CupsSchedulerFrozenTest, ThawedSchedulerServesANewService) {
    SchedulerRestorer restore;
    Scheduler().Freeze();
    {
        CupsPrintingService frozen(platform::CupsServiceOptions{milliseconds(300)});
        EXPECT_TRUE(frozen.EnumPrinters().empty());
    }
    Scheduler().Thaw();
    CupsPrintingService service;
    EXPECT_FALSE(service.EnumPrinters().empty());
    EXPECT_EQ(service.BinNameCount(kManualFeed, ""), 3);
}

TEST(CupsSchedulerFrozenTest, ThawedSchedulerIsAskedAgainAtTheNextCommand) {
    SchedulerRestorer restore;
    Scheduler().Freeze();
    CupsPrintingService service(platform::CupsServiceOptions{milliseconds(300)});
    EXPECT_EQ(service.BinNameCount(kManualFeed, ""), -1);
    Scheduler().Thaw();
    // Within the same command neither the scheduler nor the failed answer is
    // asked again.
    EXPECT_EQ(service.BinNameCount(kLongNames, ""), -1);
    EXPECT_EQ(service.BinNameCount(kManualFeed, ""), -1);

    service.ForgetFailures();
    EXPECT_EQ(service.BinNameCount(kManualFeed, ""), 3);
    EXPECT_EQ(service.BinNameCount(kLongNames, ""), 5);
    EXPECT_FALSE(service.SchedulerGivenUp());
}

} // namespace
} // namespace kevo::test
