#pragma once

#include <functional>
#include <optional>

class QProgressBar;

namespace ui {
class StringGrid;
}

namespace query {

// The totals of the program work on the grid as it stands (a query's result or lines
// typed by hand) and never open a book.

// Visits data rows 1 … last in order, the progress bar advancing and returning to 0 at
// the end. False, and nothing visited, when the grid holds no result: no data row, or a
// last row without its code or its name. A visit that throws stops the walk and leaves
// the bar where it stopped.
bool eachResultRow(const ui::StringGrid& grid, QProgressBar& progress,
                   const std::function<void(int row)>& visit);

// The sum of one grid column, each cell read with the standard decimal conversion, as a
// double and unrounded; nothing when there is no result to total. A cell that is not a
// number throws store::StoreError naming its row and the column's caption.
std::optional<double> columnTotal(const ui::StringGrid& grid, int col, QProgressBar& progress);

}  // namespace query
