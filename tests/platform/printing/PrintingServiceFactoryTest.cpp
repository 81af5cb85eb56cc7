// SPDX-License-Identifier: Apache-2.0
#include "platform/PrintingServiceFactory.h"
#include "platform/printing/CachingPrintingService.h"

#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace kevo::platform {
namespace {

using Status = DefaultPrinterAnswer::Status;

class PrintingServiceFactoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* previous = std::getenv(kSimulatedPrintersVariable);
        if (previous != nullptr)
            previous_ = previous;
    }
    void TearDown() override {
        if (previous_)
            setenv(kSimulatedPrintersVariable, previous_->c_str(), 1);
        else
            unsetenv(kSimulatedPrintersVariable);
    }
    std::string Write(const std::string& name, const std::string& text) {
        return folder_.Write(name, text);
    }

    test::ScratchFolder folder_{"kevo-factory-"};
    std::optional<std::string> previous_;
};

TEST_F(PrintingServiceFactoryTest, SimulatedFileFromTheEnvironment) {
    setenv(kSimulatedPrintersVariable, Write("p.txt", "default B\nprinter A\nprinter B\n").c_str(),
           1);
    std::unique_ptr<PrintingService> service = MakePrintingService();
    ASSERT_NE(dynamic_cast<CachingPrintingService*>(service.get()), nullptr);
    const std::vector<PrinterEntry> entries = service->EnumPrinters();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].name, "B");
    EXPECT_EQ(service->DefaultPrinter().names, std::vector<std::string>{"B"});
}

// A file that cannot be used gives no printers and a default-printer query
// that says why; it never falls back to another service.
TEST_F(PrintingServiceFactoryTest, UnusableFileIsReportedThroughTheDefaultPrinterQuery) {
    struct Case {
        std::string path;
        int code;
        std::string text;
    };
    const std::string bad = Write("bad.txt", "printer A\nbin 1\n");
    const std::string missing = folder_ / "missing.txt";
    const std::string prefix =
        "The simulated printers file (KEVOCONF_SIMULATED_PRINTERS) cannot be used: ";
    const std::vector<Case> cases = {
        {bad, kSimulatedFileInvalid, prefix + bad + ", line 2: bin needs a number and a name"},
        {missing, kSimulatedFileUnreadable,
         prefix + "cannot read \"" + missing + "\": No such file or directory"},
        {folder_.Path().string(), kSimulatedFileUnreadable,
         prefix + "cannot read \"" + folder_.Path().string() + "\": it is a folder"},
    };
    for (const Case& c : cases) {
        std::unique_ptr<PrintingService> service = MakePrintingService(c.path.c_str());
        EXPECT_TRUE(service->EnumPrinters().empty()) << c.path;
        const DefaultPrinterAnswer answer = service->DefaultPrinter();
        EXPECT_EQ(answer.status, Status::SystemError) << c.path;
        EXPECT_EQ(answer.errorCode, c.code) << c.path;
        EXPECT_EQ(answer.errorText, c.text);
    }
    EXPECT_EQ(kSimulatedFileUnreadable, 2);
    EXPECT_EQ(kSimulatedFileInvalid, 13);
}

#if !KEVO_WITH_CUPS
// Without CUPS and without a simulated file there are no printers, and an
// empty variable counts as not set.
TEST_F(PrintingServiceFactoryTest, WithoutCupsNorFileNoPrinters) {
    setenv(kSimulatedPrintersVariable, "", 1);
    for (int round = 0; round < 2; ++round) {
        std::unique_ptr<PrintingService> service =
            round == 0 ? MakePrintingService() : MakePrintingService(nullptr);
        ASSERT_NE(dynamic_cast<CachingPrintingService*>(service.get()), nullptr);
        EXPECT_TRUE(service->EnumPrinters().empty());
        const DefaultPrinterAnswer answer = service->DefaultPrinter();
        EXPECT_EQ(answer.status, Status::Ok);
        EXPECT_TRUE(answer.names.empty());
        EXPECT_EQ(service->ProfileWindowsDevice(), WindowsDevice{});
    }
}
#endif

} // namespace
} // namespace kevo::platform
