#include "printsetup/PrintSetup.h"

#include "platform/Prompter.h"

namespace kevo::printsetup {

TfrmPrintSetup::TfrmPrintSetup(platform::PrintingService& service, platform::Prompter& prompter,
                               QWidget* parent)
    : QDialog(parent), catalogue_(service), prompter_(prompter) {
    setObjectName(QStringLiteral("frmPrintSetup"));
    FormCreate();
}

void TfrmPrintSetup::FormCreate() {
    try {
        catalogue_.FormCreate();
    } catch (const std::exception& error) {
        prompter_.ShowErrorReport(error.what());
    }
}

} // namespace kevo::printsetup
