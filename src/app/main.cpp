// SPDX-License-Identifier: Apache-2.0
// The program's entry: the start-up sequence, the run modes and the end.

#include "mainwindow/Main.h"
#include "app/splash.h"
#include "platform/CommandLine.h"
#include "platform/DisplayPlatform.h"
#include "printsetup/PrintSetup.h"
#include "resources/KevoResources.h"
#include "ui/DisplayCheck.h"
#include "ui/QtPrompter.h"
#include "ui/Termination.h"
#include "workspace/Workspace.h"

#include <QApplication>

#include <iostream>
#include <memory>
#include <string>
#include <string_view>

using namespace kevo;

namespace {

constexpr const char* kUsage =
    "Usage: kevoconf MODE [NAMES-FILE [SETUP-FILE]]\n"
    "Checks and edits the printer setup of a host application.\n"
    "\n"
    "  MODE 0      edit the setup in the program's window\n"
    "  MODE 1      check the setup; when it has errors, offer to fix them\n"
    "  MODE 2      check the setup; report its errors in one message\n"
    "  NAMES-FILE  the logical names, one a line (default KevoName.txt)\n"
    "  SETUP-FILE  the setup file (default Vezerava.ini)\n"
    "  --help      show this help and end\n"
    "  --version   show the version and end\n"
    "\n"
    "kevoconf(1) says where the files are looked for. The program reports\n"
    "through its messages and the setup file; its exit status is 0. Where no\n"
    "window can be opened (no display), it says so on standard error and\n"
    "ends with status 2; kevoconf-check checks the setup without a display.\n";

// A run that could open no window did nothing that the program promises:
// not 0, so that a host or a script sees it; 2, as kevoconf-check ends when
// it could make no check.
constexpr int kNoWindowStatus = 2;

} // namespace

int main(int argc, char* argv[]) {
    // Asked from a shell, not by a host: answered without a window.
    if (argc == 2 && std::string_view(argv[1]) == "--help") {
        std::cout << kUsage;
        return 0;
    }
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::cout << "kevoconf (KevoConf) " KEVO_PROGRAM_VERSION "\n";
        return 0;
    }
    // In a Wayland session: XWayland, where the host's window is.
    platform::ChooseQtPlatformForThisSession();
    // Without a display Qt would abort; the program says why and ends.
    if (const std::string reason = ui::NoDisplayReason(); !reason.empty()) {
        std::cerr << "kevoconf: no window could be opened: " << reason
                  << "; for a check without a display use kevoconf-check\n";
        return kNoWindowStatus;
    }
    QApplication application(argc, argv);
    // The printing service, the run's printers and the program's folders;
    // the service is made meanwhile and asked for the default printer, so
    // that the scheduler answers while the windows are made. At once: the
    // scheduler's answers, not the windows, are what start-up waits for.
    workspace::Workspace workspace = workspace::ThisMachineMeanwhile(true);
    QApplication::setApplicationName(QStringLiteral("kevoconf"));
    // Captions stay exactly the program's own ("Printer: 8.  Name:
    // Remittances"): no application display name, which Qt would append to
    // each. The desktop names the application from its desktop entry, which
    // the Wayland app id names; Windows' taskbar from the program file's
    // description.
    QGuiApplication::setDesktopFileName(QStringLiteral("kevoconf"));
    QApplication::setWindowIcon(resources::ProgramIcon());
    const auto arguments = platform::ProgramArguments(argc, argv);
    auto& termination = ui::Termination::Instance();
    ui::QtPrompter prompter;

    // The splash window first, painted at once.
    auto splash = std::make_unique<app::TfrmSplash>();
    splash->ShowNow();

    // The main window, whose creation asks nothing of the printers, while
    // the service answers; then the print setup dialog, whose creation
    // finds the default printer and so opens the run's printers; then the
    // main window's start: run mode, paths, names file, setup file.
    mainwindow::TForm1 form(workspace.Printers(), prompter, splash.get());
    auto printSetup = std::make_unique<printsetup::TfrmPrintSetup>(workspace.Printers(), prompter);
    form.Logic().SetPrintSetupDialog(printSetup.get());
    form.StartUp(arguments, workspace.Paths());

    splash->hide();
    QCoreApplication::processEvents();
    if (!termination.Terminating()) {
        form.showMaximized();
        QApplication::exec();
    }

    printSetup.reset();
    splash.reset();
    // The program reports its results only through the setup file and its
    // messages; once its windows could open, the exit status is always 0.
    return 0;
}
