// SPDX-License-Identifier: Apache-2.0
// The Windows printing service on a real winspool (here Wine's, which takes
// its printers from a CUPS scheduler), compared queue by queue with what the
// CUPS service reported for the same scheduler (kevo_cups_dump, run on Linux
// by scripts/test-windows.sh just before this runner).

#include "PrinterDump.h"
#include "WindowsTestSupport.h"

#include "messages/ErrorReport.h"
#include "platform/text/TextCoding.h"
#include "platform/text/WideText.h"
#include "platform/winspool/WinspoolPrintingService.h"
#include "printsetup/PrinterCatalogue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

namespace kevo::testing {
namespace {

// Names the CUPS service's dump file (a Windows path).
constexpr const char* kDumpVariable = "KEVO_CUPS_DUMP";

struct Difference {
    std::string printer;
    std::string what;
    std::string cups;
    std::string windows;

    bool operator==(const Difference&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Difference& d) {
    return out << "{\"" << d.printer << "\", \"" << d.what << "\", \"" << d.cups << "\", \""
               << d.windows << "\"}";
}

// What Wine's PostScript driver gives for a bin text of the PPD: it reads
// the PPD's UTF-8 as code page 1252 (whatever its *LanguageEncoding says) and
// cuts the result at 24 UTF-16 units.
std::string WineReading(const std::string& utf8) {
    const std::wstring wide = platform::WideFromUtf8(platform::DecodeCodePage(utf8, 1252));
    return platform::Utf8FromWide(wide.substr(0, 24));
}

// Where Wine's winspool and the CUPS service disagree on the scheduler's
// queues (scripts/test-windows.sh sets them up). Texts as Printable shows
// them. Every line is explained in docs/development.md ("What Wine reports
// differently from the CUPS service").
std::vector<Difference> KnownDifferences() {
    std::vector<Difference> differences = {
        // A printer name with a letter beyond ASCII: the scheduler sorts it
        // by its bytes as signed characters, before every ASCII letter; Wine
        // by the letter.
        {"B\\xC3\\xBCro", "position", "0", "1"},
        {"Blanks", "position", "1", "0"},
        // Wine cuts a bin text to 24 characters before trimming it; the CUPS
        // service trims first, so a text with leading blanks keeps more of
        // its end.
        {"Blanks", "bin 5 name", "Large Capacity Feeder Un", "Large Capacity Fee"},
        // A queue without PPD: the CUPS service reports no bins (the
        // catalogue then shows "Default" 7); Wine's PostScript driver falls
        // back to a generic PPD of its own with five bins after
        // "Automatically Select".
        {"Raw", "bin count", "1", "6"},
        {"Raw", "bin 0 number", "7", "15"},
        {"Raw", "bin 0 name", "Default", "Automatically Select"},
    };
    // UTF-8 bin texts (as the CUPS service gives them, cut at 24 characters).
    const std::string utf8Bins[] = {"Fach für Umschläge und E",  "Ελληνικά χαρτιά θήκη",
                                    "A給紙トレイ１普通紙再生紙", "AB給紙トレイ１普通紙再生紙",
                                    "給紙トレイ１普通紙再生紙",  "Photo paper tray 📷📷📷 x"};
    int bin = 0;
    for (const std::string& text : utf8Bins) {
        differences.push_back({"Utf8", "bin " + std::to_string(++bin) + " name", Printable(text),
                               Printable(WineReading(text))});
    }
    return differences;
}

// The bin lists as the catalogue fills them.
std::vector<std::string> ShownNames(const DumpedPrinter& p) {
    if (p.nameCount <= 0)
        return {"Default"};
    if (p.nameAnswer && *p.nameAnswer == -1)
        return {printers::kDevCapError};
    std::vector<std::string> names;
    for (const std::string& field : p.nameFields)
        names.push_back(ShownBinName(field));
    return names;
}

std::vector<std::string> ShownNumbers(const DumpedPrinter& p) {
    if (p.numberCount <= 0)
        return {"7"};
    if (p.numberAnswer && *p.numberAnswer == -1)
        return {printers::kDevCapError};
    std::vector<std::string> numbers;
    for (const unsigned number : p.numbers)
        numbers.push_back(std::to_string(number));
    return numbers;
}

struct Comparison {
    std::vector<Difference> differences;
    int printersAgreeing = 0;
    int binsAgreeing = 0;
};

Comparison Compare(const PrinterDump& cups, const PrinterDump& windows) {
    Comparison result;
    auto& differences = result.differences;

    const std::string cupsDefault = EffectiveDefault(cups);
    const std::string windowsDefault = EffectiveDefault(windows);
    if (cupsDefault != windowsDefault)
        differences.push_back({"", "default", Printable(cupsDefault), Printable(windowsDefault)});

    std::vector<bool> matched(windows.printers.size(), false);
    for (std::size_t i = 0; i < cups.printers.size(); ++i) {
        const DumpedPrinter& c = cups.printers[i];
        const std::string shown = Printable(c.name);
        std::size_t j = 0;
        while (j < windows.printers.size() && (matched[j] || c.name != windows.printers[j].name))
            ++j;
        if (j == windows.printers.size()) {
            differences.push_back({shown, "listed", "yes", "no"});
            continue;
        }
        matched[j] = true;
        const DumpedPrinter& w = windows.printers[j];
        if (i != j)
            differences.push_back({shown, "position", std::to_string(i), std::to_string(j)});

        const std::vector<std::string> cupsNames = ShownNames(c);
        const std::vector<std::string> windowsNames = ShownNames(w);
        const std::vector<std::string> cupsNumbers = ShownNumbers(c);
        const std::vector<std::string> windowsNumbers = ShownNumbers(w);
        bool same = true;
        if (cupsNames.size() != windowsNames.size()) {
            differences.push_back({shown, "bin count", std::to_string(cupsNames.size()),
                                   std::to_string(windowsNames.size())});
            same = false;
        }
        const std::size_t common = std::min(cupsNames.size(), windowsNames.size());
        for (std::size_t k = 0; k < common; ++k) {
            const std::string bin = "bin " + std::to_string(k);
            bool binSame = true;
            if (k < cupsNumbers.size() && k < windowsNumbers.size() &&
                cupsNumbers[k] != windowsNumbers[k]) {
                differences.push_back({shown, bin + " number", cupsNumbers[k], windowsNumbers[k]});
                binSame = false;
            }
            if (cupsNames[k] != windowsNames[k]) {
                differences.push_back(
                    {shown, bin + " name", Printable(cupsNames[k]), Printable(windowsNames[k])});
                binSame = false;
            }
            result.binsAgreeing += binSame ? 1 : 0;
            same = same && binSame;
        }
        result.printersAgreeing += same ? 1 : 0;
    }
    for (std::size_t j = 0; j < windows.printers.size(); ++j) {
        if (!matched[j])
            differences.push_back({Printable(windows.printers[j].name), "listed", "no", "yes"});
    }
    return result;
}

std::unique_ptr<platform::winspool::WinspoolPrintingService> SystemService() {
    return std::make_unique<platform::winspool::WinspoolPrintingService>(
        platform::winspool::MakeSystemWinspoolApi());
}

// The real calls, except that the system says it is not of the NT family:
// the per-port enumeration path.
class As9xWinspool : public platform::winspool::WinspoolApi {
public:
    platform::winspool::EnumPrintersCall Enumerate(std::uint32_t flags, std::uint32_t level,
                                                   std::uint32_t size) override {
        return real_->Enumerate(flags, level, size);
    }
    std::string ProfileString(const std::string& section, const std::string& key) override {
        return real_->ProfileString(section, key);
    }
    int Capability(const std::string& device, const std::string& port, std::uint16_t capability,
                   void* output, std::size_t room) override {
        return real_->Capability(device, port, capability, output, room);
    }
    std::uint32_t PlatformId() override { return 1; }
    std::string SystemMessage(std::uint32_t error) override { return real_->SystemMessage(error); }

private:
    std::unique_ptr<platform::winspool::WinspoolApi> real_ =
        platform::winspool::MakeSystemWinspoolApi();
};

class WinspoolOnWindows : public ::testing::Test {
protected:
    void SetUp() override {
        const char* file = std::getenv(kDumpVariable);
        if (file == nullptr || *file == '\0')
            GTEST_SKIP() << kDumpVariable << " names no CUPS dump: run scripts/test-windows.sh";
        const auto dump = ReadDump(ReadBytes(file));
        ASSERT_TRUE(dump) << "cannot read the CUPS dump " << file;
        cups_ = *dump;
        ASSERT_FALSE(cups_.printers.empty()) << "the scheduler has no printers";
    }

    PrinterDump cups_;
};

TEST_F(WinspoolOnWindows, SamePrintersDefaultAndBinsAsTheCupsService) {
    auto service = SystemService();
    const PrinterDump windows = DumpService(*service);
    const Comparison comparison = Compare(cups_, windows);

    std::cout << "CUPS service and winspool under Wine: " << cups_.printers.size() << " and "
              << windows.printers.size() << " printers, default \""
              << Printable(EffectiveDefault(cups_)) << "\" and \""
              << Printable(EffectiveDefault(windows)) << "\"; " << comparison.printersAgreeing
              << " printers and " << comparison.binsAgreeing << " bins agree entirely.\n";
    for (const DumpedPrinter& p : windows.printers)
        std::cout << "  [Devices] " << Printable(p.name) << " = " << Printable(p.devices.driver)
                  << "," << Printable(p.devices.port) << "\n";
    for (const Difference& d : comparison.differences)
        std::cout << "  differs: " << d << "\n";

    EXPECT_EQ(comparison.differences, KnownDifferences())
        << "the differences between the two services changed (printer, what, CUPS, Windows)";
    EXPECT_EQ(windows.printers.size(), cups_.printers.size());
}

TEST_F(WinspoolOnWindows, PerPortPathListsEachPrinterWithItsPort) {
    auto nt = SystemService();
    platform::winspool::WinspoolPrintingService perPort(std::make_unique<As9xWinspool>());
    const std::vector<platform::PrinterEntry> byName = nt->EnumPrinters();
    const std::vector<platform::PrinterEntry> byPort = perPort.EnumPrinters();

    ASSERT_EQ(byPort.size(), byName.size());
    for (std::size_t i = 0; i < byName.size(); ++i) {
        EXPECT_EQ(byPort[i].name, byName[i].name);
        EXPECT_TRUE(byName[i].port.empty()) << byName[i].name;
        // The port is the one the [Devices] value names after the driver.
        EXPECT_EQ(byPort[i].port, nt->ProfileDevicesValue(byName[i].name).port) << byName[i].name;
    }
}

TEST_F(WinspoolOnWindows, DefaultPrinterThroughTheProfile) {
    // Wine answers PRINTER_ENUM_DEFAULT with no printer, so here the
    // [windows] "device" value names the default, as on systems whose
    // service knows none.
    auto service = SystemService();
    const platform::DefaultPrinterAnswer answer = service->DefaultPrinter();
    EXPECT_EQ(answer.status, platform::DefaultPrinterAnswer::Status::Ok);
    EXPECT_TRUE(answer.names.empty());
    const std::string expected = EffectiveDefault(cups_);
    EXPECT_EQ(service->ProfileWindowsDevice().printer, expected);

    printers::InstalledPrinters installed(*service);
    printsetup::PrinterCatalogue catalogue(installed);
    ASSERT_NO_THROW(catalogue.FormCreate());
    ASSERT_GE(catalogue.SelectedPosition(), 0);
    EXPECT_EQ(catalogue.cboPrinters().items[static_cast<std::size_t>(catalogue.SelectedPosition())],
              expected);
    // Port and driver from the [Devices] value.
    EXPECT_FALSE(catalogue.lblPort().empty());
    EXPECT_FALSE(catalogue.lblDriver().empty());
}

TEST_F(WinspoolOnWindows, EveryPrinterCanBeSelected) {
    auto service = SystemService();
    printers::InstalledPrinters installed(*service);
    printsetup::PrinterCatalogue catalogue(installed);
    ASSERT_NO_THROW(catalogue.FormCreate());
    for (std::size_t i = 0; i < catalogue.cboPrinters().items.size(); ++i) {
        catalogue.SetSelectedPosition(static_cast<int>(i));
        EXPECT_NO_THROW(catalogue.cboPrintersChange());
        EXPECT_FALSE(catalogue.cboTray1().items.empty());
        EXPECT_EQ(catalogue.cboTray1Num().selected, 0);
    }
}

TEST(WinspoolOnWindowsSystem, UnknownPrinterHasNoBins) {
    auto service = SystemService();
    EXPECT_LE(service->BinNameCount("No Such Printer Anywhere", ""), 0);
    EXPECT_LE(service->BinNumberCount("No Such Printer Anywhere", ""), 0);
    EXPECT_EQ(service->ProfileDevicesValue("No Such Printer Anywhere"), platform::DevicesValue{});
}

TEST(WinspoolOnWindowsSystem, SystemTextsForErrorCodes) {
    auto api = platform::winspool::MakeSystemWinspoolApi();
    for (const std::uint32_t code : {5u, 1801u}) {
        const std::string text = api->SystemMessage(code);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_NE(text.back(), '\n') << code;
        EXPECT_NE(text.back(), '\r') << code;
        RecordProperty("message-" + std::to_string(code), text);
    }
    EXPECT_EQ(api->SystemMessage(0x20001234u), ""); // a customer code has no system text
}

} // namespace
} // namespace kevo::testing
