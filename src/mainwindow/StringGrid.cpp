// SPDX-License-Identifier: Apache-2.0
#include "mainwindow/StringGrid.h"

#include "setup/ConfigTable.h"
#include "mainwindow/GridLayout.h"
#include "setup/MarkColours.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QStyleOption>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <algorithm>
#include <vector>

namespace kevo::mainwindow {

// While the pointer drags out a range (or Shift extends one with a click),
// the view would move the focus cell along; this model keeps it where the
// selection began.
class StringGrid::AnchoredSelectionModel : public QItemSelectionModel {
public:
    using QItemSelectionModel::QItemSelectionModel;
    bool holdCurrent = false;
    void setCurrentIndex(const QModelIndex& index,
                         QItemSelectionModel::SelectionFlags command) override {
        // Only the selection follows the pointer.
        if (holdCurrent)
            return;
        QItemSelectionModel::setCurrentIndex(index, command);
    }
};

// The table's columns that the grid shows: a column given no width is not
// merely hidden but missing from the grid's model, and so from the
// accessible table that Qt builds over it.
class StringGrid::ShownColumns : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void SetHidden(std::vector<bool> hidden) {
        hidden_ = std::move(hidden);
        invalidateFilter();
    }

protected:
    bool filterAcceptsColumn(int sourceColumn, const QModelIndex& /*parent*/) const override {
        return sourceColumn >= static_cast<int>(hidden_.size()) ||
               !hidden_[static_cast<std::size_t>(sourceColumn)];
    }

private:
    std::vector<bool> hidden_;
};

namespace {

setup::Rgb ToRgb(const QColor& colour) {
    return {colour.red(), colour.green(), colour.blue()};
}

QColor ToQColor(setup::Rgb colour) {
    return QColor(colour.red, colour.green, colour.blue);
}

constexpr QPalette::ColorGroup kColourGroups[] = {QPalette::Active, QPalette::Inactive,
                                                  QPalette::Disabled};

// StringGrid1DrawCell: a cell's own colour (red for a fault) is drawn over
// every cell state; the style would paint a selected or focus cell's text
// in the selection's colour instead. On a dark palette the colour is made
// readable on the cell's background and on the selection's.
class CellDrawer : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QVariant colour = index.data(Qt::ForegroundRole);
        if (!colour.canConvert<QColor>())
            return;
        const setup::Rgb mark = ToRgb(colour.value<QColor>());
        QPalette& palette = option->palette;
        for (const QPalette::ColorGroup group : kColourGroups) {
            const setup::Rgb base = ToRgb(palette.color(group, QPalette::Base));
            const setup::Rgb highlight = ToRgb(palette.color(group, QPalette::Highlight));
            palette.setColor(group, QPalette::Text, ToQColor(setup::MarkOn(mark, base, base)));
            palette.setColor(group, QPalette::HighlightedText,
                             ToQColor(setup::MarkOn(mark, base, highlight)));
        }
    }
};

} // namespace

// The line numbers in the colour of their line's mark (red for a fault,
// blue for a change), readable on the section's shading on a dark palette.
class StringGrid::RowNumbers : public QHeaderView {
public:
    explicit RowNumbers(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {}

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        const QVariant colour =
            model()->headerData(logicalIndex, orientation(), Qt::ForegroundRole);
        if (!colour.canConvert<QColor>())
            return;
        const setup::Rgb base = ToRgb(palette().color(QPalette::Base));
        const setup::Rgb drawn =
            setup::MarkOn(ToRgb(colour.value<QColor>()), base, SectionShading());
        option->palette.setColor(QPalette::ButtonText, ToQColor(drawn));
    }

    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
            shading_.clear();
        QHeaderView::changeEvent(event);
    }

private:
    // The colours down the middle of an empty section as the style paints
    // it (a gradient in some styles), without its edges.
    const std::vector<setup::Rgb>& SectionShading() const {
        if (!shading_.empty())
            return shading_;
        QImage picture(qMax(width(), 8), defaultSectionSize(), QImage::Format_RGB32);
        picture.fill(palette().color(QPalette::Window));
        {
            QPainter painter(&picture);
            QStyleOptionHeader option;
            initStyleOption(&option);
            option.rect = picture.rect();
            style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, this);
        }
        for (int y = 2; y < picture.height() - 2; ++y) {
            const setup::Rgb colour = ToRgb(picture.pixelColor(picture.width() / 2, y));
            if (std::find(shading_.begin(), shading_.end(), colour) == shading_.end())
                shading_.push_back(colour);
        }
        return shading_;
    }

    mutable std::vector<setup::Rgb> shading_;
};

namespace {

// Whether a text is cut by its cell: the text and the margin the style
// keeps on either side are wider than the cell.
bool ClippedIn(const QString& text, int width, const QFont& font, int margin) {
    return !text.isEmpty() && QFontMetrics(font).horizontalAdvance(text) + 2 * margin > width;
}

} // namespace

StringGrid::StringGrid(QWidget* parent) : QTableView(parent) {
    setItemDelegate(new CellDrawer(this));
    setVerticalHeader(new RowNumbers(this));
    setObjectName(QStringLiteral("StringGrid1"));
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setShowGrid(true);
    setWordWrap(false);
    // Texts too long for their cell are clipped, not shortened with dots.
    setTextElideMode(Qt::ElideNone);
    setCornerButtonEnabled(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    verticalScrollBar()->setTracking(false);
    horizontalScrollBar()->setTracking(false);

    QHeaderView* rows = verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    // The minimum first: a default size below the minimum is raised to it,
    // and the style's own minimum follows the font (20 pixels in Tahoma on
    // Windows).
    rows->setMinimumSectionSize(kRowHeight);
    rows->setDefaultSectionSize(kRowHeight);
    rows->setSectionsClickable(false);
    rows->setHighlightSections(false);
    rows->installEventFilter(this);
    rows->viewport()->installEventFilter(this);

    QHeaderView* columns = horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setSectionsClickable(false);
    columns->setSectionsMovable(false);
    columns->setHighlightSections(false);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setMinimumSectionSize(1);
    columns->setFixedHeight(kRowHeight + 1);
    columns->installEventFilter(this);
    columns->viewport()->installEventFilter(this);
}

void StringGrid::setModel(QAbstractItemModel* model) {
    shownColumns_ = new ShownColumns(this);
    shownColumns_->setDynamicSortFilter(false);
    shownColumns_->setSourceModel(model);
    QTableView::setModel(shownColumns_);
    anchoredModel_ = new AnchoredSelectionModel(shownColumns_, this);
    setSelectionModel(anchoredModel_);
}

void StringGrid::SetColumnWidths(const std::array<int, 11>& widths) {
    verticalHeader()->setFixedWidth(widths[0] < 0 ? 0 : widths[0]);
    if (shownColumns_ == nullptr)
        return;
    std::vector<bool> hidden;
    for (std::size_t column = 1; column < widths.size(); ++column)
        hidden.push_back(widths[column] == kHiddenColumnWidth);
    shownColumns_->SetHidden(hidden);
    for (int column = 1; column < static_cast<int>(widths.size()); ++column) {
        const QModelIndex cell = Cell(1, column);
        if (cell.isValid())
            setColumnWidth(cell.column(), widths[static_cast<std::size_t>(column)]);
    }
}

QModelIndex StringGrid::Cell(int line, int column) const {
    const QAbstractItemModel* table = shownColumns_->sourceModel();
    return shownColumns_->mapFromSource(table->index(line - 1, column - 1));
}

int StringGrid::CurrentLine() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : 1;
}

std::pair<int, int> StringGrid::SelectedLines() const {
    int top = CurrentLine();
    int bottom = top;
    if (selectionModel() != nullptr) {
        const QItemSelection selection = selectionModel()->selection();
        for (const QItemSelectionRange& range : selection) {
            top = std::min(top, range.top() + 1);
            bottom = std::max(bottom, range.bottom() + 1);
        }
    }
    return {top, bottom};
}

void StringGrid::SelectCell(int line, int column) {
    selectionModel()->setCurrentIndex(Cell(line, column), QItemSelectionModel::ClearAndSelect);
}

// The keyboard's right button: the focus line's details stay until the
// next key or click.
void StringGrid::ShowKeyboardDetails() {
    keyboardDetails_ = true;
    emit RightButtonDown(CurrentLine());
}

void StringGrid::EndKeyboardDetails() {
    if (!keyboardDetails_)
        return;
    keyboardDetails_ = false;
    emit MouseButtonUp();
}

void StringGrid::mousePressEvent(QMouseEvent* event) {
    EndKeyboardDetails();
    if (event->button() == Qt::RightButton) {
        // A right click never moves the focus cell; it shows line details.
        const int row = rowAt(event->position().toPoint().y());
        emit RightButtonDown(row < 0 ? -1 : row + 1);
        return;
    }
    if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier) &&
        anchoredModel_ != nullptr) {
        anchoredModel_->holdCurrent = true;
        QTableView::mousePressEvent(event);
        anchoredModel_->holdCurrent = false;
        return;
    }
    QTableView::mousePressEvent(event);
}

void StringGrid::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) && anchoredModel_ != nullptr) {
        anchoredModel_->holdCurrent = true;
        QTableView::mouseMoveEvent(event);
        anchoredModel_->holdCurrent = false;
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void StringGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton)
        QTableView::mouseReleaseEvent(event);
    emit MouseButtonUp();
}

void StringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit DoubleClicked();
}

void StringGrid::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        emit DoubleClicked();
        return;
    }
    const bool shiftF10 = event->key() == Qt::Key_F10 &&
                          (event->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier;
    if (event->key() == Qt::Key_Menu || shiftF10) {
        ShowKeyboardDetails();
        return;
    }
    QTableView::keyPressEvent(event);
}

void StringGrid::contextMenuEvent(QContextMenuEvent* event) {
    // Windows turns the Menu key and Shift+F10 into a context menu request.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        ShowKeyboardDetails();
        return;
    }
    QTableView::contextMenuEvent(event);
}

bool StringGrid::event(QEvent* event) {
    // Every key reaches the grid as a shortcut override first, also one
    // that a menu command then takes.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)
        EndKeyboardDetails();
    return QTableView::event(event);
}

bool StringGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex cell = indexAt(help->pos());
        const QString text = cell.data().toString();
        const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
        if (ClippedIn(text, visualRect(cell).width(), font(), margin))
            QToolTip::showText(help->globalPos(), text, viewport(), visualRect(cell));
        else
            QToolTip::hideText();
        return true;
    }
    return QTableView::viewportEvent(event);
}

bool StringGrid::eventFilter(QObject* watched, QEvent* event) {
    const bool inColumns =
        watched == horizontalHeader() || watched == horizontalHeader()->viewport();
    const bool inRows = watched == verticalHeader() || watched == verticalHeader()->viewport();
    if (inColumns || inRows) {
        if (event->type() == QEvent::MouseButtonPress) {
            EndKeyboardDetails();
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::RightButton) {
                int line = 0;
                if (inRows) {
                    const int row = verticalHeader()->logicalIndexAt(mouse->position().toPoint());
                    line = row < 0 ? -1 : row + 1;
                }
                emit RightButtonDown(line);
                return true;
            }
        } else if (event->type() == QEvent::MouseButtonRelease) {
            emit MouseButtonUp();
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                emit DoubleClicked();
            return true;
        } else if (event->type() == QEvent::ToolTip && watched == horizontalHeader()->viewport()) {
            auto* help = static_cast<QHelpEvent*>(event);
            QHeaderView* columns = horizontalHeader();
            const int column = columns->logicalIndexAt(help->pos());
            const QString text =
                column < 0 ? QString() : model()->headerData(column, Qt::Horizontal).toString();
            const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, columns);
            if (ClippedIn(text, columns->sectionSize(column), columns->font(), margin))
                QToolTip::showText(help->globalPos(), text, columns->viewport());
            else
                QToolTip::hideText();
            return true;
        }
    }
    return QTableView::eventFilter(watched, event);
}

} // namespace kevo::mainwindow
