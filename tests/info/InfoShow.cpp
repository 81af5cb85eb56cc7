// SPDX-License-Identifier: Apache-2.0
// Shows one of the information windows until it is closed, for pictures of
// it: "about" (the about box, with the program's version information and a
// fixed machine, so that the picture does not depend on where it is taken),
// "help" (the help window's first tab) or "shortcuts" (its second tab).

#include "info/AboutBoxUnit.h"
#include "info/ProgramVersion.h"
#include "info/help.h"
#include "resources/KevoResources.h"

#include <QApplication>
#include <QLocale>
#include <QTabWidget>

#include <cstdio>
#include <cstring>

using namespace kevo;

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s about|help|shortcuts\n", argv[0]);
        return 2;
    }
    QApplication::setWindowIcon(resources::ProgramIcon());
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));

    const platform::FixedSystemInformation machine(
        platform::MemoryStatus{23, 16709898240ull},
        platform::OsIdentity{"Debian GNU/Linux", "12", "Debian GNU/Linux 12 (bookworm)", "Linux",
                             "6.1.0-18-amd64"});
    platform::SimulatedOpener opener;

    std::unique_ptr<QDialog> window;
    if (std::strcmp(argv[1], "about") == 0) {
        window = std::make_unique<info::TfrmAboutBox>(
            info::AboutBoxServices{&info::ProgramVersionInformation(), &machine, &opener});
    } else if (std::strcmp(argv[1], "help") == 0 || std::strcmp(argv[1], "shortcuts") == 0) {
        auto help = std::make_unique<info::TfrmHelp>();
        help->pgc1->setCurrentIndex(std::strcmp(argv[1], "shortcuts") == 0 ? 1 : 0);
        window = std::move(help);
    } else {
        std::fprintf(stderr, "unknown window: %s\n", argv[1]);
        return 2;
    }
    window->exec();
    return 0;
}
