// SPDX-License-Identifier: Apache-2.0
#include "printers/PrinterReport.h"

#include "MiniJson.h"
#include "common/ToolVersion.h"
#include "platform/printing/SimulatedPrintingService.h"
#include "printers/Printers.h"

#include <gtest/gtest.h>

#include <string>

namespace kevo::tools {
namespace {

using platform::SimulatedPrintingService;
using test::JsonValue;
using test::ParseJson;

// The report's own printers: the first with its driver and port from its
// [Devices] value, the default one with a port of its own, a bin name with a
// tab and a blank, and a name without a number.
constexpr const char* kTwoPrinters = R"(default B
printer A
    devices DA,PA
    bin 1 Upper
printer B
    port LPT1:
    bin 2 "Tray\t2 "
    bin-name Extra
)";

TEST(PrinterReport, ShowsEachPrinterWithItsBinsAndFailures) {
    SimulatedPrintingService service = SimulatedPrintingService::FromText(std::string(kTwoPrinters) + R"(
printer C
    bin 3 Rear
    numbers-data fail
printer D
    bin 4 X
    names-data fail
)");
    const PrinterReport report = WritePrinterReport(service);
    EXPECT_TRUE(report.failed);
    EXPECT_EQ(report.text, "Default printer: 1 \"B\"\n"
                           "Printers: 4\n"
                           "\n"
                           "0 \"A\"\n"
                           "    Port:   \"PA\"\n"
                           "    Driver: \"DA\"\n"
                           "    Bins:   1      \"Upper\"\n"
                           "\n"
                           "1 \"B\" (default)\n"
                           "    Port:   \"LPT1:\"\n"
                           "    Driver: \"\"\n"
                           "    Bins:   2      \"Tray\\x092\"\n"
                           "            -      \"Extra\"\n"
                           "\n"
                           "2 \"C\"\n"
                           "    Port:   \"\"\n"
                           "    Driver: \"\"\n"
                           "    Bins:   -      \"Rear\"\n"
                           "    Error:  DevCap Error.\n"
                           "\n"
                           "3 \"D\"\n"
                           "    Port:   \"\"\n"
                           "    Driver: \"\"\n"
                           "    Bins:   none loaded\n"
                           "    Error:  DevCap Error.\n");
}

TEST(PrinterReport, CatalogueThatCannotBeBuilt) {
    struct Case {
        const char* text;
        const char* report;
    };
    const Case cases[] = {
        {"printer A\n", "Error:  There is no default printer currently selected.\n"
                        "No printers are listed.\n"},
        {"default-fails 5 Access is denied.\nprinter A\n", "Error:  System Error.  Code: 5.\n"
                                                           "        Access is denied.\n"
                                                           "No printers are listed.\n"},
    };
    for (const Case& c : cases) {
        SimulatedPrintingService service = SimulatedPrintingService::FromText(c.text);
        const PrinterReport report = WritePrinterReport(service);
        EXPECT_TRUE(report.failed);
        EXPECT_EQ(report.text, c.report);
    }
}

TEST(PrinterReport, AllGoodIsNoFailure) {
    SimulatedPrintingService service =
        SimulatedPrintingService::FromText("default \"Q \\\"x\\\"\"\nprinter \"Q \\\"x\\\"\"\n");
    const PrinterReport report = WritePrinterReport(service);
    EXPECT_FALSE(report.failed);
    EXPECT_EQ(report.text, "Default printer: 0 \"Q \\\"x\\\"\"\n"
                           "Printers: 1\n"
                           "\n"
                           "0 \"Q \\\"x\\\"\" (default)\n"
                           "    Port:   \"\"\n"
                           "    Driver: \"\"\n"
                           "    Bins:   7      \"Default\"\n");
}

TEST(PrinterReportJson, PrintersBinsAndFailures) {
    SimulatedPrintingService service = SimulatedPrintingService::FromText(std::string(kTwoPrinters) + R"(
printer "Caf\xE9"
    bin 3 Rear
    numbers-data fail
)");
    const PrinterListing listing = ListPrinters(service);
    const JsonValue document = ParseJson(PrinterReportJson(listing, "/x/printers.txt"));
    EXPECT_EQ(document.Keys(),
              (std::vector<std::string>{"program", "version", "simulatedPrinters", "error",
                                        "defaultPrinter", "printers", "failed"}));
    EXPECT_EQ(document["program"].String(), "kevoconf-printers");
    EXPECT_EQ(document["version"].String(), ToolVersion());
    EXPECT_EQ(document["simulatedPrinters"].String(), "/x/printers.txt");
    EXPECT_TRUE(document["error"].IsNull());
    EXPECT_EQ(document["defaultPrinter"].Integer(), 1);
    EXPECT_TRUE(document["failed"].Bool());

    const JsonValue& printers = document["printers"];
    ASSERT_EQ(printers.array.size(), 3u);
    EXPECT_EQ(printers[0]["name"].String(), "A");
    EXPECT_FALSE(printers[0]["default"].Bool());
    EXPECT_EQ(printers[0]["port"].String(), "PA");
    EXPECT_EQ(printers[0]["driver"].String(), "DA");
    EXPECT_EQ(printers[0]["bins"][0]["number"].Integer(), 1);
    EXPECT_EQ(printers[0]["bins"][0]["name"].String(), "Upper");
    EXPECT_TRUE(printers[0]["error"].IsNull());

    EXPECT_TRUE(printers[1]["default"].Bool());
    EXPECT_EQ(printers[1]["port"].String(), "LPT1:");
    EXPECT_EQ(printers[1]["bins"][0]["name"].String(), "Tray\t2");
    // A name without a number.
    EXPECT_TRUE(printers[1]["bins"][1]["number"].IsNull());
    EXPECT_EQ(printers[1]["bins"][1]["name"].String(), "Extra");

    EXPECT_EQ(printers[2]["position"].Integer(), 2);
    EXPECT_EQ(printers[2]["name"].String(), "Caf\xEF\xBF\xBD");
    EXPECT_EQ(printers[2]["nameHex"].String(), "436166e9");
    EXPECT_EQ(printers[2]["error"].String(), "DevCap Error.");
    ASSERT_EQ(printers[2]["bins"].array.size(), 1u);
    EXPECT_TRUE(printers[2]["bins"][0]["number"].IsNull());
}

TEST(PrinterReportJson, CatalogueThatCannotBeBuilt) {
    SimulatedPrintingService service =
        SimulatedPrintingService::FromText("default-fails 5 Access is denied.\nprinter A\n");
    const JsonValue document = ParseJson(PrinterReportJson(ListPrinters(service), nullptr));
    EXPECT_TRUE(document["simulatedPrinters"].IsNull());
    EXPECT_EQ(document["error"].String(), printers::SystemErrorText(5, "Access is denied."));
    EXPECT_TRUE(document["defaultPrinter"].IsNull());
    EXPECT_TRUE(document["printers"].array.empty());
    EXPECT_TRUE(document["failed"].Bool());
}

TEST(PrinterReportJson, TextAndJsonComeFromOneListing) {
    SimulatedPrintingService service =
        SimulatedPrintingService::FromText("default A\nprinter A\n    bin 4 Manual Feed\n");
    const PrinterListing listing = ListPrinters(service);
    EXPECT_FALSE(listing.failed);
    EXPECT_EQ(PrinterReportText(listing), "Default printer: 0 \"A\"\n"
                                          "Printers: 1\n"
                                          "\n"
                                          "0 \"A\" (default)\n"
                                          "    Port:   \"\"\n"
                                          "    Driver: \"\"\n"
                                          "    Bins:   4      \"Manual Feed\"\n");
    const JsonValue document = ParseJson(PrinterReportJson(listing, nullptr));
    EXPECT_FALSE(document["failed"].Bool());
    EXPECT_EQ(document["printers"][0]["bins"][0]["number"].Integer(), 4);
}

} // namespace
} // namespace kevo::tools
