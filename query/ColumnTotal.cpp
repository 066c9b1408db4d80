#include "query/ColumnTotal.h"

#include <QProgressBar>

#include "ui/StringGrid.h"

namespace query {

std::optional<double> columnTotal(const ui::StringGrid& grid, int col, QProgressBar& progress) {
    const int rows = grid.rowCount();
    if (rows <= 1 || grid.cell(1, rows - 1).isEmpty() || grid.cell(0, rows - 1).isEmpty())
        return std::nullopt;
    progress.setRange(0, rows);
    progress.setValue(0);
    const QString caption = grid.cell(col, 0);
    double sum = 0;
    for (int row = 1; row < rows; ++row) {
        sum += ui::cellNumber(grid, col, row, caption);
        progress.setValue(row + 1);
    }
    progress.setValue(0);
    return sum;
}

}  // namespace query
