// The start-up backup killed at each of its file calls in turn, in the program itself under
// the failing-disk library (support/FaultFs.cpp): after the next start, the three backups
// are all of the moment before or all of the backup's own.
#include <gtest/gtest.h>

#include <QFile>

#include "app/Backup.h"
#include "ledger/Ledger.h"
#include "store/DataBooks.h"
#include "store/Workbook.h"
#include "support/FailingDisk.h"

namespace {

constexpr auto kBacked = store::kDataBooks;

// The three backups' bytes, or the three books', in backup order; a missing file reads empty.
QList<QByteArray> threeOf(const QString& dir, bool backups) {
    QList<QByteArray> files;
    for (store::Book book : kBacked) {
        QFile file(
            QDir(dir).filePath(backups ? store::backupFileName(book) : store::bookFileName(book)));
        files << (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    }
    return files;
}

// Starts the program on `dir` and lets its start-up timer run the backup, the disk failing
// as `fault` says; with `count`, the number of file calls it made.
void startUnderFault(const QString& dir, const QString& fault, int* count = nullptr) {
    FailingDisk disk;
    QProcess program;
    program.setProgram(TAVELO_DRIVE);
    disk.run(program, dir, fault);
    program.write(QString("dir %1\ntimer\n").arg(dir).toUtf8());
    program.closeWriteChannel();
    ASSERT_TRUE(program.waitForFinished(60000));
    if (count)
        *count = disk.calls();
}

// A folder whose backups, when `backedUp`, are of its books as they were before a cell of
// each changed.
void prepare(const QString& dir, bool backedUp) {
    store::writeInitialBooks(dir);
    QFile settings(QDir(dir).filePath("tvstorekeep.ini"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[config]\nautobakup=1\n");
    settings.close();
    if (backedUp) {
        ASSERT_EQ(app::backupDataBooks(dir), QString());
    }
    for (store::Book book : kBacked) {
        store::Workbook workbook = store::Workbook::open(store::bookPath(dir, book));
        workbook.setCell(2, 1, store::CellValue::fromNumber(1001));
        workbook.save();
    }
}

TEST(BackupSet, KilledAtEveryFileCallTheThreeBackupsAreOfOneMoment) {
    for (const bool backedUp : {true, false}) {
        int calls = 0;
        {
            QTemporaryDir dir;
            prepare(dir.path(), backedUp);
            startUnderFault(dir.path(), "any:0:KILL", &calls);
            ASSERT_EQ(threeOf(dir.path(), true), threeOf(dir.path(), false));
        }
        ASSERT_GT(calls, 30);
        for (int n = 1; n <= calls; ++n) {
            SCOPED_TRACE(QString("%1 backup, killed at call %2")
                             .arg(backedUp ? "a second" : "the first")
                             .arg(n)
                             .toStdString());
            QTemporaryDir dir;
            prepare(dir.path(), backedUp);
            const QList<QByteArray> previous = threeOf(dir.path(), true);
            startUnderFault(dir.path(), QString("any:%1:KILL").arg(n));
            ledger::Ledger(dir.path(), store::workbookServerFactory()).recoverIfIdle();
            const QList<QByteArray> backups = threeOf(dir.path(), true);
            EXPECT_TRUE(backups == previous || backups == threeOf(dir.path(), false));
        }
    }
}

}  // namespace
