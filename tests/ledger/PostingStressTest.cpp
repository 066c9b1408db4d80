// Postings killed at random moments, and postings from several tills at once, on one folder
// or one database: whatever happens, the stock is what the journals account for and no
// record is lost. On the database, also a server that goes away under a posting.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <optional>
#include <random>
#include <string_view>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>
#include <csignal>

#include "ShopBooks.h"
#include "TestServer.h"
#include "database/Connection.h"
#include "database/Database.h"
#include "database/Transfer.h"
#include "ledger/Ledger.h"
#include "ledger/Stocktake.h"

namespace {

QProcess* startWorker(const QString& dir, int rounds, int seed, const QString& conninfo = {}) {
    auto* worker = new QProcess;
    QStringList args{dir, QString::number(rounds), QString::number(seed)};
    if (!conninfo.isEmpty())
        args << conninfo;
    worker->start(TAVELO_POST_WORKER, args);
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

namespace {

// Every item as "code: quantity × cost = value", exactly.
std::string stockOf(store::BookPass& inventory) {
    using namespace store::InventoryCol;
    QStringList items;
    for (int row = 2; row <= inventory.usedRowCount(); ++row) {
        items << QString("%1: %2 × %3 = %4")
                     .arg(inventory.number(row, ItemCode))
                     .arg(inventory.number(row, StockQty), 0, 'g', 17)
                     .arg(inventory.number(row, AvgCost), 0, 'g', 17)
                     .arg(inventory.number(row, StockValue), 0, 'g', 17);
    }
    return items.join('\n').toStdString();
}

// What the server (or libpq for it) said, from the brackets of the message the shop keeper
// reads when `post` loses the server.
QString serverWords(const std::function<void()>& post) {
    try {
        post();
    } catch (const database::ConnectionLost& lost) {
        const QString message = lost.message();
        const qsizetype open = message.indexOf(QStringLiteral("（"));
        EXPECT_TRUE(open > 0 && message.endsWith(QStringLiteral("）"))) << message.toStdString();
        const QString words = message.mid(open + 1, message.size() - open - 2);
        // Not the program's own stand-in for a server that said nothing.
        EXPECT_FALSE(words.isEmpty() || words == QStringLiteral("连接已断开"))
            << words.toStdString();
        return words;
    }
    ADD_FAILURE() << "the posting went through without its server";
    return {};
}

// Tills on the run's test server, each test with a database of its own.
class PostingStressOnServer : public ::testing::Test {
protected:
    void SetUp() override {
        if (withoutTestServer())
            GTEST_SKIP() << "needs the test server that ctest starts";
        conninfo = freshDatabase("tills");
        importShop(conninfo, start.path(), 10, 1000);  // 100 units of each
    }

    QTemporaryDir start;
    QString conninfo;
};

TEST_F(PostingStressOnServer, FourTillsLoseNothingAndCostWhatTheJournalsReplayedInCommitOrderGive) {
    QTemporaryDir till;
    const QByteArray imported = QByteArray::number(
        database::Connection(conninfo).exec("SELECT last_value FROM book_stamp").integer(0, 0));
    constexpr int kTills = 4, kRounds = 50;
    std::vector<std::unique_ptr<QProcess>> tills;
    for (int seed = 1; seed <= kTills; ++seed)
        tills.emplace_back(startWorker(till.path(), kRounds, seed, conninfo));
    for (const auto& worker : tills) {
        ASSERT_TRUE(worker->waitForFinished(120000));
        EXPECT_EQ(worker->exitCode(), 0) << worker->readAllStandardError().toStdString();
    }

    // Every record since the import, in the order the postings committed, posted again
    // one by one on the start books by the workbook engine: the stock and the cost it
    // arrives at must be the server's.
    database::Connection connection(conninfo);
    const database::Result records = connection.exec(
        "SELECT stamp, 'in', item_code, in_qty, in_amount, remark FROM stock_in WHERE stamp > $1"
        " UNION ALL SELECT stamp, 'out', item_code, out_qty, out_amount, remark FROM stock_out"
        " WHERE stamp > $1 ORDER BY stamp",
        {imported});
    ASSERT_EQ(records.rows(), kTills * kRounds);
    ledger::Ledger replay(start.path(), store::workbookServerFactory());
    for (int r = 0; r < records.rows(); ++r) {
        const double code = records.number(r, 2);
        const double qty = records.number(r, 3);
        if (records.text(r, 1) == std::string_view("in"))
            replay.commit(ledger::purchase({purchase(1, code, qty, records.number(r, 4))}, {}));
        else if (QString::fromUtf8(records.text(r, 5)) == QStringLiteral("退货"))
            replay.commit(ledger::goodsReturn({sale(1, code, qty)}, {}));
        else
            replay.commit(ledger::sale({sale(1, code, qty)}, {}));
    }
    database::Database server(conninfo, till.path());
    store::BookPass onServer(server.servers(nullptr),
                             store::bookPath(till.path(), store::Book::Inventory));
    store::BookPass replayed(store::workbookServerFactory(),
                             store::bookPath(start.path(), store::Book::Inventory));
    EXPECT_EQ(stockOf(onServer), stockOf(replayed));
    // Each sale and return journalled the cost it moved the stock at, not its window's.
    const auto costs = [](store::BookPass&& journal) {
        QStringList moved;
        for (int row = 2; row <= journal.usedRowCount(); ++row)
            moved << QString::number(journal.number(row, store::StockOutCol::AvgCost), 'g', 17);
        return moved.join(' ').toStdString();
    };
    EXPECT_EQ(costs({server.servers(nullptr), store::bookPath(till.path(), store::Book::StockOut)}),
              costs({store::workbookServerFactory(),
                     store::bookPath(start.path(), store::Book::StockOut)}));

    // The documents of four tills at once, and again once exported and imported elsewhere.
    EXPECT_EQ(documentFaults(server.servers(nullptr), till.path(), {.stockIns = 1000}, &connection),
              "");
    QTemporaryDir exported;
    QStringList paths;
    for (store::Book book : store::kDataBooks)
        paths << store::bookPath(exported.path(), book);
    // Its report tells money to the cent ("进货金额合计 2826369.80"), never a sum's dust.
    for (const QString& line : database::exportBooks(connection, paths)) {
        if (line.contains(QStringLiteral("金额合计"))) {
            EXPECT_TRUE(QRegularExpression(QStringLiteral("金额合计 -?\\d+\\.\\d\\d(，|$)"))
                            .match(line)
                            .hasMatch())
                << line.toStdString();
        }
    }
    const QString copied = freshDatabase("copy");
    database::Connection copy(copied);
    QMap<store::Book, QList<int>> read, sent;
    database::importBooks(copy, exported.path(), [&](const database::TransferStep& step) {
        if (step.stage == database::TransferStep::Reading)
            read[step.book] << step.percent;
        else if (step.stage == database::TransferStep::Sending)
            sent[step.book] << step.percent;
    });
    for (store::Book book : store::kDataBooks) {
        EXPECT_EQ(read.value(book).value(read.value(book).size() - 1), 100);
        EXPECT_EQ(sent.value(book).value(sent.value(book).size() - 1), 100);
    }
    database::Database copyServer(copied, exported.path());
    EXPECT_EQ(
        documentFaults(copyServer.servers(nullptr), exported.path(), {.stockIns = 1000}, &copy),
        "");
}

// A count of the whole shop holds its items as rows: more of them than the server's lock
// table has room for (64 a connection by default) are still one posting.
TEST_F(PostingStressOnServer, ACountOfMoreItemsThanTheServersLockTableHoldsIsPosted) {
    QTemporaryDir big;
    const QString shop = freshDatabase("count");
    importShop(shop, big.path(), 15000, 0);
    QList<ledger::CountLine> lines;
    for (int i = 0; i < 15000; ++i)
        lines << count(i + 1, 1001 + i, 0, 1);
    const auto server = std::make_shared<database::Database>(shop, big.path());
    ledger::Ledger(big.path(), server->servers(nullptr), server)
        .commit(ledger::stocktake(lines, {}));
    EXPECT_EQ(database::Connection(shop).exec("SELECT sum(stock_qty) FROM inventory").number(0, 0),
              15000);
}

TEST_F(PostingStressOnServer, ABackendKilledInThePostingIsNamedAndTheDatabaseIsAsItWas) {
    const QString before = snapshot(conninfo);
    auto server = std::make_shared<database::Database>(conninfo, start.path());
    ledger::Ledger books(start.path(), server->servers(nullptr), server);
    database::Connection admin(conninfo);
    // Killed with its items locked and the posting half done: the server's own reason.
    const QString words = serverWords([&] {
        books.commit(ledger::purchase({purchase(1, 1001, 2, 6), purchase(2, 1011, 1, 5)}, {}),
                     [&](const ledger::Progress& step) {
                         if (step.stage == ledger::Progress::LineApplied && step.line == 1)
                             admin.exec(
                                 "SELECT pg_terminate_backend(pid) FROM pg_stat_activity"
                                 " WHERE datname = current_database() AND pid <> pg_backend_pid()");
                     });
    });
    EXPECT_TRUE(words.contains(QStringLiteral("administrator command"))) << words.toStdString();
    EXPECT_EQ(snapshot(conninfo), before);
}

TEST_F(PostingStressOnServer, AFrozenTillHoldsOnlyItsOwnItemsUntilTheServerEndsItsPosting) {
    // The frozen till's session is ended after 15 s instead of 30: still longer than another
    // till waits for a lock.
    QProcess frozen;
    frozen.start(TAVELO_POST_WORKER,
                 {start.path(), "frozen",
                  conninfo + " options='-c idle_in_transaction_session_timeout=15s'"});
    ASSERT_TRUE(frozen.waitForReadyRead(30000));
    ASSERT_EQ(frozen.readLine().trimmed(), "holding");
    const auto server = std::make_shared<database::Database>(conninfo, start.path());
    ledger::Ledger books(start.path(), server->servers(nullptr), server);

    QElapsedTimer clock;
    clock.start();
    try {
        books.commit(ledger::sale({sale(1, 1001, 1)}, {}));
        ADD_FAILURE() << "sold an item another till holds";
    } catch (const database::StatementFailed& busy) {
        EXPECT_TRUE(busy.message().startsWith(QStringLiteral("另一台收银机正在使用")))
            << busy.message().toStdString();
    }
    EXPECT_LT(clock.elapsed(), 12000);
    // Other items, and the day's numbers, are not the frozen till's to hold.
    clock.restart();
    books.commit(ledger::purchase({purchase(1, 1099, 2, 8)}, {}));
    books.commit(ledger::sale({sale(1, 1002, 1)}, {}));
    EXPECT_LT(clock.elapsed(), 5000);
    const QString posted = snapshot(conninfo);

    database::Connection admin(conninfo);
    for (int tries = 0; tries < 300 && admin
                                           .exec("SELECT 1 FROM pg_stat_activity WHERE state ="
                                                 " 'idle in transaction'")
                                           .rows();
         ++tries)
        QThread::msleep(100);
    ::kill(pid_t(frozen.processId()), SIGCONT);
    ASSERT_TRUE(frozen.waitForFinished(30000));
    const QStringList told = QString::fromUtf8(frozen.readAll()).split('\n');
    EXPECT_EQ(told.value(0), "unchanged");
    EXPECT_TRUE(told.value(1).contains(QStringLiteral("没有生效"))) << told.value(1).toStdString();
    EXPECT_EQ(snapshot(conninfo), posted);
}

TEST_F(PostingStressOnServer, EachWayATillCannotGetInIsToldByItsCause) {
    using Cause = database::ConnectionLost::Cause;
    const QString role = QStringLiteral("till_pw_%1").arg(::getpid());
    database::Connection admin(conninfo);
    admin.exec(
        "DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'password_tills')"
        " THEN CREATE ROLE password_tills; END IF; END $$");
    admin.exec(("CREATE ROLE " + role + " LOGIN PASSWORD 'right' IN ROLE password_tills").toUtf8());
    // Its password in a file others may read, which libpq ignores.
    QTemporaryDir home;
    const QString passfile = home.filePath(".pgpass");
    QFile file(passfile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(("*:*:*:" + role + ":right\n").toUtf8());
    file.close();
    ::chmod(QFile::encodeName(passfile).constData(), 0644);
    qputenv("PGPASSFILE", QFile::encodeName(passfile));
    const QStringList books = QDir(start.path()).entryList(QDir::Files, QDir::Time);

    QString told;
    const auto causeOf = [&](const QString& change) -> std::optional<Cause> {
        try {
            database::Database(conninfo + ' ' + change, start.path()).connection();
        } catch (const database::ConnectionLost& lost) {
            told = lost.message();
            return lost.cause();
        }
        return std::nullopt;
    };
    EXPECT_EQ(causeOf("user=" + role), Cause::NoPassword);
    EXPECT_TRUE(told.contains("chmod 600 " + passfile)) << told.toStdString();
    qputenv("PGPASSWORD", "wrong");
    EXPECT_EQ(causeOf("user=" + role), Cause::WrongPassword);
    qunsetenv("PGPASSWORD");
    EXPECT_EQ(causeOf("user=nobody_" + role), Cause::UnknownUser);
    EXPECT_EQ(causeOf("dbname=nowhere_" + role), Cause::UnknownDatabase);
    EXPECT_TRUE(told.contains("nowhere_" + role)) << told.toStdString();
    ::chmod(QFile::encodeName(passfile).constData(), 0600);
    EXPECT_EQ(causeOf("user=" + role), std::nullopt);
    EXPECT_EQ(QDir(start.path()).entryList(QDir::Files, QDir::Time), books);
}

// books-db, run as the shop's owner: its exit code, and what it said.
std::pair<int, std::string> booksDb(const QStringList& args) {
    QProcess tool;
    tool.start(TAVELO_BOOKS_DB, args);
    EXPECT_TRUE(tool.waitForFinished(60000));
    return {tool.exitCode(),
            (tool.readAllStandardOutput() + tool.readAllStandardError()).toStdString()};
}

TEST_F(PostingStressOnServer, ATillsOwnRolePostsReadsAndBacksUpButChangesNoJournalOrDocument) {
    // A name the statements must quote, holding more than a till needs before the grant.
    const QString role = QStringLiteral("till %1").arg(::getpid());
    const QByteArray quoted = '"' + role.toUtf8() + '"';
    database::Connection admin(conninfo);
    admin.exec("CREATE ROLE " + quoted + " LOGIN");
    admin.exec("GRANT ALL ON stock_out, documents TO " + quoted);
    // Owning any of it, it would take its own rights away.
    admin.exec("ALTER SEQUENCE book_stamp OWNER TO " + quoted);
    EXPECT_EQ(booksDb({"grant-till", conninfo, role}).first, 1);
    admin.exec("ALTER SEQUENCE book_stamp OWNER TO tavelo");
    const auto granted = booksDb({"grant-till", conninfo, role});
    ASSERT_EQ(granted.first, 0) << granted.second;

    const QString till = conninfo + " user='" + role + "'";
    auto server = std::make_shared<database::Database>(till, start.path());
    ledger::Ledger books(start.path(), server->servers(nullptr), server);
    books.commit(ledger::sale({sale(1, 1001, 2)}, {}));
    books.commit(ledger::purchase({purchase(1, 2001, 5, 10)}, {}));
    EXPECT_EQ(store::BookPass(server->servers(nullptr),
                              store::bookPath(start.path(), store::Book::Inventory))
                  .usedRowCount(),
              12);
    QTemporaryDir backup;
    QStringList paths;
    for (store::Book book : store::kDataBooks)
        paths << store::bookPath(backup.path(), book);
    database::Connection asTill(till);
    EXPECT_NO_THROW(database::exportBooks(asTill, paths));
    for (const char* change : {"DELETE FROM stock_out", "UPDATE documents SET total_amount = 0"}) {
        try {
            asTill.exec(change);
            ADD_FAILURE() << change;
        } catch (const database::StatementFailed& refused) {
            EXPECT_EQ(refused.sqlState(), "42501") << change;
        }
    }

    // Not imported: the tables are full, which would fail it with 1, after connecting.
    EXPECT_EQ(booksDb({"import", start.path(), conninfo + " password=x"}).first, 2);

    // Into an empty database it tells each book's steps, once a line away from a terminal.
    const auto [status, said] = booksDb({"import", start.path(), freshDatabase("cli")});
    ASSERT_EQ(status, 0) << said;
    const QString text = QString::fromStdString(said);
    EXPECT_EQ(text.count(QStringLiteral("写入数据库 tvkucun.dat（库存）…\n")), 1) << said;
    EXPECT_EQ(text.count(QStringLiteral("标上单据号 tvchuku.dat（出库记录）…\n")), 1) << said;
}

// A till on a server of the test's own, with a small shop's books.
class PostingStressOnOwnServer : public ::testing::Test {
protected:
    void SetUp() override {
        if (withoutTestServer())
            GTEST_SKIP() << "needs the test server that ctest starts";
        own.emplace();
        importShop(own->conninfo, start.path(), 3, 30);
        server = std::make_shared<database::Database>(own->conninfo, start.path());
        books.emplace(start.path(), server->servers(nullptr), server);
    }

    std::optional<OwnServer> own;  // started once the test is not skipped
    QTemporaryDir start;
    std::shared_ptr<database::Database> server;
    std::optional<ledger::Ledger> books;
};

TEST_F(PostingStressOnOwnServer, AServerStoppedBeforeAPostingIsNamedAndTheTillPostsOnceItIsBack) {
    books->commit(
        ledger::sale({sale(1, 1001, 1)}, {}));  // the till has its connection when the server goes
    const QString before = snapshot(own->conninfo);

    own->control("stop");
    serverWords([&] { books->commit(ledger::sale({sale(1, 1002, 2)}, {})); });
    // Connecting again, it finds no server where there was one.
    EXPECT_TRUE(serverWords([&] {
                    books->commit(ledger::sale({sale(1, 1002, 2)}, {}));
                }).contains(QFileInfo(own->dir.path()).canonicalFilePath()));
    own->control("start");
    EXPECT_EQ(snapshot(own->conninfo), before);
    books->commit(ledger::sale({sale(1, 1002, 2)}, {}));
    EXPECT_NE(snapshot(own->conninfo), before);
}

// A shop keeper who presses 取消 once a wait passes 300 ms.
struct GiveUp : database::WaitObserver {
    bool waiting(std::chrono::milliseconds waited) override { return waited.count() >= 300; }
    void answered() override {}
};

TEST_F(PostingStressOnOwnServer, AFrozenServerIsGivenUpInSecondsAndUsedAgainOnceItWakes) {
    books->commit(ledger::sale({sale(1, 1001, 1)}, {}));
    const QString before = snapshot(own->conninfo);
    own->signal(SIGSTOP);
    QElapsedTimer clock;
    clock.start();
    const auto timedOut = [](const std::function<void()>& work) {
        try {
            work();
        } catch (const database::ConnectionLost& lost) {
            EXPECT_EQ(lost.cause(), database::ConnectionLost::Cause::TimedOut)
                << lost.message().toStdString();
            return;
        }
        ADD_FAILURE() << "a frozen server answered";
    };
    timedOut([&] { books->commit(ledger::sale({sale(1, 1002, 2)}, {})); });
    EXPECT_LT(clock.elapsed(), 20000);
    clock.restart();
    timedOut([&] { database::Database(own->conninfo, start.path()).connection(); });
    EXPECT_LT(clock.elapsed(), 10000);
    database::Database givenUp(own->conninfo, start.path());
    givenUp.setWaiting(std::make_shared<GiveUp>());
    try {
        givenUp.connection();
        ADD_FAILURE() << "connected to a frozen server";
    } catch (const database::ConnectionLost& lost) {
        EXPECT_EQ(lost.cause(), database::ConnectionLost::Cause::Cancelled);
    }
    own->signal(SIGCONT);
    EXPECT_EQ(snapshot(own->conninfo), before);
    books->commit(ledger::sale({sale(1, 1002, 2)}, {}));
    EXPECT_NE(snapshot(own->conninfo), before);
}

// Runs `commit` while another connection waits for the till's COMMIT to wait on `event`
// and then does `breakIt` to it, given its process.
void whileCommitWaits(const QString& conninfo, const char* event,
                      const std::function<void(database::Connection&, int)>& breakIt,
                      const std::function<void()>& commit) {
    std::jthread breaker([&] {
        database::Connection admin(conninfo);
        for (int tries = 0; tries < 3000; ++tries) {
            const database::Result waiting = admin.exec(
                "SELECT pid FROM pg_stat_activity WHERE wait_event = $1 AND query = 'COMMIT'",
                {QByteArray(event)});
            if (waiting.rows())
                return breakIt(admin, int(waiting.integer(0, 0)));
            QThread::msleep(10);
        }
        ADD_FAILURE() << "no COMMIT waited on " << event;
    });
    commit();
}

// Every commit but the admin's own waits for a standby that never comes, or none does again.
void waitForStandby(database::Connection& admin, bool wait) {
    admin.exec("SET synchronous_commit = local");
    admin.exec(wait ? "ALTER SYSTEM SET synchronous_standby_names = 'nobody'"
                    : "ALTER SYSTEM RESET synchronous_standby_names");
    admin.exec(wait ? "ALTER SYSTEM SET synchronous_commit = on"
                    : "ALTER SYSTEM RESET synchronous_commit");
    admin.exec("SELECT pg_reload_conf()");
    for (int tries = 0; tries < 500; ++tries) {
        const database::Result now =
            admin.exec("SELECT setting FROM pg_settings WHERE name = 'synchronous_standby_names'");
        if (QByteArray(now.text(0, 0), now.length(0, 0)) == (wait ? "nobody" : ""))
            return;
        QThread::msleep(10);
    }
    ADD_FAILURE() << "the server did not take the setting";
}

TEST_F(PostingStressOnOwnServer, ACommitWhoseAnswerIsLostIsAskedAfterAndPostedOnceAtMost) {
    std::optional<database::Connection> admin(std::in_place, own->conninfo);
    const auto documents = [&] {
        return admin->exec("SELECT count(*) FROM documents").integer(0, 0);
    };
    const auto terminate = [](database::Connection& c, int pid) {
        c.exec("SELECT pg_terminate_backend($1)", {QByteArray::number(pid)});
    };
    admin->exec(
        "CREATE FUNCTION slowly() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
        " PERFORM pg_sleep(60); RETURN NULL; END $$");
    admin->exec(
        "CREATE CONSTRAINT TRIGGER slowly AFTER INSERT ON documents DEFERRABLE INITIALLY DEFERRED"
        " FOR EACH ROW EXECUTE FUNCTION slowly()");
    waitForStandby(*admin, true);

    // Broken before the server committed, in a check the COMMIT runs: nothing was posted.
    ledger::Document document = ledger::sale({sale(1, 1001, 3)}, {});
    whileCommitWaits(own->conninfo, "PgSleep", terminate,
                     [&] { EXPECT_THROW(books->commit(document), database::ConnectionLost); });
    EXPECT_EQ(documents(), 0);
    admin->exec("DROP TRIGGER slowly ON documents");

    // Broken after: committed on the server, waiting for the standby. Asked again, the
    // server has it, once.
    QString told;
    whileCommitWaits(own->conninfo, "SyncRep", terminate, [&] { told = books->commit(document); });
    EXPECT_TRUE(told.contains("已经入账（单据号 " + document.number + "）")) << told.toStdString();
    EXPECT_EQ(documents(), 1);
    const QString once = snapshot(own->conninfo);
    EXPECT_THROW(books->commit(document), ledger::AlreadyPosted);
    EXPECT_EQ(snapshot(own->conninfo), once);

    // The server gone before it could be asked: nobody knows, and the number is named.
    ledger::Document second = ledger::sale({sale(1, 1002, 1)}, {});
    whileCommitWaits(
        own->conninfo, "SyncRep", [&](database::Connection&, int) { own->control("stop"); },
        [&] {
            try {
                books->commit(second);
                ADD_FAILURE() << "committed without its answer";
            } catch (const ledger::OutcomeUnknown& unknown) {
                EXPECT_TRUE(unknown.message().contains(second.number) &&
                            !unknown.message().contains("没有生效"))
                    << unknown.message().toStdString();
            }
        });
    own->control("start");
    admin.emplace(own->conninfo);
    waitForStandby(*admin, false);
    EXPECT_THROW(books->commit(second), ledger::AlreadyPosted);
    EXPECT_EQ(documents(), 2);
}

TEST_F(PostingStressOnOwnServer, AWaitGivenUpEndsThePostingOrSaysTheCommitHadGone) {
    server->setWaiting(std::make_shared<GiveUp>());
    // Waiting for a row another till holds: taken back.
    database::Connection other(own->conninfo);
    other.exec("BEGIN");
    other.exec("SELECT 1 FROM inventory WHERE item_code = 1001 FOR UPDATE");
    const QString before = snapshot(own->conninfo);
    try {
        books->commit(ledger::sale({sale(1, 1001, 1)}, {}));
        ADD_FAILURE() << "posted past the held row";
    } catch (const database::StatementFailed& cancelled) {
        EXPECT_TRUE(cancelled.isCancelled()) << cancelled.message().toStdString();
    }
    other.exec("ROLLBACK");
    EXPECT_EQ(snapshot(own->conninfo), before);

    // Waiting for a standby once the server committed: posted all the same, and said so.
    waitForStandby(other, true);
    ledger::Document document = ledger::sale({sale(1, 1002, 1)}, {});
    const QString told = books->commit(document);
    EXPECT_TRUE(told.startsWith(QStringLiteral("取消得太晚")) && told.contains(document.number))
        << told.toStdString();
    EXPECT_NE(snapshot(own->conninfo), before);
    waitForStandby(other, false);
}

}  // namespace

// A till started again reads its journals from the copies it kept when it ended, and
// fetches only the records posted meanwhile; a copy of another database, or one that does
// not match its state, is never taken for the table.
TEST_F(PostingStressOnServer, ATillStartedAgainFetchesOnlyWhatWasPostedWhileItWasOff) {
    QTemporaryDir folder;
    const QString dir = folder.path() + "/";
    const QString journal = store::bookPath(dir, store::Book::StockIn);
    const auto lastRecord = [&](const std::shared_ptr<database::Database>& till) {
        store::BookPass pass(till->servers(nullptr), journal);
        const int used = pass.usedRowCount();
        return QStringList{QString::number(used), pass.value(used, 1).displayText(),
                           pass.value(used, 4).displayText()};
    };
    QStringList seen;
    {
        const auto till = std::make_shared<database::Database>(conninfo, dir);
        seen = lastRecord(till);
        EXPECT_EQ(till->rowsFetched(), 1000);
    }
    ASSERT_TRUE(QFileInfo::exists(dir + "tvruku.server.xlsx"));
    {
        const auto other = std::make_shared<database::Database>(conninfo, start.path() + "/");
        ledger::Ledger(start.path() + "/", other->servers(nullptr), other)
            .commit(ledger::purchase({purchase(1, 1003, 2, 4), purchase(2, 1004, 1, 2)}, {}));
    }
    const auto again = std::make_shared<database::Database>(conninfo, dir);
    const QStringList now = lastRecord(again);
    EXPECT_EQ(again->rowsFetched(), 2);
    EXPECT_EQ(now, (QStringList{QString::number(seen[0].toInt() + 2), "1004", "1"}));

    // The same shop in another database: its journal is read from its own tables.
    const QString twin = freshDatabase("twin");
    QTemporaryDir twinBooks;
    importShop(twin, twinBooks.path(), 10, 1000);
    const auto elsewhere = std::make_shared<database::Database>(twin, dir);
    EXPECT_EQ(lastRecord(elsewhere), seen);
    EXPECT_EQ(elsewhere->rowsFetched(), 1000);

    // A copy changed behind its state, as a restore from a backup would.
    {
        const auto ending = std::make_shared<database::Database>(conninfo, dir);
        lastRecord(ending);
    }
    QFile copy(dir + "tvruku.server.xlsx");
    ASSERT_TRUE(copy.open(QIODevice::ReadWrite));
    ASSERT_TRUE(copy.setFileTime(QDateTime(QDate(2011, 5, 3), QTime(12, 0)),
                                 QFileDevice::FileModificationTime));
    copy.close();
    const auto restored = std::make_shared<database::Database>(conninfo, dir);
    EXPECT_EQ(lastRecord(restored), now);
    EXPECT_EQ(restored->rowsFetched(), 1002);

    QFile state(dir + "tvruku.server.state");
    ASSERT_TRUE(state.open(QIODevice::WriteOnly | QIODevice::Truncate));
    state.write("{\"version\": 1, \"stamp\": \"x\"");
    state.close();
    const auto garbled = std::make_shared<database::Database>(conninfo, dir);
    EXPECT_EQ(lastRecord(garbled), now);
    EXPECT_EQ(garbled->rowsFetched(), 1002);
}
