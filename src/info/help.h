// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>

#include <array>

class QLabel;
class QPlainTextEdit;
class QTabWidget;

namespace kevo::info {

// The help window: a page of prose help and the list of shortcut keys on
// two tabs. Its content is fixed; a fresh window is made for every showing,
// so it always opens on the first tab with the stored text.
class TfrmHelp : public QDialog {
    Q_OBJECT
public:
    explicit TfrmHelp(QWidget* parent = nullptr);

    QTabWidget* pgc1 = nullptr;
    QWidget* tbsHelp = nullptr;
    QPlainTextEdit* memHelp = nullptr;
    QWidget* tbsShortcutKeys = nullptr;
    // lbl1 to lbl10, top to bottom.
    std::array<QLabel*, 10> shortcutLabels{};

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// The main window's "Help" command: creates a help window, shows it modally
// and destroys it, also when the showing ends by an error.
void ShowHelp(QWidget* owner);

} // namespace kevo::info
