// SPDX-License-Identifier: Apache-2.0
#include "printsetup/PrinterCatalogue.h"

#include "messages/ErrorReport.h"
#include "platform/printing/CachingPrintingService.h"
#include "platform/printing/SimulatedPrintingService.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kevo::printsetup {
namespace {

using messages::KevoError;
using platform::SimulatedPrintingService;
using printers::kDevCapError;
using printers::kNoDefaultPrinter;
using Items = std::vector<std::string>;

// Records the wait pointer's changes: "+" shown, "-" reset.
class RecordingWaitPointer : public printers::WaitPointer {
public:
    std::string log;
    void ShowWaitPointer() override { log += "+"; }
    void ShowNormalPointer() override { log += "-"; }
};

// A catalogue over a simulated service described by a literal text.
struct Catalogue {
    explicit Catalogue(const std::string& text)
        : service(SimulatedPrintingService::FromText(text, "test")), printers(service),
          catalogue(printers) {
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
    printers::InstalledPrinters printers;
    PrinterCatalogue catalogue;
    RecordingWaitPointer pointer;
};

// -- The lookup rule -------------------------------------------------------

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
        EXPECT_EQ(messages::StandardErrorText(kNoDefaultPrinter),
                  "There is no default printer currently selected.");
    }
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

// -- Bin lists ---------------------------------------------------------------

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
    platform::DevicesValue ProfileDevicesValue(const std::string& printer) override {
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
    printers::InstalledPrinters printers(cached);
    PrinterCatalogue cat(printers);
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
