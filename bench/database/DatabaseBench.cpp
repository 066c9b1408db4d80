// The database engine beside the workbook engine on the books of a shop ten years on (both
// journals 100,000 records, 10,000 items): a 20-line sale and stock-in and a count of every
// item through the ledger, the journal search as the windows run it, and four tills posting
// at once.
//
// The server must be running: --cluster=DIR names a folder started by scripts/pg-cluster.sh,
// or TAVELO_BENCH_CONNINFO holds a libpq conninfo. Each benchmark starts on its own copy of
// the books: the tables are dropped and the books imported again.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BenchBooks.h"
#include "database/Connection.h"
#include "database/Database.h"
#include "database/Transfer.h"
#include "ledger/Accounts.h"
#include "ledger/Documents.h"
#include "ledger/Ledger.h"
#include "ledger/Listings.h"
#include "ledger/OfflineTill.h"
#include "ledger/PostingLines.h"
#include "ledger/SalesAnalysis.h"
#include "ledger/Stocktake.h"
#include "store/KeptBooks.h"

namespace {

QString g_conninfo;

constexpr int kLines = bench::kPostingLines;

// The tables as a shop that moved its books to the server has them: dropped and imported
// afresh once a benchmark (its trial runs and repetitions go on where the last left off), the
// planner's statistics gathered as the server's own cleaner soon would.
std::shared_ptr<database::Database> freshDatabase(const std::string& benchmark,
                                                  const QString& programDir,
                                                  database::Patience patience = {},
                                                  const QString& books = bench::postingBooks()) {
    static std::string imported;
    auto db = std::make_shared<database::Database>(g_conninfo, programDir, patience);
    if (imported == benchmark)
        return db;
    imported.clear();
    // Loaded as the shop's owner loads it, with books-db: no till's limits.
    database::Connection connection(g_conninfo, {std::chrono::milliseconds(0), false});
    QByteArray tables = "document_numbers";
    for (store::Book book : store::kDataBooks)
        tables += QByteArray(", ") + store::layoutOf(book).table;
    connection.exec("DROP TABLE IF EXISTS " + tables);
    connection.exec("DROP SEQUENCE IF EXISTS book_order, book_stamp");
    database::importBooks(connection, books);
    connection.exec("ANALYZE");
    imported = benchmark;
    return db;
}

using bench::purchaseLines;
using bench::saleLines;

enum class Engine { Workbook, WorkbookKept, Database };

// The workbook engine as the program runs it, the data books kept between postings: either
// on fresh copies of the books each time (every posting reads them), or one posting after
// another on the same books, as a till does once it has read them. The database engine
// posts on its tables, whose journal grows by 20 records a posting.
template <typename Post>
void timePosting(benchmark::State& state, const std::string& name, Engine engine, Post post) {
    QTemporaryDir work;
    std::shared_ptr<database::Database> db;
    std::unique_ptr<ledger::Ledger> books;
    if (engine == Engine::Database) {
        db = freshDatabase(name, work.path());
        books = std::make_unique<ledger::Ledger>(work.path(), db->servers(nullptr), db);
    } else {
        bench::copyDataBooks(bench::postingBooks(), work.path());
        books = std::make_unique<ledger::Ledger>(
            work.path(), store::workbookServerFactory(nullptr, store::keptDataBooks()));
        if (engine == Engine::WorkbookKept)
            post(*books);
    }
    for (auto _ : state) {
        if (engine == Engine::Workbook) {
            state.PauseTiming();
            bench::copyDataBooks(bench::postingBooks(), work.path());
            state.ResumeTiming();
        }
        post(*books);
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

void BM_Sale(benchmark::State& state, Engine engine) {
    const auto lines = saleLines(kLines);
    timePosting(state, "sale", engine,
                [&](ledger::Ledger& books) { books.commit(ledger::sale(lines, {})); });
}
BENCHMARK_CAPTURE(BM_Sale, workbook, Engine::Workbook)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Sale, workbook_kept, Engine::WorkbookKept)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Sale, database, Engine::Database)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// A till's 10-line sale with the session's limits and the wait for a silent server, and
// without them, as the program connected before it had them: they must cost nothing.
void BM_TenLineSale(benchmark::State& state, bool limited) {
    QTemporaryDir work;
    const auto db = freshDatabase(
        "ten-line sale", work.path(),
        limited ? database::Patience{} : database::Patience{std::chrono::milliseconds(0), false});
    ledger::Ledger books(work.path(), db->servers(nullptr), db);
    const auto lines = saleLines(10);
    for (auto _ : state)
        books.commit(ledger::sale(lines, {}));
}
BENCHMARK_CAPTURE(BM_TenLineSale, unlimited, false)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TenLineSale, limited, true)->UseRealTime()->Unit(benchmark::kMillisecond);

// A till back from a day offline: 1,000 three-line sales waiting in its outbox, sent one
// transaction each, in order, through the ordinary commit. Queued untimed.
void BM_SendOutbox(benchmark::State& state) {
    constexpr int kQueued = 1000;
    QTemporaryDir work;
    const QString dir = work.path() + QLatin1Char('/');
    const auto db = freshDatabase("outbox", dir);
    const auto till =
        std::make_shared<ledger::OfflineTill>(dir, g_conninfo, [] { return QDate(2026, 12, 8); });
    till->open();
    ledger::Ledger keeping(dir, db->servers(nullptr), db, till);
    ledger::Ledger sending(dir, db->servers(nullptr), db);
    for (auto _ : state) {
        state.PauseTiming();
        till->setOffline(true);
        for (int i = 0; i < kQueued; ++i)
            keeping.commit(ledger::sale(saleLines(3, 1 + i % 18), {}));
        state.ResumeTiming();
        if (till->send(sending).sent != kQueued) {
            state.SkipWithError("the outbox was not sent whole");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * kQueued);
}
BENCHMARK(BM_SendOutbox)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// A stocktake of the whole shop: every one of the 10,000 items counted, a third found one
// more, a third one less. To be no slower than a 20-line stock-in on the files.
void BM_Stocktake(benchmark::State& state, Engine engine) {
    QList<ledger::CountLine> lines;
    {
        store::BookPass inventory(store::workbookServerFactory(),
                                  store::bookPath(bench::postingBooks(), store::Book::Inventory));
        for (const ledger::CountItem& item : ledger::countSheet(inventory, {})) {
            const int row = int(lines.size()) + 1;
            lines << ledger::countLine(item, row, item.bookQty + row % 3 - 1, "2011-05-03");
        }
    }
    timePosting(state, "stocktake", engine,
                [&](ledger::Ledger& books) { books.commit(ledger::stocktake(lines, {})); });
    state.SetItemsProcessed(state.iterations() * lines.size());
}
BENCHMARK_CAPTURE(BM_Stocktake, workbook, Engine::Workbook)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stocktake, workbook_kept, Engine::WorkbookKept)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Stocktake, database, Engine::Database)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_StockIn(benchmark::State& state, Engine engine) {
    const auto lines = purchaseLines(kLines);
    timePosting(state, "stock-in", engine,
                [&](ledger::Ledger& books) { books.commit(ledger::purchase(lines, {})); });
}
BENCHMARK_CAPTURE(BM_StockIn, workbook, Engine::Workbook)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StockIn, workbook_kept, Engine::WorkbookKept)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StockIn, database, Engine::Database)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The stock-out window's "包含" search on item names: every record read through a book
// pass and tested as the window tests it, each match's cells copied out as its grid
// takes them. Returns the matches and a hash of their texts, for comparing the engines.
struct Found {
    int matches = 0;
    size_t hash = 0;
};

Found searchNames(const store::ServerFactory& servers, const QString& programDir,
                  std::vector<QStringList>& grid) {
    using namespace store::StockOutCol;
    const ledger::JournalTest test{.field = {.col = ItemName,
                                             .condition = store::Condition::Contains,
                                             .text = QStringLiteral("可乐")},
                                   .dateCol = OutDate,
                                   .today = {}};
    store::BookPass journal(servers, store::bookPath(programDir, store::Book::StockOut));
    grid.clear();
    // One scan that decodes only the cells a test or a result looks at, as the window's.
    QList<int> columns;
    for (int col = 1; col <= store::kBookColumns; ++col)
        columns << col;
    journal.scanRows(columns, [&](int row) {
        if (!test.matches(journal, row))
            return;
        QStringList texts;
        for (int col = 1; col <= store::kBookColumns; ++col)
            texts << journal.value(row, col).displayText();
        grid.push_back(std::move(texts));
    });
    Found found{int(grid.size()), 0};
    for (const QStringList& texts : grid)
        found.hash = qHashMulti(found.hash, texts);
    return found;
}

// "销售分析" over the whole journal by month, as the window runs it: its figures hashed, for
// comparing the engines.
Found analyseMonths(const store::ServerFactory& servers, const QString& programDir,
                    std::vector<QStringList>&) {
    store::BookPass journal(servers, store::bookPath(programDir, store::Book::StockOut));
    const bool inDatabase = !QFileInfo::exists(store::bookPath(programDir, store::Book::Documents));
    const ledger::SalesAnalysis analysis =
        ledger::analyseSales(journal, ledger::DocumentIndex::load(servers, programDir, inDatabase),
                             QDate(2011, 1, 1), QDate(2020, 2, 29), ledger::SalesStep::Month);
    Found found{analysis.records, 0};
    for (const ledger::PeriodSales& period : analysis.periods)
        found.hash = qHashMulti(found.hash, period.figures.sales, period.figures.profit);
    return found;
}

using JournalRead = Found (*)(const store::ServerFactory&, const QString&,
                              std::vector<QStringList>&);

// What the workbook engine finds in the books as written: both engines must give the same.
Found expectedFrom(JournalRead read, const QString& books = bench::postingBooks()) {
    std::vector<QStringList> grid;
    return read(store::workbookServerFactory(), books, grid);
}

// "First": the first search after the program starts (the database's connection is made
// beforehand, untimed): on the files, nothing kept; on the database, the till's copies as
// it wrote them when it last ended, another till having posted a 20-line sale meanwhile.
// "Cold": a till's first start, without copies: the journal fetched whole. "Kept": the
// journal as the program keeps it between searches, unchanged since the last.
enum class Search { WorkbookFirst, WorkbookKept, DatabaseFirst, DatabaseCold, DatabaseKept };

void timeJournalRead(benchmark::State& state, Search search, JournalRead read,
                     const Found& expected, const QString& books = bench::postingBooks()) {
    QTemporaryDir work;
    std::shared_ptr<database::Database> db;
    store::ServerFactory servers;
    QString dir = books;
    const bool onDatabase = search == Search::DatabaseFirst || search == Search::DatabaseCold ||
                            search == Search::DatabaseKept;
    // Another till, in a folder of its own, posting a sale between the searches.
    QTemporaryDir elsewhere;
    std::unique_ptr<ledger::Ledger> otherTill;
    std::shared_ptr<database::Database> otherDb;
    const auto lines = saleLines(kLines);
    // The first search after a start finds another till's sales of the shop's items.
    const bool selling = search == Search::DatabaseFirst && books == bench::postingBooks();
    if (onDatabase) {
        dir = work.path();
        // The next benchmark starts on the books as imported, without the sales.
        db = freshDatabase(std::string(books == bench::postingBooks() ? "search" : "accounts") +
                               (selling ? " after sales" : ""),
                           dir, {}, books);
        servers = db->servers(nullptr);
    } else if (search == Search::WorkbookKept) {
        servers = store::workbookServerFactory(nullptr, store::keptDataBooks());
    }
    std::vector<QStringList> grid;
    if (search == Search::WorkbookKept || search == Search::DatabaseKept ||
        search == Search::DatabaseFirst)
        read(servers, dir, grid);
    if (selling) {
        otherDb = std::make_shared<database::Database>(g_conninfo, elsewhere.path() + "/");
        otherTill = std::make_unique<ledger::Ledger>(elsewhere.path() + "/",
                                                     otherDb->servers(nullptr), otherDb);
    }
    Found found;
    for (auto _ : state) {
        if (search == Search::WorkbookFirst) {
            servers = store::workbookServerFactory(nullptr, store::keptDataBooks());
        } else if (search == Search::DatabaseFirst || search == Search::DatabaseCold) {
            state.PauseTiming();
            servers = {};
            db.reset();  // the till ends, and writes its copies
            if (search == Search::DatabaseCold) {
                for (const QString& name : QDir(dir).entryList({"*.server.*"}, QDir::Files))
                    QFile::remove(dir + "/" + name);
            } else if (selling) {
                otherTill->commit(ledger::sale(lines, {}));
            }
            db = std::make_shared<database::Database>(g_conninfo, dir);
            db->connection();
            servers = db->servers(nullptr);
            state.ResumeTiming();
        }
        found = read(servers, dir, grid);
    }
    // After sales by another till, the search must find what a till without copies finds.
    const Found truth = search != Search::DatabaseFirst ? expected : [&] {
        QTemporaryDir fresh;
        const auto reader = std::make_shared<database::Database>(g_conninfo, fresh.path());
        return read(reader->servers(nullptr), fresh.path(), grid);
    }();
    if (found.matches != truth.matches || found.hash != truth.hash)
        state.SkipWithError("the engines disagree on what the books hold");
    state.counters["matches"] = found.matches;
    state.SetItemsProcessed(state.iterations() * bench::kJournalRecords);
}

void BM_SearchNames(benchmark::State& state, Search search) {
    static const Found expected = expectedFrom(&searchNames);
    timeJournalRead(state, search, &searchNames, expected);
}
BENCHMARK_CAPTURE(BM_SearchNames, workbook_first, Search::WorkbookFirst)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SearchNames, workbook_kept, Search::WorkbookKept)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SearchNames, database_first, Search::DatabaseFirst)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SearchNames, database_cold, Search::DatabaseCold)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SearchNames, database_kept, Search::DatabaseKept)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_AnalyseSales(benchmark::State& state, Search search) {
    static const Found expected = expectedFrom(&analyseMonths);
    timeJournalRead(state, search, &analyseMonths, expected);
}
BENCHMARK_CAPTURE(BM_AnalyseSales, workbook_kept, Search::WorkbookKept)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AnalyseSales, database_first, Search::DatabaseFirst)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_AnalyseSales, database_kept, Search::DatabaseKept)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// 往来账 with 100,000 documents of 2,000 customers: the list of customers with their
// balances and ages, and one customer's statement for a year, each read from the documents
// as the window reads them.
Found listCustomers(const store::ServerFactory& servers, const QString& programDir,
                    std::vector<QStringList>&) {
    const bool inDatabase = !QFileInfo::exists(store::bookPath(programDir, store::Book::Documents));
    const auto accounts = ledger::Accounts::load(servers, programDir, inDatabase);
    const auto list = accounts.balances(ledger::AccountSide::Customers, QDate(2019, 1, 1));
    Found found{int(list.size()), 0};
    for (const ledger::AccountBalance& account : list)
        found.hash = qHashMulti(found.hash, account.name, account.balance, account.olderThan[0],
                                account.olderThan[2]);
    return found;
}

Found customerStatement(const store::ServerFactory& servers, const QString& programDir,
                        std::vector<QStringList>&) {
    const bool inDatabase = !QFileInfo::exists(store::bookPath(programDir, store::Book::Documents));
    const auto accounts =
        ledger::Accounts::load(servers, programDir, inDatabase, bench::accountCustomer(7));
    const ledger::Statement statement =
        accounts.statement(ledger::AccountSide::Customers, bench::accountCustomer(7),
                           QDate(2018, 1, 1), QDate(2018, 12, 31));
    Found found{int(statement.lines.size()), qHashMulti(0, statement.opening, statement.closing)};
    for (const ledger::StatementLine& line : statement.lines)
        found.hash = qHashMulti(found.hash, line.number, line.balance);
    return found;
}

void BM_CustomerList(benchmark::State& state, Search search) {
    static const Found expected = expectedFrom(&listCustomers, bench::accountBooks());
    timeJournalRead(state, search, &listCustomers, expected, bench::accountBooks());
}
void BM_CustomerStatement(benchmark::State& state, Search search) {
    static const Found expected = expectedFrom(&customerStatement, bench::accountBooks());
    timeJournalRead(state, search, &customerStatement, expected, bench::accountBooks());
}
BENCHMARK_CAPTURE(BM_CustomerList, workbook_first, Search::WorkbookFirst)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CustomerList, workbook_kept, Search::WorkbookKept)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CustomerList, database_first, Search::DatabaseFirst)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CustomerList, database_kept, Search::DatabaseKept)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CustomerStatement, workbook_kept, Search::WorkbookKept)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CustomerStatement, database_kept, Search::DatabaseKept)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Four tills, each with its own connection, posting sales and stock-ins of the same items
// by turns: with 1-line postings the tills walk the same items in step, with 20-line ones
// every posting holds all 20. A sale and a stock-in move the same quantity, so
// the inventory's total stock must come out as it went in, and every line must be in its
// journal: a lost update or a lost record shows.
constexpr int kTills = 4;
constexpr int kPostingsPerTill = 10;  // a round; even, so each till's sales meet its stock-ins

double sumOf(database::Connection& connection, const char* sql) {
    return connection.exec(sql).number(0, 0);
}

void BM_FourTills(benchmark::State& state) {
    const int lines = int(state.range(0));
    QTemporaryDir work;
    auto checker = freshDatabase("tills/" + std::to_string(lines), work.path());
    database::Connection& check = checker->connection();
    const double stockBefore = sumOf(check, "SELECT sum(stock_qty) FROM inventory");
    const double inBefore = sumOf(check, "SELECT count(*)::float8 FROM stock_in");
    const double outBefore = sumOf(check, "SELECT count(*)::float8 FROM stock_out");
    std::vector<std::unique_ptr<ledger::Ledger>> tills;
    for (int t = 0; t < kTills; ++t) {
        auto db = std::make_shared<database::Database>(g_conninfo, work.path());
        db->connection();
        tills.push_back(std::make_unique<ledger::Ledger>(work.path(), db->servers(nullptr), db));
    }
    std::mutex failureLock;
    QString failure;
    for (auto _ : state) {
        std::vector<std::thread> threads;
        for (int t = 0; t < kTills; ++t) {
            threads.emplace_back([&, t] {
                try {
                    for (int n = 0; n < kPostingsPerTill; ++n) {
                        const int first = lines == kLines ? 1 : 1 + n % kLines;
                        if (n % 2)
                            tills[t]->commit(ledger::sale(saleLines(lines, first), {}));
                        else
                            tills[t]->commit(ledger::purchase(purchaseLines(lines, first), {}));
                    }
                } catch (const store::StoreError& e) {
                    const std::lock_guard<std::mutex> hold(failureLock);
                    failure = e.message();
                }
            });
        }
        for (std::thread& thread : threads)
            thread.join();
    }
    const long long postings = state.iterations() * kTills * kPostingsPerTill;
    const double added = double(postings / 2 * lines);
    if (!failure.isEmpty()) {
        state.SkipWithError(failure.toStdString().c_str());
    } else if (sumOf(check, "SELECT sum(stock_qty) FROM inventory") != stockBefore ||
               sumOf(check, "SELECT count(*)::float8 FROM stock_in") != inBefore + added ||
               sumOf(check, "SELECT count(*)::float8 FROM stock_out") != outBefore + added) {
        state.SkipWithError("a posting was lost: the stock or the journals do not add up");
    }
    state.counters["postings"] = benchmark::Counter(double(postings), benchmark::Counter::kIsRate);
    state.SetItemsProcessed(postings * lines);
}
BENCHMARK(BM_FourTills)->Arg(1)->Arg(kLines)->UseRealTime()->Unit(benchmark::kMillisecond);

QString conninfoOf(const QString& clusterDir) {
    QFile file(QDir(clusterDir).filePath(QStringLiteral("conninfo")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).trimmed();
}

}  // namespace

// Google Benchmark's main with one option of our own: --cluster=DIR.
int main(int argc, char** argv) {
    std::vector<char*> rest;
    g_conninfo = qEnvironmentVariable("TAVELO_BENCH_CONNINFO");
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--cluster=", 10) == 0)
            g_conninfo = conninfoOf(QString::fromLocal8Bit(argv[i] + 10));
        else
            rest.push_back(argv[i]);
    }
    int restCount = int(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data()))
        return 1;
    if (g_conninfo.isEmpty()) {
        std::fprintf(stderr,
                     "no server: give --cluster=DIR (scripts/pg-cluster.sh start DIR) or set "
                     "TAVELO_BENCH_CONNINFO\n");
        return 1;
    }
    try {
        bench::postingBooks();
        benchmark::RunSpecifiedBenchmarks();
    } catch (const store::StoreError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}
