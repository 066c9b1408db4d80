// The postings through the ledger alone, no window: 20 purchase, return or sale lines
// spread over 10,000 items, with journals of 100,000 records, fresh copies of the books
// each time.
// Together with entry_bench's window postings this shows what the windows add.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "BenchBooks.h"
#include "ledger/Ledger.h"

namespace {

constexpr int kLines = 20;

const QString& pristineBooks() {
    static QTemporaryDir root;
    static const QString dir = [] {
        bench::writeBenchBooks(root.path());
        QFile::copy(QDir(root.path()).filePath(bench::kJournalFile),
                    store::bookPath(root.path(), store::Book::StockIn));
        return root.path();
    }();
    return dir;
}

void copyBooks(const QString& from, const QString& to) {
    for (store::Book book : {store::Book::Inventory, store::Book::StockIn, store::Book::StockOut}) {
        QFile::remove(store::bookPath(to, book));
        QFile::copy(store::bookPath(from, book), store::bookPath(to, book));
    }
}

double spreadCode(int line) {
    return 1001 + (line * bench::kInventoryItems) / kLines - 1;
}

template <typename Post>
void timePosting(benchmark::State& state, Post post) {
    QTemporaryDir work;
    ledger::Ledger books(work.path(), store::workbookServerFactory());
    for (auto _ : state) {
        state.PauseTiming();
        copyBooks(pristineBooks(), work.path());
        state.ResumeTiming();
        post(books);
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

// Purchase lines of items in stock; a purchase's last line brings a new item.
QList<ledger::PurchaseLine> purchaseLines(bool newItemLast) {
    QList<ledger::PurchaseLine> lines;
    for (int line = 1; line <= kLines; ++line) {
        const double code =
            line == kLines && newItemLast ? 1001 + bench::kInventoryItems : spreadCode(line);
        lines.append({line,
                      QString::number(code),
                      code,
                      "商品",
                      "个",
                      3,
                      2.5,
                      7.5,
                      2.4,
                      "甲厂",
                      "2011-05-03",
                      3.2,
                      10,
                      {}});
    }
    return lines;
}

void BM_LedgerPurchase(benchmark::State& state) {
    const QList<ledger::PurchaseLine> lines = purchaseLines(true);
    timePosting(state, [&](ledger::Ledger& books) { books.postPurchase(lines); });
}
BENCHMARK(BM_LedgerPurchase)->Unit(benchmark::kMillisecond);

void BM_LedgerSupplierReturn(benchmark::State& state) {
    const QList<ledger::PurchaseLine> lines = purchaseLines(false);
    timePosting(state, [&](ledger::Ledger& books) { books.postSupplierReturn(lines); });
}
BENCHMARK(BM_LedgerSupplierReturn)->Unit(benchmark::kMillisecond);

void BM_LedgerSale(benchmark::State& state) {
    QList<ledger::SaleLine> lines;
    for (int line = 1; line <= kLines; ++line) {
        const double code = spreadCode(line);
        lines.append({line,
                      QString::number(code),
                      code,
                      "商品",
                      "个",
                      3,
                      "3",
                      3.2,
                      9.6,
                      2.4,
                      "张三",
                      "2011-05-03",
                      {}});
    }
    timePosting(state, [&](ledger::Ledger& books) { books.postSale(lines); });
}
BENCHMARK(BM_LedgerSale)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
