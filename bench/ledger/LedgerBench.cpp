// The postings through the ledger alone, no window: 20 purchase, return or sale lines
// spread over 10,000 items, with journals of 100,000 records and their documents, fresh
// copies of the books each time.
// Together with entry_bench's window postings this shows what the windows add.
#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include "BenchBooks.h"
#include "PostingLines.h"
#include "ledger/Documents.h"
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

// A documents book of 100,000 documents, one a record of the journal: its size, and what
// finding one document's journal rows by its number costs a reprint (the book read, its
// index made, the lookup).
void BM_FindDocumentRows(benchmark::State& state) {
    static QTemporaryDir dir;
    static const bool written =
        (bench::writeDocumentsBook(dir.path(), bench::kJournalRecords, 1), true);
    (void)written;
    const QString number = QStringLiteral("XS20180927-0001");
    int rows = 0;
    for (auto _ : state) {
        const ledger::DocumentIndex index =
            ledger::DocumentIndex::load(store::workbookServerFactory(), dir.path(), false);
        const ledger::DocumentRecord* found = index.numbered(number);
        rows = found ? found->lines : -1;
    }
    if (rows != 1)
        state.SkipWithError("the document was not found");
    state.counters["book_bytes"] =
        double(QFileInfo(store::bookPath(dir.path(), store::Book::Documents)).size());
}
BENCHMARK(BM_FindDocumentRows)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
