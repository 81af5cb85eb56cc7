// SPDX-License-Identifier: Apache-2.0
// End-to-end tests of the Windows program, kevoconf.exe, under Wine: each
// test starts its own X server with openbox and its own CUPS scheduler
// (Wine's winspool lists that scheduler's queues), runs the program in the
// Wine prefix that scripts/test-windows-program.sh made, watches its windows
// from outside, reads the texts of its messages through the clipboard
// (Ctrl+C in a message, then the X11 CLIPBOARD selection), looks at the
// pixels of its main window, and checks how it ended and what it left in the
// setup file.
//
// The script sets KEVO_WINE (wine64), KEVO_WINESERVER, WINEPREFIX and
// KEVO_WINDOWS_PROGRAM_DIR (the folder of kevoconf.exe); without them every
// test fails.

#include "Desktop.h"
#include "PrivateScheduler.h"
#include "TestPrinters.h"
#include "WatchedProgram.h"
#include "messages/ErrorReport.h"
#include "messages/MessageDialog.h"
#include "setup/Messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace kevo::e2e {
namespace {

namespace fs = std::filesystem;
using setup::kMainWindowTitle;
using std::chrono::seconds;
using test::ChildProcess;
using test::Clock;
using test::FileTail;
using test::FindProgram;
using test::ReadBytes;
using test::ReadBytesOrEmpty;
using test::SpawnOptions;
using test::WriteBytes;

const std::string kErrorTitle = messages::MessageCaption(messages::MessageType::Error);

// Wine takes a few seconds to start a program in a prefix whose server is
// not yet running; the bounds only decide how long a broken run takes to
// fail.
constexpr seconds kFirstWindowLimit{30};
constexpr seconds kWindowLimit{10};
constexpr seconds kEndLimit{20};

struct WineSetup {
    std::string wine;
    std::string wineserver;
    std::string prefix;
    fs::path programDir;
};

// The Wine side as the script describes it, or what is missing.
std::optional<WineSetup> ReadWineSetup(std::string& missing) {
    const auto get = [&](const char* name) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') {
            missing += std::string(missing.empty() ? "" : ", ") + name;
            return std::string();
        }
        return std::string(value);
    };
    WineSetup setup{get("KEVO_WINE"), get("KEVO_WINESERVER"), get("WINEPREFIX"),
                    get("KEVO_WINDOWS_PROGRAM_DIR")};
    if (!missing.empty())
        return std::nullopt;
    if (!fs::exists(setup.programDir / "kevoconf.exe")) {
        missing = "kevoconf.exe in KEVO_WINDOWS_PROGRAM_DIR=" + setup.programDir.string();
        return std::nullopt;
    }
    return setup;
}

// A Unix path as the Windows program names it (Wine's drive Z: is "/").
std::string WindowsPath(const fs::path& path) {
    std::string text = "Z:" + path.string();
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

// The printers of the test's scheduler; the names follow the queues.
std::vector<TestPrinter> Printers() {
    return {OfficePrinter("Office", "file:///dev/null"),
            LongNamesPrinter("Despatch", "socket://10.20.0.21:9100"),
            NoSlotsPrinter("Labels", "lpd://warehouse/labels")};
}

const std::vector<std::string> kNames = {"Invoices", "Delivery Notes", "", "Labels"};

// kevoconf-printers' report read back: each printer's name, port, driver
// and bins as the program sees them under Wine.
std::vector<TestPrinter> ParsePrintersReport(const std::string& report) {
    const auto unquote = [](const std::string& text) {
        const auto first = text.find('"');
        const auto last = text.rfind('"');
        return first == std::string::npos || last <= first
                   ? std::string()
                   : text.substr(first + 1, last - first - 1);
    };
    std::vector<TestPrinter> printers;
    std::istringstream lines(report);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) {
            printers.push_back({});
            printers.back().name = unquote(line);
        } else if (printers.empty()) {
            continue;
        } else if (line.rfind("    Port:", 0) == 0) {
            printers.back().deviceUri = unquote(line);
        } else if (line.rfind("    Driver:", 0) == 0) {
            printers.back().driver = unquote(line);
        } else if (line.size() > 12 && line.find('"') != std::string::npos &&
                   std::isdigit(static_cast<unsigned char>(line[12]))) {
            printers.back().bins.push_back({std::atoi(line.c_str() + 12), unquote(line)});
        }
    }
    return printers;
}

// A window's picture as rows of RGB pixels.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

std::optional<Picture> ReadPpm(const fs::path& file) {
    std::istringstream in(ReadBytesOrEmpty(file));
    std::string magic;
    int maxValue = 0;
    Picture picture;
    in >> magic >> picture.width >> picture.height >> maxValue;
    if (!in || magic != "P6" || maxValue != 255)
        return std::nullopt;
    in.get();
    picture.rgb.resize(static_cast<std::size_t>(picture.width) * picture.height * 3);
    in.read(reinterpret_cast<char*>(picture.rgb.data()),
            static_cast<std::streamsize>(picture.rgb.size()));
    return in ? std::optional<Picture>(picture) : std::nullopt;
}

// The pixel rows that hold red text (the colour of a line in error),
// from the first to the last.
std::optional<std::pair<int, int>> RedRows(const Picture& picture) {
    std::optional<std::pair<int, int>> rows;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const unsigned char* p = &picture.rgb[(static_cast<std::size_t>(y) * picture.width +
                                                   static_cast<std::size_t>(x)) *
                                                  3];
            if (p[0] >= 200 && p[1] <= 60 && p[2] <= 60) {
                rows = rows ? std::make_pair(rows->first, y) : std::make_pair(y, y);
                break;
            }
        }
    }
    return rows;
}

class WineEndToEnd : public WatchedProgram {
protected:
    WineEndToEnd() : WatchedProgram("kevoconf.exe") {}

    void SetUp() override {
        std::string missing;
        wine_ = ReadWineSetup(missing);
        ASSERT_TRUE(wine_) << "run these tests through scripts/test-windows-program.sh: missing "
                           << missing;
        MakeFolder("kevo-wine-e2e-");
        NewDesktop();
        scheduler_ = std::make_unique<test::PrivateScheduler>();
        scheduler_->Start();
        AddPrinters(*scheduler_, Printers(), KEVO_TEST_PPD_DIR);
        scheduler_->SetServerDefault("Office");

        namesFile_ = folder_ / "names.txt";
        setupFile_ = folder_ / "setup.ini";
        WriteBytes(namesFile_, NamesFileText(kNames));
        ASSERT_NO_FATAL_FAILURE(ReadWinePrinters());
        UseSetup(MatchingSetup());
    }

    void TearDown() override {
        program_.Stop();
        host_.Stop();
        if (wine_) {
            // The prefix's server and everything it started go with the
            // test's desktop.
            RunWine({wine_->wineserver, "-k"}, "wineserver.log", seconds(10));
            RunWine({wine_->wineserver, "-w"}, "wineserver.log", seconds(10));
        }
        desktop_.reset();
        scheduler_.reset();
        RemoveFolder();
    }

    SpawnOptions WineOptions(const std::string& log) const {
        SpawnOptions options;
        options.outputFile = folder_ / log;
        options.environment = {{"WINEPREFIX", wine_->prefix},
                               {"WINEDEBUG", "-all"},
                               {"WINEDLLOVERRIDES", "mscoree,mshtml="},
                               {"DISPLAY", desktop_->Display()},
                               {"KEVOCONF_SIMULATED_PRINTERS", std::nullopt}};
        return options;
    }

    // Runs a command of the Wine side to its end; its output goes to `log`.
    bool RunWine(const std::vector<std::string>& argv, const std::string& log, seconds limit) {
        ChildProcess child(argv, WineOptions(log));
        return child.WaitForExit(Clock::now() + limit) && child.Exit()->exited &&
               child.Exit()->code == 0;
    }

    // What kevoconf-printers.exe sees of the scheduler's queues through
    // winspool: the setup files are made to match it.
    void ReadWinePrinters() {
        ASSERT_TRUE(RunWine({wine_->wine, (wine_->programDir / "kevoconf-printers.exe").string()},
                            "printers.txt", seconds(60)))
            << "kevoconf-printers.exe failed:\n"
            << FileTail(folder_ / "printers.txt");
        const auto printers = ParsePrintersReport(ReadBytes(folder_ / "printers.txt"));
        for (const TestPrinter& expected : Printers()) {
            const auto it = std::find_if(printers.begin(), printers.end(),
                                         [&](const auto& p) { return p.name == expected.name; });
            ASSERT_NE(it, printers.end())
                << "Wine does not list the queue " << expected.name << ":\n"
                << FileTail(folder_ / "printers.txt");
            ASSERT_FALSE(it->bins.empty()) << "no bins of " << expected.name;
            winePrinters_.push_back(*it);
        }
    }

    // The setup file matching Wine's printers: Invoices on Office, Delivery
    // Notes on Despatch, Labels on Labels.
    std::vector<SetupLine> MatchingSetup() const {
        const auto& office = winePrinters_.at(0);
        const auto& despatch = winePrinters_.at(1);
        const auto& labels = winePrinters_.at(2);
        return {MatchingLine(1, "Invoices", office, office.bins.front(), office.bins.back()),
                MatchingLine(2, "Delivery Notes", despatch, despatch.bins.front(),
                             despatch.bins.back()),
                MatchingLine(4, "Labels", labels, labels.bins.front(), labels.bins.front())};
    }

    // One mistake: a bin number that line 2's printer does not have.
    std::vector<SetupLine> SetupWithAnError() const {
        auto lines = MatchingSetup();
        lines[1].source2.number = 9999;
        return lines;
    }

    void UseSetup(const std::vector<SetupLine>& lines) {
        setupText_ = SetupFileText(lines);
        WriteBytes(setupFile_, setupText_);
    }

    void Start(const std::string& mode) {
        ASSERT_TRUE(fs::exists(namesFile_));
        program_ = ChildProcess({wine_->wine, (wine_->programDir / "kevoconf.exe").string(), mode,
                                 WindowsPath(namesFile_), WindowsPath(setupFile_)},
                                WineOptions("kevoconf.log"));
    }

    std::string Situation() override {
        return ProgramSituation("wine output", folder_ / "kevoconf.log");
    }

    // The program's top-level windows that were shown with a caption; the
    // splash window has none under Wine, and Wine's own helper windows are
    // never mapped.
    std::vector<WindowInfo> ShownWindows() const {
        std::vector<WindowInfo> shown;
        for (const WindowInfo& window : desktop_->Watcher().Windows()) {
            if (window.instanceName == "kevoconf.exe" && window.timesMapped > 0 &&
                !window.title.empty() && window.title != messages::kApplicationTitle)
                shown.push_back(window);
        }
        return shown;
    }

    std::optional<WindowInfo> WaitForWindow(const std::string& title,
                                            seconds limit = kWindowLimit) {
        return WaitForWindowFound("window \"" + title + "\"", limit,
                                  [&]() -> std::optional<WindowInfo> {
                                      for (const WindowInfo& window : ShownWindows()) {
                                          if (window.mapped && window.title == title)
                                              return window;
                                      }
                                      return std::nullopt;
                                  });
    }

    bool WaitForEnd() { return WaitUntilExited(kEndLimit); }

    // The caption and text of the active message, as Ctrl+C copies them;
    // Wine hands them to X11 with LF line ends.
    std::string CopyMessage() {
        desktop_->PressKeys({"ctrl+c"});
        std::string text;
        Watcher().WaitUntil(
            [&] {
                SpawnOptions options;
                options.outputFile = folder_ / "clipboard.txt";
                options.environment = {{"DISPLAY", desktop_->Display()}};
                fs::remove(folder_ / "clipboard.txt");
                ChildProcess xclip({FindProgram("xclip"), "-o", "-selection", "clipboard"},
                                   options);
                xclip.WaitForExit(Clock::now() + seconds(2));
                text = ReadBytes(folder_ / "clipboard.txt");
                return text.rfind("---", 0) == 0;
            },
            Clock::now() + seconds(5));
        return text;
    }

    // A picture of the window, also kept as PNG in the test's folder.
    std::optional<Picture> Screenshot(xcb_window_t window, const std::string& name) {
        char id[32];
        std::snprintf(id, sizeof id, "0x%x", window);
        const fs::path ppm = folder_ / (name + ".ppm");
        SpawnOptions options;
        options.outputFile = folder_ / "import.log";
        options.environment = {{"DISPLAY", desktop_->Display()}};
        ChildProcess import({FindProgram("import"), "-window", id, "-depth", "8", ppm.string()},
                            options);
        if (!import.WaitForExit(Clock::now() + seconds(10)))
            return std::nullopt;
        ChildProcess convert(
            {FindProgram("convert"), ppm.string(), (folder_ / (name + ".png")).string()}, options);
        convert.WaitForExit(Clock::now() + seconds(10));
        if (const char* keep = std::getenv("KEVO_WINE_SCREENSHOTS"))
            fs::copy_file(folder_ / (name + ".png"), fs::path(keep) / ("wine-" + name + ".png"),
                          fs::copy_options::overwrite_existing);
        return ReadPpm(ppm);
    }

    std::optional<WineSetup> wine_;
    std::vector<TestPrinter> winePrinters_;
    fs::path namesFile_;
    fs::path setupFile_;
    std::string setupText_;
    std::unique_ptr<test::PrivateScheduler> scheduler_;
    ChildProcess host_;
};

const std::string kRule = "---------------------------\n";

TEST_F(WineEndToEnd, ModeOneOnACleanSetupEndsWithoutAWindow) {
    Start("1");
    ASSERT_TRUE(
        Watcher().WaitUntil([&] { return program_.HasExited(); }, Clock::now() + kFirstWindowLimit))
        << "kevoconf.exe did not end\n"
        << Situation();
    ExpectEndedWithStatusZero();
    EXPECT_TRUE(ShownWindows().empty())
        << "a window was shown; the setup does not match Wine's printers:\n"
        << ReadBytes(folder_ / "printers.txt") << Situation();
    EXPECT_EQ(ReadBytes(setupFile_), setupText_) << "the setup file was changed";
}

TEST_F(WineEndToEnd, ModeTwoWithErrorsShowsTheReportInOneErrorAndEndsAfterEnter) {
    UseSetup(SetupWithAnError());
    Start("2");
    const auto error = WaitForWindow(kErrorTitle, kFirstWindowLimit);
    ASSERT_TRUE(error);
    ASSERT_TRUE(WaitUntilActive(error->id, "the \"Error\" report"));
    EXPECT_EQ(CopyMessage(), kRule + "Error\n" + kRule +
                                 "Error(s) detected in your printer setup.\n"
                                 "Please run the application printer setup routine.\n" +
                                 kRule + "OK   \n" + kRule);
    desktop_->PressKeys({"Return"});
    ASSERT_TRUE(WaitForEnd());
    ExpectEndedWithStatusZero();
    EXPECT_EQ(ShownWindows().size(), 1u) << Situation();
    EXPECT_EQ(ReadBytes(setupFile_), setupText_) << "the setup file was changed";
}

TEST_F(WineEndToEnd, InvalidModeShowsItsErrorAndEnds) {
    Start("3");
    const auto error = WaitForWindow(kErrorTitle, kFirstWindowLimit);
    ASSERT_TRUE(error);
    ASSERT_TRUE(WaitUntilActive(error->id, "the \"Error\" message"));
    EXPECT_EQ(CopyMessage(), kRule + "Error\n" + kRule +
                                 "Invalid/no mode specified\nKevoConf runs in modes 0, 1 or 2\n" +
                                 kRule + "OK   \n" + kRule);
    desktop_->PressKeys({"Return"});
    ASSERT_TRUE(WaitForEnd());
    ExpectEndedWithStatusZero();
    EXPECT_EQ(ShownWindows().size(), 1u) << Situation();
}

// Mode 0: the main window lists the lines, the line in error in red; the
// print setup dialog of that line offers Wine's printers and bins, and OK
// puts right what it can; Ctrl+S writes a setup file that mode 1 then
// passes without a word.
TEST_F(WineEndToEnd, MainWindowShowsTheErrorInRedAndItsFixIsSaved) {
    UseSetup(SetupWithAnError());
    Start("0");
    const auto main = WaitForWindow(kMainWindowTitle, kFirstWindowLimit);
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitUntilActive(main->id, "the main window"));
    // Red text in one row: line 2, the second row of the list.
    std::optional<std::pair<int, int>> red;
    Watcher().WaitUntil(
        [&] {
            const auto picture = Screenshot(main->id, "main-window");
            red = picture ? RedRows(*picture) : std::nullopt;
            return red.has_value();
        },
        Clock::now() + seconds(10));
    ASSERT_TRUE(red) << "no red text in the main window\n" << Situation();
    EXPECT_LT(red->second - red->first, 30) << "red text in more than one row";

    desktop_->PressKeys({"Down", "ctrl+e"});
    const auto dialog = WaitForWindow("Printer: 2.  Name: Delivery Notes");
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(WaitUntilActive(dialog->id, "the print setup dialog"));
    Screenshot(dialog->id, "print-setup");
    desktop_->PressKeys({"Return"});
    ASSERT_TRUE(Watcher().WaitUntil([&] { return Watcher().ActiveWindow() == main->id; },
                                    Clock::now() + kWindowLimit))
        << Situation();
    // The fixed line is no longer red.
    EXPECT_TRUE(Watcher().WaitUntil(
        [&] {
            const auto picture = Screenshot(main->id, "main-window-fixed");
            return picture && !RedRows(*picture);
        },
        Clock::now() + seconds(10)))
        << "line 2 is still red after OK in its print setup dialog";

    desktop_->PressKeys({"ctrl+s"});
    ASSERT_TRUE(Watcher().WaitUntil([&] { return ReadBytes(setupFile_) != setupText_; },
                                    Clock::now() + kWindowLimit))
        << "Ctrl+S wrote nothing\n"
        << Situation();
    desktop_->PressKeys({"alt+F4"});
    ASSERT_TRUE(WaitForEnd());
    ExpectEndedWithStatusZero();
    // Line 2 now names one of Wine's bins of its printer.
    const std::string saved = ReadBytes(setupFile_);
    EXPECT_EQ(saved.find("9999"), std::string::npos) << saved;

    setupText_ = saved;
    Start("1");
    ASSERT_TRUE(WaitForEnd());
    ExpectEndedWithStatusZero();
    std::vector<std::string> titles;
    for (const WindowInfo& window : ShownWindows())
        titles.push_back(window.title);
    EXPECT_EQ(titles,
              (std::vector<std::string>{kMainWindowTitle, "Printer: 2.  Name: Delivery Notes"}))
        << "the mode 1 run on the saved setup showed a window\n"
        << Situation();
    EXPECT_EQ(ReadBytes(setupFile_), saved);
}

// The host's main window, "QuillMere Frame" of another process, is in
// front: the program's report comes in front of it.
TEST_F(WineEndToEnd, ReportComesInFrontOfTheHost) {
    SpawnOptions options;
    options.environment = {{"DISPLAY", desktop_->Display()}};
    options.outputFile = folder_ / "host.log";
    options.inputPipe = true;
    options.outputPipe = true;
    host_ = ChildProcess({KEVO_E2E_HOST_FRAME_PATH, "QuillMere Frame"}, options);
    const auto line = host_.ReadLine(Clock::now() + seconds(12));
    ASSERT_TRUE(line && line->rfind("active 0x", 0) == 0) << FileTail(folder_ / "host.log");
    const auto frame = static_cast<xcb_window_t>(std::stoul(line->substr(7), nullptr, 16));
    ASSERT_TRUE(Watcher().WaitUntil([&] { return Watcher().ActiveWindow() == frame; },
                                    Clock::now() + seconds(5)));

    UseSetup(SetupWithAnError());
    Start("2");
    const auto error = WaitForWindow(kErrorTitle, kFirstWindowLimit);
    ASSERT_TRUE(error);
    ASSERT_TRUE(WaitUntilActive(error->id, "the \"Error\" report in front of the host"));
    const auto order = Watcher().StackingOrder();
    const auto up = std::find(order.begin(), order.end(), error->id);
    const auto low = std::find(order.begin(), order.end(), frame);
    EXPECT_TRUE(up != order.end() && low != order.end() && up > low)
        << "the report stands below the host window\n"
        << Situation();
    desktop_->PressKeys({"Return"});
    ASSERT_TRUE(WaitForEnd());
    ExpectEndedWithStatusZero();
}

} // namespace
} // namespace kevo::e2e
