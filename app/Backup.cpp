#include "app/Backup.h"

#include <QFileInfo>
#include <optional>

#include "database/Connection.h"
#include "database/Database.h"
#include "database/Transfer.h"
#include "ledger/BookCommit.h"
#include "ledger/WriterLock.h"
#include "store/AtomicFile.h"
#include "store/DataBooks.h"

namespace app {

namespace {

QString backupPath(const QString& programDir, store::Book book) {
    QString target = store::bookPath(programDir, book);
    return target.replace(target.size() - 4, 4, QStringLiteral(".bak"));
}

bool backupOne(const QString& programDir, store::Book book) {
    const QString source = store::bookPath(programDir, book);
    const QString target = backupPath(programDir, book);
    if (!QFileInfo(source).isFile())
        return false;
    // A backup the user made read-only is not replaced, as a plain file copy would refuse.
    const QFileInfo existing(target);
    if (existing.exists() && !existing.isWritable())
        return false;
    try {
        store::copyFileAtomically(source, target);
    } catch (const store::AtomicFileError&) {
        return false;
    }
    return true;
}

}  // namespace

bool backupDataBooks(const QString& programDir, database::Database* database) {
    if (database) {
        QStringList targets;
        for (store::Book book : database::kDataBooks)
            targets << backupPath(programDir, book);
        try {
            database::exportBooks(database->connection(), targets);
        } catch (const store::StoreError&) {
            return false;
        }
        return true;
    }
    // The three copies are one set: no posting may replace a book between them, and a
    // commit a crash cut short is finished first (start-up has told the shop keeper of
    // any such commit already; one newer than that is finished here without a word).
    std::optional<ledger::WriterLock> lock;
    try {
        lock.emplace(programDir);
        ledger::recoverCommit(programDir);
    } catch (const store::StoreError&) {
        return false;
    }
    bool all = true;
    for (const store::Book book :
         {store::Book::StockIn, store::Book::StockOut, store::Book::Inventory})
        all = backupOne(programDir, book) && all;
    return all;
}

}  // namespace app
