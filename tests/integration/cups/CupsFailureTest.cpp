// SPDX-License-Identifier: Apache-2.0
// A scheduler that is not running, or that is frozen (it accepts
// connections but never answers), must give failure answers within a bound
// and never hang or crash the program.

#include "SchedulerEnvironment.h"
#include "platform/cups/CupsPrintingService.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cups/cups.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
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

// A server that accepts every connection and closes it at once, as a
// scheduler does that has no room for another client.
class DroppingServer {
public:
    DroppingServer() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        auto* any = reinterpret_cast<sockaddr*>(&address);
        if (bind(fd_, any, length) != 0 || listen(fd_, 16) != 0 ||
            getsockname(fd_, any, &length) != 0)
            throw std::runtime_error("no listening socket");
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] {
            for (int client; (client = accept(fd_, nullptr, nullptr)) >= 0; close(client))
                ++accepted_;
        });
    }
    ~DroppingServer() {
        shutdown(fd_, SHUT_RDWR);
        thread_.join();
        close(fd_);
    }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
    // Connections accepted so far, once those already made are taken.
    int Accepted() const {
        std::this_thread::sleep_for(milliseconds(100));
        return accepted_;
    }

private:
    int fd_;
    int port_ = 0;
    std::atomic<int> accepted_{0};
    std::thread thread_;
};

TEST(CupsSchedulerDroppingTest, AsksAgainThenFailsAtOnce) {
    DroppingServer server;
    cupsSetServer(server.Address().c_str());
    CupsPrintingService service;
    EXPECT_TRUE(service.EnumPrinters().empty());
    EXPECT_TRUE(service.SchedulerGivenUp());
    const int asked = server.Accepted();
    EXPECT_GE(asked, 3);
    ExpectCatalogueQueriesFail(service, kManualFeed);
    EXPECT_EQ(server.Accepted(), asked);
    cupsSetServer(nullptr);
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
