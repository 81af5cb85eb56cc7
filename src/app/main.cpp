// The program's entry: the start-up sequence, the run modes and the end.

#include "main/Main.h"
#include "app/splash.h"
#include "platform/CommandLine.h"
#include "platform/ErrorReport.h"
#include "platform/SystemPaths.h"
#include "platform/printing/PrintingServiceFactory.h"
#include "platform/qt/QtPrompter.h"
#include "platform/qt/Termination.h"
#include "printsetup/PrintSetup.h"
#include "resources/KevoResources.h"

#include <QApplication>

#include <memory>

using namespace kevo;

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kevoconf"));
    QApplication::setApplicationDisplayName(QString::fromUtf8(platform::kApplicationTitle));
    QApplication::setWindowIcon(resources::ProgramIcon());
    const auto arguments = platform::ProgramArguments(argc, argv);
    auto& termination = platform::Termination::Instance();
    platform::QtPrompter prompter;

    // The splash window first, painted at once.
    auto splash = std::make_unique<app::TfrmSplash>();
    splash->ShowNow();

    // The print setup dialog, whose creation builds the printer catalogue.
    std::unique_ptr<platform::PrintingService> service = platform::MakePrintingService();
    auto printSetup = std::make_unique<printsetup::TfrmPrintSetup>(*service, prompter);

    // The main window: run mode, paths, names file, setup file.
    main::TForm1 form(printSetup->Catalogue(), prompter, splash.get());
    form.Form().SetPrintSetupDialog(printSetup.get());
    main::PathContext context;
    context.executableDirectory = platform::ExecutableDirectory();
    context.windowsDirectory = platform::WindowsDirectory();
    context.fileExists = platform::FileExists;
    form.FormCreate(arguments, context);

    // A termination requested while the windows were created takes effect
    // here.
    QCoreApplication::processEvents();
    if (!termination.Terminating())
        form.Form().StartupCheck();
    form.Form().RunModeDecision();

    splash->hide();
    QCoreApplication::processEvents();
    if (!termination.Terminating()) {
        form.showMaximized();
        QApplication::exec();
    }

    printSetup.reset();
    splash.reset();
    // The program reports its results only through the setup file and its
    // messages; the exit status is always 0.
    return 0;
}
