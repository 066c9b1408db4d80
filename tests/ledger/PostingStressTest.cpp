// Postings killed at random moments, and postings from two tills at once, on one folder:
// whatever happens, the stock is what the journals account for and no record is lost.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <random>

#include "ShopBooks.h"
#include "ledger/Ledger.h"

namespace {

QProcess* startWorker(const QString& dir, int rounds, int seed) {
    auto* worker = new QProcess;
    worker->start(TAVELO_POST_WORKER, {dir, QString::number(rounds), QString::number(seed)});
    EXPECT_TRUE(worker->waitForStarted());
    return worker;
}

void expectStockMatchesJournals(const QString& dir) {
    const StockCheck check = checkStock(dir);
    EXPECT_EQ(check.inventory, check.journals);
}

}  // namespace

TEST(PostingStress, KilledAtRandomMomentsTheBooksNeverDisagree) {
    QTemporaryDir dir;
    makeShop(dir.path(), 10, 20000);
    std::mt19937 random(20261207);
    int records = 20000;
    for (int kill = 0; kill < 20; ++kill) {
        std::unique_ptr<QProcess> worker(startWorker(dir.path(), 1000, kill));
        QThread::msleep(100 + random() % 900);
        worker->kill();
        worker->waitForFinished();
        ledger::Ledger(dir.path(), store::workbookServerFactory()).recover();
        EXPECT_EQ(leftovers(dir.path()).join(' '), QString()) << "after kill " << kill;
        expectStockMatchesJournals(dir.path());
        const StockCheck check = checkStock(dir.path());
        EXPECT_GE(check.stockIns + check.stockOuts, records);
        records = check.stockIns + check.stockOuts;
    }
    EXPECT_GT(records, 20000) << "no posting ever went through";
}

TEST(PostingStress, TwoTillsPostingAtOnceLoseNothing) {
    QTemporaryDir dir;
    makeShop(dir.path(), 10, 2000);
    constexpr int kRounds = 15;
    std::unique_ptr<QProcess> first(startWorker(dir.path(), kRounds, 1));
    std::unique_ptr<QProcess> second(startWorker(dir.path(), kRounds, 2));
    for (QProcess* worker : {first.get(), second.get()}) {
        ASSERT_TRUE(worker->waitForFinished(120000));
        EXPECT_EQ(worker->exitCode(), 0) << worker->readAllStandardError().toStdString();
    }
    const StockCheck check = checkStock(dir.path());
    EXPECT_EQ(check.stockIns + check.stockOuts, 2000 + 2 * kRounds);
    EXPECT_EQ(check.inventory, check.journals);
}
