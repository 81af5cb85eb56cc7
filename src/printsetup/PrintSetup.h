#pragma once

#include "printsetup/PrinterCatalogue.h"

#include <QDialog>

namespace kevo::platform {
class Prompter;
}

namespace kevo::printsetup {

// The print setup dialog. Created once at start-up, before the main window,
// it holds the printer catalogue for the whole run: the consistency check
// and line editing use the catalogue without showing the dialog.
class TfrmPrintSetup : public QDialog {
    Q_OBJECT
public:
    // Creating the dialog builds the catalogue over service; a failure
    // (no default printer, a failing driver) is shown in the standard
    // error report and the dialog is created all the same.
    TfrmPrintSetup(platform::PrintingService& service, platform::Prompter& prompter,
                   QWidget* parent = nullptr);

    PrinterCatalogue& Catalogue() { return catalogue_; }

private:
    void FormCreate();

    PrinterCatalogue catalogue_;
    platform::Prompter& prompter_;
};

} // namespace kevo::printsetup
