#include "ui/GridModel.h"

#include <QColor>
#include <QFont>
#include <algorithm>

#include "store/Numbers.h"

namespace ui {

namespace {

// The cells of a row-major grid of `cols` columns, taken to the new shape.
template <typename Cell>
void reshapeCells(std::vector<Cell>& cells, int cols, int rows, int newCols, int newRows) {
    if (newCols == cols) {
        cells.resize(size_t(newCols) * size_t(newRows));
        return;
    }
    std::vector<Cell> shaped(size_t(newCols) * size_t(newRows));
    const int keepCols = std::min(newCols, cols);
    const int keepRows = std::min(newRows, rows);
    for (int r = 0; r < keepRows; ++r)
        for (int c = 0; c < keepCols; ++c)
            shaped[size_t(r) * newCols + c] = std::move(cells[size_t(r) * cols + c]);
    cells = std::move(shaped);
}

}  // namespace

GridModel::GridModel(int colCount, int rowCount, QObject* parent)
    : QAbstractTableModel(parent),
      m_cols(std::max(colCount, 1)),
      m_rows(std::max(rowCount, 1)),
      m_cells(size_t(m_cols) * size_t(m_rows)) {}

void GridModel::reshape(int cols, int rows) {
    cols = std::max(cols, 1);
    rows = std::max(rows, 1);
    reshapeCells(m_cells, m_cols, m_rows, cols, rows);
    if (!m_computed.empty())
        reshapeCells(m_computed, m_cols, m_rows, cols, rows);
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
    for (int c = 0; c < m_cols; ++c) {
        m_cells[size_t(row) * m_cols + c] = c < texts.size() ? texts[c] : QString();
        if (!m_computed.empty())
            m_computed[size_t(row) * m_cols + c] = false;
    }
    if (row < m_fixed)
        emit headerDataChanged(Qt::Horizontal, 0, m_cols - 1);
    else
        emit dataChanged(index(row - m_fixed, 0), index(row - m_fixed, m_cols - 1),
                         {Qt::DisplayRole, Qt::EditRole});
}

bool GridModel::isComputed(int col, int row) const {
    return inRange(col, row) && !m_computed.empty() && m_computed[size_t(row) * m_cols + col];
}

void GridModel::setComputed(int col, int row, bool on) {
    if (!inRange(col, row) || isComputed(col, row) == on)
        return;
    if (m_computed.empty())
        m_computed.resize(m_cells.size());
    m_computed[size_t(row) * m_cols + col] = on;
    if (row >= m_fixed) {
        const QModelIndex at = index(row - m_fixed, col);
        emit dataChanged(at, at, {Qt::ForegroundRole, Qt::FontRole});
    }
}

void GridModel::typeCell(int col, int row, const QString& text) {
    if (!inRange(col, row))
        return;
    setComputed(col, row, false);
    setCell(col, row, text);
    emit cellTyped(col, row);
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
    if (!index.isValid())
        return {};
    const int col = index.column(), row = index.row() + m_fixed;
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return cell(col, row);
        case Qt::ForegroundRole:
            return isComputed(col, row) ? QVariant(QColor(Qt::darkGray)) : QVariant();
        case Qt::TextAlignmentRole:
            // Numbers line up on the right, as in a spreadsheet; the text stays as shown.
            return store::parseDecimal(QStringView(cell(col, row)))
                       ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter))
                       : QVariant();
        case Qt::FontRole: {
            if (!isComputed(col, row))
                return {};
            QFont italic;
            italic.setItalic(true);
            return italic;
        }
        default:
            return {};
    }
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    const int col = index.column(), row = index.row() + m_fixed;
    // The editor writes back on closing too: only a change of the text is the user's.
    if (value.toString() != cell(col, row))
        typeCell(col, row, value.toString());
    return true;
}

void GridModel::setHeaderCaptions(const QStringList& captions) {
    m_headerCaptions = captions;
    emit headerDataChanged(Qt::Horizontal, 0, std::max(0, m_cols - 1));
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_fixed                             ? cell(section, 0)
               : section < m_headerCaptions.size() ? QVariant(m_headerCaptions[section])
                                                   : QVariant();
    return section + 1;
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (m_editable && (m_editableCols.isEmpty() || m_editableCols.contains(index.column())))
        f |= Qt::ItemIsEditable;
    return f;
}

}  // namespace ui
