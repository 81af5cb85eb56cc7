// SPDX-License-Identifier: Apache-2.0
// End-to-end tests of the real kevoconf program: each test starts its own X
// server with openbox, its own CUPS scheduler with a few printers, writes a
// names file and a setup file, runs the program as a host application
// would, watches its windows from outside, answers them with the keyboard,
// and checks how the program ended and what it left in the setup file.

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
#include <ostream>
#include <string>
#include <vector>

namespace kevo::e2e {
namespace {

namespace fs = std::filesystem;
using setup::kMainWindowTitle;
using std::chrono::milliseconds;
using std::chrono::seconds;
using test::ChildProcess;
using test::Clock;
using test::FileTail;
using test::ReadBytes;
using test::SpawnOptions;
using test::WriteBytes;

const std::string kErrorTitle = messages::MessageCaption(messages::MessageType::Error);
const std::string kSplashType = "_NET_WM_WINDOW_TYPE_SPLASH";

// Bounds of the waits. A run takes well under a second on the development
// machine; the bounds only decide how long a broken run takes to fail.
constexpr seconds kWindowLimit{8};
constexpr seconds kEndLimit{8};

// The printers that every test sees, and the default.
std::vector<TestPrinter> Printers() {
    return {OfficePrinter("Office", "file:///dev/null"),
            LongNamesPrinter("Despatch", "socket://10.20.0.21:9100"),
            NoSlotsPrinter("Labels", "lpd://warehouse/labels")};
}
const char* const kDefaultPrinter = "Office";

// Line 3 has no name: it has no section, and the check leaves it alone.
const std::vector<std::string> kNames = {"Invoices", "Delivery Notes", "", "Labels"};

std::vector<SetupLine> MatchingSetup() {
    const auto printers = Printers();
    const TestPrinter& office = printers[0];
    const TestPrinter& despatch = printers[1];
    const TestPrinter& labels = printers[2];
    return {MatchingLine(1, "Invoices", office, office.bins[1], office.bins[2]),
            MatchingLine(2, "Delivery Notes", despatch, despatch.bins[1], despatch.bins[4]),
            MatchingLine(4, "Labels", labels, labels.bins[0], labels.bins[0])};
}

// The same setup with one mistake: a bin number that the printer of line 2
// does not have.
std::vector<SetupLine> SetupWithAnError() {
    auto lines = MatchingSetup();
    lines[1].source2.number = 260;
    return lines;
}

class EndToEnd : public WatchedProgram {
protected:
    EndToEnd() : WatchedProgram("kevoconf") {}

    void SetUp() override {
        MakeFolder("kevo-e2e-");
        NewDesktop();
        scheduler_ = std::make_unique<test::PrivateScheduler>();
        scheduler_->Start();
        AddPrinters(*scheduler_, Printers(), KEVO_TEST_PPD_DIR);
        scheduler_->SetServerDefault(kDefaultPrinter);

        namesFile_ = folder_ / "names.txt";
        setupFile_ = folder_ / "setup.ini";
        WriteBytes(namesFile_, NamesFileText(kNames));
        UseSetup(MatchingSetup());
    }

    void TearDown() override {
        // Everything goes, also after a failure: the program, the host
        // window, the desktop, the scheduler.
        program_.Stop();
        host_.Stop();
        desktop_.reset();
        scheduler_.reset();
        RemoveFolder();
    }

    void UseSetup(const std::vector<SetupLine>& lines) {
        setupText_ = SetupFileText(lines);
        WriteBytes(setupFile_, setupText_);
    }

    void Start(const std::vector<std::string>& arguments,
               const std::string& simulatedPrinters = {}) {
        program_ = StartKevoconf(KEVO_KEVOCONF_PATH, arguments, folder_, desktop_->Display(),
                                 simulatedPrinters);
    }

    std::string Situation() override {
        return ProgramSituation("kevoconf output", folder_ / "kevoconf.log");
    }

    // What the program sees of the scheduler's printers.
    std::string PrintersReport() {
        SpawnOptions options;
        options.outputFile = folder_ / "printers.txt";
        options.environment = {{"KEVOCONF_SIMULATED_PRINTERS", std::nullopt}};
        ChildProcess report({KEVO_PRINTERS_TOOL_PATH}, options);
        if (!report.WaitForExit(Clock::now() + seconds(10)))
            return "(kevoconf-printers did not finish within 10 s)\n";
        return FileTail(folder_ / "printers.txt");
    }

    // The program's windows that have been mapped at least once.
    std::vector<WindowInfo> ShownWindows() const {
        std::vector<WindowInfo> shown;
        for (const WindowInfo& window : desktop_->Watcher().WindowsOf(program_.Pid())) {
            if (window.timesMapped > 0)
                shown.push_back(window);
        }
        return shown;
    }

    // The program's shown windows other than the splash window.
    std::vector<WindowInfo> ShownWindowsBesideSplash() const {
        auto shown = ShownWindows();
        shown.erase(std::remove_if(shown.begin(), shown.end(),
                                   [](const WindowInfo& w) { return w.HasType(kSplashType); }),
                    shown.end());
        return shown;
    }

    // Waits until a window of the program with this whole caption, as the
    // window manager has it, is mapped (never the splash window, whose title
    // is the application's).
    std::optional<WindowInfo> WaitForWindow(const std::string& title) {
        return WaitForWindowFound(
            "window \"" + title + "\"", kWindowLimit, [&]() -> std::optional<WindowInfo> {
                for (const WindowInfo& window : Watcher().WindowsOf(program_.Pid())) {
                    if (window.mapped && window.title == title && !window.HasType(kSplashType))
                        return window;
                }
                return std::nullopt;
            });
    }

    // Waits until the program has ended and its windows have gone; true
    // when it ended.
    bool WaitForEnd() {
        if (!WaitUntilExited(kEndLimit))
            return false;
        // The server destroys the windows of a client that has gone once it
        // has carried out everything the client sent before; from then on
        // the record of its windows is complete.
        Watcher().WaitUntil(
            [&] {
                for (const WindowInfo& window : Watcher().WindowsOf(program_.Pid())) {
                    if (!window.destroyed)
                        return false;
                }
                return true;
            },
            Clock::now() + seconds(2));
        return true;
    }

    void ExpectSetupFileUntouched() {
        ASSERT_TRUE(fs::exists(setupFile_)) << "the setup file is gone";
        EXPECT_EQ(ReadBytes(setupFile_), setupText_) << "the setup file was changed";
    }

    // Exactly one window of the program was ever shown besides the splash
    // window, and it has this title.
    void ExpectOnlyWindowShown(const std::string& title) {
        const auto shown = ShownWindowsBesideSplash();
        ASSERT_EQ(shown.size(), 1u) << "expected only the \"" << title << "\" window\n"
                                    << Situation();
        EXPECT_EQ(shown.front().title, title);
        EXPECT_EQ(shown.front().timesMapped, 1);
    }

    // Starts the stand-in host window with this WM_CLASS class and waits
    // until it is the active window.
    xcb_window_t StartHostFrame(const std::string& className) {
        SpawnOptions options;
        options.environment = {{"DISPLAY", desktop_->Display()}};
        options.outputFile = folder_ / "host.log";
        options.inputPipe = true;
        options.outputPipe = true;
        host_ = ChildProcess({KEVO_E2E_HOST_FRAME_PATH, className}, options);
        const auto line = host_.ReadLine(Clock::now() + seconds(12));
        if (!line || line->rfind("active 0x", 0) != 0) {
            ADD_FAILURE() << "the host window did not become active: "
                          << FileTail(folder_ / "host.log");
            return XCB_WINDOW_NONE;
        }
        const auto window = static_cast<xcb_window_t>(
            std::stoul(line->substr(std::strlen("active ")), nullptr, 16));
        Watcher().WaitUntil([&] { return Watcher().ActiveWindow() == window; },
                            Clock::now() + seconds(2));
        EXPECT_EQ(Watcher().ActiveWindow(), window) << "the host window is not the active window";
        return window;
    }

    // Whether `upper` stands above `lower` in the window manager's stacking
    // order.
    bool StandsAbove(xcb_window_t upper, xcb_window_t lower) {
        const auto order = Watcher().StackingOrder();
        const auto up = std::find(order.begin(), order.end(), upper);
        const auto low = std::find(order.begin(), order.end(), lower);
        return up != order.end() && low != order.end() && up > low;
    }

    // Nothing of the splash window covers the window.
    void ExpectInFrontOfTheSplash(const WindowInfo& window) {
        for (const WindowInfo& splash : ShownWindows()) {
            if (splash.HasType(kSplashType) && !splash.destroyed) {
                EXPECT_TRUE(StandsAbove(window.id, splash.id))
                    << "\"" << window.title << "\" stands behind the splash window\n"
                    << Situation();
            }
        }
    }

    // The activation requests that named one of the program's windows.
    std::vector<ActivationRequest> ProgramActivationRequests() const {
        std::vector<ActivationRequest> requests;
        for (const ActivationRequest& request : desktop_->Watcher().ActivationRequests()) {
            const WindowInfo* window = desktop_->Watcher().Find(request.window);
            if (window != nullptr && window->pid == static_cast<uint32_t>(program_.Pid()))
                requests.push_back(request);
        }
        return requests;
    }

    fs::path namesFile_;
    fs::path setupFile_;
    std::string setupText_;
    std::unique_ptr<test::PrivateScheduler> scheduler_;
    ChildProcess host_;
};

// Modes 1 and 2 on a setup without errors: the host's everyday case. The
// program checks, shows nothing but the splash window, ends with status 0
// and writes nothing.
class QuietRun : public EndToEnd, public ::testing::WithParamInterface<const char*> {};

TEST_P(QuietRun, EndsWithoutAnyWindowButTheSplashAndLeavesTheSetupFile) {
    Start({GetParam(), namesFile_.string(), setupFile_.string()});
    const bool ended = WaitForEnd();
    const auto shown = ShownWindowsBesideSplash();
    if (!ended || !shown.empty()) {
        ADD_FAILURE() << "a window was shown; an \"Error\" means that the setup file does not "
                         "match the printers as the program sees them:\n"
                      << PrintersReport() << "setup file:\n"
                      << setupText_ << "\n"
                      << Situation();
    }
    ASSERT_TRUE(ended);
    ExpectEndedWithStatusZero();
    ExpectSetupFileUntouched();
}

INSTANTIATE_TEST_SUITE_P(Modes, QuietRun, ::testing::Values("1", "2"),
                         [](const auto& info) { return std::string("Mode") + info.param; });

TEST_F(EndToEnd, ModeTwoWithErrorsShowsOneErrorAndEndsAfterEnter) {
    UseSetup(SetupWithAnError());
    Start({"2", namesFile_.string(), setupFile_.string()});
    const auto error = WaitForWindow(kErrorTitle);
    ASSERT_TRUE(error);
    // The splash window stays up while the message waits, behind it.
    EXPECT_EQ(ShownWindows().size(), 2u) << Situation();
    ExpectInFrontOfTheSplash(*error);
    ASSERT_TRUE(WaitUntilActive(error->id, "the \"Error\" message"));
    desktop_->PressKeys({"Return"});
    ASSERT_TRUE(WaitForEnd());
    ExpectEndedWithStatusZero();
    ExpectOnlyWindowShown(kErrorTitle);
    ExpectSetupFileUntouched();
}

// Without a setup file, Yes to "configure now?" walks the lines in the print
// setup dialog, which opens in front of the splash window.
TEST_F(EndToEnd, StartUpWalkShowsThePrintSetupDialogInFrontOfTheSplash) {
    fs::remove(setupFile_);
    Start({"2", namesFile_.string(), setupFile_.string()});
    const auto question = WaitForWindow(kErrorTitle);
    ASSERT_TRUE(question);
    ASSERT_TRUE(WaitUntilActive(question->id, "the \"configure now?\" question"));
    desktop_->PressKeys({"Return"});
    const auto dialog = WaitForWindow("Printer: 1.  Name: Invoices");
    ASSERT_TRUE(dialog);
    ExpectInFrontOfTheSplash(*dialog);
    ASSERT_TRUE(WaitUntilActive(dialog->id, "the print setup dialog"));
    desktop_->PressKeys({"Escape"});
    // The walk ends at Cancel; mode 2 then reports the unconfigured lines.
    const auto report = WaitForWindow(kErrorTitle);
    ASSERT_TRUE(report);
    ASSERT_TRUE(WaitUntilActive(report->id, "the \"Error\" report"));
    desktop_->PressKeys({"Return"});
    ASSERT_TRUE(WaitForEnd());
    ExpectEndedWithStatusZero();
}

// Keys typed while a line's printer is being asked wait for the dialog that
// follows: they never start a second edit inside the first.
TEST_F(EndToEnd, InputQueuedDuringAPrinterQueryStartsNoSecondEdit) {
    // Line 1's printer fails, so the start-up check stops there and line 5's
    // slow printer is first asked when line 5 is edited.
    WriteBytes(folder_ / "printers.txt", "default Plain\nprinter Plain\nbin 1 Upper\n"
                                         "printer Broken\nbin 1 Upper\nnames-data fail\n"
                                         "printer Slow\nbin 1 Upper\ndelay 1500\n");
    WriteBytes(namesFile_, NamesFileText({"A", "B", "C", "D", "E", "F", "G", "H"}));
    WriteBytes(setupFile_, "[1]\r\nName=A\r\nDevice=Broken\r\n[5]\r\nName=E\r\nDevice=Slow\r\n");
    Start({"0", namesFile_.string(), setupFile_.string()}, (folder_ / "printers.txt").string());
    const auto report = WaitForWindow(messages::kApplicationTitle);
    ASSERT_TRUE(report);
    ASSERT_TRUE(WaitUntilActive(report->id, "the \"DevCap Error\" report"));
    desktop_->PressKeys({"Return"});
    const auto main = WaitForWindow(kMainWindowTitle);
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitUntilActive(main->id, "the main window"));
    // Edit line 5, and at once go to line 8 and edit it while line 5's
    // printer is still being asked.
    desktop_->PressKeys(
        {"Down", "Down", "Down", "Down", "ctrl+e", "Down", "Down", "Down", "ctrl+e"});
    const auto dialog = Watcher().WaitUntil(
        [&] {
            for (const WindowInfo& window : Watcher().WindowsOf(program_.Pid()))
                if (window.mapped && window.title.rfind("Printer: ", 0) == 0)
                    return true;
            return false;
        },
        Clock::now() + kWindowLimit);
    ASSERT_TRUE(dialog) << Situation();
    std::vector<std::string> dialogs;
    for (const WindowInfo& window : Watcher().WindowsOf(program_.Pid()))
        if (window.timesMapped > 0 && window.title.rfind("Printer: ", 0) == 0)
            dialogs.push_back(window.title);
    EXPECT_EQ(dialogs, std::vector<std::string>{"Printer: 5.  Name: E"}) << Situation();
}

// Mode 1 with errors: the question "Error" with OK and Ignore. Ignore ends
// the program; every other answer opens the main window, maximized, and
// closing that with nothing changed asks nothing and ends the program.
struct Answer {
    const char* name;
    std::vector<std::string> keys; // xdotool key names, typed in turn
    bool opensMainWindow;
};

void PrintTo(const Answer& answer, std::ostream* out) {
    *out << answer.name;
}

class ModeOneQuestion : public EndToEnd, public ::testing::WithParamInterface<Answer> {};

TEST_P(ModeOneQuestion, IgnoreEndsAndEveryOtherAnswerOpensTheMainWindowMaximized) {
    const Answer& answer = GetParam();
    UseSetup(SetupWithAnError());
    Start({"1", namesFile_.string(), setupFile_.string()});
    const auto error = WaitForWindow(kErrorTitle);
    ASSERT_TRUE(error);
    ASSERT_TRUE(WaitUntilActive(error->id, "the \"Error\" question"));
    desktop_->PressKeys(answer.keys);

    if (!answer.opensMainWindow) {
        ASSERT_TRUE(WaitForEnd());
        ExpectEndedWithStatusZero();
        ExpectOnlyWindowShown(kErrorTitle);
        ExpectSetupFileUntouched();
        return;
    }
    const auto main = WaitForWindow(kMainWindowTitle);
    ASSERT_TRUE(main);
    const auto isMaximized = [&] {
        const auto state = Watcher().WindowState(main->id);
        const auto has = [&](const char* atom) {
            return std::find(state.begin(), state.end(), atom) != state.end();
        };
        return has("_NET_WM_STATE_MAXIMIZED_VERT") && has("_NET_WM_STATE_MAXIMIZED_HORZ");
    };
    EXPECT_TRUE(Watcher().WaitUntil(isMaximized, Clock::now() + seconds(5)))
        << "the main window is not maximized\n"
        << Situation();

    ASSERT_TRUE(WaitUntilActive(main->id, "the main window"));
    desktop_->PressKeys({"alt+F4"});
    ASSERT_TRUE(WaitForEnd());
    ExpectEndedWithStatusZero();
    std::vector<std::string> titles;
    for (const WindowInfo& window : ShownWindowsBesideSplash())
        titles.push_back(window.title);
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(titles, (std::vector<std::string>{kErrorTitle, kMainWindowTitle}))
        << "expected the question and the main window only\n"
        << Situation();
    ExpectSetupFileUntouched();
}

INSTANTIATE_TEST_SUITE_P(Answers, ModeOneQuestion,
                         ::testing::Values(Answer{"Enter", {"Return"}, true},
                                           Answer{"Escape", {"Escape"}, true},
                                           // The window manager's close (the close box): Cancel.
                                           Answer{"CloseBox", {"alt+F4"}, true},
                                           // The access key of "&Ignore".
                                           Answer{"IgnoreByAccessKey", {"alt+i"}, false},
                                           Answer{"IgnoreByTabAndSpace", {"Tab", "space"}, false},
                                           Answer{"IgnoreByTabAndEnter", {"Tab", "Return"}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Start-up failures: one "Error" message, and after it no further window
// (later messages of the start-up close at once, unseen); status 0; no
// setup file written or created.
struct FailedStart {
    const char* name;
    std::vector<std::string> arguments; // "NAMES" and "SETUP" stand for the test's files
    bool setupFileExists;
};

void PrintTo(const FailedStart& run, std::ostream* out) {
    *out << run.name;
}

class FailedStartRun : public EndToEnd, public ::testing::WithParamInterface<FailedStart> {};

TEST_P(FailedStartRun, ShowsOneErrorAndEndsAfterIt) {
    const FailedStart& run = GetParam();
    if (!run.setupFileExists)
        fs::remove(setupFile_);
    std::vector<std::string> arguments;
    for (const std::string& argument : run.arguments) {
        if (argument == "NAMES")
            arguments.push_back(namesFile_.string());
        else if (argument == "SETUP")
            arguments.push_back(setupFile_.string());
        else if (argument == "MISSING")
            arguments.push_back((folder_ / "missing-names.txt").string());
        else
            arguments.push_back(argument);
    }
    Start(arguments);
    const auto error = WaitForWindow(kErrorTitle);
    ASSERT_TRUE(error);
    ASSERT_TRUE(WaitUntilActive(error->id, "the \"Error\" message"));
    desktop_->PressKeys({"Return"});
    ASSERT_TRUE(WaitForEnd());
    ExpectEndedWithStatusZero();
    ExpectOnlyWindowShown(kErrorTitle);
    if (run.setupFileExists) {
        ExpectSetupFileUntouched();
    } else {
        EXPECT_FALSE(fs::exists(setupFile_)) << "a setup file was created";
    }
    // Nothing was written to the configuration folder either (the default
    // place of both files).
    EXPECT_FALSE(fs::exists(folder_ / "config" / "kevoconf" / "Vezerava.ini"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailedStartRun,
    ::testing::Values(FailedStart{"InvalidMode", {"3", "NAMES", "SETUP"}, true},
                      FailedStart{"NegativeMode", {"-1", "NAMES", "SETUP"}, true},
                      FailedStart{"NoArguments", {}, true},
                      FailedStart{"MissingNamesFile", {"1", "MISSING", "SETUP"}, true},
                      // The setup file's "configure now?" question must not
                      // follow the names file's message.
                      FailedStart{"MissingNamesAndSetupFiles", {"1", "MISSING", "SETUP"}, false},
                      FailedStart{
                          "InvalidModeAndMissingNamesFile", {"3", "MISSING", "SETUP"}, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The host application's main window in the foreground: a window of class
// "VORLEN Frame" or "QuillMere Frame" (exactly so) does not keep the
// program's windows behind it; the program asks the window manager to
// bring its window to the front. Any other foreground window is left
// alone: the program makes no such request.
//
// openbox gives new windows the focus by itself, so with a foreign window
// in front the message becomes active all the same; the contrast that the
// program controls is whether it asks.
struct HostCase {
    const char* name;
    const char* className;
    bool isHost;
};

void PrintTo(const HostCase& host, std::ostream* out) {
    *out << '"' << host.className << '"';
}

class HostInFront : public EndToEnd, public ::testing::WithParamInterface<HostCase> {};

TEST_P(HostInFront, ErrorMessageComesToTheFrontOnlyForTheHost) {
    const HostCase& host = GetParam();
    const xcb_window_t frame = StartHostFrame(host.className);
    ASSERT_NE(frame, static_cast<xcb_window_t>(XCB_WINDOW_NONE));

    UseSetup(SetupWithAnError());
    Start({"2", namesFile_.string(), setupFile_.string()});
    const auto error = WaitForWindow(kErrorTitle);
    ASSERT_TRUE(error);
    EXPECT_TRUE(Watcher().WaitUntil([&] { return Watcher().ActiveWindow() == error->id; },
                                    Clock::now() + seconds(5)))
        << "the \"Error\" message stayed behind the window of class \"" << host.className << "\"\n"
        << Situation();
    EXPECT_TRUE(StandsAbove(error->id, frame)) << "the \"Error\" message is below the host window";

    desktop_->PressKeys({"Return"});
    ASSERT_TRUE(WaitForEnd());
    ExpectEndedWithStatusZero();
    const auto requests = ProgramActivationRequests();
    if (host.isHost) {
        EXPECT_FALSE(requests.empty())
            << "the program did not ask to be brought in front of the host\n"
            << Situation();
    } else {
        EXPECT_TRUE(requests.empty()) << "the program asked for the foreground although the "
                                         "window in front is not the host's\n"
                                      << Situation();
    }
}

INSTANTIATE_TEST_SUITE_P(Classes, HostInFront,
                         ::testing::Values(HostCase{"QuillMereFrame", "QuillMere Frame", true},
                                           HostCase{"VorlenFrame", "VORLEN Frame", true},
                                           // The comparison is exact: letter case counts.
                                           HostCase{"QuillMereInOtherCase", "Quillmere Frame",
                                                    false},
                                           HostCase{"OtherApplication", "Other Frame", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EndToEnd, MainWindowOpensInFrontOfTheHost) {
    const xcb_window_t frame = StartHostFrame("QuillMere Frame");
    ASSERT_NE(frame, static_cast<xcb_window_t>(XCB_WINDOW_NONE));

    UseSetup(SetupWithAnError());
    Start({"1", namesFile_.string(), setupFile_.string()});
    const auto error = WaitForWindow(kErrorTitle);
    ASSERT_TRUE(error);
    ASSERT_TRUE(WaitUntilActive(error->id, "the \"Error\" question"));
    desktop_->PressKeys({"Return"});
    const auto main = WaitForWindow(kMainWindowTitle);
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitUntilActive(main->id, "the main window"));
    EXPECT_TRUE(StandsAbove(main->id, frame)) << "the main window is below the host window";

    desktop_->PressKeys({"alt+F4"});
    ASSERT_TRUE(WaitForEnd());
    ExpectEndedWithStatusZero();
    ExpectSetupFileUntouched();
}

} // namespace
} // namespace kevo::e2e
