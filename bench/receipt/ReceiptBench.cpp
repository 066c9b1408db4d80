// What the till waits for after a sale: a receipt of 30 lines laid out, rasterised and turned
// into its ESC/POS job, or printed as a driver's page (into a PDF file here).
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "ledger/Receipt.h"
#include "receipt/EscPos.h"
#include "receipt/ReceiptDrawing.h"
#include "receipt/ReceiptPrinter.h"

namespace {

ledger::Receipt thirtyLines() {
    QList<ledger::SaleLine> lines;
    for (int i = 0; i < 30; ++i) {
        ledger::SaleLine line;
        line.name = QStringLiteral("康师傅红烧牛肉面五连包特价家庭装%1").arg(i);
        line.qty = i + 1;
        line.price = 4.5;
        line.amount = line.qty * line.price;
        line.customer = QStringLiteral("张三");
        lines << line;
    }
    return ledger::makeReceipt(lines, [](const ledger::SaleLine&) { return false; },
                               {.shop = QStringLiteral("小店"),
                                .contact = QStringLiteral("电话 8812345"),
                                .time = QDateTime(QDate(2011, 5, 3), QTime(14, 30)),
                                .number = QStringLiteral("XS20110503-0001")});
}

void BM_ReceiptJob(benchmark::State& state) {
    const ledger::Receipt receipt = thirtyLines();
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QImage raster =
            receipt::ReceiptDrawing(receipt, receipt::printDots(int(state.range(0)))).raster();
        bytes = receipt::escPosJob(raster).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["job_bytes"] = double(bytes);
}
BENCHMARK(BM_ReceiptJob)->Arg(58)->Arg(80)->Unit(benchmark::kMillisecond);

void BM_ReceiptPage(benchmark::State& state) {
    const ledger::Receipt receipt = thirtyLines();
    QTemporaryDir target;
    receipt::ReceiptPrinter printer;
    printer.setPrintTarget(target.path());
    receipt::Setup setup;
    setup.printer = QStringLiteral("Till");
    setup.mode = receipt::Mode::Driver;
    for (auto _ : state)
        printer.print(receipt, setup);
}
BENCHMARK(BM_ReceiptPage)->Unit(benchmark::kMillisecond);

}  // namespace
