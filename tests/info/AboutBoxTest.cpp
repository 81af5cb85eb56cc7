// SPDX-License-Identifier: Apache-2.0
#include "ModalDriver.h"
#include "info/AboutBoxUnit.h"
#include "info/ExploreWeb.h"
#include "info/ProgramVersion.h"
#include "ui/Termination.h"

#include <QAccessible>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <cerrno>
#include <memory>

using namespace kevo;
using info::TfrmAboutBox;
using platform::OpenOutcome;

namespace {

const platform::FixedSystemInformation
    kMachine(platform::MemoryStatus{7, 2147483648ull},
             platform::OsIdentity{"Debian GNU/Linux", "12", "Debian GNU/Linux 12 (bookworm)",
                                  "Linux", "6.1.0-18-amd64"});

info::VersionData TestData() {
    info::VersionData data;
    data.fixed = info::FixedFileInfo{(1u << 16) | 4u, (2u << 16) | 9u};
    data.translations = {{0x0809, 0x04E4}};
    data.stringTables["080904E4"] = {{"CompanyName", "Maker Ltd"},
                                     {"ProductName", "The Product"},
                                     {"LegalCopyright", "(C) Maker"},
                                     {"Comments", "Remarks"}};
    return data;
}

} // namespace

class AboutBoxTest : public QObject {
    Q_OBJECT

    platform::SimulatedOpener opener_;

    info::AboutBoxServices Services(const info::VersionInformation& version) {
        return {&version, &kMachine, &opener_};
    }

    // Shows a box over the given version information and leaves it open;
    // not modal, so that the only modal window is a message it shows.
    std::unique_ptr<TfrmAboutBox> Shown(const info::VersionInformation& version) {
        auto box = std::make_unique<TfrmAboutBox>(Services(version));
        box->setWindowModality(Qt::NonModal);
        box->show();
        if (!QTest::qWaitForWindowExposed(box.get()))
            qWarning("the about box was not exposed");
        return box;
    }

    struct Labels {
        QString product, company, comments, copyright;
    };
    static Labels ResourceLabels(const TfrmAboutBox& box) {
        return {box.ProductName->text(), box.CompanyName->text(), box.Comments->text(),
                box.Copyright->text()};
    }

private slots:
    void init() {
        ui::Termination::Instance().Reset();
        opener_ = platform::SimulatedOpener();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    }

    void labelsAreFilledFromTheProgramsVersionInformation() {
        const auto box = Shown(info::ProgramVersionInformation());
        const info::VersionData data = info::ProgramVersionData();
        const auto& table = data.stringTables.begin()->second;
        QCOMPARE(box->Version->text(), QString("Version 3.2 (Build 0.0)"));
        QCOMPARE(box->ProductName->text(), QString("Kevo Printer Configurator"));
        QCOMPARE(box->CompanyName->text(), QString::fromStdString(table.at("CompanyName")));
        QCOMPARE(box->Copyright->text(), QString::fromUtf8(table.at("LegalCopyright").c_str()));
        QCOMPARE(box->Comments->text(), QString::fromStdString(table.at("Comments")));
        QCOMPARE(box->lblWebAddress->text(), QString::fromStdString(info::MakerWebAddress()));
        QCOMPARE(box->lblEmail->text(), QString::fromStdString(info::MakerEmailAddress()));
        QCOMPARE(box->Platform->text(), QString("Debian GNU/Linux 12 - v6.01.0 18-amd64"));
        QCOMPARE(box->lblResources->text(), QString("7%"));
        QCOMPARE(box->lblFreeMem->text(), QString("2,097,152 KB"));
    }

    void labelsThatFitTheirTextShowAllOfIt() {
        const auto box = Shown(info::ProgramVersionInformation());
        for (QLabel* label : {box->Version, box->Copyright, box->Comments, box->lbl1,
                              box->lblFreeMem, box->lbl2, box->lblResources})
            QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->objectName()));
        // The right-aligned labels keep their right edge at 329.
        QCOMPARE(box->lblFreeMem->geometry().right() + 1, 329);
        QCOMPARE(box->lblResources->geometry().right() + 1, 329);
    }

    void memoryUsesTheUsersThousandsSeparator_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates)
                                 << "2,097,152 KB";
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "2.097.152 KB";
        QTest::newRow("Swiss German")
            << QLocale(QLocale::German, QLocale::Switzerland)
            << QString("2") + QChar(0x2019) + "097" + QChar(0x2019) + "152 KB";
    }
    void memoryUsesTheUsersThousandsSeparator() {
        QFETCH(QLocale, locale);
        QFETCH(QString, expected);
        QLocale::setDefault(locale);
        const info::StaticVersionInformation version(TestData());
        const auto box = Shown(version);
        QCOMPARE(box->lblFreeMem->text(), expected);
        QCOMPARE(box->lblFreeMem->geometry().right() + 1, 329);
    }

    void memoryNumberKeepsClearOfItsLabel_data() {
        QTest::addColumn<qulonglong>("kilobytes");
        QTest::newRow("8 digits") << qulonglong{24683716};
        QTest::newRow("10 digits") << qulonglong{2468376800};
    }
    void memoryNumberKeepsClearOfItsLabel() {
        QFETCH(qulonglong, kilobytes);
        platform::OsIdentity windows;
        windows.windows = platform::WindowsVersion{5, 1, 2600, 2, ""};
        const platform::FixedSystemInformation machine(platform::MemoryStatus{7, kilobytes * 1024},
                                                       windows);
        const info::StaticVersionInformation version(TestData());
        TfrmAboutBox box({&version, &machine, &opener_});
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.lbl1->text(), QString("Physical Memory Available to Windows:"));
        QVERIFY(box.lblFreeMem->x() - box.lbl1->geometry().right() > 3);
        // The whole number shows inside the window.
        QVERIFY(box.lblFreeMem->width() >= box.lblFreeMem->sizeHint().width());
        QVERIFY2(box.lblFreeMem->geometry().right() < box.pnl1->width(),
                 qPrintable(box.lblFreeMem->text()));
    }

    void versionInformationFailures_data() {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QStringList>("labels"); // product, company, comments, copyright
        QTest::newRow("complete") << 0 << "Version 1.4 (Build 2.9)"
                                  << QStringList{"The Product", "Maker Ltd", "Remarks",
                                                 "(C) Maker"};
        QTest::newRow("no information")
            << 1 << "Version 0.0 (Build 0.0)"
            << QStringList{"Product Name", "CompanyName", "Comments", "Copyright"};
        QTest::newRow("no translation entry")
            << 2 << "Version 1.4 (Build 2.9)" << QStringList{"", "", "", ""};
        QTest::newRow("missing key") << 3 << "Version 1.4 (Build 2.9)"
                                     << QStringList{"The Product", "Maker Ltd", "", "(C) Maker"};
        QTest::newRow("unreadable")
            << 4 << "Version 0.0 (Build 0.0)" << QStringList{"", "", "", ""};
        QTest::newRow("no root block")
            << 5 << "Version 0.0 (Build 0.0)"
            << QStringList{"The Product", "Maker Ltd", "Remarks", "(C) Maker"};
    }
    void versionInformationFailures() {
        QFETCH(int, failure);
        QFETCH(QString, version);
        QFETCH(QStringList, labels);
        info::VersionData data = TestData();
        if (failure == 1)
            data.present = false;
        if (failure == 2)
            data.translations.clear();
        if (failure == 3)
            data.stringTables["080904E4"].erase("Comments");
        if (failure == 4)
            data.readable = false;
        if (failure == 5)
            data.fixed.reset();
        const info::StaticVersionInformation information(data);
        const auto box = Shown(information);
        QCOMPARE(box->Version->text(), version);
        const Labels shown = ResourceLabels(*box);
        QCOMPARE((QStringList{shown.product, shown.company, shown.comments, shown.copyright}),
                 labels);
    }

    void layoutFollowsTheDesign() {
        const info::StaticVersionInformation version(TestData());
        const auto box = Shown(version);
        QCOMPARE(box->windowTitle(), QString("About"));
        QCOMPARE(box->size(), QSize(341, 323));
        QCOMPARE(box->minimumSize(), box->maximumSize());
        const struct {
            QWidget* widget;
            QRect geometry;
        } fixed[] = {
            {box->imgProgramIcon, {16, 16, 32, 32}}, {box->CompanyName, {72, 16, 249, 31}},
            {box->ProductName, {72, 48, 257, 49}},   {box->bvl1, {8, 216, 321, 2}},
            {box->pnl1, {0, 224, 341, 99}},          {box->Platform, {72, 47, 256, 34}},
            {box->btnOK, {255, 67, 75, 25}},
        };
        for (const auto& f : fixed)
            QCOMPARE(f.widget->geometry(), f.geometry);
        const struct {
            QWidget* widget;
            QPoint topLeft;
        } fitting[] = {
            {box->Version, {72, 102}},  {box->Copyright, {72, 124}},
            {box->Comments, {72, 146}}, {box->lblWebAddress, {72, 168}},
            {box->lblEmail, {72, 192}}, {box->lbl1, {72, 11}},
            {box->lbl2, {72, 29}},
        };
        for (const auto& f : fitting)
            QCOMPARE(f.widget->pos(), f.topLeft);
        QCOMPARE(box->lblFreeMem->y(), 11);
        QCOMPARE(box->lblResources->y(), 29);
        QCOMPARE(box->lbl1->text(), QString("Physical Memory Available to Linux:"));
        QCOMPARE(box->lbl2->text(), QString("Memory in Use"));
        QCOMPARE(box->imgProgramIcon->pixmap().size(), QSize(32, 32));
        QVERIFY(box->CompanyName->font().bold());
        QVERIFY(box->ProductName->font().pointSize() > box->CompanyName->font().pointSize());
        QVERIFY(box->lblWebAddress->font().underline());
        QCOMPARE(box->lblEmail->palette().color(QPalette::WindowText), QColor(Qt::blue));
        QCOMPARE(box->lblEmail->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(box->btnOK->isDefault());
        // Every component carries its name.
        for (const char* name :
             {"imgProgramIcon", "CompanyName", "ProductName", "Version", "Copyright", "Comments",
              "lblWebAddress", "lblEmail", "bvl1", "pnl1", "lbl1", "lblFreeMem", "lbl2",
              "lblResources", "Platform", "btnOK"})
            QVERIFY2(box->findChild<QWidget*>(name) != nullptr, name);
    }

    // Run by about_box_scaled_test with QT_SCALE_FACTOR=2: a font without
    // outlines would be drawn as tiny, spaced-out letters there.
    void labelsUseScalableFontsOnAScaledScreen() {
        if (qFuzzyCompare(qGuiApp->devicePixelRatio(), 1.0))
            QSKIP("only on a scaled screen");
        const info::StaticVersionInformation version(TestData());
        const auto box = Shown(version);
        for (QLabel* label : box->findChildren<QLabel*>()) {
            const QString family = QFontInfo(label->font()).family();
            QVERIFY2(QFontDatabase::isSmoothlyScalable(family),
                     qPrintable(label->objectName() + ": " + family));
        }
    }

    void linksHandTheirTargetsToTheDesktop() {
        const info::StaticVersionInformation version(TestData());
        const auto box = Shown(version);
        QTest::mouseClick(box->lblWebAddress, Qt::LeftButton);
        QTest::mouseClick(box->lblEmail, Qt::LeftButton);
        // A right click is no click.
        QTest::mouseClick(box->lblEmail, Qt::RightButton);
        QCOMPARE(opener_.Targets(),
                 (std::vector<std::string>{info::MakerWebTarget(), info::MakerEmailTarget()}));
        QCOMPARE(info::MakerWebTarget(), std::string("http://www.example.com"));
        QVERIFY(box->isVisible());
    }

    // Tab goes from OK to the links; a screen reader finds links to press.
    void linksAreReachedAndOpenedByTheKeyboard() {
        const info::StaticVersionInformation version(TestData());
        const auto box = Shown(version);
        QCOMPARE(box->focusWidget(), box->btnOK);
        QTest::keyClick(box->btnOK, Qt::Key_Tab);
        QCOMPARE(box->focusWidget(), box->lblWebAddress);
        QTest::keyClick(box->lblWebAddress, Qt::Key_Return);
        QTest::keyClick(box->lblWebAddress, Qt::Key_Tab);
        QCOMPARE(box->focusWidget(), box->lblEmail);
        QTest::keyClick(box->lblEmail, Qt::Key_Space);
        QAccessible::setActive(true);
        QAccessibleInterface* link = QAccessible::queryAccessibleInterface(box->lblEmail);
        QCOMPARE(link->role(), QAccessible::Link);
        QCOMPARE(link->text(QAccessible::Name), box->lblEmail->text());
        link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(opener_.Targets().size(), std::size_t{3});
        QCOMPARE(opener_.Targets(),
                 (std::vector<std::string>{info::MakerWebTarget(), info::MakerEmailTarget(),
                                           info::MakerEmailTarget()}));
    }

    void aFailureToOpenIsReportedAndTheBoxStaysOpen() {
        const info::StaticVersionInformation version(TestData());
        const auto box = Shown(version);
        opener_.AnswerNext(OpenOutcome::NotStarted(ENOENT));
        QString title, text;
        bool hasIcon = true;
        int buttons = 0;
        QWidget* parent = nullptr;
        ModalDriver driver([&](QWidget* modal) {
            auto* message = qobject_cast<QMessageBox*>(modal);
            if (message != nullptr) {
                title = message->windowTitle();
                text = message->text();
                hasIcon = message->icon() != QMessageBox::NoIcon;
                buttons = static_cast<int>(message->buttons().size());
                parent = message->parentWidget();
            }
            QTest::keyClick(modal, Qt::Key_Return);
        });
        QTest::mouseClick(box->lblWebAddress, Qt::LeftButton);
        QVERIFY(!driver.timedOut);
        QCOMPARE(title, QString(info::kExploreWebCaption));
        QCOMPARE(text, QString("Error: File not found"));
        QVERIFY(!hasIcon);
        QCOMPARE(buttons, 1);
        QCOMPARE(parent, box.get());
        QVERIFY(box->isVisible());
    }

    void aFailureWhenTheOpenerEndsIsReportedThen() {
        const info::StaticVersionInformation version(TestData());
        const auto box = Shown(version);
        opener_.AnswerNext(OpenOutcome{});
        QString text;
        ModalDriver driver([&](QWidget* modal) {
            if (auto* message = qobject_cast<QMessageBox*>(modal))
                text = message->text();
            QTest::keyClick(modal, Qt::Key_Return);
        });
        QTest::mouseClick(box->lblEmail, Qt::LeftButton);
        QVERIFY(text.isEmpty());
        opener_.LastRequest()->Finish(OpenOutcome::ExitedWith(3));
        QTRY_COMPARE_WITH_TIMEOUT(text, QString("Error Nr:31 in ShellExecute"), 5000);
        QVERIFY(!driver.timedOut);
    }

    void showAboutBoxShowsModallyAndDestroysTheBox() {
        QWidget owner;
        const info::StaticVersionInformation version(TestData());
        QString shownVersion;
        bool wasModal = false;
        bool closedByEscape = false;
        ModalDriver driver([&](QWidget* modal) {
            auto* box = qobject_cast<TfrmAboutBox*>(modal);
            if (box != nullptr) {
                wasModal = box->isModal();
                shownVersion = box->Version->text();
                // Esc does not close it; Enter presses OK.
                QTest::keyClick(box, Qt::Key_Escape);
                closedByEscape = !box->isVisible();
                if (closedByEscape)
                    return;
            }
            QTest::keyClick(modal, Qt::Key_Return);
        });
        info::ShowAboutBox(&owner, Services(version));
        QVERIFY(!driver.timedOut);
        QVERIFY(wasModal);
        QVERIFY(!closedByEscape);
        QCOMPARE(shownVersion, QString("Version 1.4 (Build 2.9)"));
        QVERIFY(owner.findChildren<TfrmAboutBox*>().isEmpty());
    }

    void noBoxOpensWhileTheProgramIsTerminating() {
        const info::StaticVersionInformation version(TestData());
        ui::Termination::Instance().Request();
        ModalDriver driver([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Return); }, 2000);
        info::ShowAboutBox(nullptr, Services(version));
        QVERIFY(ui::Termination::Instance().Terminating());
        QCOMPARE(driver.seen, nullptr);
    }
};

QTEST_MAIN(AboutBoxTest)
#include "AboutBoxTest.moc"
