// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QItemSelectionModel>
#include <QTableView>

namespace kevo::mainwindow {

// The grid of the configuration table: a fixed header row and line-number
// column, rows 16 pixels high, range selection whose focus cell stays where
// the selection began, and hooks for double clicks and mouse buttons.
// Columns given no width are left out of the grid altogether, so that what
// reads the grid (a screen reader) finds only the columns on the screen.
class StringGrid : public QTableView {
    Q_OBJECT
public:
    explicit StringGrid(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

    // Sets the widths of the table's columns 0 to 10; -1 hides a column.
    void SetColumnWidths(const std::array<int, 11>& widths);

    // The grid's cell of a line (1 to 99) and a table column (1 to 10);
    // invalid for a hidden column.
    QModelIndex Cell(int line, int column) const;

    // The line of the focus cell (1 to 99), and the top and bottom lines of
    // the selection (the focus cell's line when nothing else is selected).
    int CurrentLine() const;
    std::pair<int, int> SelectedLines() const;

    // Makes a cell of a line the focus cell and the whole selection.
    void SelectCell(int line, int column);

signals:
    // A double click with the left button, or Enter, on the grid.
    void DoubleClicked();
    // The right button pressed on a line (0 for the header row, -1 for no
    // row), or the Menu key or Shift+F10 on the focus line; any button
    // released, and the next key or click after those keys.
    void RightButtonDown(int line);
    void MouseButtonUp();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class AnchoredSelectionModel;
    class RowNumbers;
    class ShownColumns;
    void ShowKeyboardDetails();
    void EndKeyboardDetails();

    AnchoredSelectionModel* anchoredModel_ = nullptr;
    ShownColumns* shownColumns_ = nullptr;
    bool keyboardDetails_ = false;
};

} // namespace kevo::mainwindow
