// The shop's rules and the two-book commit, against the ledger alone: no window.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <optional>

#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ShopBooks.h"
#include "ledger/BookCommit.h"
#include "ledger/Ledger.h"
#include "ledger/Totals.h"
#include "ledger/WriterLock.h"
#include "store/Workbook.h"

using ledger::CommitStep;
using store::Book;
using store::Workbook;
namespace Inv = store::InventoryCol;

namespace {

class LedgerRules : public ::testing::Test {
protected:
    void SetUp() override { makeShop(dir.path(), 3, 30); }  // 10 units of each, worth 20

    Workbook book(Book b) const { return Workbook::open(store::bookPath(dir.path(), b)); }
    double inventory(int item, int col) const {
        return book(Book::Inventory).cell(item - 999, col).number;
    }

    QTemporaryDir dir;
    ledger::Ledger books{dir.path(), store::workbookServerFactory()};
};

TEST_F(LedgerRules, APurchaseMovesTheAverageLineByLineAndAppendsANewItem) {
    books.postPurchase({purchase(1, 1001, 10, 70),  // 20 units worth 90: 4.5 each
                        purchase(2, 1001, 5, 10),   // 25 worth 100: 4
                        purchase(3, 1004, 4, 10)});
    EXPECT_EQ(inventory(1001, Inv::StockQty), 25);
    EXPECT_EQ(inventory(1001, Inv::StockValue), 100);
    EXPECT_EQ(inventory(1001, Inv::AvgCost), 4);
    EXPECT_EQ(inventory(1004, Inv::StockQty), 4);
    EXPECT_EQ(inventory(1004, Inv::AvgCost), 2.5);
    EXPECT_EQ(book(Book::StockIn).usedRowCount(), 34);
}

TEST_F(LedgerRules, StockBackFromBelowNothingTakesTheLinesOwnPrice) {
    books.postSale({sale(1, 1002, 12)});  // 2 short
    EXPECT_EQ(inventory(1002, Inv::StockValue), -4);
    books.postPurchase({purchase(1, 1002, 5, 15)});
    EXPECT_EQ(inventory(1002, Inv::StockQty), 3);
    EXPECT_EQ(inventory(1002, Inv::AvgCost), 3);
    EXPECT_EQ(inventory(1002, Inv::StockValue), 9);
}

TEST_F(LedgerRules, SalesAndReturnsMoveTheStockAtItsAverageAndAreToldApartByTheRemark) {
    books.postSale({sale(1, 1001, 3), sale(2, 1001, 1.5)});
    EXPECT_EQ(inventory(1001, Inv::StockQty), 5.5);
    EXPECT_EQ(inventory(1001, Inv::StockValue), 11);
    ledger::SaleLine back = sale(1, 1001, 2);
    back.qtyText = "2.0";
    books.postGoodsReturn({back});
    EXPECT_EQ(inventory(1001, Inv::StockQty), 7.5);
    EXPECT_EQ(book(Book::Inventory).cell(2, Inv::Remark).text, "2011-05-03退2.0");
    EXPECT_EQ(book(Book::StockOut).cell(4, 10).text, "退货");

    const StockCheck check = checkStock(dir.path());
    EXPECT_EQ(check.inventory, check.journals);
}

TEST_F(LedgerRules, GoodsSentBackAreJournalledAtTheItemsCostAndAMissingItemStopsThemAll) {
    ledger::PurchaseLine back = purchase(1, 1002, 15, 30);  // 5 more than in stock
    back.avgCost = 9;  // what the line showed, not the item's cost
    books.postSupplierReturn({back});
    EXPECT_EQ(inventory(1002, Inv::StockValue), -10);
    EXPECT_EQ(book(Book::StockIn).cell(32, store::StockInCol::AvgCost).number, 2);
    const StockCheck check = checkStock(dir.path());
    EXPECT_EQ(check.inventory, check.journals);

    const QByteArray before = booksDigest(dir.path());
    try {
        books.postSupplierReturn({purchase(1, 1001, 1, 2), purchase(2, 9999, 1, 2)});
        FAIL() << "posted";
    } catch (const ledger::Refusal& refusal) {
        EXPECT_EQ(refusal.message(), "第 2 行（商品编号 9999）：无此货物没法退货出厂");
    }
    EXPECT_EQ(booksDigest(dir.path()), before);
}

TEST_F(LedgerRules, ALineWhoseItemIsMissingStopsTheWholePostingWithBothBooksAsBefore) {
    const QByteArray before = booksDigest(dir.path());
    try {
        books.postSale({sale(1, 1001, 1), sale(2, 9999, 1)});
        FAIL() << "posted";
    } catch (const ledger::Refusal& refusal) {
        EXPECT_EQ(refusal.message(), "第 2 行（商品编号 9999）：无此货物没法出库");
    }
    EXPECT_EQ(booksDigest(dir.path()), before);
    EXPECT_EQ(leftovers(dir.path()).join(' '), QString());
}

TEST_F(LedgerRules, AWriterWhoDoesNotFinishInTimeIsNamedAndNothingIsWritten) {
    std::optional<ledger::WriterLock> first(std::in_place, dir.path());
    try {
        ledger::WriterLock second(dir.path(), std::chrono::milliseconds(300));
        ADD_FAILURE() << "two writers at once";
    } catch (const store::StoreError& busy) {
        EXPECT_TRUE(busy.message().contains(QString::number(getpid())))
            << busy.message().toStdString();
    }
    first.reset();
    ledger::WriterLock second(dir.path(), std::chrono::milliseconds(300));
}

TEST_F(LedgerRules, ALockFileAKilledWriterLeftEmptyIsTakenOverOnlyOnceNobodyHoldsIt) {
    QFile mute(QDir(dir.path()).filePath(ledger::WriterLock::fileName()));
    ASSERT_TRUE(mute.open(QIODevice::WriteOnly));
    ASSERT_TRUE(mute.setFileTime(QDateTime::currentDateTime().addSecs(-5),
                                 QFileDevice::FileModificationTime));
    ASSERT_EQ(::flock(mute.handle(), LOCK_EX | LOCK_NB), 0);
    EXPECT_THROW(ledger::WriterLock(dir.path(), std::chrono::milliseconds(600)), store::StoreError);
    mute.close();
    ledger::WriterLock taken(dir.path(), std::chrono::milliseconds(600));
}

TEST(LedgerTotals, ProfitIsQuantityTimesMarginAndReturnsCountNegative) {
    // qty, price, amount, cost, remark
    const QList<QStringList> rows{{"3", "5", "15", "2", ""},
                                  {"1", "5", "5", "2", "退货"},
                                  {"0.1", "0.3", "0.03", "0.2", "老客户"}};
    const ledger::TextRows texts{int(rows.size()),
                                 [&](int col, int row) { return rows[row - 1][col]; },
                                 [](int col) { return QString::number(col); }};
    const ledger::SalesTotals totals = ledger::salesTotals(texts, {0, 1, 2, 3, 4});
    EXPECT_DOUBLE_EQ(totals.sales, 10.03);
    EXPECT_DOUBLE_EQ(totals.profit, 6.01);
    EXPECT_DOUBLE_EQ(ledger::columnTotal(texts, 2), 20.03);
}

// A crash at each moment of a commit, made real: the posting runs in a child process that
// ends on the spot (no unwinding, no clean-up), and the next start recovers.
class CommitCrash : public LedgerRules, public ::testing::WithParamInterface<CommitStep> {};

TEST_P(CommitCrash, LeavesBothBooksOldOrBothNewAndTheNextStartSaysSoOnce) {
    const QByteArray before = booksDigest(dir.path());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ledger::setCommitHook([](CommitStep step) {
            if (step == GetParam())
                _exit(0);
        });
        try {
            books.postSale({sale(1, 1001, 3)});
        } catch (...) {
        }
        _exit(1);  // the hook was never reached
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(WEXITSTATUS(status), 0);

    const QString told = books.recover();
    const bool recordWritten = GetParam() >= CommitStep::RecordWritten;
    EXPECT_EQ(told.isEmpty(), !recordWritten) << told.toStdString();
    EXPECT_EQ(books.recover(), QString());
    EXPECT_EQ(leftovers(dir.path()).join(' '), QString());
    EXPECT_EQ(booksDigest(dir.path()) == before, !recordWritten);
    const StockCheck check = checkStock(dir.path());
    EXPECT_EQ(check.inventory, check.journals);
    EXPECT_EQ(check.stockOuts, recordWritten ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(AtEveryStep, CommitCrash,
                         ::testing::Values(CommitStep::FirstWritten, CommitStep::SecondWritten,
                                           CommitStep::RecordWritten, CommitStep::FirstReplaced,
                                           CommitStep::Replaced));

TEST_F(LedgerRules, ASecondBookThatCannotBeReplacedPutsTheFirstBack) {
    const QByteArray before = booksDigest(dir.path());
    ledger::setCommitHook([](CommitStep step) {
        if (step == CommitStep::FirstReplaced)
            throw store::StoreError("无法替换数据文件 tvchuku.dat");
    });
    EXPECT_THROW(books.postSale({sale(1, 1001, 3)}), store::StoreError);
    ledger::setCommitHook({});
    EXPECT_EQ(booksDigest(dir.path()), before);
    EXPECT_EQ(leftovers(dir.path()).join(' '), QString());
}

}  // namespace
