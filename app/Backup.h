#pragma once

#include <QString>

namespace database {
class Database;
}

namespace app {

// Copies the three data books to their backup files beside them (tvruku.bak,
// tvchuku.bak, tvkucun.bak, in that order). Every step is attempted even after one has
// failed; true only when all three succeeded. A step fails when its book is missing or
// the copy is refused; each copy goes to a temporary file that replaces the old backup
// only when complete, so a failed step leaves the previous backup as it was.
//
// With a database, the three backups are the books exported from it as workbooks, all
// from one moment; a spreadsheet program opens them as it opens the books.
bool backupDataBooks(const QString& programDir, database::Database* database = nullptr);

}  // namespace app
