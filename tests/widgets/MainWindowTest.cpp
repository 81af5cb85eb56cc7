// SPDX-License-Identifier: Apache-2.0
#include "ModalDriver.h"
#include "mainwindow/ConfigTableModel.h"
#include "mainwindow/GridLayout.h"
#include "mainwindow/Main.h"
#include "mainwindow/StringGrid.h"
#include "messages/MessageDialog.h"
#include "platform/PrintingServiceFactory.h"
#include "platform/SystemPaths.h"
#include "printsetup/PrintSetup.h"
#include "setup/MarkColours.h"
#include "setup/Messages.h"
#include "setup/SetupFile.h"
#include "ui/QtPrompter.h"
#include "ui/QtText.h"
#include "ui/Termination.h"
#include "workspace/Workspace.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QColor>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <filesystem>

#include "ChildProcess.h"
#include "ScratchFolder.h"

using namespace kevo;
using setup::ColChanged;
using setup::ColErrors;

class MainWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    ui::QtPrompter prompter_;
    std::unique_ptr<workspace::Workspace> workspace_;
    std::unique_ptr<printsetup::TfrmPrintSetup> printSetup_;
    std::unique_ptr<mainwindow::TForm1> form_;

    // Starts the window on the demo data as the program does in mode 0;
    // printers, when given, replaces the demo's printers text.
    void StartDemo(const std::string& samples = KEVO_SAMPLES_DIR, std::string printers = {}) {
        const std::string dir = dir_.path().toStdString();
        std::filesystem::copy_file(samples + "/KevoName.txt", dir + "/KevoName.txt",
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::copy_file(samples + "/Vezerava.ini", dir + "/Vezerava.ini",
                                   std::filesystem::copy_options::overwrite_existing);
        if (printers.empty())
            printers = samples + "/printers.txt";
        setup::PathContext context;
        context.setupFileFolder = dir;
        context.fileExists = platform::FileExists;
        workspace_ = std::make_unique<workspace::Workspace>(
            platform::MakePrintingService(printers.c_str()), context);
        printSetup_ =
            std::make_unique<printsetup::TfrmPrintSetup>(workspace_->Printers(), prompter_);
        form_ = std::make_unique<mainwindow::TForm1>(workspace_->Printers(), prompter_, nullptr);
        form_->StartUp({"0", dir + "/KevoName.txt", dir + "/Vezerava.ini"}, workspace_->Paths());
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }

    // The caption of the print setup dialog that Enter opens on a line,
    // which is then cancelled.
    QString CaptionOfEnterOn(int line) {
        form_->Logic().SetPrintSetupDialog(printSetup_.get());
        form_->Grid()->SelectCell(line, 2);
        QString caption;
        ModalDriver driver([&](QWidget* modal) {
            caption = modal->windowTitle();
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        QTest::keyClick(form_->Grid(), Qt::Key_Return);
        return caption;
    }

    // The pixel of a grabbed cell or section that stands out most (its
    // text) and its least contrast with the colours down the region's right
    // side (its background, shaded in some styles).
    static std::pair<QColor, double> Ink(const QImage& picture) {
        const auto rgb = [](QColor c) { return setup::Rgb{c.red(), c.green(), c.blue()}; };
        std::pair<QColor, double> ink{{}, 0};
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                double contrast = 21;
                for (int b = 2; b < picture.height() - 2; ++b)
                    contrast = std::min(
                        contrast,
                        setup::ContrastRatio(rgb(picture.pixelColor(x, y)),
                                             rgb(picture.pixelColor(picture.width() - 3, b))));
                if (contrast > ink.second)
                    ink = {picture.pixelColor(x, y), contrast};
            }
        return ink;
    }

    QPoint CellCentre(int line, int column) const {
        auto* grid = form_->Grid();
        return grid->visualRect(grid->Cell(line, column)).center();
    }

private slots:
    void init() {
        ui::Termination::Instance().Reset();
        StartDemo();
    }
    void cleanup() {
        if (form_)
            form_->Logic().SetModified(false);
        form_.reset();
        printSetup_.reset();
    }

    void gridLayoutFollowsTheTable() {
        auto* grid = form_->Grid();
        QCOMPARE(form_->windowTitle(), QString(setup::kMainWindowTitle));
        QCOMPARE(grid->model()->rowCount(), 99);
        QCOMPARE(grid->model()->columnCount(), 7);
        QCOMPARE(grid->verticalHeader()->width(), 20);
        QCOMPARE(grid->rowHeight(0), 16);
        const int widths[] = {96, 160, -1, -1, 96, 32, 96, 32, 224, -1};
        for (int column = 1; column <= 10; ++column) {
            const QModelIndex cell = grid->Cell(1, column);
            if (widths[column - 1] < 0)
                QVERIFY2(!cell.isValid(), qPrintable(QString::number(column)));
            else
                QCOMPARE(grid->columnWidth(cell.column()), widths[column - 1]);
        }
        QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), QString("Name"));
        QCOMPARE(grid->model()->headerData(6, Qt::Horizontal).toString(), QString("Errors"));
        QCOMPARE(form_->Panel(0)->text(), QString("Errors: 6"));
        QCOMPARE(form_->Panel(1)->text(), QString());
        QCOMPARE(form_->Panel(0)->width(), 60);
        QCOMPARE(form_->Panel(1)->width(), 50);
    }
    // Windows' fonts ask for taller header sections than Qt's default one;
    // the rows stay 16 pixels high all the same.
    void rowsStaySixteenPixelsHighWithATallFont() {
        const QFont before = QApplication::font();
        QFont tall = before;
        tall.setPixelSize(24);
        QApplication::setFont(tall);
        mainwindow::StringGrid grid;
        QApplication::setFont(before);
        QCOMPARE(grid.verticalHeader()->defaultSectionSize(), 16);
    }

    void faultyCellsAndLineNumbersAreRedAndChangedNumbersBlue() {
        auto* grid = form_->Grid();
        auto* model = grid->model();
        const QColor red(255, 0, 0), blue(0, 0, 255);
        // Line 3 (Statements) has a wrong first bin.
        QCOMPARE(grid->Cell(3, 5).data(Qt::ForegroundRole).value<QColor>(), red);
        QCOMPARE(grid->Cell(3, 6).data(Qt::ForegroundRole).value<QColor>(), red);
        QVERIFY(!grid->Cell(3, 7).data(Qt::ForegroundRole).isValid());
        QCOMPARE(model->headerData(2, Qt::Vertical, Qt::ForegroundRole).value<QColor>(), red);
        QVERIFY(!model->headerData(0, Qt::Vertical, Qt::ForegroundRole).isValid());
        form_->Logic().Table().SetCell(ColChanged, 3, "*");
        QCOMPARE(model->headerData(2, Qt::Vertical, Qt::ForegroundRole).value<QColor>(), blue);
    }

    void focusCellOfAFaultStaysRed() {
        auto* grid = form_->Grid();
        grid->setFocus();
        grid->SelectCell(3, 5); // Statements: wrong first bin
        const QRect cell = grid->visualRect(grid->Cell(3, 5));
        const QImage picture = grid->viewport()->grab(cell).toImage();
        int red = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QColor pixel = picture.pixelColor(x, y);
                red += pixel.red() > 200 && pixel.green() < 60 && pixel.blue() < 60;
            }
        QVERIFY2(red > 0, "the selected faulty cell shows no red text");
    }

    // On a dark palette (qt6ct's "darker" scheme, set while the window is
    // open) a fault's text and a changed line's number keep their hue at
    // 4.5:1 on their backgrounds; a light palette keeps the red itself.
    void marksStayReadableOnTheApplicationsPalette() {
        auto* grid = form_->Grid();
        form_->Logic().Table().SetCell(ColChanged, 2, "*");
        const QModelIndex statementsBin = grid->Cell(3, 5); // Statements: "Tray 3"
        const auto cell = [&] { return grid->viewport()->grab(grid->visualRect(statementsBin)); };
        const auto lineNumber = [&](int line) {
            QHeaderView* rows = grid->verticalHeader();
            return rows->viewport()
                ->grab(QRect(0, rows->sectionViewportPosition(line - 1), rows->width(),
                             rows->sectionSize(line - 1)))
                .toImage();
        };
        QCOMPARE(Ink(cell().toImage()).first, QColor(255, 0, 0));

        const QPalette light = QApplication::palette();
        QPalette dark = light;
        dark.setColor(QPalette::Window, 0x222020);
        dark.setColor(QPalette::Base, 0x3d3d3d);
        dark.setColor(QPalette::Button, 0x424245);
        QApplication::setPalette(dark);
        QApplication::processEvents(); // the widgets take the palette from a posted event
        const struct {
            QImage picture;
            int hue;
        } marks[] = {{cell().toImage(), 0}, {lineNumber(3), 0}, {lineNumber(2), 240}};
        QApplication::setPalette(light);
        for (const auto& mark : marks) {
            const auto [ink, contrast] = Ink(mark.picture);
            const QString what = ink.name() + " " + QString::number(contrast);
            QVERIFY2(contrast >= 4.5, qPrintable(what));
            QVERIFY2(std::abs(ink.hue() - mark.hue) <= 2, qPrintable(what));
        }
    }

    void rightButtonShowsLineDetailsOnlyWhileHeld() {
        auto* grid = form_->Grid();
        grid->SelectCell(1, 1);
        QTest::mousePress(grid->viewport(), Qt::RightButton, {}, CellCentre(2, 2));
        QCOMPARE(form_->Panel(2)->text(),
                 QString("Despatch Laser On lpd://despatch-print/queue.  Driver: Generic PCL 6 "
                         "Printer.  Source 1: Tray 2, 257. Source 2: Tray 2, 257"));
        QCOMPARE(grid->CurrentLine(), 1); // a right click never moves the focus cell
        QTest::mouseRelease(grid->viewport(), Qt::RightButton, {}, CellCentre(2, 2));
        QCOMPARE(form_->Panel(2)->text(), QString());
    }

    // The details stay until the next key or click, which does its own work.
    void menuKeyAndShiftF10ShowTheFocusLineDetailsUntilTheNextKeyOrClick_data() {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<bool>("endByClick");
        QTest::newRow("Menu, then Down") << QKeySequence(Qt::Key_Menu) << false;
        QTest::newRow("Shift+F10, then a click") << QKeySequence(Qt::SHIFT | Qt::Key_F10) << true;
    }
    void menuKeyAndShiftF10ShowTheFocusLineDetailsUntilTheNextKeyOrClick() {
        QFETCH(QKeySequence, keys);
        QFETCH(bool, endByClick);
        auto* grid = form_->Grid();
        grid->setFocus();
        grid->SelectCell(2, 1);
        QTest::keySequence(grid, keys);
        QCOMPARE(form_->Panel(2)->text(),
                 ui::ToQString(form_->Logic().Table().LineDetails(2)));
        if (endByClick)
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellCentre(4, 1));
        else
            QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(form_->Panel(2)->text(), QString());
        QCOMPARE(grid->CurrentLine(), endByClick ? 4 : 3);
    }

    // A recheck disables the windows on the way, taking the grid's focus.
    void commandsGiveTheFocusBackToTheGridsFocusCell_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Ctrl+C recheck") << int(Qt::Key_C);
        QTest::newRow("Ctrl+S save") << int(Qt::Key_S);
    }
    void commandsGiveTheFocusBackToTheGridsFocusCell() {
        QFETCH(int, key);
        auto* grid = form_->Grid();
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        grid->setFocus();
        grid->SelectCell(2, 1);
        QTest::keyClick(grid, Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), grid);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(grid->CurrentLine(), 3);
    }

    // A screen reader finds a named table of the columns on the screen.
    void gridIsANamedTableOfItsShownColumns() {
        QAccessible::setActive(true);
        auto* grid = form_->Grid();
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);
        QCOMPARE(table->text(QAccessible::Name), QString(setup::kGridAccessibleName));
        QStringList shown, read;
        for (int column = 1; column < setup::kColumnCount; ++column)
            if (mainwindow::kColumnWidths[column] != mainwindow::kHiddenColumnWidth)
                shown << ui::ToQString(form_->Logic().Table().Cell(column, 0));
        QAccessibleTableInterface* cells = table->tableInterface();
        for (int column = 0; column < cells->columnCount(); ++column)
            read << cells->columnDescription(column);
        QCOMPARE(read, shown);
    }

    void dragSelectionKeepsTheFocusCellWhereItBegan() {
        auto* grid = form_->Grid();
        QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, CellCentre(3, 1));
        QMouseEvent move(QEvent::MouseMove, CellCentre(7, 2),
                         grid->viewport()->mapToGlobal(CellCentre(7, 2)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(grid->viewport(), &move);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, CellCentre(7, 2));
        QCOMPARE(grid->CurrentLine(), 3);
        QCOMPARE(grid->SelectedLines(), std::make_pair(3, 7));
    }

    void ctrlCRechecksAndCopiesNothing() {
        QApplication::clipboard()->setText("untouched");
        form_->Logic().Table().SetCell(ColErrors, 1, "stale,");
        form_->activateWindow();
        QTest::keyClick(form_->Grid(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QString::fromStdString(form_->Logic().Table().Cell(ColErrors, 1)), QString());
        QCOMPARE(QApplication::clipboard()->text(), QString("untouched"));
        QVERIFY(form_->isEnabled()); // enabled again after the recheck
    }

    void menusHoldTheCommandTable() {
        struct Item {
            const char* menu;
            const char* name;
            const char* caption;
            QKeySequence keys;
            bool picture;
        };
        const Item items[] = {
            {"&File", "mnuFileCheckPrinter", "Re&check Printers", QKeySequence("Ctrl+C"), true},
            {"&File", "mnuFileReloadDetails", "Re&load Details", QKeySequence("Ctrl+L"), true},
            {"&File", "mnuFileSaveIni", "&Save Details", QKeySequence("Ctrl+S"), true},
            {"&File", "mnuFileExit", "E&xit", QKeySequence(), false},
            {"&Edit", "mnuEditClearPrinter", "&Clear Printer", QKeySequence("Del"), true},
            {"&Edit", "mnuEditAll", "Edit &All Printers", QKeySequence("Ctrl+A"), false},
            {"&Edit", "mnuEditEditPrinter", "&Edit Printer", QKeySequence("Ctrl+E"), false},
            {"&Edit", "mnuEditRepairTrays", "&Repair Trays...", QKeySequence(), false},
            {"&Help", "mnuHelpHelp", "&Help", QKeySequence("F1"), true},
            {"&Help", "mnuHelpAbout", "&About", QKeySequence(), false},
        };
        QStringList menus;
        for (QAction* action : form_->menuBar()->actions())
            menus << action->text();
        QCOMPARE(menus, QStringList({"&File", "&Edit", "&Help"}));
        QStringList order;
        for (const Item& item : items) {
            auto* action = form_->findChild<QAction*>(item.name);
            QVERIFY2(action != nullptr, item.name);
            QCOMPARE(action->text(), QString(item.caption));
            QCOMPARE(action->shortcut(), item.keys);
            QCOMPARE(!action->icon().isNull(), item.picture);
            order << action->objectName();
        }
        QStringList inMenus;
        for (QAction* top : form_->menuBar()->actions())
            for (QAction* action : top->menu()->actions())
                if (!action->isSeparator())
                    inMenus << action->objectName();
        QCOMPARE(inMenus, order);
    }

    void shortcutsReachTheMenuBeforeTheGrid() {
        auto* grid = form_->Grid();
        form_->activateWindow();
        // Del clears the selected lines: line 6 is unnamed and goes without
        // a question.
        grid->SelectCell(6, 2);
        QTest::keyClick(grid, Qt::Key_Delete);
        QCOMPARE(QString::fromStdString(form_->Logic().Table().Cell(setup::ColPrinter, 6)),
                 QString());
        QCOMPARE(form_->Panel(1)->text(), ui::ToQString(setup::kModifiedPanelText));
        // F1 opens the help window.
        QString help;
        ModalDriver helpDriver([&](QWidget* modal) {
            help = modal->windowTitle();
            modal->close();
        });
        QTest::keyClick(grid, Qt::Key_F1);
        QVERIFY(!help.isEmpty());
    }

    void ctrlAWalksAllLinesAndSelectsNothing() {
        form_->Logic().SetPrintSetupDialog(printSetup_.get());
        auto* grid = form_->Grid();
        grid->SelectCell(2, 2);
        QString caption;
        ModalDriver driver([&](QWidget* modal) {
            caption = modal->windowTitle();
            QTest::keyClick(modal, Qt::Key_Escape); // the walk ends here
        });
        QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(caption, QString("Printer: 1.  Name: Invoices"));
        QCOMPARE(grid->SelectedLines(), std::make_pair(2, 2));
        QCOMPARE(form_->Panel(1)->text(), QString()); // cancelled on line 1
    }

    void enterEditsTheFocusLine() {
        QCOMPARE(CaptionOfEnterOn(3), QString("Printer: 3.  Name: Statements"));
    }

    void codePageTextShowsItsLetters() {
        cleanup();
        qputenv("KEVOCONF_CODEPAGE", "1250");
        StartDemo(KEVO_SAMPLES_DIR "/cp1250");
        qunsetenv("KEVOCONF_CODEPAGE");
        auto* grid = form_->Grid();
        const QModelIndex name = grid->Cell(3, setup::ColName);
        QCOMPARE(name.data().toString(), QString::fromUtf8("\u0150rz\u00f6tt p\u00e9ld\u00e1ny"));
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);
        QCOMPARE(table->tableInterface()->cellAt(2, 0)->text(QAccessible::Name),
                 name.data().toString());
        QCOMPARE(CaptionOfEnterOn(3),
                 QString::fromUtf8("Printer: 3.  Name: \u0150rz\u00f6tt p\u00e9ld\u00e1ny"));
    }

    void clippedCellsShowTheirWholeTextAsATooltip() {
        auto* grid = form_->Grid();
        const auto tipAt = [](QWidget* widget, QPoint at) {
            QToolTip::hideText();
            QHelpEvent help(QEvent::ToolTip, at, widget->mapToGlobal(at));
            QApplication::sendEvent(widget, &help);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QCOMPARE(tipAt(grid->viewport(), CellCentre(1, 1)), QString()); // "Invoices" fits
        grid->setColumnWidth(0, 24);
        QCOMPARE(tipAt(grid->viewport(), CellCentre(1, 1)), QString("Invoices"));
        QHeaderView* columns = grid->horizontalHeader();
        const int tray1NoColumn = grid->Cell(1, setup::ColTray1No).column();
        const QPoint tray1No(columns->sectionViewportPosition(tray1NoColumn) + 4,
                             columns->height() / 2);
        QCOMPARE(tipAt(columns->viewport(), tray1No), QString("Tray1 No."));
    }

    void repairTraysPreviewsCancelKeepsOkAppliesAndRechecks() {
        cleanup();
        StartDemo(KEVO_SAMPLES_DIR, KEVO_SAMPLES_DIR "/new-driver/printers.txt");
        const auto& table = form_->Logic().Table();
        QCOMPARE(form_->Panel(0)->text(), QString("Errors: 8"));
        // The preview's rows, cells joined by "|", answered with OK or Cancel.
        const auto preview = [&](QDialogButtonBox::StandardButton answer) {
            QStringList rows;
            ModalDriver driver([&](QWidget* modal) {
                auto* list = modal->findChild<QTableWidget*>("lstLines");
                for (int row = 0; list && row < list->rowCount(); ++row) {
                    QStringList cells;
                    for (int column = 0; column < list->columnCount(); ++column)
                        cells << list->item(row, column)->text();
                    rows << cells.join('|');
                }
                modal->findChild<QDialogButtonBox*>()->button(answer)->click();
            });
            form_->mnuEditRepairTrays->trigger();
            return rows;
        };
        const QStringList rows = preview(QDialogButtonBox::Cancel);
        QVERIFY(rows.contains(
            QString::fromUtf8("1|Invoices||Letterhead Tray|258 \u2192 262|Tray 1|256 \u2192 260|"
                              "Generic PostScript Printer \u2192 PostScript Laser Driver 2")));
        QVERIFY(rows.contains(QString::fromUtf8("3|Statements|bin \"Tray 3\" not found|Tray 3|259|"
                                                "Tray 1|256|Generic PostScript Printer")));
        QCOMPARE(QString::fromStdString(table.Cell(setup::ColTray1No, 1)), QString("258"));
        QCOMPARE(form_->Panel(0)->text(), QString("Errors: 8"));
        QCOMPARE(form_->Panel(1)->text(), QString());

        preview(QDialogButtonBox::Ok);
        QCOMPARE(QString::fromStdString(table.Cell(setup::ColTray1No, 1)), QString("262"));
        QCOMPARE(QString::fromStdString(table.Cell(ColChanged, 2)), QString("*"));
        QCOMPARE(QString::fromStdString(table.Cell(setup::ColTray1No, 3)), QString("259"));
        QCOMPARE(form_->Panel(0)->text(), QString("Errors: 6"));
        QCOMPARE(form_->Panel(1)->text(), ui::ToQString(setup::kModifiedPanelText));

        // A server migration: the preview names the printer found and how.
        cleanup();
        StartDemo(KEVO_SAMPLES_DIR "/server-move");
        QVERIFY(preview(QDialogButtonBox::Cancel)
                    .contains(QString::fromUtf8(
                        "3|Statements||\\\\PRINTSRV01\\Accounts \u2192 \\\\PRINTSRV02\\Accounts "
                        "(by queue name)|Ne00: \u2192 Ne03:|Tray 1|256|Tray 1|256|PCL 6 Laser Driver")));
    }

    // The repair, in a process of its own, changes lines 1 and 2 while the
    // window is open; a save without edits, and the save of the close
    // prompt after an edit of line 4, keep what it wrote.
    void anotherProgramsRepairSurvivesTheWindowsSave() {
        for (const bool throughClosePrompt : {false, true}) {
            cleanup();
            StartDemo(KEVO_SAMPLES_DIR, KEVO_SAMPLES_DIR "/new-driver/printers.txt");
            const std::string setup = dir_.path().toStdString() + "/Vezerava.ini";
            auto& table = form_->Logic().Table();
            if (throughClosePrompt) {
                table.SetCell(setup::ColSource2, 4, "Rear Tray");
                table.SetCell(ColChanged, 4, "*");
                form_->Logic().SetModified(true);
            }
            const test::ToolRun repair = test::RunTool(
                KEVO_CHECK_PROGRAM,
                {"--repair", dir_.path().toStdString() + "/KevoName.txt", setup},
                {{"KEVOCONF_SIMULATED_PRINTERS", KEVO_SAMPLES_DIR "/new-driver/printers.txt"}},
                std::chrono::seconds(30));
            QVERIFY(!repair.timedOut);
            const auto repaired = *setup::ReadSetupSnapshot(setup);
            QCOMPARE(QString::fromStdString(repaired.lines[1].values[5]), QString("262"));

            if (throughClosePrompt) {
                ModalDriver driver([](QWidget* modal) {
                    for (auto* button : modal->findChildren<QPushButton*>())
                        if (button->text() == "&Yes")
                            button->click();
                });
                QVERIFY(form_->close());
            } else {
                form_->mnuFileSaveIni->trigger();
                QCOMPARE(form_->Grid()->Cell(1, setup::ColTray1No).data().toString(),
                         QString("262"));
            }
            const auto saved = *setup::ReadSetupSnapshot(setup);
            QCOMPARE(saved.lines[1], repaired.lines[1]);
            QCOMPARE(saved.lines[2], repaired.lines[2]);
            QCOMPARE(QString::fromStdString(saved.lines[4].values[6]),
                     throughClosePrompt ? QString("Rear Tray")
                                        : QString::fromStdString(repaired.lines[4].values[6]));
        }
    }

    // A text editor saves the file by rename while the window is open: the
    // window reloads the line and says so above the grid.
    void anotherProgramsChangeIsReloadedAndToldAboveTheGrid() {
        const std::string setup = dir_.path().toStdString() + "/Vezerava.ini";
        const auto saveAs = [&](const std::string& text) {
            test::WriteBytes(setup + ".new", text);
            std::filesystem::rename(setup + ".new", setup);
        };
        QVERIFY(!form_->pnlNotice->isVisible());
        std::string text = test::ReadBytes(setup);
        text.replace(text.find("PaperSourceName1=Tray 2"), 23, "PaperSourceName1=Tray 1");
        saveAs(text);
        QTRY_VERIFY(form_->pnlNotice->isVisible());
        QCOMPARE(form_->lblNotice->text(),
                 QString("The setup file was changed by another program: line 2 reloaded."));
        QCOMPARE(form_->Grid()->Cell(2, setup::ColSource1).data().toString(), QString("Tray 1"));
    }

    void closingWithChangesAsksAndCancelKeepsTheWindowOpen() {
        form_->Logic().SetModified(true);
        QCOMPARE(form_->Panel(1)->text(), ui::ToQString(setup::kModifiedPanelText));
        QString caption;
        ModalDriver driver([&](QWidget* modal) {
            caption = modal->windowTitle();
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        QVERIFY(!form_->close());
        QCOMPARE(caption,
                 ui::ToQString(messages::MessageCaption(messages::MessageType::Warning)));
        QVERIFY(form_->isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
