// The postings through the ledger alone, no window: 20 purchase, return or sale lines
// spread over 10,000 items, with journals of 100,000 records, fresh copies of the books
// each time.
// Together with entry_bench's window postings this shows what the windows add.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "BenchBooks.h"
#include "PostingLines.h"
#include "ledger/Ledger.h"

namespace {

constexpr int kLines = bench::kPostingLines;

template <typename Post>
void timePosting(benchmark::State& state, Post post) {
    QTemporaryDir work;
    ledger::Ledger books(work.path(), store::workbookServerFactory());
    for (auto _ : state) {
        state.PauseTiming();
        bench::copyDataBooks(bench::postingBooks(), work.path());
        state.ResumeTiming();
        post(books);
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

// Purchase lines of items in stock; a purchase's last line brings a new item.
QList<ledger::PurchaseLine> purchaseLines(bool newItemLast) {
    QList<ledger::PurchaseLine> lines = bench::purchaseLines();
    if (newItemLast) {
        lines.back().code = 1001 + bench::kInventoryItems;
        lines.back().codeText = QString::number(lines.back().code);
    }
    return lines;
}

void BM_LedgerPurchase(benchmark::State& state) {
    const QList<ledger::PurchaseLine> lines = purchaseLines(true);
    timePosting(state, [&](ledger::Ledger& books) { books.commit(ledger::purchase(lines, {})); });
}
BENCHMARK(BM_LedgerPurchase)->Unit(benchmark::kMillisecond);

void BM_LedgerSupplierReturn(benchmark::State& state) {
    const QList<ledger::PurchaseLine> lines = purchaseLines(false);
    timePosting(state,
                [&](ledger::Ledger& books) { books.commit(ledger::supplierReturn(lines, {})); });
}
BENCHMARK(BM_LedgerSupplierReturn)->Unit(benchmark::kMillisecond);

void BM_LedgerSale(benchmark::State& state) {
    const QList<ledger::SaleLine> lines = bench::saleLines();
    timePosting(state, [&](ledger::Ledger& books) { books.commit(ledger::sale(lines, {})); });
}
BENCHMARK(BM_LedgerSale)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
