// A till on the database that sells while its server is gone: the outbox on disk, and the
// sending once the server is back, on a server of the test's own that it stops and starts.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <random>
#include <thread>

#include "ShopBooks.h"
#include "TestServer.h"
#include "database/Database.h"
#include "ledger/Ledger.h"
#include "ledger/OfflineTill.h"
#include "store/Workbook.h"

namespace {

ledger::Document saleOf(double code, double qty) {
    ledger::Document document = ledger::sale({sale(1, code, qty)}, {"收银1", "小王", {}});
    document.time = QDateTime(QDate(2026, 12, 9), QTime(10, 0));
    document.identity = QUuid::createUuid();
    return document;
}

QDate today() {
    return QDate(2026, 12, 9);
}

}  // namespace

TEST(Outbox, ATornEndIsCutOffAndKeptAsideAndNumbersNeverRepeat) {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    const QString path = folder + ledger::Outbox::fileName();
    {
        ledger::Outbox outbox(folder);
        EXPECT_EQ(outbox.open(), "");
        outbox.reserve(ledger::Outbox::reservedHead(ledger::Posting::Sale, today()), 7, 8);
        QStringList numbers;
        for (int i = 0; i < 3; ++i) {
            ledger::Document document = saleOf(1001, 1);
            outbox.add(document);
            numbers << document.number;
        }
        EXPECT_EQ(numbers,
                  QStringList({"XS20261209-L0007", "XS20261209-L0008", "XS20261209-收银1-0001"}));
    }
    // A crash in the middle of the third record.
    QFile file(path);
    const qint64 whole = file.size();
    ASSERT_TRUE(file.resize(whole - 5));
    {
        ledger::Outbox outbox(folder);
        const QString told = outbox.open();
        EXPECT_TRUE(told.contains("已截去")) << told.toStdString();
        EXPECT_EQ(outbox.entries().size(), 2);
        EXPECT_EQ(QDir(folder).entryList({"*.damaged-*"}).size(), 1);
        // Cut to its last whole record, and appended to from there.
        ledger::Document again = saleOf(1002, 1);
        outbox.add(again);
        EXPECT_EQ(again.number, "XS20261209-收银1-0001");  // the torn one never was sent
        // A second program on the folder may not write beside this one.
        ledger::Outbox second(folder);
        EXPECT_THROW(second.open(), store::StoreError);
        EXPECT_THROW(second.add(again), store::StoreError);
        const QList<ledger::Outbox::Entry> entries = outbox.entries();
        outbox.refused(entries[0].document.identity, "无此货物");
        for (const ledger::Outbox::Entry& entry : entries.mid(1))
            outbox.sent(entry.document.identity);
    }
    {
        // A refusal is kept across a restart; it waits for the shop keeper, not the sender.
        ledger::Outbox refused(folder);
        refused.open();
        ASSERT_EQ(refused.entries().size(), 1);
        EXPECT_EQ(refused.entries()[0].refusal, "无此货物");
        EXPECT_EQ(refused.waiting(), 0);
        refused.drop(refused.entries()[0].document.identity);
    }
    // Emptied, the file keeps what the numbers need.
    ledger::Outbox reopened(folder);
    EXPECT_EQ(reopened.open(), "");
    EXPECT_TRUE(reopened.entries().isEmpty());
    ledger::Document next = saleOf(1001, 1);
    reopened.add(next);
    EXPECT_EQ(next.number, "XS20261209-收银1-0002");

    // Not an outbox: told, and left alone.
    QFile other(folder + "x/" + ledger::Outbox::fileName());
    QDir(folder).mkdir("x");
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("商品编号,名称\n1001,水\n");
    other.close();
    ledger::Outbox foreign(folder + "x/");
    EXPECT_THROW(foreign.open(), store::StoreError);
    EXPECT_EQ(other.size(), QByteArray("商品编号,名称\n1001,水\n").size());
}

// A till on a server of the test's own, with a small shop's books.
class PostingStressOnOfflineTill : public ::testing::Test {
protected:
    void SetUp() override {
        if (withoutTestServer())
            GTEST_SKIP() << "needs the test server that ctest starts";
        own.emplace();
        importShop(own->conninfo, dir.path(), 3, 300);
        folder = dir.path() + "/";
        till = std::make_shared<ledger::OfflineTill>(folder, own->conninfo, today);
        till->open();
    }

    // A till as the program makes one, on the folder's books.
    std::shared_ptr<database::Database> startTill() {
        return std::make_shared<database::Database>(own->conninfo, folder);
    }

    // The documents on the server, by the order their rows came.
    QStringList identitiesOnServer() {
        database::Connection connection(own->conninfo);
        const database::Result rows =
            connection.exec("SELECT identity FROM documents ORDER BY seq");
        QStringList identities;
        for (int r = 0; r < rows.rows(); ++r)
            identities << QString::fromUtf8(rows.text(r, 0), rows.length(r, 0));
        return identities;
    }

    std::optional<OwnServer> own;
    QTemporaryDir dir;
    QString folder;
    std::shared_ptr<ledger::OfflineTill> till;
};

TEST_F(PostingStressOnOfflineTill, SalesMadeWithoutTheServerArriveOnceInOrderAsIfPostedOnline) {
    {
        // Online: the till reserves its numbers and keeps its copy of the inventory.
        const auto online = startTill();
        till->topUp(*online);
        store::BookPass(online->servers(nullptr), store::bookPath(folder, store::Book::Inventory));
    }
    own->control("stop");
    // Started while the server is down, it finds the items in its copy.
    const auto started = startTill();
    store::BookPass inventory(started->servers(nullptr),
                              store::bookPath(folder, store::Book::Inventory));
    ASSERT_EQ(inventory.findItemByCode("1002"), 3);
    ledger::Ledger books(folder, started->servers(nullptr), started, till);
    std::mt19937 random(43);
    QList<ledger::Document> made;
    for (int i = 0; i < 100; ++i) {
        ledger::Document document =
            ledger::sale({sale(1, 1001 + random() % 3, 1 + random() % 4)}, {"收银1", "小王", {}});
        if (i % 10 == 9)
            document =
                ledger::goodsReturn({sale(1, 1001 + random() % 3, 1)}, {"收银1", "小王", {}});
        // Made on the day the numbers were reserved for, whatever the clock says.
        document.time = QDateTime(today(), QTime(10, 0).addSecs(i));
        EXPECT_EQ(books.commit(document), "");
        EXPECT_TRUE(document.queued);
        made << document;
    }
    EXPECT_EQ(till->statusText(), "离线：100 张单据待上传");
    EXPECT_EQ(made[0].number.right(6), "-L0001");
    // The purchase waits for the server: its cost must be worked out there.
    EXPECT_THROW(books.commit(ledger::purchase({purchase(1, 1001, 1, 2)}, {})), ledger::Refusal);

    own->control("start");
    // The same sales on a twin of the shop, posted online.
    database::Connection(own->conninfo).exec("CREATE DATABASE twin");
    const QString twin = QString(own->conninfo).replace("dbname=tavelo", "dbname=twin");
    QTemporaryDir twinDir;
    importShop(twin, twinDir.path(), 3, 300);
    const auto twinServer = std::make_shared<database::Database>(twin, twinDir.path() + "/");
    ledger::Ledger twinBooks(twinDir.path() + "/", twinServer->servers(nullptr), twinServer);
    for (ledger::Document document : made) {
        document.number.clear();
        twinBooks.commit(document);
    }

    const auto sender = startTill();
    ledger::Ledger senderBooks(folder, sender->servers(nullptr), sender);
    const ledger::OfflineTill::Round round = till->send(senderBooks);
    EXPECT_EQ(round.sent, 100);
    EXPECT_TRUE(till->outboxEntries().isEmpty());
    EXPECT_EQ(till->statusText(), "");
    EXPECT_EQ(snapshot(own->conninfo), snapshot(twin));
    QStringList order;
    for (const ledger::Document& document : made)
        order << document.identityText();
    EXPECT_EQ(identitiesOnServer(), order);
    EXPECT_EQ(documentFaults(sender->servers(nullptr), folder, {300, 0}), "");

    // Back online with nothing waiting, a sale goes straight to the server.
    ledger::Document online = saleOf(1001, 1);
    books.commit(online);
    EXPECT_FALSE(online.queued);
}

TEST_F(PostingStressOnOfflineTill, ARefusedDocumentWaitsForTheShopKeeperAndBlocksNothing) {
    till->setOffline(true);
    const auto server = startTill();
    ledger::Ledger books(folder, server->servers(nullptr), server, till);
    for (double code : {1001, 1002, 1003})
        books.commit(saleOf(code, 1));
    // Deleted on the server before the till was back.
    database::Connection(own->conninfo).exec("DELETE FROM inventory WHERE item_code = 1002");
    const auto sender = startTill();
    ledger::Ledger senderBooks(folder, sender->servers(nullptr), sender);
    const ledger::OfflineTill::Round round = till->send(senderBooks);
    EXPECT_EQ(round.sent, 2);
    EXPECT_EQ(round.refused, 1);
    ASSERT_EQ(till->outboxEntries().size(), 1);
    EXPECT_TRUE(till->outboxEntries()[0].refusal.contains("无此货物没法出库"));
    EXPECT_EQ(till->statusText(), "离线：1 张单据待上传");
    EXPECT_EQ(till->send(senderBooks).sent, 0);  // not sent again by itself
}

TEST_F(PostingStressOnOfflineTill, ATillKilledWhileSendingLosesNothingAndDoublesNothing) {
    constexpr int kDocuments = 1000;
    const auto server = startTill();
    {
        // The outbox is the sender's alone once this till has ended.
        till->setOffline(true);
        ledger::Ledger books(folder, server->servers(nullptr), server, std::move(till));
        for (int i = 0; i < kDocuments; ++i)
            books.commit(saleOf(1001 + i % 3, 1));
    }
    const QString before = snapshot(own->conninfo);
    std::mt19937 random(7);
    int killedSending = 0;
    for (int kill = 0; kill < 30; ++kill) {
        QProcess sender;
        sender.start(TAVELO_POST_WORKER, {folder, "send", own->conninfo});
        ASSERT_TRUE(sender.waitForStarted());
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 100));
        ::kill(pid_t(sender.processId()), SIGKILL);
        sender.waitForFinished();
        killedSending += sender.exitStatus() == QProcess::CrashExit;
    }
    const qsizetype sentBeforeTheLast = identitiesOnServer().size();
    EXPECT_GT(sentBeforeTheLast, 0);
    EXPECT_LT(sentBeforeTheLast, kDocuments);
    QProcess sender;
    sender.start(TAVELO_POST_WORKER, {folder, "send", own->conninfo});
    ASSERT_TRUE(sender.waitForFinished(120000));
    EXPECT_EQ(sender.readAllStandardOutput().trimmed(), "sent")
        << sender.readAllStandardError().toStdString();
    EXPECT_GE(killedSending, 30);

    const QStringList identities = identitiesOnServer();
    EXPECT_EQ(identities.size(), kDocuments);
    EXPECT_EQ(QSet<QString>(identities.begin(), identities.end()).size(), kDocuments);
    EXPECT_NE(snapshot(own->conninfo), before);
    EXPECT_EQ(documentFaults(server->servers(nullptr), folder, {300, 0}), "");
    ledger::Outbox outbox(folder);
    outbox.open();
    EXPECT_TRUE(outbox.entries().isEmpty());
}
