#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace ui {

// The cells of a string grid, addressed like the grids of the windows: (column, row),
// row 0 the caption row. Row 0 is shown as the view's column header, so it stays in place
// while the data rows scroll; model row r is grid row r + 1. A grid without a caption row
// (a one-line preview) shows every row as data. The cells live in one flat vector, so
// that 100,000 result rows cost one allocation per cell text and no widgets.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(int colCount, int rowCount, QObject* parent = nullptr);

    int colCount() const { return m_cols; }
    // Rows including the caption row, as the windows count them.
    int gridRowCount() const { return m_rows; }
    void setColCount(int cols);
    void setGridRowCount(int rows);

    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);
    // A whole row at once, padded or cut to the column count; its cells are no longer
    // computed.
    void setRow(int row, const QStringList& texts);
    QStringList row(int row) const;

    // Whether the program computed the cell's text and the user has not typed over it since:
    // shown grey and italic. The program's own writes (setCell) leave the mark as it is; a
    // row written whole, or dropped, loses it.
    bool isComputed(int col, int row) const;
    void setComputed(int col, int row, bool on);
    // The cell as the user types or pastes it: no longer computed, and cellTyped says so.
    void typeCell(int col, int row, const QString& text);

    // 1 when row 0 is the caption row (the default), 0 when every row is data.
    int fixedRows() const { return m_fixed; }
    void setFixedRows(int rows);
    // Where every row is data, the header's captions, which are no cells of the grid.
    void setHeaderCaptions(const QStringList& captions);

    bool isEditable() const { return m_editable; }
    void setEditable(bool on) { m_editable = on; }
    // Where only some columns are the user's to type (a count beside the book's figures):
    // editing is then limited to them. Empty, every column may be edited.
    void setEditableColumns(const QList<int>& cols) { m_editableCols = cols; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void cellTyped(int col, int row);

private:
    bool inRange(int col, int row) const {
        return col >= 0 && col < m_cols && row >= 0 && row < m_rows;
    }
    void reshape(int cols, int rows);

    int m_cols;
    int m_rows;
    int m_fixed = 1;
    QStringList m_headerCaptions;
    std::vector<QString> m_cells;  // row-major, m_cols per row
    // Beside m_cells, and empty until a cell is first marked: a grid of search results
    // pays nothing for it.
    std::vector<bool> m_computed;
    bool m_editable = false;
    QList<int> m_editableCols;
};

}  // namespace ui
