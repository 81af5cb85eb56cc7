// SPDX-License-Identifier: Apache-2.0
#include "ModalDriver.h"
#include "messages/ErrorReport.h"
#include "ui/QtPrompter.h"
#include "ui/QtText.h"
#include "ui/StandardMessageDialog.h"
#include "ui/Termination.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace kevo::ui;
using namespace kevo::messages;
using B = MessageButton;

class MessageDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init() { Termination::Instance().Reset(); }

    void buttonsStandInTheirOrderWithAccessKeys() {
        StandardMessageDialog dialog("Save?", MessageType::Warning, B::Cancel | B::No | B::Yes);
        QCOMPARE(dialog.windowTitle(), QString("Warning"));
        const auto buttons = dialog.findChildren<QPushButton*>();
        QStringList captions;
        for (auto* button : buttons)
            captions << button->text();
        QCOMPARE(captions, QStringList({"&Yes", "&No", "Cancel"}));
        QVERIFY(static_cast<QPushButton*>(dialog.Button(B::Yes))->isDefault());
    }

    void captionsByType_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("caption");
        QTest::newRow("warning") << int(MessageType::Warning) << "Warning";
        QTest::newRow("error") << int(MessageType::Error) << "Error";
        QTest::newRow("information") << int(MessageType::Information) << "Information";
        QTest::newRow("confirm") << int(MessageType::Confirmation) << "Confirm";
    }
    void captionsByType() {
        QFETCH(int, type);
        QFETCH(QString, caption);
        StandardMessageDialog dialog("x", static_cast<MessageType>(type), B::OK);
        QCOMPARE(dialog.windowTitle(), caption);
        QVERIFY(!dialog.findChild<QLabel*>("icon")->pixmap().isNull());
    }

    void keysAndCloseBoxAnswer_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("answer");
        const int okIgnore = 0, yesNo = 1, okCancel = 2, yesNoCancel = 3;
        QTest::newRow("ok/ignore esc") << okIgnore << "esc" << int(B::OK);
        QTest::newRow("ok/ignore enter") << okIgnore << "enter" << int(B::OK);
        QTest::newRow("ok/ignore close box") << okIgnore << "close" << int(B::Cancel);
        QTest::newRow("yes/no esc") << yesNo << "esc" << int(B::No);
        QTest::newRow("yes/no enter") << yesNo << "enter" << int(B::Yes);
        QTest::newRow("ok/cancel esc") << okCancel << "esc" << int(B::Cancel);
        QTest::newRow("ok/cancel enter") << okCancel << "enter" << int(B::OK);
        QTest::newRow("yes/no/cancel esc") << yesNoCancel << "esc" << int(B::Cancel);
        QTest::newRow("yes/no/cancel close box") << yesNoCancel << "close" << int(B::Cancel);
        QTest::newRow("yes/no/cancel plain n") << yesNoCancel << "n" << int(B::No);
        QTest::newRow("ok/ignore plain i") << okIgnore << "i" << int(B::Ignore);
    }
    void keysAndCloseBoxAnswer() {
        QFETCH(int, buttons);
        QFETCH(QString, how);
        QFETCH(int, answer);
        const MessageButtons sets[] = {B::OK | B::Ignore, B::Yes | B::No, B::OK | B::Cancel,
                                       B::Yes | B::No | B::Cancel};
        StandardMessageDialog dialog("Question", MessageType::Error, sets[buttons]);
        ModalDriver driver([&](QWidget* modal) {
            if (how == "esc")
                QTest::keyClick(modal, Qt::Key_Escape);
            else if (how == "enter")
                QTest::keyClick(modal, Qt::Key_Return);
            else if (how.size() == 1)
                QTest::keyClick(modal, how[0].toLatin1());
            else
                modal->close();
        });
        dialog.exec();
        QVERIFY(!driver.timedOut);
        QCOMPARE(int(dialog.Answer()), answer);
    }

    void enterPressesTheFocusedButton() {
        StandardMessageDialog dialog("Save?", MessageType::Warning, B::Yes | B::No | B::Cancel);
        ModalDriver driver([&](QWidget* modal) {
            dialog.Button(B::No)->setFocus();
            QTest::keyClick(modal, Qt::Key_Return);
        });
        dialog.exec();
        QCOMPARE(dialog.Answer(), B::No);
    }

    void clickingAButtonAnswersIt() {
        StandardMessageDialog dialog("Fix?", MessageType::Error, B::OK | B::Ignore);
        ModalDriver driver([&](QWidget*) { dialog.Button(B::Ignore)->click(); });
        dialog.exec();
        QCOMPARE(dialog.Answer(), B::Ignore);
    }

    void terminationClosesTheOpenMessageAndEveryLaterOne() {
        QtPrompter prompter;
        // The request is posted while a message is open: it closes at once.
        ModalDriver driver([](QWidget*) { Termination::Instance().Request(); });
        QCOMPARE(prompter.ShowMessage("First", MessageType::Error, B::OK | B::Ignore), B::Cancel);
        QVERIFY(driver.seen != nullptr);
        QVERIFY(Termination::Instance().Terminating());
        // A later message is never shown.
        ModalDriver later([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Return); });
        QCOMPARE(prompter.ShowMessage("Second", MessageType::Error, B::Yes | B::No), B::Cancel);
        QCOMPARE(later.seen, nullptr);
    }

    void errorReportHasTheTitleTheStopIconAndTheFullStop() {
        QtPrompter prompter;
        QString caption, text;
        ModalDriver driver([&](QWidget* modal) {
            caption = modal->windowTitle();
            text = modal->findChild<QLabel*>("message")->text();
            QTest::keyClick(modal, Qt::Key_Return);
        });
        prompter.ShowErrorReport("DevCap Error");
        QCOMPARE(caption, QString(kApplicationTitle));
        QCOMPARE(text, QString("DevCap Error."));
    }

    void lineBreaksOfTheTextsAreShownAsLines() {
        StandardMessageDialog dialog(ToQString("Line one\r\nLine two"), MessageType::Error, B::OK);
        QCOMPARE(dialog.findChild<QLabel*>("message")->text(), QString("Line one\nLine two"));
    }

    void copyKeysPutCaptionTextAndButtonsOnTheClipboard_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("ctrl+c") << int(Qt::Key_C);
        QTest::newRow("ctrl+insert") << int(Qt::Key_Insert);
    }
    void copyKeysPutCaptionTextAndButtonsOnTheClipboard() {
        QFETCH(int, key);
        QGuiApplication::clipboard()->clear();
        StandardMessageDialog dialog("Report", ToQString("Line one\r\nLine two"),
                                     B::OK | B::Ignore);
        ModalDriver driver([&](QWidget* modal) {
            QTest::keyClick(modal, Qt::Key(key), Qt::ControlModifier);
            QTest::keyClick(modal, Qt::Key_Return);
        });
        dialog.exec();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QString("---------------------------\r\nReport\r\n"
                         "---------------------------\r\nLine one\r\nLine two\r\n"
                         "---------------------------\r\nOK   Ignore   \r\n"
                         "---------------------------\r\n"));
        // Copying answers nothing: Enter still pressed OK.
        QCOMPARE(dialog.Answer(), B::OK);
    }
};

QTEST_MAIN(MessageDialogTest)
#include "MessageDialogTest.moc"
