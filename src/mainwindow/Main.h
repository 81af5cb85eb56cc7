// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "setup/MainWindowLogic.h"

#include <QMainWindow>

#include <memory>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QToolButton;

namespace kevo::mainwindow {

class ConfigTableModel;
class SetupFileWatch;
class StringGrid;

// The main window: menu bar, the grid of the configuration table, and the
// status bar with its three panels. Its logic is MainWindowLogic; this class shows
// it and forwards the user's commands to it.
class TForm1 : public QMainWindow, public setup::MainWindowUi {
    Q_OBJECT
public:
    // splash is the program's splash window, shown while a recheck runs.
    TForm1(printers::InstalledPrinters& printers, messages::Prompter& prompter, QWidget* splash,
           QWidget* parent = nullptr);
    ~TForm1() override;

    setup::MainWindowLogic& Logic() { return logic_; }
    StringGrid* Grid() const { return StringGrid1; }
    QLabel* Panel(int panel) const { return panels_[static_cast<std::size_t>(panel)]; }

    // The program's start-up (see MainWindowLogic::StartUp), then the
    // table's layout.
    void StartUp(const std::vector<std::string>& arguments, const setup::PathContext& context);

    // MainWindowUi
    void ShowSplash() override;
    void HideSplash() override;
    void BringSplashToFront() override;
    void DisableWindows() override;
    void EnableWindows() override;
    void RepaintGrid() override;
    int CurrentLine() const override;
    std::pair<int, int> SelectedLines() const override;
    void SetWaitCursor(bool wait) override;
    void RequestTermination() override;
    bool TerminationRequested() override;
    std::optional<setup::ConflictChoice>
    AskConflicts(const std::vector<setup::SetupConflict>& conflicts) override;
    void ShowNotice(const std::string& text) override;

    // The bar above the grid that tells what another program changed.
    QFrame* pnlNotice = nullptr;
    QLabel* lblNotice = nullptr;
    QToolButton* btnCloseNotice = nullptr;

    QMenu* mnuFile = nullptr;
    QAction* mnuFileCheckPrinter = nullptr;
    QAction* mnuFileReloadDetails = nullptr;
    QAction* mnuFileSaveIni = nullptr;
    QAction* mnuFileExit = nullptr;
    QMenu* mnuEdit = nullptr;
    QAction* mnuEditClearPrinter = nullptr;
    QAction* mnuEditAll = nullptr;
    QAction* mnuEditEditPrinter = nullptr;
    QAction* mnuEditRepairTrays = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpHelp = nullptr;
    QAction* mnuHelpAbout = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildStatusBar();
    void BuildNoticeBar();
    void FormShow();
    // After every command the keyboard works the grid again.
    void FocusGrid();
    void mnuFileExitClick();
    void mnuEditRepairTraysClick();
    void mnuHelpHelpClick();
    void mnuHelpAboutClick();
    void ShowPanel(int panel);

    QWidget* splash_;
    setup::MainWindowLogic logic_;
    std::unique_ptr<ConfigTableModel> model_;
    SetupFileWatch* watch_ = nullptr;
    StringGrid* StringGrid1 = nullptr;
    std::array<QLabel*, 3> panels_{};
    std::vector<QWidget*> disabled_;
    bool shown_ = false;
};

} // namespace kevo::mainwindow
