// The engine on the sizes a shop reaches: the journal opened and scanned (every search
// of the stock-out window does this), a sale appended and saved, the inventory opened.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include "BenchBooks.h"
#include "BenchContext.h"
#include "store/StoreError.h"
#include "store/Workbook.h"

namespace {

using store::CellValue;
using store::Workbook;

// Reads every cell the way a search loop does; returns something to keep it honest.
double scanAll(const Workbook& wb) {
    const int rows = wb.usedRowCount();
    const int cols = wb.usedColumnCount();
    double acc = 0;
    for (int r = 1; r <= rows; ++r) {
        for (int c = 1; c <= cols; ++c) {
            const CellValue v = wb.cell(r, c);
            acc += v.isNumber() ? v.number : double(v.text.size());
        }
    }
    return acc;
}

void openAndScan(benchmark::State& state, const QString& file) {
    const QString path = bench::bookPath(file);
    int rows = 0;
    try {
        for (auto _ : state) {
            const Workbook wb = Workbook::open(path);
            rows = wb.usedRowCount();
            benchmark::DoNotOptimize(scanAll(wb));
        }
    } catch (const store::StoreError& e) {
        state.SkipWithError(e.what());
        return;
    }
    state.counters["rows"] = rows;
}

void BM_OpenReadJournal(benchmark::State& state) {
    openAndScan(state, bench::kJournalFile);
}
BENCHMARK(BM_OpenReadJournal)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenReadInventory(benchmark::State& state) {
    openAndScan(state, bench::kInventoryFile);
}
BENCHMARK(BM_OpenReadInventory)->Unit(benchmark::kMillisecond)->UseRealTime();

// The two halves of the open+read figure, to see which one dominates.
void BM_OpenJournalOnly(benchmark::State& state) {
    const QString path = bench::bookPath(bench::kJournalFile);
    try {
        for (auto _ : state) {
            Workbook wb = Workbook::open(path);
            benchmark::DoNotOptimize(wb.usedRowCount());
        }
    } catch (const store::StoreError& e) {
        state.SkipWithError(e.what());
    }
}
BENCHMARK(BM_OpenJournalOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScanOpenJournal(benchmark::State& state) {
    try {
        const Workbook wb = Workbook::open(bench::bookPath(bench::kJournalFile));
        for (auto _ : state)
            benchmark::DoNotOptimize(scanAll(wb));
    } catch (const store::StoreError& e) {
        state.SkipWithError(e.what());
    }
}
BENCHMARK(BM_ScanOpenJournal)->Unit(benchmark::kMillisecond)->UseRealTime();

void appendRecords(Workbook& wb, int count) {
    const int first = wb.usedRowCount() + 1;
    for (int i = 0; i < count; ++i) {
        const std::vector<CellValue> rec = bench::journalRecord(bench::kJournalRecords + i);
        for (size_t c = 0; c < rec.size(); ++c)
            wb.setCell(first + i, int(c) + 1, rec[c]);
    }
}

// A sale of ten lines as the program posts it: open, append, save. Every iteration
// starts from a fresh copy of the same journal, made outside the timing.
void appendAndSave(benchmark::State& state, bool timeTheOpen) {
    QTemporaryDir work(bench::booksDir() + "/append-XXXXXX");
    const QString copy = work.filePath(bench::kJournalFile);
    const QString source = bench::bookPath(bench::kJournalFile);
    try {
        for (auto _ : state) {
            state.PauseTiming();
            QFile::remove(copy);
            if (!QFile::copy(source, copy)) {
                state.SkipWithError("cannot copy the journal");
                return;
            }
            std::optional<Workbook> wb;
            if (!timeTheOpen)
                wb.emplace(Workbook::open(copy));
            state.ResumeTiming();
            if (timeTheOpen)
                wb.emplace(Workbook::open(copy));
            appendRecords(*wb, 10);
            wb->save();
        }
    } catch (const store::StoreError& e) {
        state.SkipWithError(e.what());
    }
}

void BM_AppendSaveJournal(benchmark::State& state) {
    appendAndSave(state, true);
}
BENCHMARK(BM_AppendSaveJournal)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveOpenJournal(benchmark::State& state) {
    appendAndSave(state, false);
}
BENCHMARK(BM_SaveOpenJournal)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
