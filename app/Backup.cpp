#include "app/Backup.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
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
    return QFileInfo(store::bookPath(programDir, book)).dir().filePath(store::backupFileName(book));
}

ledger::NewVersion copyOf(const QString& source, const QString& target) {
    return {target,
            [source](const QString& scratch) { store::copyFileAtomically(source, scratch); }};
}

}  // namespace

QString backupDataBooks(const QString& programDir, database::Database* database) {
    // The copies are one set: no posting may replace a book between them, a commit a
    // crash cut short is finished first (start-up has told the shop keeper of any such
    // commit already; one newer than that is finished here without a word), and the
    // backups replace the old ones through one commit, as a posting's books do.
    try {
        ledger::WriterLock lock(programDir);
        ledger::recoverCommit(programDir);
        QList<ledger::NewVersion> copies;
        std::optional<QTemporaryDir> exported;
        if (database) {
            // All of them from one moment of the database, then copied in like the books.
            exported.emplace();
            QStringList paths;
            for (store::Book book : store::kDataBooks)
                paths << exported->filePath(store::bookFileName(book));
            database::exportBooks(database->connection(), paths);
            for (qsizetype i = 0; i < paths.size(); ++i)
                copies << copyOf(paths[i], backupPath(programDir, store::kDataBooks[i]));
        } else {
            for (const store::Book book : store::kDataBooks) {
                const QString source = store::bookPath(programDir, book);
                const QFileInfo target(backupPath(programDir, book));
                // Nothing posted yet since the documents came: there is nothing to keep.
                if (store::layoutOf(book).madeWhenMissing && !QFileInfo::exists(source))
                    continue;
                // A missing book, or a backup the user made read-only, fails the backup; the
                // previous set stays whole.
                if (!QFileInfo(source).isFile())
                    return QStringLiteral("数据文件 %1 不存在或不是文件")
                        .arg(QDir::toNativeSeparators(source));
                if (target.exists() && !target.isWritable())
                    return QStringLiteral("备份文件 %1 是只读的，不能替换")
                        .arg(QDir::toNativeSeparators(target.filePath()));
                copies << copyOf(source, target.filePath());
            }
        }
        ledger::commitFiles(programDir, QStringLiteral("数据备份"), copies);
    } catch (const store::StoreError& e) {
        return e.message();
    }
    return {};
}

}  // namespace app
