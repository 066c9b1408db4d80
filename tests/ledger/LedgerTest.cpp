// The shop's rules, on both engines, and the commit of the files, against the ledger alone:
// no window.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <optional>

#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ShopBooks.h"
#include "TestServer.h"
#include "database/Database.h"
#include "ledger/Accounts.h"
#include "ledger/BookCommit.h"
#include "ledger/Documents.h"
#include "ledger/Ledger.h"
#include "ledger/SalesAnalysis.h"
#include "ledger/ShiftReport.h"
#include "ledger/Stocktake.h"
#include "ledger/Totals.h"
#include "ledger/WriterLock.h"
#include "store/Numbers.h"
#include "store/ValueRules.h"
#include "store/Workbook.h"

using ledger::CommitStep;
using store::Book;
using store::Workbook;
namespace Inv = store::InventoryCol;

namespace {

enum class Engine { Files, Database };

// The rules hold on either engine, and after every test the books agree: the stock with
// the journals, the journals with the documents.
class LedgerRules : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        if (GetParam() == Engine::Files) {
            makeShop(dir.path(), 3, 30);  // 10 units of each, worth 20
        } else {
            if (withoutTestServer())
                GTEST_SKIP() << "needs the test server that ctest starts";
            const QString conninfo = freshDatabase("rules");
            importShop(conninfo, dir.path(), 3, 30);
            tables.emplace(conninfo);
            // As a database from before the journals named their documents: the till's
            // first connection brings it up to date.
            tables->exec("ALTER TABLE stock_in DROP COLUMN document");
            tables->exec("ALTER TABLE stock_out DROP COLUMN document");
            tables->exec("ALTER TABLE documents DROP COLUMN paid_card, DROP COLUMN change_given");
            server = std::make_shared<database::Database>(conninfo, dir.path());
        }
        books.emplace(dir.path(), servers(), server);
    }
    void TearDown() override {
        if (IsSkipped())
            return;
        const StockCheck check = checkStock(dir.path(), servers());
        EXPECT_EQ(check.inventory, check.journals);
        EXPECT_EQ(
            documentFaults(servers(), dir.path(), {.stockIns = 30}, tables ? &*tables : nullptr),
            "");
    }

    store::ServerFactory servers() const {
        return server ? server->servers(nullptr) : store::workbookServerFactory();
    }
    store::BookPass book(Book b) const { return {servers(), store::bookPath(dir.path(), b)}; }
    double inventory(int item, int col) const {
        return book(Book::Inventory).number(item - 999, col);
    }
    // The books' bytes on the files, their cells on the database.
    QByteArray digest() const {
        if (!server)
            return booksDigest(dir.path());
        QByteArray cells;
        for (Book b : store::kDataBooks) {
            store::BookPass pass = book(b);
            for (int row = 1; row <= pass.usedRowCount(); ++row)
                for (int col = 1; col <= store::layoutOf(b).columnCount(); ++col)
                    cells += pass.value(row, col).displayText().toUtf8() + '\t';
        }
        return cells;
    }

    QTemporaryDir dir;
    std::optional<database::Connection> tables;
    std::shared_ptr<database::Database> server;
    std::optional<ledger::Ledger> books;
};

std::string engineName(const ::testing::TestParamInfo<Engine>& engine) {
    return engine.param == Engine::Files ? "Files" : "Database";
}
INSTANTIATE_TEST_SUITE_P(Both, LedgerRules, ::testing::Values(Engine::Files, Engine::Database),
                         engineName);

// The commit of the files: their locks, a crash and a failing disk.
class LedgerFiles : public ::testing::Test {
protected:
    void SetUp() override { makeShop(dir.path(), 3, 30); }

    QTemporaryDir dir;
    ledger::Ledger books{dir.path(), store::workbookServerFactory()};
};

TEST_P(LedgerRules, APurchaseMovesTheAverageLineByLineAndAppendsANewItem) {
    books->commit(ledger::purchase({purchase(1, 1001, 10, 70),  // 20 units worth 90: 4.5 each
                                    purchase(2, 1001, 5, 10),   // 25 worth 100: 4
                                    purchase(3, 1004, 4, 10)},
                                   {}));
    EXPECT_EQ(inventory(1001, Inv::StockQty), 25);
    EXPECT_EQ(inventory(1001, Inv::StockValue), 100);
    EXPECT_EQ(inventory(1001, Inv::AvgCost), 4);
    EXPECT_EQ(inventory(1004, Inv::StockQty), 4);
    EXPECT_EQ(inventory(1004, Inv::AvgCost), 2.5);
    EXPECT_EQ(book(Book::StockIn).usedRowCount(), 34);
}

TEST_P(LedgerRules, ADocumentIsPostedOnceHoweverOftenItIsCommitted) {
    ledger::Document document = ledger::sale({sale(1, 1001, 3)}, {});
    books->commit(document);
    const QByteArray after = digest();
    try {
        books->commit(document);
        FAIL() << "posted twice";
    } catch (const ledger::AlreadyPosted& posted) {
        EXPECT_EQ(posted.number(), document.number);
    }
    EXPECT_EQ(digest(), after);
}

// What the till took is in the documents, and the shift report adds it up from there: the
// cash in the drawer, each method's part of a split sale, a refund, and a fresh start after
// the shift is closed.
TEST_P(LedgerRules, PaymentsAreKeptWithTheirDocumentAndAddUpToTheShift) {
    using ledger::PayMethod;
    const ledger::Origin li{.till = "一号台", .operatorName = "小李", .time = {}};
    const ledger::Origin wang{.till = "一号台", .operatorName = "小王", .time = {}};
    const auto paid = [&](ledger::Document document, const ledger::Payment& payment) {
        document.payment = payment;
        books->commit(document);
    };
    paid(ledger::sale({sale(1, 1001, 3)}, li), ledger::Payment::of({{PayMethod::Cash, 9}}, 20));
    paid(ledger::sale({sale(1, 1002, 5)}, wang),
         ledger::Payment::of({{PayMethod::Cash, 5}, {PayMethod::Card, 10}}, 5));
    paid(ledger::goodsReturn({sale(1, 1001, 1)}, li), ledger::Payment::exactCash(3));
    books->commit(
        ledger::sale({sale(1, 1003, 1)}, {.till = "二号台", .operatorName = "小李", .time = {}}));

    // Short by a cent: refused, nothing written.
    const QByteArray before = digest();
    ledger::Document shortPaid = ledger::sale({sale(1, 1001, 1, 0.1)}, li);
    shortPaid.payment = ledger::Payment::exactCash(0.09);
    EXPECT_THROW(books->commit(shortPaid), ledger::Refusal);
    EXPECT_EQ(digest(), before);

    auto documents = ledger::DocumentIndex::load(servers(), dir.path(), server != nullptr);
    ASSERT_TRUE(documents.records().first().payment);
    EXPECT_EQ(documents.records().first().payment->change, 11);
    ledger::ShiftReport shift = ledger::shiftReport(documents, "一号台", 100);
    EXPECT_EQ(shift.sales, 2);
    EXPECT_EQ(shift.returns, 1);
    EXPECT_EQ(shift.cashTaken, 14);
    EXPECT_EQ(shift.expectedCash(), 111);
    ASSERT_EQ(shift.lines.size(), 3);
    EXPECT_EQ(shift.lines[0].cashier, "小李");
    EXPECT_EQ(shift.lines[0].refunded, 3);
    EXPECT_EQ(shift.lines[2].method, "银行卡");
    EXPECT_EQ(shift.lines[2].sold, 10);

    // Cash on accounts is in the drawer too, though it is no sale.
    books->commit(ledger::customerPayment("张三", PayMethod::Cash, 30, {}, li));
    books->commit(ledger::supplierPayment("甲厂", PayMethod::Cash, 12, {}, wang));
    books->commit(ledger::customerPayment("张三", PayMethod::Card, 50, {}, li));
    shift = ledger::shiftReport(
        ledger::DocumentIndex::load(servers(), dir.path(), server != nullptr), "一号台", 100);
    EXPECT_EQ(shift.sales, 2);
    EXPECT_EQ(shift.expectedCash(), 129);

    books->commit(ledger::shiftClose(li));
    books->commit(ledger::sale({sale(1, 1001, 1)}, wang));
    documents = ledger::DocumentIndex::load(servers(), dir.path(), server != nullptr);
    shift = ledger::shiftReport(documents, "一号台", 100);
    EXPECT_TRUE(shift.closedBy.startsWith("JB"));
    EXPECT_EQ(shift.sales, 1);
    EXPECT_EQ(shift.lines.value(0).method, "未记录");
}

// A month of credit at the counter: three regulars buy on account, bring goods back on
// account and pay now and then. After every document each balance is what the documents
// book's own cells add up to, read here without the rules under test; a statement's running
// balance replays from its opening; and a payment is money, more than nothing.
TEST_P(LedgerRules, CustomerAccountsAreTheSumOfTheirDocumentsAtEveryStep) {
    using ledger::AccountSide;
    using ledger::PayMethod;
    namespace Doc = store::DocumentCol;
    const QStringList customers{"张阿姨", "李师傅", "王老板"};
    const auto replay = [&](const QString& who, const QString& from = {},
                            const QString& to = "9999") {
        store::BookPass documents = book(Book::Documents);
        double sum = 0;
        for (int row = 2; row <= documents.usedRowCount(); ++row) {
            const QString kind = documents.value(row, Doc::Kind).text;
            const QString date = documents.value(row, Doc::Date).text;
            if (documents.value(row, Doc::Counterpart).text != who || date < from || date > to)
                continue;
            const double owed = documents.number(row, Doc::OnAccount);
            sum += kind == "销售出库"   ? owed
                   : kind == "退货返库" ? -owed
                   : kind == "收款"     ? -documents.number(row, Doc::Total)
                                        : 0;
        }
        return store::roundMoney(sum);
    };
    ledger::Origin origin{.till = "一号台", .operatorName = "小李", .time = {}};
    for (int day = 1; day <= 30; ++day) {
        origin.time = QDateTime(QDate(2026, 11, day), QTime(9, 0));
        const QString who = customers[day % 3];
        ledger::SaleLine line = sale(1, 1001 + day % 3, 2, 3.35);
        line.customer = who;
        ledger::Document bought = ledger::sale({line}, origin);
        bought.payment =
            ledger::Payment::of({{PayMethod::Cash, 1.7}, {PayMethod::OnAccount, 5}}, 2);
        books->commit(bought);
        if (day % 7 == 0) {
            line.qty = 1;
            line.amount = 3.35;
            ledger::Document back = ledger::goodsReturn({line}, origin);
            back.payment = ledger::Payment::of({{PayMethod::OnAccount, 3.35}}, 0);
            books->commit(back);
        }
        if (day % 10 == 0)
            books->commit(ledger::customerPayment(who, PayMethod::WeChat, 8.1, "微信转账", origin));
        const auto accounts = ledger::Accounts::load(servers(), dir.path(), server != nullptr);
        for (const QString& customer : customers)
            ASSERT_EQ(accounts.balance(AccountSide::Customers, customer), replay(customer))
                << customer.toStdString() << " on day " << day;
    }

    const auto accounts =
        ledger::Accounts::load(servers(), dir.path(), server != nullptr, "李师傅");
    const ledger::Statement statement = accounts.statement(
        AccountSide::Customers, "李师傅", QDate(2026, 11, 10), QDate(2026, 11, 20));
    EXPECT_EQ(statement.opening, replay("李师傅", "", "2026-11-09"));
    double running = statement.opening;
    for (const ledger::StatementLine& entry : statement.lines) {
        running = store::roundMoney(running + entry.amount);
        EXPECT_EQ(entry.balance, running) << entry.number.toStdString();
    }
    EXPECT_EQ(statement.closing, replay("李师傅", "", "2026-11-20"));
    // Bought on days 10, 13, 16 and 19, paid on day 10.
    ASSERT_EQ(statement.lines.size(), 5);
    EXPECT_EQ(statement.lines[1].number, "SK20261110-0001");

    const QByteArray before = digest();
    EXPECT_THROW(books->commit(ledger::customerPayment("张阿姨", PayMethod::Cash, -5, {}, origin)),
                 ledger::Refusal);
    EXPECT_THROW(books->commit(ledger::customerPayment("张阿姨", PayMethod::Cash, 0, {}, origin)),
                 ledger::Refusal);
    ledger::SaleLine other = sale(2, 1001, 1);
    other.customer = "李师傅";
    ledger::SaleLine mine = sale(1, 1002, 1);
    mine.customer = "张阿姨";
    ledger::Document twoOwing = ledger::sale({mine, other}, origin);
    twoOwing.payment = ledger::Payment::of({{PayMethod::OnAccount, 6}}, 0);
    EXPECT_THROW(books->commit(twoOwing), ledger::Refusal);
    EXPECT_EQ(digest(), before);
    // Asked again after a lost answer, a payment is the earlier one only if it is the same.
    const auto paid = [&](const QString& who, double amount) {
        return ledger::customerPayment(who, PayMethod::Cash, amount, {}, origin);
    };
    EXPECT_TRUE(paid("张阿姨", 5).sameLines(paid("张阿姨", 5)));
    EXPECT_FALSE(paid("张阿姨", 5).sameLines(paid("李师傅", 5)));
    EXPECT_FALSE(paid("张阿姨", 5).sameLines(paid("张阿姨", 6)));
}

// What the shop owes its supplier: part paid on delivery, goods sent back against the
// account, a payment beyond it (paid in advance); and the age of a customer's balance,
// whose payments settle the oldest charges first.
TEST_P(LedgerRules, SupplierAccountsAndTheAgeOfWhatIsOwed) {
    using ledger::AccountSide;
    using ledger::PayMethod;
    const auto at = [](int month, int day) {
        return ledger::Origin{.till = "一号台",
                              .operatorName = "老板",
                              .time = QDateTime(QDate(2026, month, day), QTime(8, 0))};
    };
    ledger::Document delivery = ledger::purchase({purchase(1, 1001, 10, 50)}, at(12, 1));
    delivery.payment = ledger::Payment::of({{PayMethod::Cash, 20}, {PayMethod::OnAccount, 30}}, 20);
    books->commit(delivery);
    ledger::Document sentBack = ledger::supplierReturn({purchase(1, 1001, 2, 10)}, at(12, 2));
    sentBack.payment = ledger::Payment::of({{PayMethod::OnAccount, 10}}, 0);
    books->commit(sentBack);
    books->commit(ledger::supplierPayment("甲厂", PayMethod::Card, 25, "转账", at(12, 3)));

    for (const auto& [month, day, amount] :
         {std::tuple{10, 1, 100.0}, {11, 1, 50.0}, {12, 1, 30.0}}) {
        ledger::SaleLine line = sale(1, 1002, 1, amount);
        line.customer = "赵";
        ledger::Document bought = ledger::sale({line}, at(month, day));
        bought.payment = ledger::Payment::of({{PayMethod::OnAccount, amount}}, 0);
        books->commit(bought);
    }
    books->commit(ledger::customerPayment("赵", PayMethod::Cash, 120, {}, at(12, 5)));

    const auto accounts = ledger::Accounts::load(servers(), dir.path(), server != nullptr);
    const QList<ledger::AccountBalance> suppliers =
        accounts.balances(AccountSide::Suppliers, QDate(2026, 12, 15));
    ASSERT_EQ(suppliers.size(), 1);
    EXPECT_EQ(suppliers[0].balance, -5);
    EXPECT_EQ(suppliers[0].lastMovement, "2026-12-03");
    // Open: 30 of November's 50 (44 days old) and December's 30.
    const QList<ledger::AccountBalance> customers =
        accounts.balances(AccountSide::Customers, QDate(2026, 12, 15));
    ASSERT_EQ(customers.size(), 1);
    EXPECT_EQ(customers[0].balance, 60);
    EXPECT_EQ(customers[0].olderThan, (std::array<double, 3>{30, 0, 0}));
    EXPECT_FALSE(accounts.knows(AccountSide::Customers, "甲厂"));
}

TEST_P(LedgerRules, StockBackFromBelowNothingTakesTheLinesOwnPrice) {
    books->commit(ledger::sale({sale(1, 1002, 12)}, {}));  // 2 short
    EXPECT_EQ(inventory(1002, Inv::StockValue), -4);
    books->commit(ledger::purchase({purchase(1, 1002, 5, 15)}, {}));
    EXPECT_EQ(inventory(1002, Inv::StockQty), 3);
    EXPECT_EQ(inventory(1002, Inv::AvgCost), 3);
    EXPECT_EQ(inventory(1002, Inv::StockValue), 9);
}

TEST_P(LedgerRules, SalesAndReturnsMoveTheStockAtItsAverageAndAreToldApartByTheirDocument) {
    ledger::SaleLine marked = sale(2, 1001, 1.5);
    marked.remark = "退货";  // the item's remark, carried by a sale
    books->commit(ledger::sale({sale(1, 1001, 3), marked}, {}));
    EXPECT_EQ(inventory(1001, Inv::StockQty), 5.5);
    EXPECT_EQ(inventory(1001, Inv::StockValue), 11);
    ledger::SaleLine back = sale(1, 1001, 2);
    back.qtyText = "2.0";
    books->commit(ledger::goodsReturn({back}, {}));
    EXPECT_EQ(inventory(1001, Inv::StockQty), 7.5);
    EXPECT_EQ(book(Book::Inventory).value(2, Inv::Remark).text, "2011-05-03退2.0");
    EXPECT_EQ(book(Book::StockOut).value(4, 10).text, "退货");

    // The analysis counts the marked sale as the sale its document is: 9 + 4.5 − 6.
    store::BookPass journal = book(Book::StockOut);
    const auto documents = ledger::DocumentIndex::load(servers(), dir.path(), server != nullptr);
    const auto a = ledger::analyseSales(journal, documents, QDate(2011, 5, 3), QDate(2011, 5, 3),
                                        ledger::SalesStep::Day);
    EXPECT_DOUBLE_EQ(a.totals.sales, 7.5);
}

TEST_P(LedgerRules, GoodsSentBackAreJournalledAtTheItemsCostAndAMissingItemStopsThemAll) {
    ledger::PurchaseLine back = purchase(1, 1002, 15, 30);  // 5 more than in stock
    back.avgCost = 9;  // what the line showed, not the item's cost
    books->commit(ledger::supplierReturn({back}, {}));
    EXPECT_EQ(inventory(1002, Inv::StockValue), -10);
    EXPECT_EQ(book(Book::StockIn).number(32, store::StockInCol::AvgCost), 2);
    const QByteArray before = digest();
    try {
        books->commit(
            ledger::supplierReturn({purchase(1, 1001, 1, 2), purchase(2, 9999, 1, 2)}, {}));
        FAIL() << "posted";
    } catch (const ledger::Refusal& refusal) {
        EXPECT_EQ(refusal.message(), "第 2 行（商品编号 9999）：无此货物没法退货出厂");
    }
    EXPECT_EQ(digest(), before);
}

TEST_P(LedgerRules, ALineWhoseItemIsMissingStopsTheWholePostingWithBothBooksAsBefore) {
    const QByteArray before = digest();
    try {
        books->commit(ledger::sale({sale(1, 1001, 1), sale(2, 9999, 1)}, {}));
        FAIL() << "posted";
    } catch (const ledger::Refusal& refusal) {
        EXPECT_EQ(refusal.message(), "第 2 行（商品编号 9999）：无此货物没法出库");
    }
    EXPECT_EQ(digest(), before);
    EXPECT_EQ(leftovers(dir.path()).join(' '), QString());
    // Nor did it take a number: this is the day's first sale.
    books->commit(ledger::sale({sale(1, 1001, 1)}, {}));
}

// Staff count while the till sells: the sale made meanwhile stays sold, an item not
// counted stays as it was, and only the count's own journal gets records.
TEST_P(LedgerRules, ACountMovesItsItemsByWhatWasFoundAgainstTheStockWhenItBegan) {
    const QList<ledger::CountItem> sheet = [&] {
        store::BookPass inventoryBook = book(Book::Inventory);
        return ledger::countSheet(inventoryBook, {ledger::CountScope::Contains, "100"});
    }();
    ASSERT_EQ(sheet.size(), 3);
    books->commit(ledger::sale({sale(1, 1001, 3)}, {}));
    const int stockIns = book(Book::StockIn).usedRowCount();
    const int stockOuts = book(Book::StockOut).usedRowCount();

    const QByteArray before = digest();
    try {
        books->commit(ledger::stocktake({count(1, 1001, 10, 8), count(2, 9999, 0, 1)}, {}));
        FAIL() << "posted";
    } catch (const ledger::Refusal& refusal) {
        EXPECT_EQ(refusal.message(), "第 2 行（商品编号 9999）：库存中没有这种商品，不能盘点");
    }
    EXPECT_EQ(digest(), before);

    ledger::Document counted = ledger::stocktake(
        {count(1, 1001, sheet[0].bookQty, 8), count(2, 1002, sheet[1].bookQty, 12.5)}, {});
    books->commit(counted);
    EXPECT_TRUE(counted.number.startsWith("PD")) << counted.number.toStdString();
    EXPECT_EQ(inventory(1001, Inv::StockQty), 5);  // 10 − 3 sold − 2 not found
    EXPECT_EQ(inventory(1001, Inv::StockValue), 10);
    EXPECT_EQ(inventory(1002, Inv::StockQty), 12.5);
    EXPECT_EQ(inventory(1002, Inv::AvgCost), 2);
    EXPECT_EQ(inventory(1003, Inv::StockQty), 10);
    EXPECT_EQ(book(Book::StockIn).usedRowCount(), stockIns);
    EXPECT_EQ(book(Book::StockOut).usedRowCount(), stockOuts);

    store::BookPass journal = book(Book::Stocktake);
    namespace Count = store::StocktakeCol;
    EXPECT_EQ(journal.value(2, Count::BookQty).number, 10);
    EXPECT_EQ(journal.value(2, Count::DiffAmount).number, -4);
    EXPECT_EQ(journal.value(3, Count::Document).text, counted.number);
    const ledger::CountReport report = ledger::countReport(journal, "2011-05-03", "2011-05-03");
    ASSERT_EQ(report.items.size(), 2);
    EXPECT_EQ(report.items[1].gainQty, 2.5);
    EXPECT_EQ(report.net(), 1);
    EXPECT_TRUE(ledger::countReport(journal, "2011-05-04", "").items.isEmpty());
}

TEST_P(LedgerRules, ACountOfAThousandItemsPostsItsGainsAndLossesAsOneDocument) {
    QList<ledger::PurchaseLine> newItems;
    for (int code = 1004; code <= 2000; ++code)
        newItems << purchase(int(newItems.size()) + 1, code, 5, 10);
    books->commit(ledger::purchase(newItems, {}));
    store::BookPass inventoryBook = book(Book::Inventory);
    const QList<ledger::CountItem> sheet = ledger::countSheet(inventoryBook, {});
    ASSERT_EQ(sheet.size(), 1000);
    QList<ledger::CountLine> lines;
    for (const ledger::CountItem& item : sheet) {
        const int i = int(lines.size());
        lines << ledger::countLine(item, i + 1, item.bookQty + i % 3 - 1, "2011-05-03");
    }
    ledger::Document counted = ledger::stocktake(lines, {});
    books->commit(counted);
    store::BookPass journal = book(Book::Stocktake);
    const ledger::CountReport report = ledger::countReport(journal, {}, {});
    EXPECT_EQ(report.gainValue, 333 * 2);
    EXPECT_EQ(report.lossValue, -334 * 2);
    const auto documents = ledger::DocumentIndex::load(servers(), dir.path(), server != nullptr);
    ASSERT_TRUE(documents.numbered(counted.number));
    EXPECT_EQ(documents.numbered(counted.number)->total, -2);
    EXPECT_EQ(inventory(2000, Inv::StockQty), 4);  // the 1000th: one short
}

TEST_F(LedgerFiles, AWriterWhoDoesNotFinishInTimeIsNamedAndNothingIsWritten) {
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

TEST_F(LedgerFiles, ALockFileAKilledWriterLeftEmptyIsTakenOverOnlyOnceNobodyHoldsIt) {
    QFile mute(QDir(dir.path()).filePath(ledger::WriterLock::fileName()));
    ASSERT_TRUE(mute.open(QIODevice::WriteOnly));
    ASSERT_TRUE(mute.setFileTime(QDateTime::currentDateTime().addSecs(-5),
                                 QFileDevice::FileModificationTime));
    ASSERT_EQ(::flock(mute.handle(), LOCK_EX | LOCK_NB), 0);
    EXPECT_THROW(ledger::WriterLock(dir.path(), std::chrono::milliseconds(600)), store::StoreError);
    mute.close();
    ledger::WriterLock taken(dir.path(), std::chrono::milliseconds(600));
}

TEST(LedgerTotals, ProfitIsQuantityTimesMarginAndReturnsCountNegativeByTheirDocument) {
    // qty, price, amount, cost, remark
    const QList<QStringList> rows{{"3", "5", "15", "2", ""},
                                  {"1", "5", "5", "2", "退货"},
                                  {"0.1", "0.3", "0.03", "0.2", "老客户"},
                                  {"2", "5", "10", "2", "七天可退货"}};
    const ledger::TextRows texts{int(rows.size()),
                                 [&](int col, int row) { return rows[row - 1][col]; },
                                 [](int col) { return QString::number(col); }};
    // Without documents only a remark of just 退货 makes a return.
    const ledger::SalesTotals totals = ledger::salesTotals(texts, {0, 1, 2, 3, 4});
    EXPECT_DOUBLE_EQ(totals.sales, 20.03);
    EXPECT_DOUBLE_EQ(totals.profit, 12.01);
    EXPECT_DOUBLE_EQ(ledger::columnTotal(texts, 2), 30.03);

    // With them the document decides, whatever the remark: row 2 was a sale, row 4 a return.
    ledger::DocumentRecord returned, sold;
    returned.kind = ledger::Posting::GoodsReturn;
    sold.kind = ledger::Posting::Sale;
    const ledger::SalesTotals byDocument =
        ledger::salesTotals(texts, {0, 1, 2, 3, 4}, [&](int row) {
            return row == 2 ? &sold : row == 4 ? &returned : nullptr;
        });
    EXPECT_DOUBLE_EQ(byDocument.sales, 10.03);
    EXPECT_DOUBLE_EQ(byDocument.profit, 6.01);
}

// A journal with every kind of date a shop's books hold, analysed by month over a year's end.
TEST(SalesAnalysis, PeriodsItemsAndTotalsFollowTheProfitRulesAndNoRecordIsLostUnseen) {
    QTemporaryDir dir;
    Workbook journal = Workbook::createNew();
    const auto text = store::CellValue::fromText;
    const auto num = store::CellValue::fromNumber;
    // code, qty, price, amount, cost, date, remark
    const QList<QList<store::CellValue>> records{
        {num(1001), num(2), num(10), num(20), num(6), text("2010-12-31"), {}},
        {num(1002), num(1), num(4), num(4), num(2.5), text("2011/2/1"), text("七天可退货")},
        {num(1001), num(1), num(10), num(10), num(6), text("2011-2-28 18:30"), text("退货")},
        {num(1003), num(9), num(1), num(9), num(1), text("2011-03-01"), {}},     // after the period
        {num(1004), text("x"), num(1), num(1), num(1), text("2010-11-30"), {}},  // before it
        {num(1005), num(1), num(1), num(1), num(1), text("昨天"), {}},
        {num(1005), num(1), num(1), num(1), num(1), num(40666), {}},  // a day number, no date
        {num(1005), num(1), num(1), num(1), num(1), text("2011-02-30"), {}},
        {{}, {}, {}, {}, {}, {}, {}},  // an emptied row is no record
    };
    int row = 2;
    for (const auto& r : records)
        journal.setRow(row++, {r[0],
                               r[0].isEmpty() ? r[0] : text("商品"),
                               {},
                               r[1],
                               r[2],
                               r[3],
                               r[4],
                               {},
                               r[5],
                               r[6]});
    for (int code = 2001; code <= 2011; ++code)  // eleven items of 1 each: equal figures
        journal.setRow(row++, {num(code),
                               text("小件"),
                               {},
                               num(1),
                               num(1),
                               num(1),
                               num(0),
                               {},
                               text("2011-01-15"),
                               {}});
    journal.saveAs(store::bookPath(dir.path(), Book::StockOut));

    store::BookPass pass(store::workbookServerFactory(),
                         store::bookPath(dir.path(), Book::StockOut));
    const auto a = ledger::analyseSales(pass, {}, QDate(2010, 12, 31), QDate(2011, 2, 28),
                                        ledger::SalesStep::Month);
    ASSERT_EQ(a.periods.size(), 3);
    EXPECT_EQ(ledger::periodLabel(a.periods[1].start, a.step), "2011-01");
    EXPECT_DOUBLE_EQ(a.periods[0].figures.sales, 20);
    EXPECT_DOUBLE_EQ(a.periods[1].figures.profit, 11);
    EXPECT_DOUBLE_EQ(a.periods[2].figures.sales, 4 - 10);
    EXPECT_DOUBLE_EQ(a.periods[2].figures.profit, 1.5 - 4);
    EXPECT_EQ(a.records, 14);
    EXPECT_EQ(a.undated, 3);
    EXPECT_DOUBLE_EQ(a.totals.sales, 20 + 4 - 10 + 11);
    // 1001 nets 10 of sales and 4 of profit; equal figures keep the order they first sold in.
    ASSERT_EQ(a.topBySales.size(), 10);
    EXPECT_EQ(a.topBySales[0].code, "1001");
    EXPECT_EQ(a.topBySales[2].code, "2001");
    EXPECT_EQ(a.topBySales[9].code, "2008");
    EXPECT_DOUBLE_EQ(a.topByProfit[0].figures.profit, 4);
    EXPECT_EQ(a.topByProfit[1].code, "1002");

    // A record of the period whose quantity is no number stops it, naming its row.
    try {
        ledger::analyseSales(pass, {}, QDate(2010, 11, 1), QDate(2010, 11, 30),
                             ledger::SalesStep::Day);
        ADD_FAILURE() << "the text quantity was taken";
    } catch (const store::StoreError& e) {
        EXPECT_TRUE(e.message().contains("第 6 行")) << e.message().toStdString();
    }
}

TEST(SalesAnalysis, ADayIsReadAsShopKeepersTypeItAndNothingElseIsTakenForOne) {
    for (const char* day : {"2011-05-03", "2011-5-3", "2011/05/03", "2011.5.3", "2011-05-03 18:30",
                            "2011年5月3日", "20110503", " 2011-05-03 "})
        EXPECT_EQ(store::dayOf(QString::fromUtf8(day)), QDate(2011, 5, 3)) << day;
    for (const char* text : {"", "201105031", "40666", "2011-05/03", "2011-02-29", "2011-05-03x",
                             "11-05-03", "２０１１-05-03", "2011-005-03", "2011年5月3", "20111303"})
        EXPECT_FALSE(store::dayOf(QString::fromUtf8(text))) << text;
}

// Cells another program stored with binary noise: "统计利润" adds the figures as a listing
// shows them, and so must the analysis, or the two totals part in the last digit.
TEST(SalesAnalysis, TotalsEqualTheProfitTotalOfTheSameRecordsToTheLastDigit) {
    QTemporaryDir dir;
    Workbook journal = Workbook::createNew();
    const auto num = store::CellValue::fromNumber;
    for (int row = 2; row <= 4; ++row)
        journal.setRow(row, {num(1001),
                             {},
                             {},
                             num(3),
                             num(0.1 + 0.2),
                             num(0.1 * 3 * 3),
                             num(0.7 / 7),
                             {},
                             store::CellValue::fromText("2011-05-03"),
                             {}});
    journal.saveAs(store::bookPath(dir.path(), Book::StockOut));
    store::BookPass pass(store::workbookServerFactory(),
                         store::bookPath(dir.path(), Book::StockOut));
    const auto a = ledger::analyseSales(pass, {}, QDate(2011, 5, 3), QDate(2011, 5, 3),
                                        ledger::SalesStep::Day);
    const ledger::TextRows shown{
        3, [&](int col, int row) { return pass.value(row + 1, col).displayText(); },
        [](int) { return QString(); }};
    namespace Out = store::StockOutCol;
    const ledger::SalesTotals listed = ledger::salesTotals(
        shown, {Out::OutQty, Out::OutPrice, Out::OutAmount, Out::AvgCost, Out::Remark});
    EXPECT_EQ(a.totals.sales, listed.sales);
    EXPECT_EQ(a.totals.profit, listed.profit);
}

// A crash at each moment of a commit, made real: the posting runs in a child process that
// ends on the spot, and the next start recovers. The start may reach the folder by another
// name than the posting did: a second shortcut through a link, a till that mounts the
// shared folder elsewhere. A count's journal is one the folder may not have yet: the commit
// makes it, and undoing the commit takes it away again.
enum class FolderName { Same, CrashedThroughLink, RecoveredThroughLink };
enum class Crashed { Sale, CountIntoANewJournal };
class CommitCrash
    : public LedgerFiles,
      public ::testing::WithParamInterface<std::tuple<CommitStep, FolderName, Crashed>> {};

TEST_P(CommitCrash, LeavesTheBooksAllOldOrAllNewAndTheNextStartSaysSoOnce) {
    const auto [step, name, crashed] = GetParam();
    const bool count = crashed == Crashed::CountIntoANewJournal;
    if (count) {
        ASSERT_TRUE(QFile::remove(store::bookPath(dir.path(), Book::Stocktake)));
    }
    QTemporaryDir links;
    const QString link = links.filePath("shop");
    ASSERT_TRUE(QFile::link(dir.path(), link));
    const QByteArray before = booksDigest(dir.path());
    ASSERT_TRUE(crashAt(name == FolderName::CrashedThroughLink ? link : dir.path(), step,
                        count ? countOf1001(7) : ledger::sale({sale(1, 1001, 3)}, {})));

    const ledger::Ledger start(name == FolderName::RecoveredThroughLink ? link : dir.path(),
                               store::workbookServerFactory());
    const QString told = start.recover();
    const bool recordWritten = step >= CommitStep::RecordWritten;
    EXPECT_EQ(told.isEmpty(), !recordWritten) << told.toStdString();
    EXPECT_EQ(start.recover(), QString());
    EXPECT_EQ(leftovers(dir.path()).join(' '), QString());
    EXPECT_EQ(booksDigest(dir.path()) == before, !recordWritten);
    const StockCheck check = checkStock(dir.path());
    EXPECT_EQ(check.inventory, check.journals);
    EXPECT_EQ(count ? check.counted : check.stockOuts, recordWritten ? 1 : 0);
    EXPECT_EQ(ledger::DocumentIndex::load(store::workbookServerFactory(), dir.path(), false).size(),
              recordWritten ? 1 : 0);
}

std::string crashName(const ::testing::TestParamInfo<CommitCrash::ParamType>& info) {
    static const char* const steps[] = {"FirstWritten",  "SecondWritten",  "RecordWritten",
                                        "FirstReplaced", "SecondReplaced", "Replaced"};
    static const char* const names[] = {"", "_CrashedThroughLink", "_RecoveredThroughLink"};
    static const char* const postings[] = {"", "_Count"};
    return std::string(steps[int(std::get<0>(info.param))]) + names[int(std::get<1>(info.param))] +
           postings[int(std::get<2>(info.param))];
}

const auto kEveryStep = ::testing::Values(CommitStep::FirstWritten, CommitStep::SecondWritten,
                                          CommitStep::RecordWritten, CommitStep::FirstReplaced,
                                          CommitStep::SecondReplaced, CommitStep::Replaced);
INSTANTIATE_TEST_SUITE_P(AtEveryStep, CommitCrash,
                         ::testing::Combine(kEveryStep,
                                            ::testing::Values(FolderName::Same,
                                                              FolderName::CrashedThroughLink,
                                                              FolderName::RecoveredThroughLink),
                                            ::testing::Values(Crashed::Sale)),
                         crashName);
INSTANTIATE_TEST_SUITE_P(OfACountAtEveryStep, CommitCrash,
                         ::testing::Combine(kEveryStep, ::testing::Values(FolderName::Same),
                                            ::testing::Values(Crashed::CountIntoANewJournal)),
                         crashName);

TEST_F(LedgerFiles, ASecondBookThatCannotBeReplacedPutsTheFirstBack) {
    const QByteArray before = booksDigest(dir.path());
    ledger::setCommitHook([](CommitStep step) {
        if (step == CommitStep::FirstReplaced)
            throw store::StoreError("无法替换数据文件 tvchuku.dat");
    });
    EXPECT_THROW(books.commit(ledger::sale({sale(1, 1001, 3)}, {})), store::StoreError);
    ledger::setCommitHook({});
    EXPECT_EQ(booksDigest(dir.path()), before);
    EXPECT_EQ(leftovers(dir.path()).join(' '), QString());
}

}  // namespace

TEST(LedgerProgress, AReadOfALargeJournalAndAPostingOnItTellEachStepAsItComes) {
    QTemporaryDir dir;
    makeShop(dir.path(), 100, 100000);
    QList<ledger::Progress> steps;
    const auto heard = [&steps](const ledger::Progress& step) { steps << step; };
    const auto readPercents = [&steps](store::Book book) {
        QList<int> percents;
        for (const ledger::Progress& step : steps) {
            if (step.stage == ledger::Progress::Reading && step.book == book)
                percents << step.percent;
        }
        return percents;
    };
    {
        const auto reading = ledger::readingOf(Book::StockIn, heard);
        store::BookPass journal(store::workbookServerFactory(),
                                store::bookPath(dir.path(), Book::StockIn));
        EXPECT_FALSE(journal.value(50000, 1).isEmpty());
    }
    QList<int> percents = readPercents(Book::StockIn);
    ASSERT_GE(percents.size(), 3);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(percents.last(), 100);

    steps.clear();
    ledger::Ledger(dir.path(), store::workbookServerFactory())
        .commit(ledger::purchase({purchase(1, 1001, 1, 2)}, {}), heard);
    // A posting appends: the journal's earlier records are never read, its last ones at once.
    EXPECT_EQ(readPercents(Book::StockIn), QList<int>{100});
    QList<ledger::Progress::Stage> order;
    QList<Book> saved;
    for (const ledger::Progress& step : steps) {
        if (order.isEmpty() || order.last() != step.stage)
            order << step.stage;
        if (step.stage == ledger::Progress::Saving)
            saved << step.book;
    }
    using P = ledger::Progress;
    EXPECT_EQ(order, (QList<P::Stage>{P::Reading, P::Opened, P::LineApplied, P::LinesApplied,
                                      P::Saving, P::Committing, P::Committed}));
    EXPECT_EQ(saved, (QList<Book>{Book::Inventory, Book::StockIn, Book::Documents}));
}
