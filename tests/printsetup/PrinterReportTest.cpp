// SPDX-License-Identifier: Apache-2.0
#include "PrinterReport.h"

#include "platform/printing/SimulatedPrintingService.h"

#include <gtest/gtest.h>

namespace kevo::tools {
namespace {

using platform::SimulatedPrintingService;

TEST(PrinterReport, ShowsEachPrinterWithItsBinsAndFailures) {
    SimulatedPrintingService service = SimulatedPrintingService::FromText(R"(
default B
printer A
    devices DA,PA
    bin 1 Upper
printer B
    port LPT1:
    bin 2 "Tray\t2 "
    bin-name Extra
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

} // namespace
} // namespace kevo::tools
