// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "setup/TrayRepair.h"

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QTableWidget;

namespace kevo::mainwindow {

// The preview of a tray repair: each line of the plan, the repaired ones
// with their old and new bins and driver, the others with the reason they
// are left alone. OK (accept) applies the plan, Cancel changes nothing;
// a plan that repairs no line has OK disabled and says so.
class RepairTraysDialog : public QDialog {
    Q_OBJECT
public:
    explicit RepairTraysDialog(const setup::TrayRepairPlan& plan, QWidget* parent = nullptr);

    QLabel* lblSummary = nullptr;
    QTableWidget* lstLines = nullptr;
    QDialogButtonBox* btnBox = nullptr;
};

} // namespace kevo::mainwindow
