// SPDX-License-Identifier: Apache-2.0
// The Windows printing service over scripted system calls: the enumeration
// paths, the default printer and its failures, the profile fallbacks, and
// the bin queries. Runs on Linux and in the Windows runner alike.

#include "FakeWinspool.h"

#include "messages/ErrorReport.h"
#include "platform/winspool/WinspoolPrintingService.h"
#include "printsetup/PrinterCatalogue.h"
#include "setup/TrayRepair.h"

#include <gtest/gtest.h>

namespace kevo::testing {
namespace {

using platform::PrinterEntry;
using platform::winspool::kErrorInsufficientBuffer;
using platform::winspool::kErrorInvalidName;
using platform::winspool::kPrinterEnumConnections;
using platform::winspool::kPrinterEnumDefault;
using platform::winspool::kPrinterEnumLocal;
using platform::winspool::PrinterRecord;
using platform::winspool::WinspoolPrintingService;

constexpr std::uint32_t kLocalAndConnections = kPrinterEnumLocal | kPrinterEnumConnections;

using Entries = std::vector<std::pair<std::string, std::string>>;

// Name and port of each entry.
Entries Listed(const std::vector<PrinterEntry>& printers) {
    Entries entries;
    for (const PrinterEntry& p : printers)
        entries.emplace_back(p.name, p.port);
    return entries;
}

class WinspoolLogic : public ::testing::Test {
protected:
    WinspoolLogic() {
        auto fake = std::make_unique<FakeWinspool>();
        fake_ = fake.get();
        service_ = std::make_unique<WinspoolPrintingService>(std::move(fake));
    }

    FakeWinspool* fake_;
    std::unique_ptr<WinspoolPrintingService> service_;
};

TEST_F(WinspoolLogic, NtFamilyListsLocalPrintersAndConnectionsByName) {
    fake_->SetPrinters(kLocalAndConnections, 4,
                       {{"Office Laser", ""}, {"\\\\server\\Shared", ""}, {"Office Laser", ""}});
    // Ports of level 5 are never asked for on the NT family.
    fake_->SetPrinters(kPrinterEnumLocal, 5, {{"Other", "LPT1:"}});

    const Entries expected = {
        {"Office Laser", ""}, {"\\\\server\\Shared", ""}, {"Office Laser", ""}};
    EXPECT_EQ(Listed(service_->EnumPrinters()), expected);
    // The size first, then the data into a buffer of that size.
    ASSERT_EQ(fake_->enumCalls.size(), 2u);
    EXPECT_EQ(fake_->enumCalls[0], (FakeWinspool::EnumCall{kLocalAndConnections, 4, 0}));
    EXPECT_EQ(fake_->enumCalls[1].flags, kLocalAndConnections);
    EXPECT_EQ(fake_->enumCalls[1].level, 4u);
    EXPECT_GT(fake_->enumCalls[1].bufferSize, 0u);
}

TEST_F(WinspoolLogic, OtherPlatformsListEachPrinterOncePerPort) {
    fake_->platformId = 1; // Windows 95/98/ME
    fake_->SetPrinters(kPrinterEnumLocal, 5,
                       {{"Laser", "LPT1:, FILE:,COM2:"}, {"Ink", "USB001"}, {"Nowhere", ""}});

    const Entries expected = {
        {"Laser", "LPT1:"}, {"Laser", "FILE:"}, {"Laser", "COM2:"}, {"Ink", "USB001"}};
    EXPECT_EQ(Listed(service_->EnumPrinters()), expected);
    EXPECT_EQ(fake_->enumCalls.front(), (FakeWinspool::EnumCall{kPrinterEnumLocal, 5, 0}));
}

TEST(SplitPortList, PiecesUpToTheFirstEmptyOne) {
    struct Case {
        const char* ports;
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        {"LPT1:", {"LPT1:"}},
        {"LPT1:,FILE:", {"LPT1:", "FILE:"}},
        {"LPT1:,   FILE:", {"LPT1:", "FILE:"}},    // leading blanks skipped
        {"LPT1: ,FILE:  ", {"LPT1: ", "FILE:  "}}, // trailing ones kept
        {"COM1:,,LPT2:", {"COM1:"}},               // an empty piece ends the list
        {"COM1:,  ,LPT2:", {"COM1:"}},             // blanks only count as empty
        {"LPT1:,", {"LPT1:"}},
        {",LPT1:", {}},
        {"", {}},
        {"   ", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::winspool::SplitPortList(c.ports), c.pieces) << '"' << c.ports << '"';
}

TEST_F(WinspoolLogic, NothingInstalledGivesNoPrintersWithoutASecondCall) {
    fake_->SetPrinters(kLocalAndConnections, 4, {});
    EXPECT_TRUE(service_->EnumPrinters().empty());
    EXPECT_EQ(fake_->enumCalls.size(), 1u);
}

TEST_F(WinspoolLogic, FailingEnumerationGivesNoPrinters) {
    for (const bool failSizeCall : {true, false}) {
        fake_->SetPrinters(kLocalAndConnections, 4, {{"Laser", ""}});
        auto& e = fake_->enumerations[{kLocalAndConnections, 4}];
        e.sizeCallError.reset();
        e.dataCallError.reset();
        (failSizeCall ? e.sizeCallError : e.dataCallError) = 5u;
        EXPECT_TRUE(service_->EnumPrinters().empty()) << failSizeCall;
    }
}

TEST_F(WinspoolLogic, PrinterAddedBetweenTheTwoCallsIsListed) {
    fake_->SetPrinters(kLocalAndConnections, 4, {{"Laser", ""}});
    fake_->enumerations[{kLocalAndConnections, 4}].grownRecords = {
        {"Laser", ""}, {"A printer added meanwhile", ""}};

    const Entries expected = {{"Laser", ""}, {"A printer added meanwhile", ""}};
    EXPECT_EQ(Listed(service_->EnumPrinters()), expected);
    ASSERT_EQ(fake_->enumCalls.size(), 3u);
    EXPECT_LT(fake_->enumCalls[1].bufferSize, fake_->enumCalls[2].bufferSize);
}

TEST_F(WinspoolLogic, DefaultPrinterAnswers) {
    using Status = platform::DefaultPrinterAnswer::Status;
    struct Case {
        const char* what;
        std::vector<PrinterRecord> records;
        std::optional<std::uint32_t> sizeCallError;
        std::optional<std::uint32_t> dataCallError;
        Status status;
        std::vector<std::string> names;
        int errorCode;
        std::string errorText;
    };
    const Case cases[] = {
        {"one default",
         {{"Laser", "LPT1:"}},
         std::nullopt,
         std::nullopt,
         Status::Ok,
         {"Laser"},
         0,
         ""},
        {"none reported: the profile decides",
         {},
         std::nullopt,
         std::nullopt,
         Status::Ok,
         {},
         0,
         ""},
        {"no default selected",
         {{"Laser", ""}},
         kErrorInvalidName,
         std::nullopt,
         Status::InvalidName,
         {},
         0,
         ""},
        {"no default selected at the data call",
         {{"Laser", ""}},
         std::nullopt,
         kErrorInvalidName,
         Status::InvalidName,
         {},
         0,
         ""},
        {"any other failure",
         {{"Laser", ""}},
         5u,
         std::nullopt,
         Status::SystemError,
         {},
         5,
         "Access is denied."},
        {"a failure the system has no text for",
         {{"Laser", ""}},
         1234567u,
         std::nullopt,
         Status::SystemError,
         {},
         1234567,
         ""},
    };
    for (const Case& c : cases) {
        FakeWinspool::Enumeration e;
        e.records = c.records;
        e.sizeCallError = c.sizeCallError;
        e.dataCallError = c.dataCallError;
        fake_->enumerations[{kPrinterEnumDefault, 5}] = e;
        fake_->messages[5] = "Access is denied.";

        const platform::DefaultPrinterAnswer answer = service_->DefaultPrinter();
        EXPECT_EQ(answer.status, c.status) << c.what;
        EXPECT_EQ(answer.names, c.names) << c.what;
        EXPECT_EQ(answer.errorCode, c.errorCode) << c.what;
        EXPECT_EQ(answer.errorText, c.errorText) << c.what;
    }
}

TEST_F(WinspoolLogic, InsufficientBufferIsTheExpectedAnswerOfTheSizeQuery) {
    fake_->SetPrinters(kPrinterEnumDefault, 5, {{"Laser", "LPT1:"}});
    EXPECT_EQ(service_->DefaultPrinter().names, std::vector<std::string>{"Laser"});
    ASSERT_EQ(fake_->enumCalls.size(), 2u);
    EXPECT_EQ(fake_->enumCalls[0], (FakeWinspool::EnumCall{kPrinterEnumDefault, 5, 0}));
}

TEST_F(WinspoolLogic, ProfileValues) {
    fake_->profile[{"windows", "device"}] = "Laser,winspool,LPT1:";
    fake_->profile[{"Devices", "Laser"}] = "winspool,LPT1:,FILE:";
    EXPECT_EQ(service_->ProfileWindowsDevice(),
              (platform::WindowsDevice{"Laser", "winspool", "LPT1:"}));
    EXPECT_EQ(service_->ProfileDevicesValue("Laser"),
              (platform::DevicesValue{"winspool", "LPT1:,FILE:"}));
    EXPECT_EQ(service_->ProfileDevicesValue("Ink"), platform::DevicesValue{});
}

TEST_F(WinspoolLogic, BinQueries) {
    FakeWinspool::Driver laser;
    // A name of exactly 24 characters fills its field without terminator;
    // one whose 24th unit begins a surrogate pair was cut there by the
    // driver and keeps the 23 characters before it.
    laser.binNames = {"Upper tray", "Tálca 2 (szállítólevél)!", "Manual",
                      "Twenty-three characters\U0001D11E"};
    laser.binNumbers = {1, 256, 4, 5};
    fake_->drivers["Laser"] = laser;

    EXPECT_EQ(service_->BinNameCount("Laser", "LPT1:"), 4);
    EXPECT_EQ(service_->BinNumberCount("Laser", "LPT1:"), 4);

    std::vector<platform::BinNameField> names(4);
    ASSERT_EQ(service_->BinNames("Laser", "LPT1:", names), 4);
    std::vector<std::string> texts;
    for (const platform::BinNameField& name : names)
        texts.emplace_back(name.data(), std::find(name.begin(), name.end(), '\0'));
    EXPECT_EQ(texts, (std::vector<std::string>{"Upper tray", "Tálca 2 (szállítólevél)!", "Manual",
                                               "Twenty-three characters"}));

    std::vector<std::uint16_t> numbers(4);
    ASSERT_EQ(service_->BinNumbers("Laser", "LPT1:", numbers), 4);
    EXPECT_EQ(numbers, (std::vector<std::uint16_t>{1, 256, 4, 5}));

    EXPECT_EQ(service_->BinNameCount("Unknown", ""), -1);
}

TEST_F(WinspoolLogic, DataQueryGivesTheDriverRoomForItsBinsAsTheyAreNow) {
    // The caller counted 2 bins; the driver has 5 by the time it is asked
    // for the data. It must neither write past the caller's fields nor lose
    // the bins.
    FakeWinspool::Driver laser;
    laser.binNames = {"One", "Two"};
    laser.binNumbers = {1, 2};
    laser.binsAddedAfterFirstCount = 3;
    fake_->drivers["Laser"] = laser;

    const int callerCount = service_->BinNameCount("Laser", "");
    ASSERT_EQ(callerCount, 2);
    std::vector<platform::BinNameField> names(static_cast<std::size_t>(callerCount));
    EXPECT_EQ(service_->BinNames("Laser", "", names), 5);
    EXPECT_EQ(names.size(), 5u);
    ASSERT_FALSE(fake_->capabilityRooms.empty());
    EXPECT_GE(fake_->capabilityRooms.back(), 5u);
}

TEST_F(WinspoolLogic, DriverThatAnswersMoreThanItsRoomIsAFailure) {
    FakeWinspool::Driver liar;
    liar.binNames = std::vector<std::string>(100, "Bin");
    liar.nameCount = 2; // the count says 2, the data query answers 100
    fake_->drivers["Liar"] = liar;
    std::vector<platform::BinNameField> names(2);
    EXPECT_EQ(service_->BinNames("Liar", "", names), -1);
}

TEST_F(WinspoolLogic, DriverCountingMoreBinsThanThereAreNumbersIsAFailure) {
    FakeWinspool::Driver broken;
    broken.binNumbers = {1};
    broken.numberCount = 0x7FFFFFFF;
    fake_->drivers["Broken"] = broken;
    std::vector<std::uint16_t> numbers(1);
    EXPECT_EQ(service_->BinNumbers("Broken", "", numbers), -1);
    EXPECT_TRUE(fake_->capabilityRooms.empty()) << "the data query was made";
}

TEST_F(WinspoolLogic, FailingDataQueryIsMinusOne) {
    FakeWinspool::Driver broken;
    broken.binNames = {"Upper"};
    broken.binNumbers = {1};
    broken.nameData = -1;
    broken.numberData = -1;
    fake_->drivers["Broken"] = broken;
    std::vector<platform::BinNameField> names(1);
    std::vector<std::uint16_t> numbers(1);
    EXPECT_EQ(service_->BinNames("Broken", "", names), -1);
    EXPECT_EQ(service_->BinNumbers("Broken", "", numbers), -1);
}

// The catalogue over the Windows service: the whole road from the system's
// answers to what the user sees.
class WinspoolCatalogue : public WinspoolLogic {
protected:
    printers::InstalledPrinters printers_{*service_};
    printsetup::PrinterCatalogue catalogue_{printers_};

    std::string BuildError() {
        try {
            catalogue_.FormCreate();
        } catch (const messages::KevoError& error) {
            return messages::StandardErrorText(error.what());
        }
        return {};
    }
};

TEST_F(WinspoolCatalogue, DefaultFromTheProfileWhenTheServiceNamesNone) {
    fake_->SetPrinters(kLocalAndConnections, 4, {{"Ink", ""}, {"Laser", ""}});
    fake_->profile[{"windows", "device"}] = "  laser,winspool,Ne00:";
    fake_->profile[{"Devices", "Laser"}] = "winspool,Ne00:,Ne01:";
    FakeWinspool::Driver laser;
    laser.binNames = {"  Upper tray  ", "Lower"};
    laser.binNumbers = {1, 2};
    fake_->drivers["Laser"] = laser;

    ASSERT_EQ(BuildError(), "");
    EXPECT_EQ(catalogue_.cboPrinters().items, (std::vector<std::string>{"Ink", "Laser"}));
    EXPECT_EQ(catalogue_.SelectedPosition(), 1);
    EXPECT_EQ(catalogue_.lblDriver(), "winspool");
    EXPECT_EQ(catalogue_.lblPort(), "Ne00:,Ne01:");
    EXPECT_EQ(catalogue_.cboTray1().items, (std::vector<std::string>{"Upper tray", "Lower"}));
    EXPECT_EQ(catalogue_.cboTray1Num().items, (std::vector<std::string>{"1", "2"}));
}

TEST_F(WinspoolCatalogue, PerPortPrinterIsListedOncePerPortAndFoundAtItsFirst) {
    fake_->platformId = 1;
    fake_->SetPrinters(kPrinterEnumLocal, 5, {{"Laser", "LPT1:,FILE:"}});
    fake_->SetPrinters(kPrinterEnumDefault, 5, {{"Laser", "LPT1:,FILE:"}});

    ASSERT_EQ(BuildError(), "");
    EXPECT_EQ(catalogue_.cboPrinters().items, (std::vector<std::string>{"Laser", "Laser"}));
    EXPECT_EQ(catalogue_.FindPrinter("LASER"), 0);
    // The port comes with the entry; the driver from the profile, here none.
    EXPECT_EQ(catalogue_.lblPort(), "LPT1:");
    EXPECT_EQ(catalogue_.lblDriver(), "");
    // A driver that is not there reports no bins: the fallback entries.
    EXPECT_EQ(catalogue_.cboTray1().items, (std::vector<std::string>{"Default"}));
    EXPECT_EQ(catalogue_.cboTray1Num().items, (std::vector<std::string>{"7"}));
}

// Printers that moved, through the spooler: a connection found on its new
// server by its queue name, a renamed printer by the mapping file; a Windows
// port ("Ne00:") is a per-user slot and finds nothing.
TEST_F(WinspoolLogic, MovedPrintersFoundByMappingAndQueueNameNeverByPort) {
    fake_->SetPrinters(kLocalAndConnections, 4, {{"\\\\PRINTSRV02\\Accounts", ""}, {"Renamed", ""}});
    fake_->profile[{"Devices", "\\\\PRINTSRV02\\Accounts"}] = "winspool,Ne01:";
    fake_->profile[{"Devices", "Renamed"}] = "winspool,Ne00:";
    fake_->drivers["\\\\PRINTSRV02\\Accounts"] = fake_->drivers["Renamed"] = {};
    const auto line = [](int number, const std::string& printer) {
        return setup::SetupLine{number, "Name", printer, "Ne00:", "winspool",
                                {"Default", "7"}, {"Default", "7"}, "Printer Undefined,"};
    };
    const setup::TrayRepairPlan plan = setup::PlanTrayRepair(
        {line(1, "\\\\PRINTSRV01\\Accounts"), line(2, "Swapped"), line(3, "Old")},
        printers::Printers(*service_), {}, setup::ParsePrinterMappings("swapped = RENAMED\n"));
    ASSERT_EQ(plan.lines.size(), 3u);
    EXPECT_EQ(plan.lines[0].after.printer + " " + plan.lines[0].after.port + " " +
                  plan.lines[0].foundBy,
              "\\\\PRINTSRV02\\Accounts Ne01: by queue name");
    EXPECT_EQ(plan.lines[1].after.printer + " " + plan.lines[1].foundBy, "Renamed by mapping");
    EXPECT_EQ(plan.lines[2].reason, "printer missing");
}

TEST_F(WinspoolCatalogue, DefaultPrinterFailuresAsTheUserSeesThem) {
    struct Case {
        std::uint32_t error;
        std::string report;
    };
    const Case cases[] = {
        {kErrorInvalidName, std::string(printers::kNoDefaultPrinter) + "."},
        {5, printers::SystemErrorText(5, "Access is denied.")},
        {1801, printers::SystemErrorText(1801, "The printer name is invalid.")},
    };
    for (const Case& c : cases) {
        FakeWinspool fresh;
        fresh.SetPrinters(kLocalAndConnections, 4, {{"Laser", ""}});
        fresh.enumerations[{kPrinterEnumDefault, 5}].sizeCallError = c.error;
        fresh.messages[5] = "Access is denied.";
        fresh.messages[1801] = "The printer name is invalid.";
        *fake_ = fresh;
        printers::InstalledPrinters installed(*service_);
        printsetup::PrinterCatalogue catalogue(installed);
        std::string report;
        try {
            catalogue.FormCreate();
        } catch (const messages::KevoError& error) {
            report = messages::StandardErrorText(error.what());
        }
        EXPECT_EQ(report, c.report) << c.error;
        EXPECT_TRUE(catalogue.cboPrinters().items.empty()) << c.error;
    }
}

TEST_F(WinspoolCatalogue, DefaultNamedNowhereIsNoDefault) {
    fake_->SetPrinters(kLocalAndConnections, 4, {{"Laser", ""}});
    fake_->profile[{"windows", "device"}] = "Gone,winspool,LPT1:";
    EXPECT_EQ(BuildError(), "There is no default printer currently selected.");
}

} // namespace
} // namespace kevo::testing
