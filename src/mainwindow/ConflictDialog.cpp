// SPDX-License-Identifier: Apache-2.0
#include "mainwindow/ConflictDialog.h"

#include "ui/AppFont.h"
#include "ui/QtText.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace kevo::mainwindow {

namespace {

// A value as the dialog shows it; a side without the section says so.
QString Shown(const std::string& value, bool present) {
    if (!present)
        return QStringLiteral("(no section)");
    return ui::ToQString(value);
}

} // namespace

ConflictDialog::ConflictDialog(const std::vector<setup::SetupConflict>& conflicts, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmConflicts"));
    setWindowTitle(QStringLiteral("Setup File Changed"));
    setFont(ui::ProgramFont(8));

    lblQuestion = new QLabel(this);
    lblQuestion->setObjectName(QStringLiteral("lblQuestion"));
    lblQuestion->setWordWrap(true);
    lblQuestion->setText(QStringLiteral(
        "Another program changed the setup file since you opened it, and changed these values "
        "that you changed too. Every other change of theirs and of yours is saved as it is.\n"
        "Which values are saved?"));

    lstConflicts = new QTableWidget(static_cast<int>(conflicts.size()), 5, this);
    lstConflicts->setObjectName(QStringLiteral("lstConflicts"));
    lstConflicts->setAccessibleName(QStringLiteral("Values changed on both sides"));
    lstConflicts->setHorizontalHeaderLabels(
        {"Line", "Name", "Key", "Other program's value", "Your value"});
    lstConflicts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstConflicts->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstConflicts->verticalHeader()->hide();
    lstConflicts->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    lstConflicts->setWordWrap(false);
    for (int row = 0; row < lstConflicts->rowCount(); ++row) {
        const setup::SetupConflict& conflict = conflicts[static_cast<std::size_t>(row)];
        const QString texts[] = {
            QString::number(conflict.line),
            ui::ToQString(conflict.name),
            conflict.key.empty() ? QStringLiteral("(whole section)")
                                 : ui::ToQString(conflict.key),
            Shown(conflict.theirs, conflict.theirsPresent),
            Shown(conflict.mine, conflict.minePresent),
        };
        for (int column = 0; column < 5; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            item->setToolTip(texts[column]);
            lstConflicts->setItem(row, column, item);
        }
    }
    lstConflicts->resizeColumnsToContents();
    lstConflicts->horizontalHeader()->setStretchLastSection(true);
    int width = 2 * lstConflicts->frameWidth() +
                lstConflicts->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < lstConflicts->columnCount(); ++column)
        width += lstConflicts->columnWidth(column);

    btnKeepMine = new QPushButton(QStringLiteral("&Keep Mine"), this);
    btnKeepMine->setObjectName(QStringLiteral("btnKeepMine"));
    btnKeepMine->setDefault(true);
    btnTakeTheirs = new QPushButton(QStringLiteral("&Take Theirs"), this);
    btnTakeTheirs->setObjectName(QStringLiteral("btnTakeTheirs"));
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnKeepMine, &QPushButton::clicked, this, [this] {
        choice_ = setup::ConflictChoice::KeepMine;
        accept();
    });
    connect(btnTakeTheirs, &QPushButton::clicked, this, [this] {
        choice_ = setup::ConflictChoice::TakeTheirs;
        accept();
    });
    // Escape and the close box reject: cancelled, as Cancel.
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnKeepMine);
    buttons->addWidget(btnTakeTheirs);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblQuestion);
    layout->addWidget(lstConflicts, 1);
    layout->addLayout(buttons);
    const int rows = std::min(lstConflicts->rowCount(), 8);
    resize(std::max(width + 24, 460),
           std::max(220, 150 + rows * lstConflicts->verticalHeader()->defaultSectionSize()));
}

} // namespace kevo::mainwindow
