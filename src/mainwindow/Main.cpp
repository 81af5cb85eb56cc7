// SPDX-License-Identifier: Apache-2.0
#include "mainwindow/Main.h"

#include "info/AboutBoxUnit.h"
#include "info/help.h"
#include "mainwindow/ConfigTableModel.h"
#include "mainwindow/ConflictDialog.h"
#include "mainwindow/GridLayout.h"
#include "setup/Messages.h"
#include "mainwindow/RepairTraysDialog.h"
#include "mainwindow/SetupFileWatch.h"
#include "mainwindow/StringGrid.h"
#include "ui/AppFont.h"
#include "ui/HostWindow.h"
#include "ui/QtText.h"
#include "ui/Termination.h"
#include "ui/WaitCursor.h"
#include "resources/KevoResources.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace kevo::mainwindow {

TForm1::TForm1(printers::InstalledPrinters& printers, messages::Prompter& prompter, QWidget* splash,
               QWidget* parent)
    : QMainWindow(parent), splash_(splash), logic_(printers, prompter, *this) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(ui::ToQString(setup::kMainWindowTitle));
    resize(610, 455);
    setFont(ui::ProgramFont(8));
    setBackgroundRole(QPalette::Button);

    model_ = std::make_unique<ConfigTableModel>(logic_.Table());
    StringGrid1 = new StringGrid(this);
    StringGrid1->setModel(model_.get());
    StringGrid1->setAccessibleName(QString::fromLatin1(setup::kGridAccessibleName));
    BuildNoticeBar();
    StringGrid1->setFocus();

    connect(StringGrid1, &StringGrid::RightButtonDown, this,
            [this](int line) { logic_.Table().RightButtonDown(line); });
    connect(StringGrid1, &StringGrid::MouseButtonUp, this,
            [this] { logic_.Table().MouseButtonUp(); });
    connect(model_.get(), &ConfigTableModel::PanelTextChanged, this, &TForm1::ShowPanel);
    connect(StringGrid1, &StringGrid::DoubleClicked, this, [this] {
        logic_.StringGrid1DblClick();
        FocusGrid();
    });

    BuildMenus();
    BuildStatusBar();
}

TForm1::~TForm1() = default;

void TForm1::BuildMenus() {
    QMenu* menu = nullptr;
    const auto add = [this, &menu](const char* name, const QString& caption,
                                   const QKeySequence& keys, int picture, auto handler) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(keys);
        // Shortcuts reach the menu before the grid, so Ctrl+C, Ctrl+A and
        // Del are commands here and never copy, select all or delete.
        action->setShortcutContext(Qt::WindowShortcut);
        if (picture >= 0)
            action->setIcon(QIcon(resources::MenuPicturePixmap(picture)));
        connect(action, &QAction::triggered, this, [this, handler] {
            handler();
            FocusGrid();
        });
        return action;
    };
    constexpr int kNoPicture = -1;

    mnuFile = menu = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFileCheckPrinter = add("mnuFileCheckPrinter", QStringLiteral("Re&check Printers"),
                              QKeySequence(Qt::CTRL | Qt::Key_C), resources::PictureRecheck,
                              [this] { logic_.btnRecheckClick(); });
    mnuFileReloadDetails = add("mnuFileReloadDetails", QStringLiteral("Re&load Details"),
                               QKeySequence(Qt::CTRL | Qt::Key_L), resources::PictureReload,
                               [this] { logic_.mnuFileReloadDetailsClick(); });
    mnuFileSaveIni =
        add("mnuFileSaveIni", QStringLiteral("&Save Details"), QKeySequence(Qt::CTRL | Qt::Key_S),
            resources::PictureSave, [this] { logic_.btnSaveIniClick(); });
    mnuFile->addSeparator()->setObjectName(QStringLiteral("N1"));
    mnuFileExit = add("mnuFileExit", QStringLiteral("E&xit"), QKeySequence(), kNoPicture,
                      [this] { mnuFileExitClick(); });

    mnuEdit = menu = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuEditClearPrinter =
        add("mnuEditClearPrinter", QStringLiteral("&Clear Printer"), QKeySequence(Qt::Key_Delete),
            resources::PictureClear, [this] { logic_.btnClearLineClick(); });
    mnuEditAll =
        add("mnuEditAll", QStringLiteral("Edit &All Printers"), QKeySequence(Qt::CTRL | Qt::Key_A),
            kNoPicture, [this] { logic_.mnuEditAllClick(); });
    mnuEditEditPrinter = add("mnuEditEditPrinter", QStringLiteral("&Edit Printer"),
                             QKeySequence(Qt::CTRL | Qt::Key_E), kNoPicture,
                             [this] { logic_.StringGrid1DblClick(); });
    mnuEditRepairTrays = add("mnuEditRepairTrays", QStringLiteral("&Repair Trays..."),
                             QKeySequence(), kNoPicture, [this] { mnuEditRepairTraysClick(); });

    mnuHelp = menu = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpHelp = add("mnuHelpHelp", QStringLiteral("&Help"), QKeySequence(Qt::Key_F1),
                      resources::PictureHelp, [this] { mnuHelpHelpClick(); });
    mnuHelpAbout = add("mnuHelpAbout", QStringLiteral("&About"), QKeySequence(), kNoPicture,
                       [this] { mnuHelpAboutClick(); });
}

void TForm1::FocusGrid() {
    // A command that disabled the windows (a recheck) took the focus from
    // the grid, and enabling them does not give it back: the arrow keys
    // and Enter would do nothing until a click or Tab.
    StringGrid1->setFocus(Qt::OtherFocusReason);
}

void TForm1::mnuEditRepairTraysClick() {
    logic_.RunCommand([this] {
        const setup::TrayRepairPlan plan = logic_.PlanTrayRepair();
        RepairTraysDialog preview(plan, this);
        if (preview.exec() == QDialog::Accepted)
            logic_.ApplyTrayRepair(plan);
    });
}

void TForm1::mnuHelpHelpClick() {
    logic_.RunCommand([this] { info::ShowHelp(this); });
}

void TForm1::mnuHelpAboutClick() {
    logic_.RunCommand([this] { info::ShowAboutBox(this); });
}

void TForm1::BuildNoticeBar() {
    auto* centre = new QWidget(this);
    auto* column = new QVBoxLayout(centre);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    pnlNotice = new QFrame(centre);
    pnlNotice->setObjectName(QStringLiteral("pnlNotice"));
    pnlNotice->setFrameStyle(QFrame::Panel | QFrame::Raised);
    pnlNotice->setAutoFillBackground(true);
    pnlNotice->setBackgroundRole(QPalette::ToolTipBase);
    auto* row = new QHBoxLayout(pnlNotice);
    row->setContentsMargins(4, 2, 2, 2);
    lblNotice = new QLabel(pnlNotice);
    lblNotice->setObjectName(QStringLiteral("lblNotice"));
    lblNotice->setTextFormat(Qt::PlainText);
    lblNotice->setWordWrap(true);
    lblNotice->setForegroundRole(QPalette::ToolTipText);
    btnCloseNotice = new QToolButton(pnlNotice);
    btnCloseNotice->setObjectName(QStringLiteral("btnCloseNotice"));
    btnCloseNotice->setText(QStringLiteral("\u00D7"));
    btnCloseNotice->setAccessibleName(QStringLiteral("Close the notice"));
    btnCloseNotice->setAutoRaise(true);
    connect(btnCloseNotice, &QToolButton::clicked, this, [this] {
        pnlNotice->hide();
        FocusGrid();
    });
    row->addWidget(lblNotice, 1);
    row->addWidget(btnCloseNotice, 0, Qt::AlignTop);
    pnlNotice->hide();
    column->addWidget(pnlNotice);
    column->addWidget(StringGrid1, 1);
    setCentralWidget(centre);
}

void TForm1::ShowNotice(const std::string& text) {
    lblNotice->setText(ui::ToQString(text));
    pnlNotice->show();
}

std::optional<setup::ConflictChoice>
TForm1::AskConflicts(const std::vector<setup::SetupConflict>& conflicts) {
    ConflictDialog dialog(conflicts, this);
    dialog.exec();
    return dialog.Choice();
}

void TForm1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Changes on a network share reach no watcher: the file is looked at
    // whenever the user comes back to the window.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && watch_ != nullptr)
        watch_->LookSoon();
}

void TForm1::BuildStatusBar() {
    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(true);
    bar->setFixedHeight(19);
    auto* row = new QWidget(bar);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int panel = 0; panel < setup::kPanelCount; ++panel) {
        auto* label = new QLabel(row);
        label->setObjectName(QStringLiteral("Panel%1").arg(panel));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        label->setContentsMargins(2, 0, 2, 0);
        if (panel < setup::kPanelCount - 1) {
            label->setFixedWidth(kPanelWidths[static_cast<std::size_t>(panel)]);
            layout->addWidget(label);
        } else {
            // The last panel reaches to the right edge of the bar.
            label->setMinimumWidth(kPanelWidths[static_cast<std::size_t>(panel)]);
            layout->addWidget(label, 1);
        }
        panels_[static_cast<std::size_t>(panel)] = label;
    }
    bar->addWidget(row, 1);
    setStatusBar(bar);
}

void TForm1::ShowPanel(int panel) {
    if (panel >= 0 && panel < setup::kPanelCount)
        panels_[static_cast<std::size_t>(panel)]->setText(
            ui::ToQString(logic_.Table().Panel(panel)));
}

void TForm1::StartUp(const std::vector<std::string>& arguments, const setup::PathContext& context) {
    logic_.StartUp(arguments, context);
    StringGrid1->SetColumnWidths(kColumnWidths);
    StringGrid1->SelectCell(1, 1);
    // A run that ends with its start-up (run modes 1 and 2 without errors)
    // shows no window and watches nothing: giving a file watch back to the
    // system at the end costs it a moment (about 10 ms on Linux).
    if (ui::Termination::Instance().Requested())
        return;
    // Another program's changes are taken while no modal window is open
    // (a message, the print setup dialog, the recheck's disabled windows).
    watch_ = new SetupFileWatch(
        logic_.SetupFileName(),
        [this] { return QApplication::activeModalWidget() == nullptr && isEnabled(); },
        [this](const setup::SetupSnapshot& disk) { logic_.TakeOtherProgramsChanges(disk); }, this);
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        QTimer::singleShot(0, this, &TForm1::FormShow);
    }
}

void TForm1::FormShow() {
    ui::WaitCursor::Set(false);
    // Let the window paint and settle for a moment before asking for the
    // foreground, staying responsive meanwhile.
    QEventLoop settle;
    QTimer::singleShot(100, &settle, &QEventLoop::quit);
    settle.exec();
    ui::BringToFrontOverHost(this);
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (logic_.FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

void TForm1::mnuFileExitClick() {
    close();
}

void TForm1::ShowSplash() {
    if (splash_ == nullptr)
        return;
    splash_->show();
    splash_->raise();
    splash_->repaint();
}

void TForm1::HideSplash() {
    if (splash_ != nullptr)
        splash_->hide();
}

void TForm1::BringSplashToFront() {
    ui::BringToFrontOverHost(splash_);
}

void TForm1::DisableWindows() {
    disabled_.clear();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != splash_ && window->isVisible() && window->isEnabled()) {
            window->setEnabled(false);
            disabled_.push_back(window);
        }
    }
}

void TForm1::EnableWindows() {
    for (QWidget* window : disabled_)
        window->setEnabled(true);
    disabled_.clear();
}

void TForm1::RepaintGrid() {
    StringGrid1->viewport()->update();
    StringGrid1->verticalHeader()->viewport()->update();
}

int TForm1::CurrentLine() const {
    return StringGrid1->CurrentLine();
}

std::pair<int, int> TForm1::SelectedLines() const {
    return StringGrid1->SelectedLines();
}

void TForm1::SetWaitCursor(bool wait) {
    ui::WaitCursor::Set(wait);
}

void TForm1::RequestTermination() {
    ui::Termination::Instance().Request();
}

bool TForm1::TerminationRequested() {
    // A request posted while the windows were created takes effect once the
    // events are processed.
    QCoreApplication::processEvents();
    return ui::Termination::Instance().Terminating();
}

} // namespace kevo::mainwindow
