// The string grid with result-sized contents: filling 100,000 rows of 10 columns the
// ways the windows do, and painting the view anywhere in them.
#include <benchmark/benchmark.h>

#include <QScrollBar>

#include "ui/StringGrid.h"

namespace {

constexpr int kCols = 10;

QStringList sampleRow(int row) {
    QStringList texts;
    texts << QString::number(1000 + row) << QStringLiteral("可口可乐 500ml") << QStringLiteral("瓶")
          << QString::number(row % 97) << QStringLiteral("2.35") << QStringLiteral("120.5")
          << QStringLiteral("3.50") << QStringLiteral("杭州饮料批发部") << QStringLiteral("10")
          << QString();
    return texts;
}

// Times one way of filling a shown, empty grid with `rows` copies of a sample row.
template <typename Fill>
void timeFilling(benchmark::State& state, Fill fill) {
    const int rows = int(state.range(0));
    const QStringList row = sampleRow(7);
    for (auto _ : state) {
        ui::StringGrid grid(kCols, 2);
        grid.resize(700, 400);
        grid.show();
        fill(grid, rows, row);
        benchmark::DoNotOptimize(grid.cell(0, rows));
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

// Sets every cell, the rows made first: how a query that knows its count fills the grid.
void BM_GridFillCellByCell(benchmark::State& state) {
    timeFilling(state, [](ui::StringGrid& grid, int rows, const QStringList& row) {
        grid.setRowCount(rows + 1);
        for (int r = 1; r <= rows; ++r)
            for (int c = 0; c < kCols; ++c)
                grid.setCell(c, r, row[c]);
    });
}
BENCHMARK(BM_GridFillCellByCell)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Grows the grid by one row per match and copies the row in: how a search fills it.
void BM_GridGrowRowByRow(benchmark::State& state) {
    timeFilling(state, [](ui::StringGrid& grid, int rows, const QStringList& row) {
        for (int r = 1; r <= rows; ++r) {
            grid.setRowCount(r + 1);
            grid.cells().setRow(r, row);
        }
    });
}
BENCHMARK(BM_GridGrowRowByRow)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Scrolls to a place and paints the view there: the cost of what the user sees.
void BM_GridPaintAt(benchmark::State& state) {
    const int rows = int(state.range(0));
    ui::StringGrid grid(kCols, rows + 1);
    for (int r = 1; r <= rows; ++r)
        grid.cells().setRow(r, sampleRow(r));
    grid.resize(700, 400);
    grid.show();
    int step = 0;
    for (auto _ : state) {
        QScrollBar* bar = grid.verticalScrollBar();
        bar->setValue((bar->maximum() / 7) * (step++ % 8));
        benchmark::DoNotOptimize(grid.viewport()->grab());
    }
}
BENCHMARK(BM_GridPaintAt)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
