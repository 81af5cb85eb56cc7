// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "printsetup/PrintSetupLogic.h"
#include "printsetup/PrinterCatalogue.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace kevo::messages {
class Prompter;
}

namespace kevo::printsetup {

// The print setup dialog. Created once at start-up, before the main window,
// it shows its printer catalogue over the run's printers; line editing
// (PrintSetupDialog::Edit) shows it to let the user pick a printer and two
// bins.
class TfrmPrintSetup : public QDialog, public PrintSetupDialog, private printers::WaitPointer {
    Q_OBJECT
public:
    // Creating the dialog builds its catalogue over printers, which must
    // outlive it; a failure (no default printer, a failing driver) is shown
    // in the standard error report and the dialog is created all the same.
    TfrmPrintSetup(printers::InstalledPrinters& printers, messages::Prompter& prompter,
                   QWidget* parent = nullptr);
    ~TfrmPrintSetup() override;

    // PrintSetupDialog
    PrintSetupLogic& Logic() override { return logic_; }
    bool ShowModal() override;

    QGroupBox* gbPrinter = nullptr;
    QLabel* lbl1 = nullptr;
    QComboBox* cboPrinters = nullptr;
    QLabel* lbl2 = nullptr;
    QLabel* lblPort = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblDriver = nullptr;
    QGroupBox* gbPaper = nullptr;
    QLabel* lbl3 = nullptr;
    QComboBox* cboTray1 = nullptr;
    QComboBox* cboTray1Num = nullptr;
    QCheckBox* chkUseSecondTray = nullptr;
    QLabel* lbl4 = nullptr;
    QComboBox* cboTray2 = nullptr;
    QComboBox* cboTray2Num = nullptr;
    QPushButton* bbtnOK = nullptr;
    QPushButton* bbtnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildLayout();
    void FormCreate();
    // Shows the catalogue's lists and the form's state in the widgets.
    void Refresh();
    // Runs one of the user's actions; a failure (a driver that fails) is
    // shown in the standard error report.
    template <typename Action> void UserAction(Action action);

    void ShowWaitPointer() override;
    void ShowNormalPointer() override;

    // The dialog's lists, handed out as Logic().Catalogue().
    PrinterCatalogue catalogue_;
    PrintSetupLogic logic_;
    messages::Prompter& prompter_;
    bool refreshing_ = false;
};

} // namespace kevo::printsetup
