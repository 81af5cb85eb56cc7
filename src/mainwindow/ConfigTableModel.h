// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "setup/ConfigTable.h"

#include <QAbstractTableModel>

namespace kevo::mainwindow {

// Shows the configuration table in a grid: the header row (row 0) as the
// grid's column headers, the line numbers (column 0) as its row headers,
// and lines 1 to 99, columns 1 to 10 as its cells, coloured as the table
// says (CellColourOf: red for a fault, blue for the line number of a
// changed line).
class ConfigTableModel : public QAbstractTableModel, public setup::ConfigTableListener {
    Q_OBJECT
public:
    explicit ConfigTableModel(setup::ConfigTable& table, QObject* parent = nullptr);
    ~ConfigTableModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Grid positions and table coordinates.
    static int LineOfRow(int gridRow) { return gridRow + 1; }
    static int ColumnOfGridColumn(int gridColumn) { return gridColumn + 1; }

    void CellChanged(int column, int row) override;
    void PanelChanged(int panel) override;

signals:
    void PanelTextChanged(int panel);

private:
    setup::ConfigTable& table_;
};

} // namespace kevo::mainwindow
