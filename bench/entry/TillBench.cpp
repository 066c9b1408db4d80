// A sale at the till as the cashier sees it, on the books of a shop ten years on (a
// journal of 100,000 records, 10,000 documents, 10,000 items): the last of three scans,
// then 销售出库 up to the payment dialog shown; and from the payment accepted to the
// receipt's ESC/POS job handed on (written to the print target, where the program would
// hand it to CUPS). Both figures are counters of the one benchmark, in milliseconds.
//
// On the files the books are kept in memory while unchanged, as in the program. The
// database engine runs when TAVELO_BENCH_CONNINFO names a server (bench/run.sh starts one).
// Offline, the till's server is gone: it sells from its copy of the inventory, and the
// payment's second figure ends with the sale flushed to its outbox and the receipt out.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include "BenchBooks.h"
#include "CountingPrompt.h"
#include "chuku/Unit_chuku.h"
#include "database/Database.h"
#include "database/Transfer.h"
#include "ledger/OfflineTill.h"
#include "receipt/ReceiptPrinter.h"
#include "store/KeptBooks.h"
#include "ui/Clock.h"
#include "ui/StringGrid.h"

namespace {

// Takes the payment in cash, and notes when the dialog would have been shown.
class TillPrompt : public bench::CountingPrompt {
public:
    QElapsedTimer* clock = nullptr;
    qint64 shownAt = 0;
    std::optional<ledger::Payment> takePayment(QWidget* parent,
                                               const ui::PaymentRequest& request) override {
        shownAt = clock->nsecsElapsed();
        return Prompt::takePayment(parent, request);
    }
};

enum class Till { Files, Database, Offline };

void BM_TillSale(benchmark::State& state, Till kind) {
    const bool onDatabase = kind == Till::Database;
    QTemporaryDir work, receipts;
    bench::copyDataBooks(bench::postingBooks(), work.path());
    TillPrompt prompt;
    ui::FixedClock clock{QDate(2026, 12, 8)};
    ui::AppContext context{work.path() + '/', &prompt, &clock, {}};
    if (onDatabase) {
        const QString conninfo = qEnvironmentVariable("TAVELO_BENCH_CONNINFO");
        if (conninfo.isEmpty()) {
            state.SkipWithError("no server: set TAVELO_BENCH_CONNINFO (bench/run.sh does)");
            return;
        }
        context.database = std::make_shared<database::Database>(conninfo, context.programDir);
        // Loaded as the shop's owner loads it, with books-db: no till's limits.
        database::Connection connection(conninfo, {std::chrono::milliseconds(0), false});
        // Every data book's table, whichever benchmark used the server before.
        QByteArray tables = "document_numbers";
        for (store::Book book : store::kDataBooks)
            tables += QByteArray(", ") + store::layoutOf(book).table;
        connection.exec("DROP TABLE IF EXISTS " + tables);
        connection.exec("DROP SEQUENCE IF EXISTS book_order, book_stamp");
        database::importBooks(connection, work.path());
        connection.exec("ANALYZE");
        context.servers = context.database->servers(nullptr);
    } else if (kind == Till::Offline) {
        // A server that was never there: the till knows it is gone and asks it nothing.
        const QString nowhere = QStringLiteral("host=%1/gone dbname=shop").arg(work.path());
        QFile::copy(store::bookPath(context.programDir, store::Book::Inventory),
                    context.programDir + database::Database::inventoryCopyName());
        context.database = std::make_shared<database::Database>(nowhere, context.programDir);
        context.database->holdOff(true);
        context.servers = context.database->servers(nullptr);
        context.offline = std::make_shared<ledger::OfflineTill>(context.programDir, nowhere,
                                                                [] { return QDate(2026, 12, 8); });
        context.offline->open();
        context.offline->setOffline(true);
    } else {
        context.servers = store::workbookServerFactory(nullptr, store::keptDataBooks());
    }
    auto printer = std::make_shared<receipt::ReceiptPrinter>();
    printer->setPrintTarget(receipts.path());
    context.receipts = printer;
    context.receiptSetup = [] {
        receipt::Setup setup;
        setup.printer = QStringLiteral("Till");
        setup.autoprint = true;
        return setup;
    };
    TForm_chuku till(context, nullptr);
    auto* code = till.findChild<QLineEdit*>(QStringLiteral("Edit2"));
    auto& grid = *till.findChild<ui::StringGrid*>(QStringLiteral("StringGrid_chuku"));
    const auto scan = [&](int item) {
        code->setText(QString::number(1001 + item));
        till.Edit2KeyPress();
        grid.setCell(7, grid.rowCount() - 1, QStringLiteral("散客"));
    };
    QElapsedTimer elapsed;
    prompt.clock = &elapsed;
    double toDialog = 0, toReceipt = 0;
    for (auto _ : state) {
        scan(10);
        scan(5000);
        elapsed.start();
        scan(9999);
        till.SpeedButton4Click();
        const qint64 end = elapsed.nsecsElapsed();
        toDialog += double(prompt.shownAt) / 1e6;
        toReceipt += double(end - prompt.shownAt) / 1e6;
        state.SetIterationTime(double(end) / 1e9);
        if (prompt.boxes || !grid.cell(0, 1).isEmpty() || printer->lastOutputFile().isEmpty()) {
            state.SkipWithError("the sale or its receipt did not go through");
            return;
        }
    }
    state.counters["to_dialog_ms"] =
        benchmark::Counter(toDialog, benchmark::Counter::kAvgIterations);
    state.counters["to_receipt_ms"] =
        benchmark::Counter(toReceipt, benchmark::Counter::kAvgIterations);
}
BENCHMARK_CAPTURE(BM_TillSale, files, Till::Files)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TillSale, database, Till::Database)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TillSale, offline, Till::Offline)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
