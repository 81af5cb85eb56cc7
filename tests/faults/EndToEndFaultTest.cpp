// SPDX-License-Identifier: Apache-2.0
// The real kevoconf program under faults and hostile input, on a private
// desktop (Xvfb and openbox, tests/e2e/), with the simulated printers of a
// file of the test's own:
//
// - saving with the fault shim in front of the C library (LD_PRELOAD): one
//   call of the save fails, the user sees "Unable to write to <path>." in
//   the error report (read through the label tap, which records the texts
//   of the program's labels), the old file is byte for byte as it was or no
//   file was made, and no temporary file is left;
// - hostile names, setup and printer files: the program ends in a bounded
//   time with the messages it owes, and what it writes adds no section.

#include "SetupSection.h"
#include "TestPrinters.h"
#include "WatchedProgram.h"
#include "messages/ErrorReport.h"
#include "messages/MessageDialog.h"
#include "setup/Messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace kevo::e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using std::chrono::seconds;
using test::Clock;
using test::FileTail;
using test::ReadBytes;
using test::SetupSection;
using test::WriteBytes;

const std::string kMainWindowTitle = setup::kMainWindowTitle;
const std::string kErrorReportTitle = messages::kApplicationTitle;
const std::string kErrorTitle = messages::MessageCaption(messages::MessageType::Error);
constexpr seconds kWindowLimit{10};
constexpr seconds kEndLimit{20};

const char* const kPrinters = R"(default Office Laser
printer Office Laser
    devices winspool,Ne00:
    bin 1 Upper tray
    bin 2 Lower tray
printer Plotter
    devices HP Plot,LPT1:
    bin 7 Auto
)";

const std::string kGoodSetup =
    "; the accounts office\r\n" +
    SetupSection(1, "Invoices", "Office Laser", "Ne00:", "winspool", "Upper tray", "1",
                 "Upper tray", "1") +
    SetupSection(2, "Orders", "Plotter", "LPT1:", "HP Plot", "Auto", "7", "Auto", "7");

class EndToEndFault : public WatchedProgram {
protected:
    EndToEndFault() : WatchedProgram("kevoconf") {}

    void SetUp() override {
        MakeFolder("kevo-e2e-faults-");
        NewDesktop();
        // The setup file has a folder of its own: only the save's calls
        // there count for the fault shim.
        fs::create_directories(folder_ / "setup");
        namesFile_ = folder_ / "names.txt";
        setupFile_ = folder_ / "setup" / "setup.ini";
        printersFile_ = folder_ / "printers.txt";
        WriteBytes(printersFile_, kPrinters);
        WriteBytes(namesFile_, "Invoices\r\nOrders\r\n");
    }

    void TearDown() override {
        program_.Stop();
        desktop_.reset();
        RemoveFolder();
    }

    // Starts kevoconf on the test's files; fault is "" or the shim's
    // environment (call number and error).
    void Start(const std::vector<std::string>& arguments, long failingCall = 0,
               const std::string& error = "ENOSPC") {
        program_ = StartKevoconf(
            KEVO_KEVOCONF_PATH, arguments, folder_, desktop_->Display(), printersFile_.string(),
            {{"LD_PRELOAD", std::string(KEVO_FAULTSHIM_PATH) + ":" + KEVO_LABELTAP_PATH},
             {"KEVO_FAULT_DIR", (folder_ / "setup").string()},
             {"KEVO_FAULT_NTH", std::to_string(failingCall)},
             {"KEVO_FAULT_ERROR", error},
             {"KEVO_FAULT_REPORT", (folder_ / "faults.log").string()},
             {"KEVO_LABEL_LOG", (folder_ / "labels.log").string()}});
    }

    std::string Situation() override {
        return ProgramSituation("kevoconf output", folder_ / "kevoconf.log") + "fault shim:\n" +
               FileTail(folder_ / "faults.log", 1000);
    }

    std::optional<WindowInfo> WaitForActiveWindow(const std::string& title) {
        return WatchedProgram::WaitForActiveWindow(title, kWindowLimit);
    }

    // Answers the window with this title by keys; false when it did not come.
    bool Answer(const std::string& title, const std::vector<std::string>& keys) {
        const auto window = WaitForActiveWindow(title);
        if (!window)
            return false;
        desktop_->PressKeys(keys);
        // The window goes before the next one is looked for.
        Watcher().WaitUntil(
            [&] {
                const WindowInfo* info = Watcher().Find(window->id);
                return info == nullptr || !info->mapped || info->destroyed;
            },
            Clock::now() + kWindowLimit);
        return true;
    }

    bool WaitForEnd() { return WaitUntilExited(kEndLimit); }

    // The texts of the labels the program made, in order.
    std::vector<std::string> Labels() {
        const std::string all = ReadBytes(folder_ / "labels.log");
        std::vector<std::string> labels;
        std::size_t start = 0;
        for (std::size_t end; (end = all.find('\0', start)) != std::string::npos; start = end + 1)
            labels.push_back(all.substr(start, end - start));
        return labels;
    }

    // A message's text as its label shows it: one line break for each CR LF.
    static std::string AsLabel(std::string text) {
        for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;)
            text.erase(at, 1);
        return text;
    }

    bool LabelShown(const std::string& text) {
        const auto labels = Labels();
        return std::find(labels.begin(), labels.end(), text) != labels.end();
    }

    std::vector<std::string> SetupFolderNames() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_ / "setup"))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path namesFile_;
    fs::path setupFile_;
    fs::path printersFile_;
};

// Save Details (Ctrl+S) in the interactive editor with one call of the
// save failing: create, write, fsync and rename, each with its error. The
// first counted call is the creation of the writers' lock file.
struct SaveFaultCase {
    const char* name;
    long failingCall; // counted over create, write, fsync and rename
    const char* error;
};

void PrintTo(const SaveFaultCase& c, std::ostream* out) {
    *out << c.name;
}

class SaveDetailsFault : public EndToEndFault,
                         public ::testing::WithParamInterface<SaveFaultCase> {};

TEST_P(SaveDetailsFault, UserSeesUnableToWriteAndTheFileStays) {
    const SaveFaultCase& c = GetParam();
    // Line 2's stored name is an old one: the save has a name to write.
    std::string setup = kGoodSetup;
    setup.replace(setup.find("Name=Orders"), 11, "Name=Old Orders");
    WriteBytes(setupFile_, setup);
    Start({"0", namesFile_.string(), setupFile_.string()}, c.failingCall, c.error);
    ASSERT_TRUE(WaitForActiveWindow(kMainWindowTitle));
    desktop_->PressKeys({"ctrl+s"});
    ASSERT_TRUE(Answer(kErrorReportTitle, {"Return"}));
    const std::string message = "Unable to write to " + setupFile_.string() + ".";
    EXPECT_TRUE(LabelShown(message)) << "the error report did not say \"" << message << "\"\n"
                                     << Situation();
    EXPECT_NE(ReadBytes(folder_ / "faults.log").find("fail " + std::to_string(c.failingCall)),
              std::string::npos)
        << Situation();
    // Nothing was edited: closing asks nothing.
    ASSERT_TRUE(WaitForActiveWindow(kMainWindowTitle));
    desktop_->PressKeys({"alt+F4"});
    ASSERT_TRUE(WaitForEnd());
    ExpectEndedWithStatusZero();
    EXPECT_EQ(ReadBytes(setupFile_), setup) << "the old file was changed";
    EXPECT_EQ(SetupFolderNames(), std::vector<std::string>{"setup.ini"});
}

INSTANTIATE_TEST_SUITE_P(Calls, SaveDetailsFault,
                         ::testing::Values(SaveFaultCase{"CreateNoSpace", 2, "ENOSPC"},
                                           SaveFaultCase{"WriteNoSpace", 3, "ENOSPC"},
                                           SaveFaultCase{"SyncInputOutput", 4, "EIO"},
                                           SaveFaultCase{"RenameDenied", 5, "EACCES"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The host's unattended run: mode 2 with no setup file; the user says Yes
// to configuring all lines and OK in each print setup dialog; start-up's
// save fails at its write; the user sees the failure, then the report of
// errors, and no setup file is made.
TEST_F(EndToEndFault, ModeTwoStartUpSaveFailureMakesNoFile) {
    Start({"2", namesFile_.string(), setupFile_.string()}, 2, "ENOSPC");
    ASSERT_TRUE(Answer(kErrorTitle, {"Return"})); // "Configure all the printer details now?"
    ASSERT_TRUE(Answer("Printer: 1.  Name: Invoices", {"Return"}));
    ASSERT_TRUE(Answer("Printer: 2.  Name: Orders", {"Return"}));
    ASSERT_TRUE(Answer(kErrorReportTitle, {"Return"}));
    ASSERT_TRUE(Answer(kErrorTitle, {"Return"})); // "Error(s) detected in your printer setup."
    ASSERT_TRUE(WaitForEnd());
    ExpectEndedWithStatusZero();
    EXPECT_TRUE(LabelShown("Unable to write to " + setupFile_.string() + ".")) << Situation();
    EXPECT_TRUE(SetupFolderNames().empty()) << "a file was left in the setup folder";
}

// Hostile files in the host's mode 2: 100 000 names with bytes the code
// page leaves undefined, invalid UTF-8 and a line of 4 MB; a setup file of 100 000 foreign sections and a
// line of 2 MB; printers whose names hold file syntax and line breaks. The
// program tells about the names file, reports the errors, ends in a bounded
// time, and leaves the setup file alone.
TEST_F(EndToEndFault, HostileFilesInModeTwoEndInBoundedTime) {
    std::string names = "Invoices\r\nOr\x81" "ders\r\n\xff\xfe\r\n"s;
    names += std::string(4 * 1024 * 1024, 'n') + "\r\n";
    for (int i = 0; i < 100000; ++i)
        names += "[" + std::to_string(i) + "]=;\"\r\n";
    WriteBytes(namesFile_, names);
    std::string setup = "; " + std::string(2 * 1024 * 1024, 'c') + "\r\n";
    for (int i = 0; i < 100000; ++i)
        setup += "[s" + std::to_string(i) + "]\r\nKey=" + std::to_string(i) + "\r\n";
    setup += kGoodSetup;
    WriteBytes(setupFile_, setup);
    WriteBytes(printersFile_, std::string(kPrinters) + "printer \"x\\r\\n[7]\\r\\nDevice=evil\"\n"
                                                       "    devices \"a=b,[c];\\\"d\\\"\"\n"
                                                       "    bin 1 \"[Upper]\\r\\n=;\"\n");
    const auto start = Clock::now();
    Start({"2", namesFile_.string(), setupFile_.string()});
    ASSERT_TRUE(Answer(kErrorTitle, {"Return"})); // too many lines
    ASSERT_TRUE(Answer(kErrorTitle, {"Return"})); // errors detected
    ASSERT_TRUE(WaitForEnd());
    ExpectEndedWithStatusZero();
    std::cout << "hostile mode 2 run: "
              << std::chrono::duration<double>(Clock::now() - start).count() << " s\n";
    const auto labels = Labels();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](const std::string& text) {
        return text.rfind("Printer names file has too many lines.", 0) == 0;
    })) << Situation();
    EXPECT_TRUE(ReadBytes(setupFile_) == setup) << "mode 2 changed the setup file";
}

// A printer whose name holds line breaks and a section header: mode 1 with
// no setup file, every line configured with it (it is the default), saved
// by start-up. The file gets the name with blanks for the line breaks and
// no section of its own; the next run reports the lines, since no printer
// of that name is installed.
TEST_F(EndToEndFault, PrinterNameWithLineBreaksAddsNoSection) {
    WriteBytes(printersFile_, "default \"x\\r\\n[7]\\r\\nDevice=evil\"\n"
                              "printer \"x\\r\\n[7]\\r\\nDevice=evil\"\n"
                              "    devices \"drv\\r\\n[8]\\r\\n,port\\n[9]\"\n"
                              "    bin 3 \"b\\r\\n[7]\\r\\nPort=evil\"\n");
    std::string names;
    for (int line = 1; line <= 7; ++line)
        names += "Line " + std::to_string(line) + "\r\n";
    WriteBytes(namesFile_, names);
    Start({"1", namesFile_.string(), setupFile_.string()});
    ASSERT_TRUE(Answer(kErrorTitle, {"Return"})); // "Configure all the printer details now?"
    for (int line = 1; line <= 7; ++line) {
        ASSERT_TRUE(
            Answer("Printer: " + std::to_string(line) + ".  Name: Line " + std::to_string(line),
                   {"Return"}));
    }
    ASSERT_TRUE(WaitForEnd());
    ExpectEndedWithStatusZero();

    const std::string saved = ReadBytes(setupFile_);
    std::string expected;
    for (int line = 1; line <= 7; ++line) {
        expected += "[" + std::to_string(line) + "]\r\nName=Line " + std::to_string(line) +
                    "\r\nDevice=x  [7]  Device=evil\r\nPort=port [9]\r\nDriver=drv  [8]  \r\n"
                    "PaperSourceName1=b  [7]  Port=evil\r\nPaperSource1=3\r\n"
                    "PaperSourceName2=b  [7]  Port=evil\r\nPaperSource2=3\r\n";
    }
    EXPECT_EQ(saved, expected);

    // The next run finds the stored printer missing and says so. It gets a
    // desktop of its own: the X server gives a later client the window
    // numbers of one that has gone, and the watcher knows a number once only.
    NewDesktop();
    Start({"2", namesFile_.string(), setupFile_.string()});
    ASSERT_TRUE(Answer(kErrorTitle, {"Return"}));
    ASSERT_TRUE(WaitForEnd());
    ExpectEndedWithStatusZero();
    EXPECT_TRUE(LabelShown(AsLabel(setup::kErrorsReport))) << Situation();
    EXPECT_EQ(ReadBytes(setupFile_), saved);
}

} // namespace
} // namespace kevo::e2e
