#pragma once

#include <optional>

class QProgressBar;

namespace ui {
class StringGrid;
}

namespace query {

// The sum of one grid column over the rows the grid shows, each cell read with the
// standard decimal conversion, as a double and unrounded. Nothing (no total at all) when
// the grid holds no result: no data row, or a last row without its code or its name.
// The progress bar advances row by row and returns to 0; a cell that is not a number
// throws store::StoreError naming its row and leaves the bar where it stopped.
std::optional<double> columnTotal(const ui::StringGrid& grid, int col, QProgressBar& progress);

}  // namespace query
