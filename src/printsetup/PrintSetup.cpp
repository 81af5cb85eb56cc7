// SPDX-License-Identifier: Apache-2.0
#include "printsetup/PrintSetup.h"

#include "messages/Prompter.h"
#include "ui/AppFont.h"
#include "ui/Centre.h"
#include "ui/QtText.h"
#include "ui/Termination.h"
#include "ui/WaitCursor.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QStyle>

#include <algorithm>

namespace kevo::printsetup {
namespace {

// The dialog's layout at its normal size: client area 433 pixels wide.
// Wider, Cancel keeps its distance to the right edge and the group boxes and
// the printer list stretch with the width.
constexpr int kDesignClientWidth = 433;
constexpr int kDesignOuterWidth = 441;
constexpr int kMinimumOuterWidth = 341;
constexpr int kOkTop = 236;

QComboBox* MakeList(QWidget* parent, const char* name, int left, int top, int width) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setCompleter(nullptr);
    list->setGeometry(left, top, width, 21);
    return list;
}

// A label's text as a screen reader says it: without the "&" that marks
// its access key ("&&" stands for one "&").
QString WithoutAccessKeyMark(const QString& text) {
    QString plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

// Ties a list to the label in front of it: the label's access key moves
// to the list, and the list takes the label's text as its accessible name.
// On Linux Qt names a list by its value and leaves the label to the
// "labelled by" relation that the buddy gives; an editable list's line
// edit, which a screen reader is on while the list has the focus, takes
// the name as well.
void TieToLabel(QLabel* label, QComboBox* list) {
    label->setBuddy(list);
    const QString name = WithoutAccessKeyMark(label->text());
    list->setAccessibleName(name);
    list->lineEdit()->setAccessibleName(name);
}

// A list's text shows its start, as a drop-down list does: the line edit
// scrolls to its caret, which setting the text or selecting it all (when
// the list takes the focus) puts at the end. A whole selection stays.
void ShowStart(QComboBox* widget) {
    QLineEdit* edit = widget->lineEdit();
    const auto length = static_cast<int>(edit->text().size());
    if (length > 0 && edit->selectedText().size() == length)
        edit->setSelection(length, -length);
    else
        edit->setCursorPosition(0);
}

void ShowList(QComboBox* widget, const CatalogueList& list) {
    QStringList items;
    for (const auto& item : list.items)
        items << ui::ToQString(item);
    bool same = widget->count() == items.size();
    for (int i = 0; same && i < items.size(); ++i)
        same = widget->itemText(i) == items[i];
    if (!same) {
        widget->clear();
        widget->addItems(items);
    }
    // While the user types, the list already shows the text: setting it
    // again would move the caret to the end and lose the undo history.
    const QString text = ui::ToQString(list.shownText);
    if (same && widget->currentText() == text)
        return;
    widget->setCurrentIndex(list.selected);
    widget->setEditText(text);
    ShowStart(widget);
}

} // namespace

TfrmPrintSetup::TfrmPrintSetup(printers::InstalledPrinters& printers, messages::Prompter& prompter,
                               QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      catalogue_(printers), logic_(catalogue_), prompter_(prompter) {
    setObjectName(QStringLiteral("frmPrintSetup"));
    setWindowTitle(ui::ToQString(kPrintSetupCaption));
    setFont(ui::ProgramFont(8));
    setBackgroundRole(QPalette::Button);
    BuildLayout();
    catalogue_.SetWaitPointer(this);
    FormCreate();
}

TfrmPrintSetup::~TfrmPrintSetup() {
    catalogue_.SetWaitPointer(nullptr);
}

void TfrmPrintSetup::BuildLayout() {
    gbPrinter = new QGroupBox(QStringLiteral("Printer"), this);
    gbPrinter->setObjectName(QStringLiteral("gbPrinter"));
    gbPrinter->setGeometry(8, 8, 417, 89);
    lbl1 = ui::MakeLabel(gbPrinter, "lbl1", QStringLiteral("Name:"), 16, 28);
    cboPrinters = MakeList(gbPrinter, "cboPrinters", 64, 24, 345);
    lbl2 = ui::MakeLabel(gbPrinter, "lbl2", QStringLiteral("Port:"), 64, 52);
    lblPort = ui::MakeLabel(gbPrinter, "lblPort", QString(), 104, 52);
    Label1 = ui::MakeLabel(gbPrinter, "Label1", QStringLiteral("Driver:"), 64, 68);
    lblDriver = ui::MakeLabel(gbPrinter, "lblDriver", QString(), 104, 68);

    gbPaper = new QGroupBox(QStringLiteral("Paper"), this);
    gbPaper->setObjectName(QStringLiteral("gbPaper"));
    gbPaper->setGeometry(8, 104, 417, 121);
    lbl3 = ui::MakeLabel(gbPaper, "lbl3", QStringLiteral("Source 1:"), 8, 24);
    cboTray1 = MakeList(gbPaper, "cboTray1", 64, 20, 145);
    cboTray1Num = MakeList(gbPaper, "cboTray1Num", 232, 20, 73);
    cboTray1Num->hide();
    chkUseSecondTray = new QCheckBox(QStringLiteral("Use Additional Paper Tray"), gbPaper);
    chkUseSecondTray->setObjectName(QStringLiteral("chkUseSecondTray"));
    // The caption stands to the left of the box.
    chkUseSecondTray->setLayoutDirection(Qt::RightToLeft);
    // Its box stands under the end of the first list; the caption reaches
    // further left where the font needs more room than the design gave it.
    const int checkWidth = std::max(145, chkUseSecondTray->sizeHint().width());
    chkUseSecondTray->setGeometry(64 + 145 - checkWidth, 54, checkWidth, 17);
    lbl4 = ui::MakeLabel(gbPaper, "lbl4", QStringLiteral("Source 2:"), 8, 88);
    cboTray2 = MakeList(gbPaper, "cboTray2", 64, 84, 145);
    cboTray2Num = MakeList(gbPaper, "cboTray2Num", 232, 84, 73);
    cboTray2Num->hide();
    TieToLabel(lbl1, cboPrinters);
    TieToLabel(lbl3, cboTray1);
    TieToLabel(lbl4, cboTray2);

    bbtnOK = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"),
                             this);
    bbtnOK->setObjectName(QStringLiteral("bbtnOK"));
    bbtnOK->setGeometry(48, kOkTop, 75, 25);
    bbtnOK->setDefault(true);
    bbtnCancel = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                                 QStringLiteral("Cancel"), this);
    bbtnCancel->setObjectName(QStringLiteral("bbtnCancel"));
    bbtnCancel->setGeometry(304, kOkTop, 75, 25);
    connect(bbtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(bbtnCancel, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(gbPrinter, cboPrinters);
    setTabOrder(cboPrinters, cboTray1);
    setTabOrder(cboTray1, chkUseSecondTray);
    setTabOrder(chkUseSecondTray, cboTray2);
    setTabOrder(cboTray2, bbtnOK);
    setTabOrder(bbtnOK, bbtnCancel);

    // Picking an entry and typing into a list both run the list's handler.
    // A picked entry shows its start too.
    connect(cboPrinters, &QComboBox::activated, this, [this](int position) {
        UserAction([&] { logic_.PickPrinter(position); });
        ShowStart(cboPrinters);
    });
    connect(cboTray1, &QComboBox::activated, this, [this](int position) {
        UserAction([&] { logic_.PickTray1(position); });
        ShowStart(cboTray1);
    });
    connect(cboTray2, &QComboBox::activated, this, [this](int position) {
        UserAction([&] { logic_.PickTray2(position); });
        ShowStart(cboTray2);
    });
    for (QComboBox* list : {cboPrinters, cboTray1, cboTray2})
        list->installEventFilter(this);
    connect(cboPrinters->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        UserAction([&] { logic_.TypePrinter(ui::ToBytes(text)); });
    });
    connect(cboTray1->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        UserAction([&] { logic_.TypeTray1(ui::ToBytes(text)); });
    });
    connect(cboTray2->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        UserAction([&] { logic_.TypeTray2(ui::ToBytes(text)); });
    });
    connect(chkUseSecondTray, &QCheckBox::clicked, this,
            [this] { UserAction([&] { logic_.ClickUseSecondTray(); }); });
}

void TfrmPrintSetup::FormCreate() {
    // The height is fixed to the OK button's top plus 34; only the width
    // can change, and not below the minimum.
    const int clientHeight = kOkTop + 34;
    setFixedHeight(clientHeight);
    setMinimumWidth(kMinimumOuterWidth - (kDesignOuterWidth - kDesignClientWidth));
    resize(kDesignClientWidth, clientHeight);
    printers::OpenPrinters(prompter_, [this] { logic_.Catalogue().FormCreate(); });
    Refresh();
}

template <typename Action> void TfrmPrintSetup::UserAction(Action action) {
    if (refreshing_)
        return;
    try {
        action();
    } catch (const std::exception& error) {
        Refresh();
        prompter_.ShowErrorReport(error.what());
    }
    Refresh();
}

void TfrmPrintSetup::Refresh() {
    refreshing_ = true;
    const PrinterCatalogue& catalogue = logic_.Catalogue();
    setWindowTitle(ui::ToQString(logic_.Caption()));
    // The printer list is taken when the dialog first opens, not when it
    // is made: a check run needs only the printers that its lines name.
    if (catalogue.PrinterListTaken())
        ShowList(cboPrinters, catalogue.cboPrinters());
    ShowList(cboTray1, catalogue.cboTray1());
    ShowList(cboTray1Num, catalogue.cboTray1Num());
    ShowList(cboTray2, catalogue.cboTray2());
    ShowList(cboTray2Num, catalogue.cboTray2Num());
    lblPort->setText(ui::ToQString(catalogue.lblPort()));
    lblPort->adjustSize();
    lblDriver->setText(ui::ToQString(catalogue.lblDriver()));
    lblDriver->adjustSize();
    chkUseSecondTray->setChecked(logic_.UseSecondTray());
    cboTray2->setEnabled(logic_.Tray2Enabled());
    // Lists left incomplete by a failing printer belong to no printer, and
    // the stand-in bins of a printer that could not be asked are none of
    // its own: OK would store them.
    bbtnOK->setEnabled(catalogue.BinListsComplete() && !catalogue.BinsUnknown());
    refreshing_ = false;
}

bool TfrmPrintSetup::ShowModal() {
    // A pending termination request closes the dialog at once with Cancel.
    if (ui::Termination::Instance().TakesEffectBeforeModal())
        return false;
    // FormShow runs once per showing here, not on every show event: the
    // window system shows the dialog again on a restore or a desktop switch,
    // and that must not undo the user's tick.
    logic_.Catalogue().TakeList();
    logic_.FormShow();
    Refresh();
    const int result = exec();
    return result == QDialog::Accepted && !ui::Termination::Instance().Terminating();
}

void TfrmPrintSetup::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui::CentreOnScreen(this);
    cboPrinters->setFocus();
}

bool TfrmPrintSetup::eventFilter(QObject* watched, QEvent* event) {
    // A list taking the focus selects its text; it still shows its start.
    if (event->type() == QEvent::FocusIn) {
        for (QComboBox* list : {cboPrinters, cboTray1, cboTray2}) {
            if (watched == list) {
                static_cast<QObject*>(list)->event(event);
                ShowStart(list);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmPrintSetup::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int grow = width() - kDesignClientWidth;
    gbPrinter->resize(417 + grow, 89);
    cboPrinters->resize(345 + grow, 21);
    gbPaper->resize(417 + grow, 121);
    bbtnCancel->move(304 + grow, kOkTop);
}

void TfrmPrintSetup::ShowWaitPointer() {
    ui::WaitCursor::Hold();
}

void TfrmPrintSetup::ShowNormalPointer() {
    ui::WaitCursor::Release();
}

} // namespace kevo::printsetup
