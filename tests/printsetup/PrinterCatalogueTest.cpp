// SPDX-License-Identifier: Apache-2.0
#include "printsetup/PrinterCatalogue.h"

#include "core/ErrorReport.h"
#include "platform/printing/CachingPrintingService.h"
#include "platform/printing/SimulatedPrintingService.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kevo::printsetup {
namespace {

using core::KevoError;
using platform::SimulatedPrintingService;
using Items = std::vector<std::string>;

// Records the wait pointer's changes: "+" shown, "-" reset.
class RecordingWaitPointer : public WaitPointer {
public:
    std::string log;
    void ShowWaitPointer() override { log += "+"; }
    void ShowNormalPointer() override { log += "-"; }
};

// A catalogue over a simulated service described by a literal text.
struct Catalogue {
    explicit Catalogue(const std::string& text)
        : service(SimulatedPrintingService::FromText(text, "test")), catalogue(service) {
        catalogue.SetWaitPointer(&pointer);
    }
    // Selects a position and runs the change handler, as the check does.
    void Select(int position) {
        catalogue.SetSelectedPosition(position);
        catalogue.cboPrintersChange();
    }
    std::string BuildError() {
        try {
            catalogue.FormCreate();
        } catch (const KevoError& error) {
            return error.what();
        }
        return "";
    }
    std::string SelectError(int position) {
        try {
            Select(position);
        } catch (const KevoError& error) {
            return error.what();
        }
        return "";
    }

    SimulatedPrintingService service;
    PrinterCatalogue catalogue;
    RecordingWaitPointer pointer;
};

// -- The lookup rule -------------------------------------------------------

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

TEST(LookupRule, AppliesToEveryListOfTheCatalogue) {
    Catalogue c("default laser\n"
                "printer Laser\n"
                "bin 15 Automatically Select\n"
                "bin 256 Tray 1\n"
                "bin 257 tray 1\n"
                "printer LASER\n"
                "printer Laser Two\n");
    ASSERT_EQ(c.BuildError(), "");
    const PrinterCatalogue& cat = c.catalogue;
    EXPECT_EQ(cat.FindPrinter("laser"), 0);
    EXPECT_EQ(cat.FindPrinter("LASER"), 0);
    EXPECT_EQ(cat.FindPrinter("Laser T"), -1);
    EXPECT_EQ(cat.FindPrinter("laser two"), 2);
    EXPECT_EQ(cat.FindPrinter(""), -1);
    EXPECT_EQ(cat.FindBinName("TRAY 1"), 1);
    EXPECT_EQ(cat.FindBinName("Tray"), -1);
    EXPECT_EQ(cat.FindBinNumber("257"), 2);
    EXPECT_EQ(cat.FindBinNumber("25"), -1);
    EXPECT_EQ(cat.Find(CatalogueElement::cboTray2, "automatically select"), 0);
    EXPECT_EQ(cat.Find(CatalogueElement::cboTray2Num, "15"), 0);
}

// -- Build, the default printer and the current printer position ----------

TEST(CatalogueBuild, ListsEveryPrinterAndSelectsTheDefault) {
    Catalogue c("default Second\n"
                "printer First\n"
                "devices DrvA,PortA\n"
                "printer Second\n"
                "devices DrvB,PortB\n"
                "bin 256 Upper\n"
                "printer Third\n");
    ASSERT_EQ(c.BuildError(), "");
    const PrinterCatalogue& cat = c.catalogue;
    EXPECT_EQ(cat.cboPrinters().items, (Items{"First", "Second", "Third"}));
    EXPECT_EQ(cat.SelectedPosition(), 1);
    EXPECT_EQ(cat.cboPrinters().shownText, "Second");
    EXPECT_EQ(cat.DeviceBuffer(), "Second");
    EXPECT_EQ(cat.lblPort(), "PortB");
    EXPECT_EQ(cat.lblDriver(), "DrvB");
    EXPECT_EQ(cat.cboTray1().items, Items{"Upper"});
    EXPECT_EQ(cat.cboTray1Num().items, Items{"256"});
    EXPECT_EQ(c.catalogue.CurrentPrinterPosition(), 1);
    EXPECT_EQ(c.pointer.log, "+-");
}

TEST(CatalogueBuild, DefaultPrinterIsWorkedOutFromTheServiceOrTheProfile) {
    struct Case {
        std::string head; // the service-wide lines
        int expected;     // position of the default printer, -1: none
    };
    const std::string printers = "printer Alpha\nport LPT1:\nport LPT2:\nprinter Beta\n"
                                 "printer \xC3\x89tage\n";
    const std::vector<Case> cases = {
        {"default Beta\n", 2},
        {"default BETA\n", 2},
        // Several names: the first counts.
        {"default Alpha\ndefault Beta\n", 0},
        // A printer listed per port: its first entry.
        {"default alpha\n", 0},
        {"default \xC3\xA9TAGE\n", 3},
        {"default \xC3\x89TAGE\n", 3},
        {"default Gamma\n", -1},
        {"default Bet\n", -1},
        {"default \"\"\n", -1},
        // No name from the service: the [windows] device value, name before
        // the first comma, leading blanks skipped.
        {"windows-device Beta,winspool,Ne00:\n", 2},
        {"windows-device \"   beta,winspool,Ne00:\"\n", 2},
        {"windows-device Beta\n", 2},
        {"windows-device \" Beta ,winspool\"\n", -1},
        {"windows-device \",Beta\"\n", -1},
        {"", -1},
        // The service's name wins over the profile.
        {"default Alpha\nwindows-device Beta,x,y\n", 0},
        {"default-fails invalid-name\nwindows-device Beta,x,y\n", -1},
    };
    for (const Case& k : cases) {
        Catalogue c(k.head + printers);
        const std::string error = c.BuildError();
        if (k.expected < 0) {
            EXPECT_EQ(error, kNoDefaultPrinter) << k.head;
            EXPECT_TRUE(c.catalogue.cboPrinters().items.empty()) << k.head;
        } else {
            EXPECT_EQ(error, "") << k.head;
            EXPECT_EQ(c.catalogue.SelectedPosition(), k.expected) << k.head;
            EXPECT_EQ(c.catalogue.CurrentPrinterPosition(), k.expected) << k.head;
        }
    }
}

TEST(CatalogueBuild, NoDefaultPrinterLeavesTheListEmptyAndKeepsFailing) {
    for (const char* text : {"default-fails invalid-name\nprinter A\n", "printer A\n", ""}) {
        Catalogue c(text);
        EXPECT_EQ(c.BuildError(), kNoDefaultPrinter) << text;
        const PrinterCatalogue& cat = c.catalogue;
        EXPECT_TRUE(cat.cboPrinters().items.empty());
        EXPECT_EQ(cat.SelectedPosition(), -1);
        EXPECT_EQ(cat.FindPrinter("A"), -1);
        EXPECT_TRUE(cat.cboTray1().items.empty());
        EXPECT_EQ(cat.lblPort(), "");
        // Every later reading of the current printer position fails alike,
        // and so does selecting (only -1 can be selected in an empty list).
        for (int i = 0; i < 2; ++i) {
            try {
                c.catalogue.CurrentPrinterPosition();
                ADD_FAILURE() << "no failure";
            } catch (const KevoError& error) {
                EXPECT_STREQ(error.what(), kNoDefaultPrinter);
            }
        }
        EXPECT_EQ(c.SelectError(0), kNoDefaultPrinter);
        EXPECT_EQ(cat.SelectedPosition(), -1);
        EXPECT_EQ(c.pointer.log, "+-");
        // As the standard error report shows it.
        EXPECT_EQ(core::StandardErrorText(kNoDefaultPrinter),
                  "There is no default printer currently selected.");
    }
}

TEST(CatalogueBuild, SystemErrorOfTheDefaultPrinterQuery) {
    Catalogue c("default-fails 5 Access is denied.\nprinter A\n");
    EXPECT_EQ(c.BuildError(), "System Error.  Code: 5.\r\nAccess is denied.");
    EXPECT_TRUE(c.catalogue.cboPrinters().items.empty());
    Catalogue d("default-fails 1722\nprinter A\n");
    EXPECT_EQ(d.BuildError(), "System Error.  Code: 1722.\r\n");
}

TEST(CatalogueBuild, DevCapErrorOfTheDefaultPrinterStillFillsThePrinterList) {
    Catalogue c("default B\nprinter A\nprinter B\nbin 1 X\nnames-data fail\n");
    EXPECT_EQ(c.BuildError(), kDevCapError);
    EXPECT_EQ(c.catalogue.cboPrinters().items, (Items{"A", "B"}));
    EXPECT_EQ(c.catalogue.SelectedPosition(), 1);
    EXPECT_EQ(c.catalogue.CurrentPrinterPosition(), 1);
    EXPECT_EQ(c.pointer.log, "+-");
}

TEST(CurrentPrinterPosition, FollowsTheLastSelection) {
    Catalogue c("default C\nprinter A\nprinter B\nprinter C\nprinter D\n");
    ASSERT_EQ(c.BuildError(), "");
    PrinterCatalogue& cat = c.catalogue;
    struct Step {
        int select;
        int selected; // selected position afterwards
        int current;  // current printer position afterwards
        const char* device;
    };
    const std::vector<Step> steps = {
        {1, 1, 1, "B"},  {3, 3, 3, "D"}, {-1, -1, 2, "C"}, {0, 0, 0, "A"},
        {4, -1, 2, "C"}, {0, 0, 0, "A"}, {-7, -1, 2, "C"},
    };
    for (const Step& s : steps) {
        c.Select(s.select);
        EXPECT_EQ(cat.SelectedPosition(), s.selected) << s.select;
        EXPECT_EQ(cat.CurrentPrinterPosition(), s.current) << s.select;
        EXPECT_EQ(cat.DeviceBuffer(), s.device) << s.select;
    }
}

TEST(CurrentPrinterPosition, SettingThePositionAloneChangesNothingElse) {
    Catalogue c("default A\nprinter A\ndevices DA,PA\nbin 1 Upper\nprinter B\ndevices DB,PB\n");
    ASSERT_EQ(c.BuildError(), "");
    PrinterCatalogue& cat = c.catalogue;
    cat.SetSelectedPosition(1);
    EXPECT_EQ(cat.SelectedPosition(), 1);
    EXPECT_EQ(cat.cboPrinters().shownText, "B");
    EXPECT_EQ(cat.CurrentPrinterPosition(), 0);
    EXPECT_EQ(cat.lblPort(), "PA");
    EXPECT_EQ(cat.lblDriver(), "DA");
    EXPECT_EQ(cat.cboTray1().items, Items{"Upper"});
    EXPECT_EQ(c.pointer.log, "+-");
}

// -- Port and driver --------------------------------------------------------

TEST(PortAndDriver, FromTheEnumerationOrTheDevicesValue) {
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
        Catalogue c("default X\nprinter X\n" + k.printerLines);
        ASSERT_EQ(c.BuildError(), "") << k.printerLines;
        EXPECT_EQ(c.catalogue.lblDriver(), k.driver) << k.printerLines;
        EXPECT_EQ(c.catalogue.lblPort(), k.port) << k.printerLines;
        EXPECT_EQ(c.catalogue.DriverBuffer(), k.driver) << k.printerLines;
        EXPECT_EQ(c.catalogue.PortBuffer(), k.port) << k.printerLines;
    }
}

TEST(PortAndDriver, PrinterListedPerPortAppearsOnceForEachPort) {
    Catalogue c("default Plotter\n"
                "printer Plotter\nport LPT2:\nport COM1:\ndevices PlotDrv,XYZ\n"
                "bin 1 Roll\n"
                "printer Plotter\nport FILE:\nbin 2 Sheet\n");
    ASSERT_EQ(c.BuildError(), "");
    PrinterCatalogue& cat = c.catalogue;
    EXPECT_EQ(cat.cboPrinters().items, (Items{"Plotter", "Plotter", "Plotter"}));
    EXPECT_EQ(cat.FindPrinter("PLOTTER"), 0);
    struct Expected {
        std::string port;
        Items bins;
    };
    const std::vector<Expected> expected = {
        {"LPT2:", {"Roll"}}, {"COM1:", {"Roll"}}, {"FILE:", {"Sheet"}}};
    for (int i = 0; i < 3; ++i) {
        c.Select(i);
        EXPECT_EQ(cat.lblPort(), expected[static_cast<std::size_t>(i)].port);
        EXPECT_EQ(cat.lblDriver(), "PlotDrv");
        EXPECT_EQ(cat.cboTray1().items, expected[static_cast<std::size_t>(i)].bins);
    }
}

TEST(PortAndDriver, LongAndNulTerminatedPrinterNamesAreCutLikeTheBuffer) {
    const std::string longName(300, 'n');
    Catalogue c("default " + longName + "\nprinter " + longName + "\nprinter \"Short\\0Tail\"\n");
    ASSERT_EQ(c.BuildError(), "");
    EXPECT_EQ(c.catalogue.cboPrinters().items, (Items{std::string(255, 'n'), "Short"}));
    EXPECT_EQ(c.catalogue.DeviceBuffer(), std::string(255, 'n'));
}

// -- Bin lists ---------------------------------------------------------------

TEST(BinLists, NamesAreTakenFromTheirFieldsAndTrimmed) {
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
    std::string text = "default P\nprinter P\n";
    Items expected;
    for (const Case& k : cases) {
        text += "bin-name " + k.written + "\n";
        expected.push_back(k.shown);
    }
    // A following field right after a full 24-character one must not run
    // into it.
    Catalogue c(text);
    ASSERT_EQ(c.BuildError(), "");
    EXPECT_EQ(c.catalogue.cboTray1().items, expected);
    EXPECT_EQ(c.catalogue.cboTray2().items, expected);
}

TEST(BinLists, NumbersAreDecimalWithoutSignOrLeadingZeros) {
    Catalogue c("default P\nprinter P\n"
                "bin-number 0\nbin-number 7\nbin-number 00015\nbin-number 256\nbin-number 65535\n");
    ASSERT_EQ(c.BuildError(), "");
    EXPECT_EQ(c.catalogue.cboTray1Num().items, (Items{"0", "7", "15", "256", "65535"}));
    EXPECT_EQ(c.catalogue.cboTray2Num().items, c.catalogue.cboTray1Num().items);
}

// The answers of the driver and the lists they give, for one printer.
TEST(BinLists, DriverAnswersAndTheListsTheyGive) {
    struct Case {
        std::string binLines;
        Items names;
        Items numbers;
        std::string error;
    };
    const std::string twoBins = "bin 256 Upper\nbin 257 Lower\n";
    const std::vector<Case> cases = {
        {twoBins, {"Upper", "Lower"}, {"256", "257"}, ""},
        // No bins.
        {"", {"Default"}, {"7"}, ""},
        // A count of 0 or less, failing or not, gives the fallback entry.
        {twoBins + "names-count 0\n", {"Default"}, {"256", "257"}, ""},
        {twoBins + "names-count -5\n", {"Default"}, {"256", "257"}, ""},
        {twoBins + "numbers-count fail\n", {"Upper", "Lower"}, {"7"}, ""},
        // Lists of different lengths stay as the driver gives them.
        {"bin 1 A\nbin-name B\nbin-name C\n", {"A", "B", "C"}, {"1"}, ""},
        // A count above what the data query hands back: empty fields.
        {twoBins + "names-count 3\nnumbers-count 3\n",
         {"Upper", "Lower", ""},
         {"256", "257", "0"},
         ""},
        // A count below: only that many fields are read.
        {twoBins + "names-count 1\nnumbers-count 1\n", {"Upper"}, {"256"}, ""},
        // A data answer other than -1 is no failure, even when the driver
        // handed nothing back: the fields are then empty.
        {twoBins + "names-data 0\nnumbers-data -2\n", {"Upper", "Lower"}, {"0", "0"}, ""},
        // The data query fails after a good count.
        {twoBins + "names-data fail\n", {}, {"prev"}, kDevCapError},
        {twoBins + "numbers-data fail\n", {"Upper", "Lower"}, {}, kDevCapError},
        // A count too large to be true is a failing driver, not a reason to
        // allocate gigabytes.
        {twoBins + "names-count 2147483647\n", {}, {"prev"}, kDevCapError},
        {twoBins + "numbers-count 65537\n", {"Upper", "Lower"}, {}, kDevCapError},
    };
    for (const Case& k : cases) {
        Catalogue c("default Prev\nprinter Prev\nbin-name prev\nbin-number 9\n"
                    "printer P\n" +
                    k.binLines);
        ASSERT_EQ(c.BuildError(), "") << k.binLines;
        // The number lists keep the previous printer's numbers ("9") when the
        // names fail, so "prev" stands for them here.
        Items numbers = k.numbers;
        if (numbers == Items{"prev"})
            numbers = {"9"};
        EXPECT_EQ(c.SelectError(1), k.error) << k.binLines;
        const PrinterCatalogue& cat = c.catalogue;
        EXPECT_EQ(cat.cboTray1().items, k.names) << k.binLines;
        EXPECT_EQ(cat.cboTray2().items, k.names) << k.binLines;
        EXPECT_EQ(cat.cboTray1Num().items, numbers) << k.binLines;
        EXPECT_EQ(cat.cboTray2Num().items, numbers) << k.binLines;
        EXPECT_EQ(c.pointer.log, "+-+-") << k.binLines;
    }
}

TEST(BinLists, SelectingAlwaysLeavesTheFirstBinSelectedInAllFourLists) {
    Catalogue c("default A\n"
                "printer A\nbin 1 Upper\nbin 2 Lower\nbin 3 Manual\n"
                "printer B\n"
                "printer C\nbin 5 One\nbin-name Two\nnumbers-count 0\n");
    ASSERT_EQ(c.BuildError(), "");
    PrinterCatalogue& cat = c.catalogue;
    const CatalogueElement lists[] = {CatalogueElement::cboTray1, CatalogueElement::cboTray2,
                                      CatalogueElement::cboTray1Num, CatalogueElement::cboTray2Num};
    for (int position : {0, 1, 2, 0, 0, 2, -1}) {
        // Another bin chosen in between (as the dialog does) is forgotten.
        cat.SetListPosition(CatalogueElement::cboTray1, 2);
        cat.SetListPosition(CatalogueElement::cboTray2Num, 1);
        c.Select(position);
        for (CatalogueElement list : lists) {
            EXPECT_EQ(cat.List(list).selected, 0) << position;
            EXPECT_EQ(cat.List(list).shownText, cat.List(list).items.at(0)) << position;
        }
    }
}

// The state that each bin failure leaves, element by element.
TEST(BinLists, FailureLeavesTheNewPrinterDetailsAndTheStatedLists) {
    Catalogue c("default Good\n"
                "printer Good\ndevices GoodDrv,GoodPort\nbin 1 Upper\nbin 2 Lower\n"
                "printer BadNames\ndevices BadDrv,BadPort\nbin 3 Rear\nnames-data fail\n"
                "printer BadNumbers\ndevices NumDrv,NumPort\nbin 4 Front\nnumbers-data fail\n");
    ASSERT_EQ(c.BuildError(), "");
    PrinterCatalogue& cat = c.catalogue;
    cat.SetListPosition(CatalogueElement::cboTray1, 1);

    EXPECT_EQ(c.SelectError(1), kDevCapError);
    EXPECT_EQ(cat.SelectedPosition(), 1);
    EXPECT_EQ(cat.CurrentPrinterPosition(), 1);
    EXPECT_EQ(cat.DeviceBuffer(), "BadNames");
    EXPECT_EQ(cat.lblPort(), "BadPort");
    EXPECT_EQ(cat.lblDriver(), "BadDrv");
    EXPECT_TRUE(cat.cboTray1().items.empty());
    EXPECT_TRUE(cat.cboTray2().items.empty());
    EXPECT_EQ(cat.cboTray1().selected, -1);
    // The shown texts stay as they were.
    EXPECT_EQ(cat.cboTray1().shownText, "Lower");
    EXPECT_EQ(cat.cboTray2().shownText, "Upper");
    // The number lists still hold the previous printer's numbers.
    EXPECT_EQ(cat.cboTray1Num().items, (Items{"1", "2"}));
    EXPECT_EQ(cat.cboTray2Num().items, (Items{"1", "2"}));
    EXPECT_EQ(cat.FindBinName(""), -1);

    EXPECT_EQ(c.SelectError(2), kDevCapError);
    EXPECT_EQ(cat.lblPort(), "NumPort");
    EXPECT_EQ(cat.cboTray1().items, Items{"Front"});
    EXPECT_EQ(cat.cboTray1().selected, 0);
    EXPECT_TRUE(cat.cboTray1Num().items.empty());
    EXPECT_TRUE(cat.cboTray2Num().items.empty());
    EXPECT_EQ(cat.cboTray1Num().shownText, "1");

    // A good printer afterwards restores everything.
    EXPECT_EQ(c.SelectError(0), "");
    EXPECT_EQ(cat.cboTray1Num().items, (Items{"1", "2"}));
    EXPECT_EQ(c.pointer.log, "+-+-+-+-");
}

TEST(BinLists, ListPositionsOutsideTheListSelectNone) {
    Catalogue c("default A\nprinter A\nbin 1 Upper\nbin 2 Lower\n");
    ASSERT_EQ(c.BuildError(), "");
    PrinterCatalogue& cat = c.catalogue;
    struct Case {
        int position;
        int selected;
        std::string shown;
    };
    for (const Case& k :
         std::vector<Case>{{1, 1, "Lower"}, {2, -1, ""}, {0, 0, "Upper"}, {-1, -1, ""}}) {
        cat.SetListPosition(CatalogueElement::cboTray2, k.position);
        EXPECT_EQ(cat.cboTray2().selected, k.selected) << k.position;
        EXPECT_EQ(cat.cboTray2().shownText, k.shown) << k.position;
        // The other lists do not follow: that is the dialog's business.
        EXPECT_EQ(cat.cboTray2Num().selected, 0);
        EXPECT_EQ(cat.cboTray1().selected, 0);
    }
}

// -- Change notification -----------------------------------------------------

// A listener that copies every element it is told about, as a dialog
// mirroring the catalogue in its widgets would.
class MirrorListener : public CatalogueListener {
public:
    explicit MirrorListener(const PrinterCatalogue& catalogue) : catalogue_(catalogue) {}
    void CatalogueChanged(CatalogueElement element) override {
        ++changes;
        if (element == CatalogueElement::lblPort)
            port = catalogue_.lblPort();
        else if (element == CatalogueElement::lblDriver)
            driver = catalogue_.lblDriver();
        else
            lists[static_cast<int>(element)] = catalogue_.List(element);
    }
    bool InSync() const {
        for (CatalogueElement e :
             {CatalogueElement::cboPrinters, CatalogueElement::cboTray1, CatalogueElement::cboTray2,
              CatalogueElement::cboTray1Num, CatalogueElement::cboTray2Num}) {
            const CatalogueList& mine = lists.at(static_cast<int>(e));
            const CatalogueList& theirs = catalogue_.List(e);
            if (mine.items != theirs.items || mine.selected != theirs.selected ||
                mine.shownText != theirs.shownText)
                return false;
        }
        return port == catalogue_.lblPort() && driver == catalogue_.lblDriver();
    }

    int changes = 0;
    std::map<int, CatalogueList> lists;
    std::string port, driver;

private:
    const PrinterCatalogue& catalogue_;
};

TEST(ChangeNotification, ListenerSeesEveryChangeAlsoOnFailure) {
    Catalogue c("default A\n"
                "printer A\ndevices DA,PA\nbin 1 Upper\n"
                "printer B\ndevices DB,PB\nbin 2 Rear\nnames-data fail\n"
                "printer C\nbin 3 Front\nnumbers-data fail\n");
    MirrorListener mirror(c.catalogue);
    // Populate the mirror's idea of the untouched lists.
    for (CatalogueElement e :
         {CatalogueElement::cboPrinters, CatalogueElement::cboTray1, CatalogueElement::cboTray2,
          CatalogueElement::cboTray1Num, CatalogueElement::cboTray2Num})
        mirror.lists[static_cast<int>(e)] = c.catalogue.List(e);
    c.catalogue.SetListener(&mirror);

    EXPECT_EQ(c.BuildError(), "");
    EXPECT_TRUE(mirror.InSync());
    for (int position : {1, 2, 0, 1}) {
        const int before = mirror.changes;
        c.SelectError(position);
        EXPECT_GT(mirror.changes, before);
        EXPECT_TRUE(mirror.InSync()) << position;
        c.catalogue.SetListPosition(CatalogueElement::cboTray1Num, 0);
        EXPECT_TRUE(mirror.InSync()) << position;
    }
}

// -- Performance: each printer's bins are fetched once -------------------------

// Counts the questions that reach the simulated service below the cache.
class CountingService : public SimulatedPrintingService {
public:
    using SimulatedPrintingService::SimulatedPrintingService;
    int binQueries = 0;
    int devicesReads = 0;
    int enumerations = 0;
    std::vector<platform::PrinterEntry> EnumPrinters() override {
        ++enumerations;
        return SimulatedPrintingService::EnumPrinters();
    }
    std::string ProfileDevicesValue(const std::string& printer) override {
        ++devicesReads;
        return SimulatedPrintingService::ProfileDevicesValue(printer);
    }
    int BinCount(platform::BinKind kind, const std::string& d, const std::string& p) override {
        ++binQueries;
        return SimulatedPrintingService::BinCount(kind, d, p);
    }
    int BinData(const std::string& d, const std::string& p, platform::BinFields& out) override {
        ++binQueries;
        return SimulatedPrintingService::BinData(d, p, out);
    }
};

TEST(CachedCatalogue, WalkOverLinesQueriesEachDistinctPrinterOnce) {
    std::string text = "default P0\n";
    for (int i = 0; i < 50; ++i) {
        text += "printer P" + std::to_string(i) + "\ndevices Drv,Port" + std::to_string(i) +
                "\nbin 15 Automatically Select\nbin 256 Tray 1\n";
        if (i % 7 == 3)
            text += "numbers-data fail\n"; // failures are fetched once too
    }
    auto counting = std::make_unique<CountingService>(platform::ParseSimulatedPrinters(text, "t"));
    CountingService* counter = counting.get();
    platform::CachingPrintingService cached(std::move(counting));
    PrinterCatalogue cat(cached);
    cat.FormCreate();

    // 99 lines alternating between 20 printers, each line selecting its
    // printer (the check selects only when it differs; this is the worst case).
    for (int line = 1; line <= 99; ++line) {
        const int position = (line * 7) % 20;
        cat.SetSelectedPosition(position);
        try {
            cat.cboPrintersChange();
        } catch (const KevoError&) {
        }
        EXPECT_EQ(cat.lblPort(), "Port" + std::to_string(position));
    }
    EXPECT_EQ(counter->enumerations, 1);
    // P0 (the default, selected by Build) is one of the 20: four bin queries
    // and one [Devices] read per distinct printer.
    EXPECT_EQ(counter->binQueries, 20 * 4);
    EXPECT_EQ(counter->devicesReads, 20);
}

} // namespace
} // namespace kevo::printsetup
