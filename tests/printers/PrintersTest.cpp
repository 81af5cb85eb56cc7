// SPDX-License-Identifier: Apache-2.0
#include "printers/Printers.h"

#include "platform/printing/SimulatedPrintingService.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kevo::printers {
namespace {

using platform::BinKind;
using platform::SimulatedPrintingService;
using Items = std::vector<std::string>;

// The printers of a simulated service described by a literal text.
struct SimulatedPrinters {
    explicit SimulatedPrinters(const std::string& text)
        : service(SimulatedPrintingService::FromText(text, "test")), printers(service) {}

    // The default printer's position, "none" (NoDefaultPrinter) or the
    // failure's text.
    std::string Default() const try {
        return std::to_string(printers.DefaultPosition());
    } catch (const NoDefaultPrinter&) {
        return "none";
    } catch (const messages::KevoError& error) {
        return error.what();
    }
    // A printer's bins of one kind: the texts, "?" after them when they
    // stand for bins that are not known, or only the failure's text.
    Items Bins(int position, BinKind kind, bool failedCountIsError = false) const try {
        PrinterBins bins = printers.Bins(printers.Details(position), kind, failedCountIsError);
        if (bins.unknown)
            bins.texts.push_back("?");
        return bins.texts;
    } catch (const messages::KevoError& error) {
        return {error.what()};
    }

    SimulatedPrintingService service;
    Printers printers;
};

TEST(LookupRule, WholeTextIgnoringCaseFirstFromTheTop) {
    struct Case {
        Items items;
        std::string text;
        int expected;
    };
    const std::vector<Case> cases = {
        {{"Tray 1", "Tray 2"}, "Tray 2", 1},
        {{"Tray 1", "Tray 2"}, "tRAY 2", 1},
        {{"Upper", "upper", "UPPER"}, "UPPER", 0},
        {{"Tray 1", "Tray 10"}, "Tray 10", 1},
        {{"Tray 10"}, "Tray 1", -1},
        {{"Tray 1"}, "Tray 10", -1},
        {{"Tray 1"}, "ray 1", -1},
        {{"Tray 1"}, "Tray 1 ", -1},
        {{"7", "15"}, "07", -1},
        {{"7", "15"}, "15", 1},
        {{}, "x", -1},
        // An empty text finds an empty entry only.
        {{"Upper", "", "Lower", ""}, "", 1},
        {{"Upper", "Lower"}, "", -1},
        {{}, "", -1},
        // Letters fold, other characters do: "[" and "{" differ by the same
        // bit as "A" and "a".
        {{"Tray[1]"}, "tray{1}", -1},
        {{"@"}, "`", -1},
        {{"\xC3\x89tage"}, "\xC3\xA9tage", 0},
        {{"B\u00fcro Laser", "SZ\u00c1MLA"}, "B\u00dcRO LASER", 0},
        {{"B\u00fcro Laser", "Sz\u00e1mla"}, "SZ\u00c1MLA", 1},
        {{"\u0441\u0447\u0435\u0442"}, "\u0421\u0427\u0415\u0422", 0},
        // The same in every locale: no Turkish dotted capital I.
        {{"\u0130"}, "i", -1},
        {{"I"}, "i", 0},
        {{std::string("A\0B", 3)}, std::string("a\0b", 3), 0},
        {{std::string("A\0B", 3)}, "A", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindInList(c.items, c.text), c.expected) << "text \"" << c.text << "\"";
    }
}

TEST(Printers, DefaultIsWorkedOutFromTheServiceOrTheProfile) {
    struct Case {
        std::string head; // the service-wide lines
        std::string expected;
    };
    const std::string printers = "printer Alpha\nport LPT1:\nport LPT2:\nprinter Beta\n"
                                 "printer \xC3\x89tage\n";
    const std::vector<Case> cases = {
        {"default Beta\n", "2"},
        {"default BETA\n", "2"},
        // Several names: the first counts.
        {"default Alpha\ndefault Beta\n", "0"},
        // A printer listed per port: its first entry.
        {"default alpha\n", "0"},
        {"default \xC3\xA9TAGE\n", "3"},
        {"default \xC3\x89TAGE\n", "3"},
        {"default Gamma\n", "none"},
        {"default Bet\n", "none"},
        {"default \"\"\n", "none"},
        // No name from the service: the [windows] device value, name before
        // the first comma, leading blanks skipped.
        {"windows-device Beta,winspool,Ne00:\n", "2"},
        {"windows-device \"   beta,winspool,Ne00:\"\n", "2"},
        {"windows-device Beta\n", "2"},
        {"windows-device \" Beta ,winspool\"\n", "none"},
        {"windows-device \",Beta\"\n", "none"},
        {"", "none"},
        // The service's name wins over the profile.
        {"default Alpha\nwindows-device Beta,x,y\n", "0"},
        {"default-fails invalid-name\nwindows-device Beta,x,y\n", "none"},
        {"default-fails 5 Access is denied.\n", "System Error.  Code: 5.\r\nAccess is denied."},
        {"default-fails 1722\n", "System Error.  Code: 1722.\r\n"},
    };
    for (const Case& k : cases)
        EXPECT_EQ(SimulatedPrinters(k.head + printers).Default(), k.expected) << k.head;
}

TEST(Printers, NamesAreCutLikeTheDeviceBufferAndListedOncePerPort) {
    const std::string longName(300, 'n');
    SimulatedPrinters p("printer " + longName +
                        "\nprinter \"Short\\0Tail\"\n"
                        "printer Plotter\nport LPT2:\nport COM1:\ndevices PlotDrv,XYZ\nbin 1 Roll\n"
                        "printer Plotter\nport FILE:\nbin 2 Sheet\n");
    const Items names = p.printers.Names();
    EXPECT_EQ(names, (Items{std::string(255, 'n'), "Short", "Plotter", "Plotter", "Plotter"}));
    EXPECT_EQ(p.printers.Details(0).name, std::string(255, 'n'));
    EXPECT_EQ(FindInList(names, "PLOTTER"), 2);
    const std::vector<std::pair<std::string, Items>> expected = {
        {"LPT2:", {"Roll"}}, {"COM1:", {"Roll"}}, {"FILE:", {"Sheet"}}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(p.printers.Details(2 + i).port, expected[static_cast<std::size_t>(i)].first);
        EXPECT_EQ(p.printers.Details(2 + i).driver, "PlotDrv");
        EXPECT_EQ(p.Bins(2 + i, BinKind::Names), expected[static_cast<std::size_t>(i)].second);
    }
}

TEST(Printers, PortAndDriverFromTheEnumerationOrTheDevicesValue) {
    struct Case {
        std::string printerLines;
        std::string driver;
        std::string port;
    };
    const std::vector<Case> cases = {
        {"devices D,P\n", "D", "P"},
        {"devices D,P1,P2\n", "D", "P1,P2"},
        {"devices \",P\"\n", "", "P"},
        {"devices \",\"\n", "", ""},
        {"devices \"D,\"\n", "D", ""},
        {"devices D\n", "D", "D"},
        {"", "", ""},
        // Blanks are part of the texts.
        {"devices \" D , P \"\n", " D ", " P "},
        // A port from the enumeration is kept; the driver still comes from
        // the [Devices] value.
        {"port LPT1:\ndevices D,P\n", "D", "LPT1:"},
        {"port LPT1:\n", "", "LPT1:"},
        // The value is read into 255 characters, terminator included.
        {"devices D," + std::string(260, 'p') + "\n", "D", std::string(252, 'p')},
        {"devices " + std::string(300, 'd') + ",P\n", std::string(254, 'd'), std::string(254, 'd')},
        {"port " + std::string(300, 'q') + "\n", "", std::string(255, 'q')},
    };
    for (const Case& k : cases) {
        const Printer details =
            SimulatedPrinters("printer X\n" + k.printerLines).printers.Details(0);
        EXPECT_EQ(details.driver, k.driver) << k.printerLines;
        EXPECT_EQ(details.port, k.port) << k.printerLines;
    }
}

TEST(Printers, BinNamesAreTakenFromTheirFieldsAndTrimmed) {
    struct Case {
        std::string written; // the name as written in the description
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"Tray 1", "Tray 1"},
        {"\"Tray 1   \"", "Tray 1"},
        {"\"   Tray 1\"", "Tray 1"},
        {"\"\\t\\r\\nTray  1\\x01\\x1F \"", "Tray  1"},
        {"ABCDEFGHIJKLMNOPQRSTUVWX", "ABCDEFGHIJKLMNOPQRSTUVWX"},
        {"\"ABCDEFGHIJKLMNOPQRSTUVW \"", "ABCDEFGHIJKLMNOPQRSTUVW"},
        {"\"Upper\\0Lower\"", "Upper"},
        {"\"\\0Upper\"", ""},
        {"\"   \"", ""},
        // Only codes 0 to 32 are trimmed: DEL and 8-bit characters stay.
        {"\"Tray\\x7F\"", "Tray\x7F"},
        {"\"\\xA0Tray\\xA0\"", "\xA0Tray\xA0"},
        {"\"Fach \\xC3\\xBC\"", "Fach \xC3\xBC"},
    };
    std::string text = "printer P\n";
    Items expected;
    for (const Case& k : cases) {
        text += "bin-name " + k.written + "\n";
        expected.push_back(k.shown);
    }
    // A following field right after a full 24-character one must not run
    // into it.
    EXPECT_EQ(SimulatedPrinters(text).Bins(0, BinKind::Names), expected);
}

// The answers of the driver and the bins they give, for one printer.
TEST(Printers, DriverAnswersAndTheBinsTheyGive) {
    struct Case {
        std::string binLines;
        Items names;
        Items numbers;
        bool failedCountIsError = false;
    };
    const std::string twoBins = "bin 256 Upper\nbin 257 Lower\n";
    const std::vector<Case> cases = {
        {twoBins, {"Upper", "Lower"}, {"256", "257"}},
        // No bins.
        {"", {"Default"}, {"7"}},
        // A count of 0 or less gives the fallback entry; below 0 the bins
        // are not known, or, while editing, the driver fails.
        {twoBins + "names-count 0\n", {"Default"}, {"256", "257"}},
        {twoBins + "names-count -5\n", {"Default", "?"}, {"256", "257"}},
        {twoBins + "numbers-count fail\n", {"Upper", "Lower"}, {"7", "?"}},
        {twoBins + "numbers-count fail\n", {"Upper", "Lower"}, {kDevCapError}, true},
        // Lists of different lengths stay as the driver gives them.
        {"bin 1 A\nbin-name B\nbin-name C\n", {"A", "B", "C"}, {"1"}},
        // Numbers are decimal without sign or leading zeros.
        {"bin-number 0\nbin-number 7\nbin-number 00015\nbin-number 256\nbin-number 65535\n",
         {"Default"},
         {"0", "7", "15", "256", "65535"}},
        // A count above what the data query hands back: empty fields.
        {twoBins + "names-count 3\nnumbers-count 3\n", {"Upper", "Lower", ""}, {"256", "257", "0"}},
        // A count below: only that many fields are read.
        {twoBins + "names-count 1\nnumbers-count 1\n", {"Upper"}, {"256"}},
        // A data answer other than -1 is no failure, even when the driver
        // handed nothing back: the fields are then empty.
        {twoBins + "names-data 0\nnumbers-data -2\n", {"Upper", "Lower"}, {"0", "0"}},
        // The data query fails after a good count.
        {twoBins + "names-data fail\n", {kDevCapError}, {"256", "257"}},
        {twoBins + "numbers-data fail\n", {"Upper", "Lower"}, {kDevCapError}},
        // A count too large to be true is a failing driver, not a reason to
        // allocate gigabytes.
        {twoBins + "names-count 2147483647\n", {kDevCapError}, {"256", "257"}},
        {twoBins + "numbers-count 65537\n", {"Upper", "Lower"}, {kDevCapError}},
    };
    for (const Case& k : cases) {
        const SimulatedPrinters p("printer P\n" + k.binLines);
        EXPECT_EQ(p.Bins(0, BinKind::Names, k.failedCountIsError), k.names) << k.binLines;
        EXPECT_EQ(p.Bins(0, BinKind::Numbers, k.failedCountIsError), k.numbers) << k.binLines;
    }
}

} // namespace
} // namespace kevo::printers
