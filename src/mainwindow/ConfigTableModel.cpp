// SPDX-License-Identifier: Apache-2.0
#include "mainwindow/ConfigTableModel.h"

#include "ui/QtText.h"

#include <QColor>

namespace kevo::mainwindow {
namespace {

QVariant ColourOf(setup::CellColour colour) {
    switch (colour) {
    case setup::CellColour::Red:
        return QColor(255, 0, 0);
    case setup::CellColour::Blue:
        return QColor(0, 0, 255);
    case setup::CellColour::Plain:
        break;
    }
    return {};
}

} // namespace

ConfigTableModel::ConfigTableModel(setup::ConfigTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {
    table_.SetListener(this);
}

ConfigTableModel::~ConfigTableModel() {
    table_.SetListener(nullptr);
}

int ConfigTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : setup::kLastLine;
}

int ConfigTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : setup::kColumnCount - 1;
}

QVariant ConfigTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const int line = LineOfRow(index.row());
    const int column = ColumnOfGridColumn(index.column());
    if (role == Qt::DisplayRole)
        return ui::ToQString(table_.Cell(column, line));
    if (role == Qt::ForegroundRole)
        return ColourOf(setup::CellColourOf(table_, column, line));
    return {};
}

QVariant ConfigTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole)
            return ui::ToQString(table_.Cell(ColumnOfGridColumn(section), 0));
        return {};
    }
    const int line = LineOfRow(section);
    if (role == Qt::DisplayRole)
        return ui::ToQString(table_.Cell(setup::ColLineNumber, line));
    if (role == Qt::ForegroundRole)
        return ColourOf(setup::CellColourOf(table_, setup::ColLineNumber, line));
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags ConfigTableModel::flags(const QModelIndex& index) const {
    // Cells are never edited in place.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void ConfigTableModel::CellChanged(int column, int row) {
    if (row == 0) {
        if (column > 0)
            emit headerDataChanged(Qt::Horizontal, column - 1, column - 1);
        return;
    }
    const int gridRow = row - 1;
    if (column == setup::ColLineNumber || column == setup::ColErrors || column == setup::ColChanged)
        emit headerDataChanged(Qt::Vertical, gridRow, gridRow);
    if (column > 0) {
        const QModelIndex cell = index(gridRow, column - 1);
        emit dataChanged(cell, cell);
    }
}

void ConfigTableModel::PanelChanged(int panel) {
    emit PanelTextChanged(panel);
}

} // namespace kevo::mainwindow
