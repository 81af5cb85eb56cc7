// SPDX-License-Identifier: Apache-2.0
#include "ModalDriver.h"
#include "info/help.h"
#include "ui/Termination.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include <memory>

using kevo::info::TfrmHelp;

namespace {

// The help text as the window must show it, line by line.
const QStringList kExpectedLines = {
    "This program allows the selection of printers and paper trays for a number of different",
    "printer/paper names.  The names are defined in a separate file.",
    "",
    "When the program is started, any differences between the setup file and the printers",
    "installed on the machine, are highlighted in red on the screen.  The number of lines",
    "with errors is shown on the status bar at the bottom of the program window.",
    "",
    "Errors can be corrected & changes made to  correct lines by double (left) clicking on",
    "the line and entering the correct information via the displayed printer setup box.  A",
    "modified line is highlighted in blue in the first column and with 'Mods' on the status bar.",
    "",
    "Each printer/paper name can have a different printer assigned to it with settings for",
    "the paper trays to be used.  The paper trays can be set so that the first page is sent to",
    "the first selected tray and any other pages are sent to the second one.",
    "",
    "Details may be cleared by highlighting one or more lines and selecting the clear option",
    "from the edit menu.  If a printer being cleared has a name you will be asked to confirm.",
    "",
    "You may save your changes with \"File menu, Save Details\" or wait until you are ",
    "prompted when exiting the program.  You may lose any modifications made by ",
    "reloading",
    "the current information with \"File menu, Reload details\" or exiting and not saving.",
    "",
    "Full details for each line may be viewed by holding down the right mouse button, on the",
    "printer you are interested in.  This information will display on the status bar.",
};

const struct {
    const char* name;
    int top;
    const char* text;
} kExpectedLabels[] = {
    {"lbl1", 16,
     "Ctrl + C - Recheck Printers - Check the details to ensure there are no setup errors."},
    {"lbl2", 46,
     "Ctrl + L - Reload Details - Reload the printer setup file, any changes will be lost."},
    {"lbl3", 76, "Ctrl + S - Save Details - Save the printer setup information."},
    {"lbl4", 107, "Alt + F4 - Exit - Exit the program, you will be prompted to save any changes."},
    {"lbl5", 137,
     "Del - Clear Printer - Clear the printer information for the current line or lines."},
    {"lbl6", 167,
     "Ctrl + A - Edit All Printers - Step through the printer setup for each named printer."},
    {"lbl7", 197,
     "Ctrl + E - Edit Printer - Edit the printer setup for the currently selected printer."},
    {"lbl8", 228, "F1 - Help - Display this help screen."},
    {"lbl9", 258,
     "Double left mouse click - Edit the printer setup for the currently selected printer."},
    {"lbl10", 288, "Right mouse button - Display all information for a printer on the status bar."},
};

// The number of lines the text takes on the screen after wrapping.
int VisualLines(const QPlainTextEdit& edit) {
    int lines = 0;
    for (QTextBlock block = edit.document()->begin(); block.isValid(); block = block.next())
        lines += block.layout()->lineCount();
    return lines;
}

} // namespace

class HelpWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { kevo::ui::Termination::Instance().Reset(); }

    void helpTextIsTheStoredTextByteForByte() {
        TfrmHelp help;
        const QString text = help.memHelp->toPlainText();
        QCOMPARE(text.split('\n'), kExpectedLines);
        QCOMPARE(text.toUtf8(), kExpectedLines.join('\n').toUtf8());
        QCOMPARE(help.windowTitle(), QString("Help"));
        QCOMPARE(help.pgc1->count(), 2);
        QCOMPARE(help.pgc1->tabText(0), QString("Help"));
        QCOMPARE(help.pgc1->tabText(1), QString("Shortcut Keys"));
        QCOMPARE(help.pgc1->widget(0), help.tbsHelp);
        QCOMPARE(help.pgc1->widget(1), help.tbsShortcutKeys);
    }

    void helpTextBoxReadsAsAPage() {
        TfrmHelp help;
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        QPlainTextEdit* edit = help.memHelp;
        QVERIFY(!edit->isReadOnly());
        QCOMPARE(edit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QVERIFY(edit->verticalScrollBar()->isVisible());
        QCOMPARE(edit->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(edit->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QCOMPARE(edit->palette().color(QPalette::Base), edit->palette().color(QPalette::Button));
        QCOMPARE(edit->textCursor().position(), 0);
        QCOMPARE(edit->verticalScrollBar()->value(), 0);
        // The text box fills its tab.
        QCOMPARE(edit->geometry(), help.tbsHelp->rect());
    }

    void secondTabListsTheShortcutKeysInOrder() {
        TfrmHelp help;
        help.pgc1->setCurrentIndex(1);
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        int previousBottom = 0;
        for (std::size_t i = 0; i < std::size(kExpectedLabels); ++i) {
            const auto& expected = kExpectedLabels[i];
            auto* label = help.tbsShortcutKeys->findChild<QLabel*>(expected.name);
            QVERIFY2(label != nullptr, expected.name);
            QCOMPARE(help.shortcutLabels[i], label);
            QCOMPARE(label->text(), QString(expected.text));
            QCOMPARE(label->pos(), QPoint(8, expected.top));
            QVERIFY2(label->isVisible(), expected.name);
            // One line each, the whole text shown inside the tab, none over
            // the one above.
            QVERIFY(label->width() >= label->sizeHint().width());
            QVERIFY2(label->geometry().right() < help.tbsShortcutKeys->width(), expected.name);
            QVERIFY(label->y() >= previousBottom);
            previousBottom = label->geometry().bottom();
        }
        QCOMPARE(help.tbsShortcutKeys->findChildren<QLabel*>().size(), qsizetype(10));
    }

    void narrowingTheWindowRewrapsTheText() {
        TfrmHelp help;
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        const int wideLines = VisualLines(*help.memHelp);
        help.resize(260, help.height());
        QTRY_VERIFY(VisualLines(*help.memHelp) > wideLines);
        QTRY_VERIFY(help.memHelp->verticalScrollBar()->maximum() > 0);
        QCOMPARE(help.memHelp->toPlainText(), kExpectedLines.join('\n'));
    }

    void escapeDoesNotCloseTheWindow() {
        TfrmHelp help;
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        QTest::keyClick(help.memHelp, Qt::Key_Escape);
        QVERIFY(help.isVisible());
    }

    void everyShowingStartsAfreshOnTheFirstTab() {
        QWidget owner;
        // First showing: type into the text, go to the second tab, close.
        bool typed = false;
        ModalDriver first([&typed](QWidget* modal) {
            auto* help = qobject_cast<TfrmHelp*>(modal);
            if (help != nullptr) {
                help->memHelp->setFocus();
                QTest::keyClicks(help->memHelp, "typed by the user");
                typed = help->memHelp->toPlainText().startsWith("typed by the user");
                help->pgc1->setCurrentIndex(1);
            }
            modal->close();
        });
        kevo::info::ShowHelp(&owner);
        QVERIFY(!first.timedOut);
        QVERIFY(typed);
        QVERIFY(owner.findChildren<TfrmHelp*>().isEmpty());

        // Second showing: the stored text, on the first tab.
        QString text;
        int tab = -1;
        bool modal = false;
        ModalDriver second([&](QWidget* window) {
            if (auto* help = qobject_cast<TfrmHelp*>(window)) {
                text = help->memHelp->toPlainText();
                tab = help->pgc1->currentIndex();
                modal = help->isModal();
            }
            window->close();
        });
        kevo::info::ShowHelp(&owner);
        QVERIFY(!second.timedOut);
        QCOMPARE(text, kExpectedLines.join('\n'));
        QCOMPARE(tab, 0);
        QVERIFY(modal);
        QVERIFY(owner.findChildren<TfrmHelp*>().isEmpty());
    }
};

QTEST_MAIN(HelpWindowTest)
#include "HelpWindowTest.moc"
