#pragma once

#include <QRect>
#include <QTableView>

#include "ui/GridModel.h"

namespace ui {

// The string grid of the module windows: a table view over a GridModel, with the few
// operations the windows use, in the windows' (column, row) terms, row 0 the captions.
class StringGrid : public QTableView {
    Q_OBJECT
public:
    StringGrid(int colCount, int rowCount, QWidget* parent = nullptr);

    GridModel& cells() { return *m_model; }
    const GridModel& cells() const { return *m_model; }

    int colCount() const { return m_model->colCount(); }
    int rowCount() const { return m_model->gridRowCount(); }
    void setColCount(int cols) { m_model->setColCount(cols); }
    void setRowCount(int rows) { m_model->setGridRowCount(rows); }
    QString cell(int col, int row) const { return m_model->cell(col, row); }
    void setCell(int col, int row, const QString& text) { m_model->setCell(col, row, text); }

    void setColWidth(int col, int width) { setColumnWidth(col, width); }
    // Without a caption row (0) every row is data and no header is shown.
    int fixedRows() const { return m_model->fixedRows(); }
    void setFixedRows(int rows);
    // A grid whose rows are all data may still show captions above its columns.
    void setHeaderCaptions(const QStringList& captions);
    // In-place editing of the data rows.
    void setEditing(bool on);
    // Editing limited to these columns (see GridModel::setEditableColumns).
    void setEditableColumns(const QList<int>& cols) { m_model->setEditableColumns(cols); }
    // With the editor always shown, the current cell opens for typing as soon as it is
    // reached, by the mouse or the arrow keys.
    void setAlwaysShowEditor(bool on);
    // Whether the user may drag column widths; the program sets them either way.
    void setColumnSizing(bool on);

    // The selected range in grid terms (left, top, right, bottom), or an invalid rect.
    QRect selectionRange() const;
    // The top-left cell of the selection, or the first data cell when nothing is selected.
    QPoint selectedCell() const;
    void selectRange(int left, int top, int right, int bottom);
    // Makes the cell current and opens it for typing, the keyboard's focus with it.
    void editCell(int col, int row);

protected:
    // Tab goes from cell to cell, and past the last (Shift+Tab: before the first) on to the
    // window's next control, rather than round again.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    void updateEditTriggers();

    GridModel* m_model;
    bool m_alwaysShowEditor = false;
};

// The caption a message uses for a column: the grid's own, or its number ("第 6 列") where
// row 0 has none, as in a grid that still has its design shape.
QString captionOf(const StringGrid& grid, int col);

// True when the grid holds a data row and its last one has its code (column 0) and its
// name (column 1), where every grid of the program keeps them: the least a posting or a
// total needs to go on.
bool lastRowStarted(const StringGrid& grid);

// A cell read with the standard decimal conversion; an empty cell or a text that is not
// a number throws store::StoreError naming the row, the column's caption and the text.
double cellNumber(const StringGrid& grid, int col, int row, const QString& caption);

// Each column as wide as its caption and the widest of its first few hundred rows, within
// `widest`: the widths a window starts with were chosen before its content was known, and
// a wide name column pushed the money off the window's right edge.
void fitColumns(StringGrid& grid, int widest = 320, int narrowest = 40);

// Sets the cells of `columns` to the right, where money lines up on its decimal point.
void alignRight(StringGrid& grid, const QList<int>& columns);

// A read-only list of the newer windows: its captions in row 0, its columns `widths` wide,
// and the `rightColumns` set to the right (see alignRight).
StringGrid* captionedGrid(QWidget* parent, const QString& name, const QStringList& captions,
                          const int* widths, const QList<int>& rightColumns);

}  // namespace ui
