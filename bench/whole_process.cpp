// One piece of a shop keeper's work as a whole process, for bench/run.sh to time with its
// peak memory: a posting, a journal search, the sales analysis. Only the ledger and the
// engine, as the windows call them; no widgets.
//
// usage: bench_process post DIR stock-in|sale LINES
//        bench_process search DIR TEXT        (商品名称 包含 TEXT, in tvchuku.dat)
//        bench_process analysis DIR FROM TO   (销售分析 by month, dates yyyy-MM-dd)
#include <QDate>
#include <QElapsedTimer>
#include <QString>
#include <cstdio>
#include <cstring>

#include "ledger/Documents.h"
#include "ledger/Ledger.h"
#include "ledger/Listings.h"
#include "ledger/PostingLines.h"
#include "ledger/SalesAnalysis.h"
#include "store/DataBooks.h"
#include "store/StoreError.h"

namespace {

int post(const QString& dir, const char* kind, int lines) {
    ledger::Ledger books(dir, store::workbookServerFactory());
    const ledger::Origin origin{QStringLiteral("收银台1"), QStringLiteral("小王"), {}};
    // Where the time goes, on stderr: each step of the posting as it starts.
    QElapsedTimer clock;
    clock.start();
    int last = -1;
    const ledger::ProgressFn steps = [&](const ledger::Progress& step) {
        const int key = step.stage * 16 + int(step.book);
        if (key == last)
            return;
        last = key;
        std::fprintf(stderr, "%6.1f ms  step %d book %d\n", double(clock.nsecsElapsed()) / 1e6,
                     int(step.stage), int(step.book));
    };
    const QString note =
        std::strcmp(kind, "sale") == 0
            ? books.commit(ledger::sale(bench::saleLines(lines), origin), steps)
            : books.commit(ledger::purchase(bench::purchaseLines(lines), origin), steps);
    std::fprintf(stderr, "%6.1f ms  done\n", double(clock.nsecsElapsed()) / 1e6);
    std::printf("posted %d lines%s\n", lines, qPrintable(note));
    return 0;
}

int search(const QString& dir, const QString& text) {
    store::BookPass journal(store::workbookServerFactory(),
                            store::bookPath(dir, store::Book::StockOut));
    ledger::JournalTest test;
    test.field = {store::StockOutCol::ItemName, store::Condition::Contains, text};
    // As the search window lists them: the shown cells of each record that matches.
    QList<int> columns;
    for (const store::BookColumn& column : store::layoutOf(store::Book::StockOut).columns)
        columns << column.number;
    int found = 0, records = 0;
    qsizetype shown = 0;
    const auto look = [&](int row) {
        ++records;
        if (!test.matches(journal, row))
            return;
        ++found;
        for (const int col : columns)
            shown += journal.value(row, col).displayText().size();
    };
#ifdef TAVELO_ROW_BY_ROW
    // Built from a commit before the scans (bench/baseline.sh): its search went row by row.
    for (int row = 2, used = journal.usedRowCount(); row <= used; ++row)
        look(row);
#else
    journal.scanRows(columns, look);
#endif
    std::printf("%d of %d records, %lld characters shown\n", found, records,
                static_cast<long long>(shown));
    return 0;
}

int analysis(const QString& dir, const QString& from, const QString& to) {
    QElapsedTimer clock;
    clock.start();
    const store::ServerFactory servers = store::workbookServerFactory();
    const ledger::DocumentIndex documents = ledger::DocumentIndex::load(servers, dir, false);
    std::fprintf(stderr, "%6.1f ms  documents read\n", double(clock.nsecsElapsed()) / 1e6);
    store::BookPass journal(servers, store::bookPath(dir, store::Book::StockOut));
    const ledger::SalesAnalysis result =
        ledger::analyseSales(journal, documents, QDate::fromString(from, Qt::ISODate),
                             QDate::fromString(to, Qt::ISODate), ledger::SalesStep::Month);
    std::fprintf(stderr, "%6.1f ms  done\n", double(clock.nsecsElapsed()) / 1e6);
    std::printf("%lld periods\n", static_cast<long long>(result.periods.size()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const auto arg = [&](int i) { return QString::fromLocal8Bit(argv[i]); };
    try {
        if (argc == 5 && std::strcmp(argv[1], "post") == 0)
            return post(arg(2), argv[3], std::atoi(argv[4]));
        if (argc == 4 && std::strcmp(argv[1], "search") == 0)
            return search(arg(2), arg(3));
        if (argc == 5 && std::strcmp(argv[1], "analysis") == 0)
            return analysis(arg(2), arg(3), arg(4));
    } catch (const store::StoreError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: bench_process post DIR stock-in|sale LINES | search DIR TEXT | "
                 "analysis DIR FROM TO\n");
    return 2;
}
