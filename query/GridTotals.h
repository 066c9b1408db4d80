#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "ledger/Totals.h"

class QProgressBar;

namespace ui {
class StringGrid;
}

namespace query {

// The totals of the program work on the grid as it stands (a query's result or lines
// typed by hand) and never open a book; the rules are the ledger's. Nothing when the grid
// holds no result: no data row, or a last row without its code or its name. The progress
// bar advances over the rows and returns to 0 at the end; a cell that is not a number
// throws store::StoreError naming its row and the column's caption, and leaves the bar
// where it stopped.

// The sum of one grid column, as a double and unrounded; of the texts `shown` gives for the
// grid's cells where it is set (a bill shows a return's amount negative).
using CellText = std::function<QString(int col, int row)>;
std::optional<double> columnTotal(const ui::StringGrid& grid, int col, QProgressBar& progress,
                                  const CellText& shown = {});

// The sales and the profit of the rows, returns subtracted: told by the document a row
// was posted in, which `documentOf` finds for a grid row (from 1).
std::optional<ledger::SalesTotals> salesTotals(const ui::StringGrid& grid,
                                               const ledger::SalesColumns& cols,
                                               const ledger::RowDocument& documentOf,
                                               QProgressBar& progress);

}  // namespace query
