#include "ui/GridModel.h"

#include <algorithm>

namespace ui {

GridModel::GridModel(int colCount, int rowCount, QObject* parent)
    : QAbstractTableModel(parent),
      m_cols(std::max(colCount, 1)),
      m_rows(std::max(rowCount, 1)),
      m_cells(size_t(m_cols) * size_t(m_rows)) {}

void GridModel::reshape(int cols, int rows) {
    cols = std::max(cols, 1);
    rows = std::max(rows, 1);
    if (cols == m_cols) {
        m_cells.resize(size_t(cols) * size_t(rows));
    } else {
        std::vector<QString> cells(size_t(cols) * size_t(rows));
        const int keepCols = std::min(cols, m_cols);
        const int keepRows = std::min(rows, m_rows);
        for (int r = 0; r < keepRows; ++r)
            for (int c = 0; c < keepCols; ++c)
                cells[size_t(r) * cols + c] = std::move(m_cells[size_t(r) * m_cols + c]);
        m_cells = std::move(cells);
    }
    m_cols = cols;
    m_rows = rows;
}

void GridModel::setColCount(int cols) {
    if (std::max(cols, 1) == m_cols)
        return;
    beginResetModel();
    reshape(cols, m_rows);
    endResetModel();
}

void GridModel::setFixedRows(int rows) {
    rows = std::clamp(rows, 0, 1);
    if (rows == m_fixed)
        return;
    beginResetModel();
    m_fixed = rows;
    endResetModel();
}

void GridModel::setGridRowCount(int rows) {
    rows = std::max(rows, 1);
    if (rows == m_rows)
        return;
    // Grid rows m_fixed.. are model rows 0..; a caption row is not a model row.
    if (rows > m_rows) {
        beginInsertRows({}, m_rows - m_fixed, rows - 1 - m_fixed);
        reshape(m_cols, rows);
        endInsertRows();
    } else {
        beginRemoveRows({}, rows - m_fixed, m_rows - 1 - m_fixed);
        reshape(m_cols, rows);
        endRemoveRows();
    }
}

QString GridModel::cell(int col, int row) const {
    return inRange(col, row) ? m_cells[size_t(row) * m_cols + col] : QString();
}

void GridModel::setCell(int col, int row, const QString& text) {
    if (!inRange(col, row))
        return;
    m_cells[size_t(row) * m_cols + col] = text;
    if (row < m_fixed) {
        emit headerDataChanged(Qt::Horizontal, col, col);
    } else {
        const QModelIndex at = index(row - m_fixed, col);
        emit dataChanged(at, at, {Qt::DisplayRole, Qt::EditRole});
    }
}

void GridModel::setRow(int row, const QStringList& texts) {
    if (row < 0 || row >= m_rows)
        return;
    for (int c = 0; c < m_cols; ++c)
        m_cells[size_t(row) * m_cols + c] = c < texts.size() ? texts[c] : QString();
    if (row < m_fixed)
        emit headerDataChanged(Qt::Horizontal, 0, m_cols - 1);
    else
        emit dataChanged(index(row - m_fixed, 0), index(row - m_fixed, m_cols - 1),
                         {Qt::DisplayRole, Qt::EditRole});
}

QStringList GridModel::row(int row) const {
    QStringList texts;
    for (int c = 0; c < m_cols; ++c)
        texts << cell(c, row);
    return texts;
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows - m_fixed;
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_cols;
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return cell(index.column(), index.row() + m_fixed);
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    setCell(index.column(), index.row() + m_fixed, value.toString());
    return true;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_fixed ? cell(section, 0) : QVariant();
    return section + 1;
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (m_editable)
        f |= Qt::ItemIsEditable;
    return f;
}

}  // namespace ui
