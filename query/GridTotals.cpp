#include "query/GridTotals.h"

#include <QProgressBar>

#include "ui/StringGrid.h"
#include "ui/Widgets.h"

namespace query {

bool eachResultRow(const ui::StringGrid& grid, QProgressBar& progress,
                   const std::function<void(int row)>& visit) {
    if (!ui::lastRowStarted(grid))
        return false;
    const int rows = grid.rowCount();
    progress.setRange(0, rows);
    progress.setValue(0);
    const int step = ui::progressStep(rows);
    for (int row = 1; row < rows; ++row) {
        visit(row);
        if (row % step == 0)
            progress.setValue(row + 1);
    }
    progress.setValue(0);
    return true;
}

std::optional<double> columnTotal(const ui::StringGrid& grid, int col, QProgressBar& progress) {
    const QString caption = ui::captionOf(grid, col);
    double sum = 0;
    if (!eachResultRow(grid, progress,
                       [&](int row) { sum += ui::cellNumber(grid, col, row, caption); }))
        return std::nullopt;
    return sum;
}

}  // namespace query
