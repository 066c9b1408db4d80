// A disk that fails at each file call of a posting in turn, and a start killed at each file
// call of its recovery: the till runs in a process of its own under the failing-disk
// library (support/FaultFs.cpp), and the next start, on a working disk, must find the books
// exactly before or after, as the box said, and the posting in them once at most.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "ShopBooks.h"
#include "ledger/Ledger.h"
#include "support/FailingDisk.h"

namespace {

// Runs the worker on `dir` under the failing disk; `fault` as TAVELO_FAULT says. Returns its
// output, and with `count`, the number of file calls it made.
QString underFault(const QString& dir, const QStringList& args, const QString& fault,
                   int* count = nullptr) {
    FailingDisk disk;
    QProcess worker;
    worker.setProgram(TAVELO_POST_WORKER);
    worker.setArguments(QStringList{dir} + args);
    disk.run(worker, dir, fault);
    EXPECT_TRUE(worker.waitForFinished(60000));
    if (count)
        *count = disk.calls();
    return QString::fromUtf8(worker.readAllStandardOutput());
}

int records(const QString& dir) {
    const StockCheck check = checkStock(dir);
    return check.stockIns + check.stockOuts;
}

struct Failure {
    const char* posting;  // "purchase" or "sale"
    const char* error;
    bool fromThenOn;  // a disk that stays failing, as ext4 turned read-only does
};

void PrintTo(const Failure& f, std::ostream* out) {
    *out << f.posting << ' ' << f.error << (f.fromThenOn ? " from then on" : " once");
}

class DiskFailing : public ::testing::TestWithParam<Failure> {};

TEST_P(DiskFailing, AtEveryFileCallTheNextStartFindsTheBooksAsTheBoxSaidAndThePostingOnceAtMost) {
    const Failure failure = GetParam();
    const QStringList post{"once", failure.posting};
    int calls = 0;
    {
        QTemporaryDir dir;
        makeShop(dir.path(), 3, 30);
        underFault(dir.path(), post, "any:0:EIO", &calls);
    }
    ASSERT_GT(calls, 20);
    const QRegularExpression causeInWords(QStringLiteral("磁盘|文件系统"));
    for (int n = 1; n <= calls; ++n) {
        QTemporaryDir dir;
        makeShop(dir.path(), 3, 30);
        const QByteArray before = booksDigest(dir.path());
        const int recordsBefore = records(dir.path());
        const QStringList told =
            underFault(
                dir.path(), post,
                QString("any:%1:%2%3").arg(n).arg(failure.error, failure.fromThenOn ? ":on" : ""))
                .split('\n');
        const QString outcome = told.value(0), message = told.mid(1).join('\n').trimmed();
        SCOPED_TRACE(QString("call %1: %2: %3").arg(n).arg(outcome, message).toStdString());
        EXPECT_FALSE(message.contains(".commit-") || message.contains(".tmp-"));
        EXPECT_NE(outcome, "unknown");
        if (outcome != "posted") {
            EXPECT_TRUE(message.contains(causeInWords));
        }
        // What the box promised of the books holds before the next start touches them.
        if (outcome == "unchanged") {
            EXPECT_EQ(booksDigest(dir.path()), before);
        }

        const QString nextStart =
            ledger::Ledger(dir.path(), store::workbookServerFactory()).recover();
        const bool posted = outcome == "posted" || outcome == "completes";
        EXPECT_EQ(records(dir.path()) - recordsBefore, posted ? 1 : 0);
        if (!posted) {
            EXPECT_EQ(booksDigest(dir.path()), before);
        }
        const StockCheck check = checkStock(dir.path());
        EXPECT_EQ(check.inventory, check.journals);
        // A posting the box called done is not a crash to the next start: only a disk that
        // stays failing can keep the old link beside the record.
        if (outcome == "posted" && !failure.fromThenOn) {
            EXPECT_EQ(nextStart, QString());
        }
        EXPECT_EQ(leftovers(dir.path()).join(' '), QString());
    }
}

INSTANTIATE_TEST_SUITE_P(
    OfEveryKind, DiskFailing,
    ::testing::Values(Failure{"purchase", "EIO", false}, Failure{"purchase", "ENOSPC", false},
                      Failure{"purchase", "EROFS", true}, Failure{"sale", "EIO", false},
                      Failure{"sale", "ENOSPC", false}, Failure{"sale", "EROFS", true}),
    [](const auto& test) { return std::string(test.param.posting) + "_" + test.param.error; });

// Two faults: the journal's new file cannot replace it (the 8th rename), and the inventory,
// already replaced, cannot be put back (the 10th, after the undo's own record). The undo is
// left to its record, and the next start finishes it.
TEST(DiskFailingTwice, AnUndoThatCannotFinishIsFinishedByTheNextStart) {
    QTemporaryDir dir;
    makeShop(dir.path(), 3, 30);
    const QByteArray before = booksDigest(dir.path());
    const QStringList told =
        underFault(dir.path(), {"once", "purchase"}, "rename:8,10:EIO").split('\n');
    EXPECT_EQ(told.value(0), "undoes");
    EXPECT_TRUE(told.join('\n').contains(QStringLiteral("恢复为这次操作之前的内容")))
        << told.join('\n').toStdString();
    EXPECT_TRUE(ledger::Ledger(dir.path(), store::workbookServerFactory())
                    .recover()
                    .contains(QStringLiteral("那次操作（入库 1 行）没有完成，已经撤销")));
    EXPECT_EQ(booksDigest(dir.path()), before);
    EXPECT_EQ(leftovers(dir.path()).join(' '), QString());
}

// The start after a crash is itself killed, at each of its file calls in turn: removing the
// dead writer's lock (QLockFile's own ".rmlock" left behind), or carrying out the record.
// The start after that recovers at once, with its box.
TEST(KilledRecovery, TheStartAfterItFinishesTheCrashedPostingAtOnce) {
    const auto crashed = [](const QString& dir) {
        makeShop(dir, 3, 30);
        ASSERT_TRUE(
            crashAt(dir, ledger::CommitStep::FirstReplaced, ledger::sale({sale(1, 1001, 3)}, {})));
    };
    int calls = 0;
    {
        QTemporaryDir dir;
        crashed(dir.path());
        ASSERT_TRUE(underFault(dir.path(), {"recover"}, "any:0:EIO", &calls)
                        .contains(QStringLiteral("那次操作（出库 1 行）已经完成")));
    }
    ASSERT_GT(calls, 5);
    for (int n = 1; n <= calls; ++n) {
        SCOPED_TRACE(n);
        QTemporaryDir dir;
        crashed(dir.path());
        underFault(dir.path(), {"recover"}, QString("any:%1:KILL").arg(n));
        const bool recordLeft = QFile::exists(dir.filePath(".tavelo.commit"));
        const QString told =
            ledger::Ledger(dir.path(), store::workbookServerFactory()).recoverIfIdle();
        EXPECT_EQ(told.isEmpty(), !recordLeft) << told.toStdString();
        // A lock file naming the killed start may stay for the next writer to judge stale.
        QStringList left = leftovers(dir.path());
        left.removeAll(".tavelo.lock");
        EXPECT_EQ(left.join(' '), QString());
        const StockCheck check = checkStock(dir.path());
        EXPECT_EQ(check.inventory, check.journals);
        EXPECT_EQ(check.stockOuts, 1);
    }
}

}  // namespace
