#include "ui/StringGrid.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <algorithm>

#include "ledger/Totals.h"

namespace ui {

namespace {

// Writes what is typed into the cell at every keystroke, not only when the editor closes:
// the windows' buttons take no focus, so a handler clicked while a cell is being edited
// must still read the text the shop keeper sees in it.
class LiveEditDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            connect(line, &QLineEdit::textEdited, this,
                    [this, line] { emit const_cast<LiveEditDelegate*>(this)->commitData(line); });
        }
        return editor;
    }
};

}  // namespace

StringGrid::StringGrid(int colCount, int rowCount, QWidget* parent)
    : QTableView(parent), m_model(new GridModel(colCount, rowCount, this)) {
    setModel(m_model);
    setItemDelegate(new LiveEditDelegate(this));
    // Fixed row heights let the view skip measuring rows: 100,000 rows scroll as fast as ten.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setEditing(false);
}

void StringGrid::setEditing(bool on) {
    m_model->setEditable(on);
    updateEditTriggers();
}

void StringGrid::setAlwaysShowEditor(bool on) {
    m_alwaysShowEditor = on;
    updateEditTriggers();
}

void StringGrid::updateEditTriggers() {
    EditTriggers triggers = NoEditTriggers;
    if (m_model->isEditable()) {
        triggers = DoubleClicked | EditKeyPressed | AnyKeyPressed;
        if (m_alwaysShowEditor)
            triggers |= CurrentChanged | SelectedClicked;
    }
    setEditTriggers(triggers);
}

void StringGrid::setColumnSizing(bool on) {
    horizontalHeader()->setSectionResizeMode(on ? QHeaderView::Interactive : QHeaderView::Fixed);
}

void StringGrid::setFixedRows(int rows) {
    m_model->setFixedRows(rows);
    horizontalHeader()->setVisible(m_model->fixedRows() > 0);
}

void StringGrid::setHeaderCaptions(const QStringList& captions) {
    m_model->setHeaderCaptions(captions);
    horizontalHeader()->setVisible(m_model->fixedRows() > 0 || !captions.isEmpty());
}

QRect StringGrid::selectionRange() const {
    const int fixed = fixedRows();
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        const QModelIndex current = currentIndex();
        if (!current.isValid())
            return {};
        return QRect(current.column(), current.row() + fixed, 1, 1);
    }
    int left = selected.first().column(), right = left;
    int top = selected.first().row(), bottom = top;
    for (const QModelIndex& i : selected) {
        left = std::min(left, i.column());
        right = std::max(right, i.column());
        top = std::min(top, i.row());
        bottom = std::max(bottom, i.row());
    }
    return QRect(QPoint(left, top + fixed), QPoint(right, bottom + fixed));
}

QPoint StringGrid::selectedCell() const {
    const QRect range = selectionRange();
    return range.isValid() ? range.topLeft() : QPoint(0, fixedRows());
}

void StringGrid::selectRange(int left, int top, int right, int bottom) {
    const QModelIndex from = m_model->index(top - fixedRows(), left);
    const QModelIndex to = m_model->index(bottom - fixedRows(), right);
    if (!from.isValid() || !to.isValid())
        return;
    selectionModel()->setCurrentIndex(from, QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(from, to), QItemSelectionModel::ClearAndSelect);
}

void StringGrid::editCell(int col, int row) {
    const QModelIndex at = m_model->index(row - fixedRows(), col);
    if (!at.isValid())
        return;
    selectRange(col, row, col, row);
    setFocus();
    edit(at);
}

QModelIndex StringGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const QModelIndex at = currentIndex();
    if (at.isValid()) {
        const bool last =
            at.row() == model()->rowCount() - 1 && at.column() == model()->columnCount() - 1;
        const bool first = at.row() == 0 && at.column() == 0;
        if ((action == MoveNext && last) || (action == MovePrevious && first))
            return {};
    }
    return QTableView::moveCursor(action, modifiers);
}

QString captionOf(const StringGrid& grid, int col) {
    const QString caption = grid.cell(col, 0);
    return caption.isEmpty() ? QStringLiteral("第 %1 列").arg(col + 1) : caption;
}

bool lastRowStarted(const StringGrid& grid) {
    const int last = grid.rowCount() - 1;
    return last > 0 && !grid.cell(1, last).isEmpty() && !grid.cell(0, last).isEmpty();
}

double cellNumber(const StringGrid& grid, int col, int row, const QString& caption) {
    return ledger::rowNumber(grid.cell(col, row), row, caption);
}

namespace {

class RightAligned : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
    }
};

}  // namespace

void fitColumns(StringGrid& grid, int widest, int narrowest) {
    constexpr int kSampledRows = 500, kPadding = 16;
    const QFontMetrics cells = grid.fontMetrics();
    const QFontMetrics captions = grid.horizontalHeader()->fontMetrics();
    const int rows = std::min(grid.rowCount(), grid.fixedRows() + kSampledRows);
    for (int c = 0; c < grid.colCount(); ++c) {
        int need = captions.horizontalAdvance(
            grid.model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
        for (int r = grid.fixedRows(); r < rows; ++r)
            need = std::max(need, cells.horizontalAdvance(grid.cell(c, r)));
        grid.setColWidth(c, std::clamp(need + kPadding, narrowest, widest));
    }
}

void alignRight(StringGrid& grid, const QList<int>& columns) {
    auto* right = new RightAligned(&grid);
    for (int c : columns)
        grid.setItemDelegateForColumn(c, right);
}

StringGrid* captionedGrid(QWidget* parent, const QString& name, const QStringList& captions,
                          const int* widths, const QList<int>& rightColumns) {
    auto* grid = new StringGrid(int(captions.size()), 1, parent);
    grid->setObjectName(name);
    grid->cells().setRow(0, captions);
    for (int c = 0; c < captions.size(); ++c)
        grid->setColWidth(c, widths[c]);
    alignRight(*grid, rightColumns);
    return grid;
}

}  // namespace ui
