// SPDX-License-Identifier: Apache-2.0
// The CUPS printing service against the private scheduler: what it reports
// must be what the scheduler holds (lpstat, lpoptions, the PPD files).

#include "SchedulerEnvironment.h"
#include "SchedulerQueries.h"
#include "platform/cups/CupsPrintingService.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace kevo::test {
namespace {

using platform::BinNameField;
using platform::BinNameText;
using platform::CupsPrintingService;
using platform::DefaultPrinterAnswer;
using platform::DevicesValue;
using namespace printers;

std::vector<std::string> NamesOf(const std::vector<BinNameField>& fields) {
    std::vector<std::string> names;
    for (const BinNameField& field : fields)
        names.push_back(BinNameText(field));
    return names;
}

TEST(CupsEnumPrintersTest, ListsTheSchedulersQueuesInItsOrder) {
    PrivateScheduler& scheduler = WithSamplePrinter();
    CupsPrintingService service;
    const auto printers = service.EnumPrinters();

    std::vector<std::string> names;
    for (const auto& printer : printers) {
        names.push_back(printer.name);
        EXPECT_TRUE(printer.port.empty()) << printer.name;
    }
    EXPECT_EQ(names, LpstatDestinations(scheduler));
    // Every queue once, the class among them; the order ignores letter case.
    EXPECT_EQ(names,
              (std::vector<std::string>{kUtf8, kBroken, kBlankPadded, kCaseVariants, kLongNames,
                                        kManualFeed, kNoSlots, kRaw, kSample, kClass}));
}

TEST(CupsDevicesValueTest, IsDriverCommaPortWithoutCredentials) {
    PrivateScheduler& scheduler = WithSamplePrinter();
    struct Case {
        const char* printer;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {kLongNames, "Kevo LongTray 500,ipp://printhost.example/printers/long"},
        {kBlankPadded, "Kevo Blanks,ipps://secure.example:8443/printers/queue"},
        {kCaseVariants, "Kevo Case Variants,socket://10.0.0.7:9100"},
        {kUtf8, "Kevo UTF-8,file:///dev/null"},
        {kManualFeed, "Kevo Office 3000,ipp://printhost.example/printers/manual"},
        {kRaw, "Local Raw Printer,file:///dev/null"},
        {kSample, "HP LaserJet Series PCL 4/5,socket://10.0.0.9:9100"},
        {kClass, "Local Printer Class,file:///dev/null"},
    };
    CupsPrintingService service;
    for (const Case& c : cases) {
        const DevicesValue value = service.ProfileDevicesValue(c.printer);
        EXPECT_EQ(value.driver + "," + value.port, c.expected) << c.printer;
        // The same as the scheduler's own make and model and device URI.
        auto options = LpoptionsOf(scheduler, c.printer);
        const std::string makeAndModel = options["printer-make-and-model"];
        EXPECT_EQ(value.driver, makeAndModel.substr(0, makeAndModel.find(','))) << c.printer;
        EXPECT_EQ(value.port, options["device-uri"]) << c.printer;
        for (const char* secret : {"alice", "s3cret", "bob", ":pw"})
            EXPECT_EQ(value.port.find(secret), std::string::npos) << value.port;
    }
}

TEST(CupsDevicesValueTest, FindsQueuesIgnoringAsciiCaseAndNothingElse) {
    Scheduler();
    CupsPrintingService service;
    EXPECT_EQ(service.ProfileDevicesValue("kevo_long"), service.ProfileDevicesValue(kLongNames));
    EXPECT_EQ(service.ProfileDevicesValue("NoSuchPrinter"), DevicesValue{});
    EXPECT_EQ(service.ProfileDevicesValue("Kevo_Lon"), DevicesValue{});
    EXPECT_EQ(service.ProfileDevicesValue(""), DevicesValue{});
}

struct BinCase {
    const char* printer;
    std::vector<std::string> names;
    std::vector<std::uint16_t> numbers;
};

// Hand-worked from the PPDs under ppd/: names trimmed and cut to 24
// characters, "Automatically Select" (15) first, "Manual Feed" (4)
// last where ManualFeed has a True choice.
const std::vector<BinCase> kBinCases = {
    {kLongNames,
     {"Automatically Select", "Upper Paper Tray Holding", "Lower Cassette For Lette",
      "Exactly Twenty-Four Byte", "Envelope Feeder Slot 12"},
     {15, 256, 257, 258, 259}},
    {kBlankPadded,
     {"Automatically Select", "Tray 1", "Tray 2", "Tray 3", "", "Large Capacity Feeder Un",
      "Cassette"},
     {15, 256, 257, 258, 259, 260, 261}},
    {kCaseVariants,
     {"Automatically Select", "TRAY", "tray", "Tray", "manual feed", "Manual Feed"},
     {15, 256, 257, 258, 259, 4}},
    {kUtf8,
     {"Automatically Select", "Fach f\u00fcr Umschl\u00e4ge und E",
      "\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac \u03c7\u03b1\u03c1\u03c4\u03b9\u03ac "
      "\u03b8\u03ae\u03ba\u03b7",
      "A\u7d66\u7d19\u30c8\u30ec\u30a4\uff11\u666e\u901a\u7d19\u518d\u751f\u7d19",
      "AB\u7d66\u7d19\u30c8\u30ec\u30a4\uff11\u666e\u901a\u7d19\u518d\u751f\u7d19",
      "\u7d66\u7d19\u30c8\u30ec\u30a4\uff11\u666e\u901a\u7d19\u518d\u751f\u7d19",
      "Photo paper tray \U0001F4F7\U0001F4F7\U0001F4F7 x"},
     {15, 256, 257, 258, 259, 260, 261}},
    {kNoSlots, {"Automatically Select"}, {15}},
    {kManualFeed, {"Automatically Select", "Main Tray", "Manual Feed"}, {15, 256, 4}},
    // A class has the bins of its first member.
    {kClass, {"Automatically Select", "Main Tray", "Manual Feed"}, {15, 256, 4}},
    // A raw queue has neither PPD nor paper sources: no bins.
    {kRaw, {}, {}},
};

TEST(CupsBinsTest, FollowTheInputSlotChoicesOfThePpd) {
    PrivateScheduler& scheduler = Scheduler();
    CupsPrintingService service;
    for (const BinCase& c : kBinCases) {
        SCOPED_TRACE(c.printer);
        const int count = static_cast<int>(c.names.size());
        EXPECT_EQ(service.BinNameCount(c.printer, ""), count);
        EXPECT_EQ(service.BinNumberCount(c.printer, ""), count);
        std::vector<BinNameField> names;
        std::vector<std::uint16_t> numbers;
        EXPECT_EQ(service.BinNames(c.printer, "", names), count);
        EXPECT_EQ(service.BinNumbers(c.printer, "", numbers), count);
        EXPECT_EQ(NamesOf(names), c.names);
        EXPECT_EQ(numbers, c.numbers);

        // Each name fills its field up to a NUL, the rest NULs too; a name of
        // 24 bytes has no terminator.
        for (const BinNameField& field : names) {
            const std::string text = BinNameText(field);
            for (std::size_t i = text.size(); i < field.size(); ++i)
                EXPECT_EQ(field[i], '\0') << text;
        }

        // As many bins as the scheduler's copy of the PPD declares.
        const auto ppd = scheduler.PpdCopy(c.printer);
        if (std::filesystem::exists(ppd)) {
            const PpdFileSources sources = ReadPpdFileSources(ppd);
            EXPECT_EQ(count, 1 + static_cast<int>(sources.inputSlotTexts.size()) +
                                 (sources.hasManualFeedTrue ? 1 : 0));
        }
    }
}

TEST(CupsBinsTest, ExactlyTwentyFourCharactersHaveNoTerminator) {
    Scheduler();
    CupsPrintingService service;
    std::vector<BinNameField> names;
    ASSERT_EQ(service.BinNames(kLongNames, "", names), 5);
    EXPECT_EQ(BinNameText(names[3]), "Exactly Twenty-Four Byte");
    EXPECT_EQ(BinNameText(names[1]), "Upper Paper Tray Holding");
}

TEST(CupsBinsTest, SampleDriverMatchesItsPpdFile) {
    PrivateScheduler& scheduler = WithSamplePrinter();
    const PpdFileSources sources = ReadPpdFileSources(scheduler.PpdCopy(kSample));
    ASSERT_FALSE(sources.inputSlotTexts.empty());

    std::vector<std::string> expectedNames = {"Automatically Select"};
    std::vector<std::uint16_t> expectedNumbers = {15};
    for (std::size_t i = 0; i < sources.inputSlotTexts.size(); ++i) {
        expectedNames.push_back(sources.inputSlotTexts[i]);
        expectedNumbers.push_back(static_cast<std::uint16_t>(256 + i));
    }
    if (sources.hasManualFeedTrue) {
        expectedNames.push_back("Manual Feed");
        expectedNumbers.push_back(4);
    }

    CupsPrintingService service;
    std::vector<BinNameField> names;
    std::vector<std::uint16_t> numbers;
    ASSERT_EQ(service.BinNameCount(kSample, ""), static_cast<int>(expectedNames.size()));
    ASSERT_EQ(service.BinNames(kSample, "", names), static_cast<int>(expectedNames.size()));
    EXPECT_EQ(NamesOf(names), expectedNames);
    ASSERT_EQ(service.BinNumbers(kSample, "", numbers), static_cast<int>(expectedNames.size()));
    EXPECT_EQ(numbers, expectedNumbers);
}

TEST(CupsBinsTest, UnparsablePpdAndUnknownQueueFail) {
    Scheduler();
    CupsPrintingService service;
    for (const char* printer : {kBroken, "NoSuchPrinter"}) {
        SCOPED_TRACE(printer);
        std::vector<BinNameField> names(2);
        std::vector<std::uint16_t> numbers(2);
        EXPECT_EQ(service.BinNameCount(printer, ""), -1);
        EXPECT_EQ(service.BinNumberCount(printer, ""), -1);
        EXPECT_EQ(service.BinNames(printer, "", names), -1);
        EXPECT_EQ(service.BinNumbers(printer, "", numbers), -1);
    }
    // The scheduler itself is fine: a good queue still answers.
    EXPECT_EQ(service.BinNameCount(kManualFeed, ""), 3);
    EXPECT_FALSE(service.SchedulerGivenUp());
}

TEST(CupsBinsTest, EachPpdIsFetchedOnceFailuresIncluded) {
    Scheduler();
    CachedCupsService cached;
    CupsPrintingService& service = cached.Cups();
    cached.EnumPrinters();
    const std::vector<std::pair<const char*, int>> alternating = {
        {kLongNames, 5}, {kBroken, -1}, {kRaw, 0}, {kManualFeed, 3}};
    for (int round = 0; round < 5; ++round) {
        for (const auto& [printer, count] : alternating) {
            std::vector<BinNameField> names;
            std::vector<std::uint16_t> numbers;
            EXPECT_EQ(cached.BinNameCount(printer, ""), count) << printer;
            EXPECT_EQ(cached.BinNames(printer, "", names), count) << printer;
            EXPECT_EQ(cached.BinNumberCount(printer, ""), count) << printer;
            EXPECT_EQ(cached.BinNumbers(printer, "", numbers), count) << printer;
            EXPECT_NE(cached.ProfileDevicesValue(printer), DevicesValue{}) << printer;
        }
    }
    EXPECT_EQ(service.PpdFetchCount(), static_cast<int>(alternating.size()));
    // The queue just asked, under another spelling of its name, is not
    // fetched again.
    EXPECT_EQ(cached.BinNameCount("MANUAL", ""), 3);
    EXPECT_EQ(service.PpdFetchCount(), static_cast<int>(alternating.size()));
}

TEST(CupsBinsTest, LeavesNoTemporaryFilesBehind) {
    Scheduler();
    const std::filesystem::path temporary = Scheduler().Folder() / "client-tmp";
    std::filesystem::create_directories(temporary);
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old != nullptr ? old : "";
    setenv("TMPDIR", temporary.c_str(), 1);
    {
        CupsPrintingService service;
        for (const char* printer : {kLongNames, kUtf8, kBroken, kRaw, kClass})
            service.BinNameCount(printer, "");
        EXPECT_EQ(service.PpdFetchCount(), 5);
    }
    if (old != nullptr)
        setenv("TMPDIR", saved.c_str(), 1);
    else
        unsetenv("TMPDIR");
    EXPECT_TRUE(std::filesystem::is_empty(temporary));
}

// The default printer, as libcups works it out: LPDEST or PRINTER, then
// ~/.cups/lpoptions, then the server's default.
class CupsDefaultPrinterTest : public testing::Test {
protected:
    void SetUp() override {
        Scheduler().ClearUserDefault();
        Scheduler().ClearServerDefault();
    }
    void TearDown() override {
        unsetenv("LPDEST");
        unsetenv("PRINTER");
        Scheduler().ClearUserDefault();
        Scheduler().ClearServerDefault();
    }

    static DefaultPrinterAnswer Ask() {
        CupsPrintingService service;
        return service.DefaultPrinter();
    }
    // The [windows] device value as "name,driver,port".
    static std::string WindowsDevice() {
        CupsPrintingService service;
        const platform::WindowsDevice device = service.ProfileWindowsDevice();
        return device == platform::WindowsDevice{}
                   ? std::string()
                   : device.printer + "," + device.driver + "," + device.port;
    }
    static void ExpectDefault(const std::string& printer) {
        const DefaultPrinterAnswer answer = Ask();
        EXPECT_EQ(answer.status, DefaultPrinterAnswer::Status::Ok);
        EXPECT_EQ(answer.names, std::vector<std::string>{printer});
    }
};

TEST_F(CupsDefaultPrinterTest, NoneSetIsTheFirstQueue) {
    ASSERT_EQ(LpstatDefault(Scheduler()), "");
    ASSERT_EQ(LpstatDestinations(Scheduler()).at(0), kUtf8);
    ExpectDefault(kUtf8);
    EXPECT_EQ(WindowsDevice(), "B\xC3\xBCro,Kevo UTF-8,file:///dev/null");
}

TEST_F(CupsDefaultPrinterTest, SchedulerWithoutQueuesHasNone) {
    // A scheduler of its own, started in a thread of its own: libcups keeps
    // its server and home folder per thread.
    DefaultPrinterAnswer answer;
    std::thread([&] {
        try {
            PrivateScheduler empty;
            empty.Start();
            answer = CupsPrintingService().DefaultPrinter();
        } catch (const SchedulerError& error) {
            ADD_FAILURE() << error.what();
        }
    }).join();
    EXPECT_EQ(answer.status, DefaultPrinterAnswer::Status::InvalidName);
    EXPECT_TRUE(answer.names.empty());
}

TEST_F(CupsDefaultPrinterTest, ServerDefault) {
    Scheduler().SetServerDefault(kManualFeed);
    ASSERT_EQ(LpstatDefault(Scheduler()), kManualFeed);
    ExpectDefault(kManualFeed);
    EXPECT_EQ(WindowsDevice(), "Manual,Kevo Office 3000,ipp://printhost.example/printers/manual");
}

TEST_F(CupsDefaultPrinterTest, UserDefaultWinsOverServerDefault) {
    Scheduler().SetServerDefault(kManualFeed);
    Scheduler().SetUserDefault(kLongNames);
    ASSERT_EQ(LpstatDefault(Scheduler()), kLongNames);
    ExpectDefault(kLongNames);
    // Never the credentials of the device URI.
    EXPECT_EQ(WindowsDevice(), "Kevo_Long,Kevo LongTray 500,ipp://printhost.example/printers/long");
}

TEST_F(CupsDefaultPrinterTest, EnvironmentWinsOverLpoptions) {
    Scheduler().SetUserDefault(kLongNames);
    setenv("PRINTER", kRaw, 1);
    ExpectDefault(kRaw);
    EXPECT_EQ(WindowsDevice(), "Raw,Local Raw Printer,file:///dev/null");
    setenv("LPDEST", kNoSlots, 1);
    ExpectDefault(kNoSlots);
    // PRINTER=lp is a shell default that libcups ignores.
    unsetenv("LPDEST");
    setenv("PRINTER", "lp", 1);
    ExpectDefault(kLongNames);
}

TEST_F(CupsDefaultPrinterTest, DefaultThatDoesNotExistIsTheFirstQueue) {
    Scheduler().SetServerDefault(kManualFeed);
    setenv("LPDEST", "NoSuchPrinter", 1);
    ExpectDefault(kUtf8);
}

} // namespace
} // namespace kevo::test
