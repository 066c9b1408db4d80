#include "query/GridTotals.h"

#include <QProgressBar>

#include "ui/StringGrid.h"
#include "ui/Widgets.h"

namespace query {

namespace {

// The grid's rows for a total, with the progress bar following them; nothing when the
// grid holds no result.
template <typename Total>
auto overRows(const ui::StringGrid& grid, QProgressBar& progress, Total&& total,
              const CellText& shown = {})
    -> std::optional<decltype(total(ledger::TextRows{}, ledger::RowVisit{}))> {
    if (!ui::lastRowStarted(grid))
        return std::nullopt;
    const int rows = grid.rowCount();
    progress.setRange(0, rows);
    progress.setValue(0);
    const int step = ui::progressStep(rows);
    const ledger::TextRows texts{rows - 1, shown ? shown : CellText([&grid](int col, int row) {
                                     return grid.cell(col, row);
                                 }),
                                 [&grid](int col) { return ui::captionOf(grid, col); }};
    auto result = total(texts, [&](int row) {
        if (row % step == 0)
            progress.setValue(row + 1);
    });
    progress.setValue(0);
    return result;
}

}  // namespace

std::optional<double> columnTotal(const ui::StringGrid& grid, int col, QProgressBar& progress,
                                  const CellText& shown) {
    return overRows(
        grid, progress,
        [col](const ledger::TextRows& rows, const ledger::RowVisit& visit) {
            return ledger::columnTotal(rows, col, visit);
        },
        shown);
}

std::optional<ledger::SalesTotals> salesTotals(const ui::StringGrid& grid,
                                               const ledger::SalesColumns& cols,
                                               const ledger::RowDocument& documentOf,
                                               QProgressBar& progress) {
    return overRows(grid, progress,
                    [&](const ledger::TextRows& rows, const ledger::RowVisit& visit) {
                        return ledger::salesTotals(rows, cols, documentOf, visit);
                    });
}

}  // namespace query
