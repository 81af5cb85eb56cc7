// SPDX-License-Identifier: Apache-2.0
#include "mainwindow/RepairTraysDialog.h"

#include "ui/AppFont.h"
#include "ui/QtText.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace kevo::mainwindow {

namespace {

// The reason stands before the bins, where a line left alone shows it
// without scrolling; the printer and port, when some line's change, after
// it.
enum PreviewColumn {
    PvLine,
    PvName,
    PvReason,
    PvPrinter,
    PvPort,
    PvSource1,
    PvTray1No,
    PvSource2,
    PvTray2No,
    PvDriver
};

// A value as the preview shows it: "old → new" when the repair changes it,
// the value alone when it stays.
QString Change(const std::string& before, const std::string& after) {
    if (before == after)
        return ui::ToQString(before);
    return ui::ToQString(before) + QStringLiteral(" \u2192 ") + ui::ToQString(after);
}

} // namespace

RepairTraysDialog::RepairTraysDialog(const setup::TrayRepairPlan& plan, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmRepairTrays"));
    setWindowTitle(QStringLiteral("Repair Trays"));
    setFont(ui::ProgramFont(8));

    const auto repaired = static_cast<int>(
        std::count_if(plan.lines.begin(), plan.lines.end(),
                      [](const setup::TrayRepairLine& entry) { return entry.repaired; }));
    const int left = static_cast<int>(plan.lines.size()) - repaired;
    // The printer and port show when the repair moves some line.
    const bool moves = std::any_of(plan.lines.begin(), plan.lines.end(), [](const auto& entry) {
        return entry.before.printer != entry.after.printer || entry.before.port != entry.after.port;
    });
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setText(
        repaired == 0
            ? QStringLiteral("Nothing to repair: no line's bins were found on its printer.")
            : QStringLiteral("%1 line(s) take the bins and driver of their printer as it is now%3; "
                             "%2 line(s) are left alone. OK changes the table; nothing is saved "
                             "until you save it.")
                  .arg(repaired)
                  .arg(left)
                  .arg(moves ? QStringLiteral(" (and, where a printer moved, its new name and port)")
                             : QString()));
    lblSummary->setWordWrap(true);

    lstLines = new QTableWidget(static_cast<int>(plan.lines.size()), PvDriver + 1, this);
    lstLines->setObjectName(QStringLiteral("lstLines"));
    lstLines->setHorizontalHeaderLabels({"Line", "Name", "Left alone because", "Printer", "Port",
                                         "Source 1", "Tray1 No.", "Source 2", "Tray2 No.",
                                         "Driver"});
    lstLines->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstLines->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstLines->verticalHeader()->hide();
    lstLines->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    lstLines->setWordWrap(false);
    for (int row = 0; row < lstLines->rowCount(); ++row) {
        const setup::TrayRepairLine& entry = plan.lines[static_cast<std::size_t>(row)];
        const setup::SetupLine& was = entry.before;
        const setup::SetupLine& now = entry.after;
        const QString texts[] = {
            QString::number(was.line),
            ui::ToQString(was.name),
            ui::ToQString(entry.reason),
            Change(was.printer, now.printer) +
                (entry.foundBy.empty() ? QString()
                                       : QStringLiteral(" (%1)").arg(ui::ToQString(entry.foundBy))),
            Change(was.port, now.port),
            Change(was.firstPage.name, now.firstPage.name),
            Change(was.firstPage.number, now.firstPage.number),
            Change(was.otherPages.name, now.otherPages.name),
            Change(was.otherPages.number, now.otherPages.number),
            Change(was.driver, now.driver),
        };
        for (int column = PvLine; column <= PvDriver; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            item->setToolTip(texts[column]);
            if (!entry.repaired && column != PvReason)
                item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
            lstLines->setItem(row, column, item);
        }
    }
    if (!moves) {
        lstLines->removeColumn(PvPort);
        lstLines->removeColumn(PvPrinter);
    }
    lstLines->resizeColumnsToContents();
    lstLines->horizontalHeader()->setStretchLastSection(true);
    // Wide enough for every column where the screen allows it.
    int width = 2 * lstLines->frameWidth() + lstLines->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < lstLines->columnCount(); ++column)
        width += lstLines->columnWidth(column);

    btnBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    btnBox->setObjectName(QStringLiteral("btnBox"));
    btnBox->button(QDialogButtonBox::Ok)->setEnabled(repaired > 0);
    connect(btnBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(btnBox, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblSummary);
    layout->addWidget(lstLines, 1);
    layout->addWidget(btnBox);
    const int margins = layout->contentsMargins().left() + layout->contentsMargins().right();
    const int room = screen() != nullptr ? screen()->availableGeometry().width() - 40 : width;
    resize(std::clamp(width + margins, 480, std::max(480, room)), 320);
}

} // namespace kevo::mainwindow
