#pragma once

#include <QString>

namespace database {
class Database;
}

namespace app {

// Copies the three data books to their backup files beside them (tvruku.bak,
// tvchuku.bak, tvkucun.bak) as one set: the three backups are replaced together, through
// the commit a posting uses, or not at all, so that they are always from one moment.
// Returns why they were not, for the shop keeper (a book missing, a backup read-only, a
// copy that failed, the server out of reach), then the previous backups are as they were;
// empty when they were made.
//
// With a database, the three backups are the books exported from it as workbooks, all
// from one moment; a spreadsheet program opens them as it opens the books.
QString backupDataBooks(const QString& programDir, database::Database* database = nullptr);

}  // namespace app
