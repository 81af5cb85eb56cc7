// SPDX-License-Identifier: Apache-2.0
#include "printsetup/PrintSetup.h"
#include "ModalDriver.h"
#include "mainwindow/Main.h"
#include "mainwindow/StringGrid.h"
#include "platform/PrintingServiceFactory.h"
#include "platform/SystemPaths.h"
#include "ui/QtPrompter.h"
#include "ui/QtText.h"
#include "ui/Termination.h"
#include "workspace/Workspace.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

using namespace kevo;

class PrintSetupTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    ui::QtPrompter prompter_;
    std::unique_ptr<workspace::Workspace> workspace_;
    std::unique_ptr<printsetup::TfrmPrintSetup> dialog_;
    std::unique_ptr<mainwindow::TForm1> form_;

    void StartDemo() {
        const std::string dir = dir_.path().toStdString();
        for (const char* name : {"KevoName.txt", "Vezerava.ini"})
            std::filesystem::copy_file(std::string(KEVO_SAMPLES_DIR "/") + name, dir + "/" + name,
                                       std::filesystem::copy_options::overwrite_existing);
        form_ = std::make_unique<mainwindow::TForm1>(workspace_->Printers(), prompter_, nullptr);
        form_->Logic().SetPrintSetupDialog(dialog_.get());
        setup::PathContext context;
        context.setupFileFolder = dir;
        context.fileExists = platform::FileExists;
        form_->StartUp({"0", dir + "/KevoName.txt", dir + "/Vezerava.ini"}, context);
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }

private slots:
    void init() {
        ui::Termination::Instance().Reset();
        workspace_ = std::make_unique<workspace::Workspace>(
            platform::MakePrintingService(KEVO_SAMPLES_DIR "/printers.txt"), setup::PathContext{});
        dialog_ = std::make_unique<printsetup::TfrmPrintSetup>(workspace_->Printers(), prompter_);
    }
    void cleanup() {
        if (form_)
            form_->Logic().SetModified(false);
        form_.reset();
        dialog_.reset();
    }

    void layoutAndFixedHeight() {
        auto& d = *dialog_;
        QCOMPARE(d.windowTitle(), QString(printsetup::kPrintSetupCaption));
        QCOMPARE(d.height(), 270);
        QCOMPARE(d.minimumHeight(), d.maximumHeight());
        QCOMPARE(d.gbPrinter->geometry(), QRect(8, 8, 417, 89));
        QCOMPARE(d.gbPaper->geometry(), QRect(8, 104, 417, 121));
        QCOMPARE(d.cboPrinters->geometry(), QRect(64, 24, 345, 21));
        QCOMPARE(d.cboTray1->geometry(), QRect(64, 20, 145, 21));
        QCOMPARE(d.cboTray2->geometry(), QRect(64, 84, 145, 21));
        QCOMPARE(d.bbtnOK->geometry(), QRect(48, 236, 75, 25));
        QCOMPARE(d.bbtnCancel->geometry(), QRect(304, 236, 75, 25));
        QVERIFY(d.bbtnOK->isDefault());
        QCOMPARE(d.chkUseSecondTray->text(), QString("Use Additional Paper Tray"));
        QCOMPARE(d.chkUseSecondTray->layoutDirection(), Qt::RightToLeft);
        // The caption shows whole, and its box stays under the list's end.
        QVERIFY2(d.chkUseSecondTray->width() >= d.chkUseSecondTray->sizeHint().width(),
                 qPrintable(d.chkUseSecondTray->font().family()));
        QCOMPARE(d.chkUseSecondTray->geometry().right(), d.cboTray1->geometry().right());
        QVERIFY(d.cboPrinters->isEditable());
        // The catalogue is on the default printer; the printer list is taken
        // when the dialog first opens.
        QCOMPARE(d.Logic().Catalogue().DeviceBuffer(), std::string("Accounts Laser"));
        QCOMPARE(d.cboPrinters->count(), 0);
        QCOMPARE(d.lblPort->text(), QString("socket://10.20.0.21:9100"));
        QCOMPARE(d.cboTray1->count(), 5);
        QCOMPARE(d.cboTray1Num->itemText(1), QString("256"));
    }

    void wideningStretchesListsAndMovesCancel() {
        auto& d = *dialog_;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        d.resize(533, d.height());
        QCOMPARE(d.gbPrinter->width(), 517);
        QCOMPARE(d.cboPrinters->width(), 445);
        QCOMPARE(d.gbPaper->width(), 517);
        QCOMPARE(d.bbtnCancel->x(), 404);
        QCOMPARE(d.bbtnOK->x(), 48);
        d.resize(100, 500);
        QVERIFY(d.width() >= 333);
        QCOMPARE(d.height(), 270);
        d.hide();
    }

    // A list's label, not its group box, is its first "labelled by"
    // relation, and names the line edit a screen reader is on.
    void listsAreNamedByTheirLabels_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("list");
        QTest::newRow("printer") << "lbl1"
                                 << "cboPrinters";
        QTest::newRow("source 1") << "lbl3"
                                  << "cboTray1";
        QTest::newRow("source 2") << "lbl4"
                                  << "cboTray2";
    }
    void listsAreNamedByTheirLabels() {
        QFETCH(QString, label);
        QFETCH(QString, list);
        QAccessible::setActive(true);
        auto* text = dialog_->findChild<QLabel*>(label);
        auto* combo = dialog_->findChild<QComboBox*>(list);
        QAccessibleInterface* named = QAccessible::queryAccessibleInterface(combo);
        const auto labels = named->relations(QAccessible::Label);
        QVERIFY(!labels.isEmpty());
        QCOMPARE(labels.first().first->object(), text);
        QCOMPARE(QAccessible::queryAccessibleInterface(combo->lineEdit())->text(QAccessible::Name),
                 text->text().remove('&'));
    }

    void keysAndCloseBoxGiveTheResult_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("ok");
        QTest::newRow("enter") << "enter" << true;
        QTest::newRow("escape") << "escape" << false;
        QTest::newRow("close box") << "close" << false;
        QTest::newRow("cancel button") << "cancel" << false;
    }
    void keysAndCloseBoxGiveTheResult() {
        QFETCH(QString, how);
        QFETCH(bool, ok);
        auto& d = *dialog_;
        ModalDriver driver([&](QWidget* modal) {
            if (how == "enter")
                QTest::keyClick(modal, Qt::Key_Return);
            else if (how == "escape")
                QTest::keyClick(modal, Qt::Key_Escape);
            else if (how == "cancel")
                d.bbtnCancel->click();
            else
                modal->close();
        });
        QCOMPARE(d.ShowModal(), ok);
        QVERIFY(!driver.timedOut);
    }

    void doubleClickEditsTheFocusLineAndOkStoresThePickedBins() {
        StartDemo();
        auto* grid = form_->Grid();
        grid->SelectCell(3, 1); // Statements: Accounts Laser, "Tray 3" 259 is unknown
        QString caption;
        bool checkedAtOpen = true;
        ModalDriver driver([&](QWidget* modal) {
            auto& d = *dialog_;
            caption = modal->windowTitle();
            checkedAtOpen = d.chkUseSecondTray->isChecked();
            // The user picks "Tray 2" for source 1 from the list.
            d.cboTray1->setCurrentIndex(2);
            emit d.cboTray1->activated(2);
            QTest::keyClick(modal, Qt::Key_Return);
        });
        const QPoint cell = grid->visualRect(grid->model()->index(2, 1)).center();
        QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, cell);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, cell);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell);
        QVERIFY(driver.seen != nullptr);
        QCOMPARE(caption, QString("Printer: 3.  Name: Statements"));
        // Source 1 opened on the first bin ("Automatically Select"), source
        // 2 on "Tray 1": different, so the box was checked.
        QVERIFY(checkedAtOpen);
        const auto& table = form_->Logic().Table();
        QCOMPARE(QString::fromStdString(table.Cell(setup::ColSource1, 3)), QString("Tray 2"));
        QCOMPARE(QString::fromStdString(table.Cell(setup::ColTray1No, 3)), QString("257"));
        QCOMPARE(QString::fromStdString(table.Cell(setup::ColSource2, 3)), QString("Tray 1"));
        QCOMPARE(QString::fromStdString(table.Cell(setup::ColChanged, 3)), QString("*"));
        QCOMPARE(form_->Panel(1)->text(), ui::ToQString(setup::kModifiedPanelText));
        QCOMPARE(form_->Panel(0)->text(), QString("Errors: 5"));
    }

    void typingKeepsTheCaretAndTheUndoHistory() {
        auto& d = *dialog_;
        QString typed;
        bool undo = false;
        ModalDriver driver([&](QWidget* modal) {
            QLineEdit* edit = d.cboPrinters->lineEdit();
            edit->setCursorPosition(0);
            QTest::keyClicks(edit, "XY");
            typed = edit->text();
            undo = edit->isUndoAvailable();
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        QVERIFY(!d.ShowModal());
        QCOMPARE(typed, QString("XYAccounts Laser"));
        QVERIFY(undo);
    }

    void listsShowTheStartOfTheirTexts() {
        auto& d = *dialog_;
        QList<int> carets;
        ModalDriver driver([&](QWidget* modal) {
            for (QComboBox* list : {d.cboPrinters, d.cboTray1, d.cboTray2})
                carets << list->lineEdit()->cursorPosition();
            d.cboPrinters->setCurrentIndex(1);
            emit d.cboPrinters->activated(1);
            carets << d.cboPrinters->lineEdit()->cursorPosition();
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        QVERIFY(!d.ShowModal());
        QCOMPARE(carets, QList<int>({0, 0, 0, 0}));
    }

    void showingAgainKeepsTheUsersTick() {
        auto& d = *dialog_;
        bool opened = false, kept = false;
        ModalDriver driver([&](QWidget* modal) {
            opened = d.chkUseSecondTray->isChecked();
            d.chkUseSecondTray->click();
            // The window system shows the dialog again (restore, desktop switch).
            QShowEvent show;
            QApplication::sendEvent(modal, &show);
            kept = d.chkUseSecondTray->isChecked() != opened;
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        QVERIFY(!d.ShowModal());
        QVERIFY(kept);
    }

    void uncheckingTheBoxLocksSourceTwoToSourceOne() {
        auto& d = *dialog_;
        ModalDriver driver([&](QWidget* modal) {
            d.cboTray1->setCurrentIndex(1);
            emit d.cboTray1->activated(1);
            if (!d.chkUseSecondTray->isChecked())
                d.chkUseSecondTray->click(); // make sure we start checked
            d.cboTray2->setCurrentIndex(3);
            emit d.cboTray2->activated(3);
            d.chkUseSecondTray->click(); // unchecked now
            QVERIFY(!d.cboTray2->isEnabled());
            QCOMPARE(d.cboTray2->currentText(), d.cboTray1->currentText());
            QCOMPARE(d.cboTray2Num->currentText(), QString("256"));
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        QVERIFY(!d.ShowModal());
        QVERIFY(driver.seen != nullptr);
    }
};

QTEST_MAIN(PrintSetupTest)
#include "PrintSetupTest.moc"
