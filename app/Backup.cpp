#include "app/Backup.h"

#include <QFileInfo>

#include "store/AtomicFile.h"
#include "store/DataBooks.h"

namespace app {

namespace {

bool backupOne(const QString& programDir, store::Book book) {
    const QString source = store::bookPath(programDir, book);
    QString target = source;
    target.replace(target.size() - 4, 4, QStringLiteral(".bak"));
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

bool backupDataBooks(const QString& programDir) {
    bool all = true;
    for (const store::Book book :
         {store::Book::StockIn, store::Book::StockOut, store::Book::Inventory})
        all = backupOne(programDir, book) && all;
    return all;
}

}  // namespace app
