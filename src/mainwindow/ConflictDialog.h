// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "setup/SetupMerge.h"

#include <QDialog>

#include <optional>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace kevo::mainwindow {

// Asks what a save does with the values that another program changed in the
// setup file while the user changed them too: one row per value (line,
// name, key, the other program's value, the user's), and three answers:
// keep mine, take theirs (for every listed value), or cancel the save.
class ConflictDialog : public QDialog {
    Q_OBJECT
public:
    explicit ConflictDialog(const std::vector<setup::SetupConflict>& conflicts,
                            QWidget* parent = nullptr);

    // The answer once the dialog has closed; nothing when cancelled.
    std::optional<setup::ConflictChoice> Choice() const { return choice_; }

    QLabel* lblQuestion = nullptr;
    QTableWidget* lstConflicts = nullptr;
    QPushButton* btnKeepMine = nullptr;
    QPushButton* btnTakeTheirs = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    std::optional<setup::ConflictChoice> choice_;
};

} // namespace kevo::mainwindow
