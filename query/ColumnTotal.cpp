#include "query/ColumnTotal.h"

#include <QProgressBar>

#include "ui/StringGrid.h"
#include "ui/Widgets.h"

namespace query {

std::optional<double> columnTotal(const ui::StringGrid& grid, int col, QProgressBar& progress) {
    const int rows = grid.rowCount();
    if (rows <= 1 || grid.cell(1, rows - 1).isEmpty() || grid.cell(0, rows - 1).isEmpty())
        return std::nullopt;
    progress.setRange(0, rows);
    progress.setValue(0);
    const QString caption = grid.cell(col, 0);
    const int step = ui::progressStep(rows);
    double sum = 0;
    for (int row = 1; row < rows; ++row) {
        sum += ui::cellNumber(grid, col, row, caption);
        if (row % step == 0)
            progress.setValue(row + 1);
    }
    progress.setValue(0);
    return sum;
}

}  // namespace query
