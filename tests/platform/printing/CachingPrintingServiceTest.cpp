// SPDX-License-Identifier: Apache-2.0
#include "CountingPrintingService.h"

#include "platform/printing/CachingPrintingService.h"
#include "workspace/Workspace.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace kevo::platform {
namespace {

using testing::CountingPrintingService;

class CachingPrintingServiceTest : public ::testing::Test {
protected:
    CachingPrintingServiceTest()
        : counting_(new CountingPrintingService),
          cache_(std::unique_ptr<PrintingService>(counting_)) {}

    CountingPrintingService* counting_; // owned by cache_
    CachingPrintingService cache_;
};

TEST_F(CachingPrintingServiceTest, ServiceWideAnswersAreTakenOnce) {
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(cache_.EnumPrinters().at(0).name, "Printer 1");
        EXPECT_EQ(cache_.DefaultPrinter().names.at(0), "Default 1");
        EXPECT_EQ(cache_.ProfileWindowsDevice().printer, "Device 1");
        EXPECT_EQ(cache_.ProfileDevicesValue("A"), (DevicesValue{"A", "1"}));
        EXPECT_EQ(cache_.ProfileDevicesValue("B"), (DevicesValue{"B", "1"}));
    }
    EXPECT_EQ(counting_->calls["EnumPrinters"], 1);
    EXPECT_EQ(counting_->calls["DefaultPrinter"], 1);
    EXPECT_EQ(counting_->calls["ProfileWindowsDevice"], 1);
    EXPECT_EQ(counting_->calls["ProfileDevicesValue A"], 1);
    EXPECT_EQ(counting_->calls["ProfileDevicesValue B"], 1);
}

TEST_F(CachingPrintingServiceTest, EachDeviceAndPortIsAskedOncePerQuery) {
    struct Key {
        std::string device, port;
    };
    const std::vector<Key> keys = {{"A", "P1"}, {"A", "P2"}, {"B", "P1"}, {"fail", "P1"}};
    for (int round = 0; round < 4; ++round) {
        for (const Key& key : keys) {
            const bool failing = key.device == "fail";
            std::vector<BinNameField> names(1);
            std::vector<std::uint16_t> numbers(1);
            EXPECT_EQ(cache_.BinNameCount(key.device, key.port), failing ? -1 : 1);
            EXPECT_EQ(cache_.BinNames(key.device, key.port, names), failing ? -1 : 1);
            EXPECT_EQ(cache_.BinNumberCount(key.device, key.port), failing ? -1 : 1);
            EXPECT_EQ(cache_.BinNumbers(key.device, key.port, numbers), failing ? -1 : 1);
            if (!failing) {
                ASSERT_EQ(names.size(), 1u);
                EXPECT_EQ(names[0][0], '1');
                EXPECT_EQ(numbers, std::vector<std::uint16_t>{101});
            }
        }
    }
    // Four distinct keys, four queries each, failures included.
    EXPECT_EQ(counting_->BinQueries(), 16);
    for (const Key& key : keys) {
        const std::string suffix = key.device + "|" + key.port;
        EXPECT_EQ(counting_->calls["BinNameCount " + suffix], 1) << suffix;
        EXPECT_EQ(counting_->calls["BinNames " + suffix], 1) << suffix;
        EXPECT_EQ(counting_->calls["BinNumberCount " + suffix], 1) << suffix;
        EXPECT_EQ(counting_->calls["BinNumbers " + suffix], 1) << suffix;
    }
}

TEST_F(CachingPrintingServiceTest, CountAndDataAreCachedSeparately) {
    // Asking for the count alone does not answer the data query.
    EXPECT_EQ(cache_.BinNameCount("A", ""), 1);
    EXPECT_EQ(cache_.BinNumberCount("A", ""), 1);
    EXPECT_EQ(counting_->calls["BinNames A|"], 0);
    std::vector<BinNameField> names;
    EXPECT_EQ(cache_.BinNames("A", "", names), 1);
    EXPECT_EQ(counting_->calls["BinNames A|"], 1);
    EXPECT_EQ(counting_->calls["BinNumbers A|"], 0);
}

TEST_F(CachingPrintingServiceTest, ForgetFailuresAsksOnlyTheFailuresAgain) {
    counting_->defaultFails = true;
    auto askAll = [&] {
        cache_.EnumPrinters();
        cache_.DefaultPrinter();
        for (const char* device : {"A", "fail"}) {
            std::vector<BinNameField> names;
            std::vector<std::uint16_t> numbers;
            cache_.ProfileDevicesValue(device);
            cache_.BinNameCount(device, "P");
            cache_.BinNames(device, "P", names);
            cache_.BinNumberCount(device, "P");
            cache_.BinNumbers(device, "P", numbers);
        }
    };
    askAll();
    cache_.ForgetFailures();
    askAll();

    // Failures once per command, answers once per run; the wrapped service
    // is told too.
    const std::vector<std::pair<std::string, int>> expected = {
        {"DefaultPrinter", 2},  {"ProfileDevicesValue fail", 2}, {"BinNameCount fail|P", 2},
        {"BinNames fail|P", 2}, {"BinNumberCount fail|P", 2},    {"BinNumbers fail|P", 2},
        {"EnumPrinters", 1},    {"ProfileDevicesValue A", 1},    {"BinNameCount A|P", 1},
        {"BinNames A|P", 1},    {"BinNumberCount A|P", 1},       {"BinNumbers A|P", 1},
        {"ForgetFailures", 1}};
    for (const auto& [question, count] : expected)
        EXPECT_EQ(counting_->calls[question], count) << question;
}

// Start-up makes its printing service and asks for the default printer on
// a thread of its own while it makes its windows: every question waits for
// that, and start-up's own question takes the kept answer.
TEST(WorkspaceTest, DefaultAskedMeanwhileIsKeptForStartUp) {
    auto counting = std::make_unique<CountingPrintingService>();
    CountingPrintingService& asked = *counting;
    workspace::ServiceMadeMeanwhile service(
        [&counting] { return std::make_unique<CachingPrintingService>(std::move(counting)); });
    service.ForgetFailures();
    EXPECT_EQ(asked.calls["DefaultPrinter"], 1);
    EXPECT_EQ(service.DefaultPrinter().names.at(0), "Default 1");
    EXPECT_EQ(asked.calls["DefaultPrinter"], 1);
}

} // namespace
} // namespace kevo::platform
