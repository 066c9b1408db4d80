#pragma once

#include <QString>

namespace app {

// Copies the three data books to their backup files beside them (tvruku.bak,
// tvchuku.bak, tvkucun.bak, in that order). Every step is attempted even after one has
// failed; true only when all three succeeded. A step fails when its book is missing or
// the copy is refused; each copy goes to a temporary file that replaces the old backup
// only when complete, so a failed step leaves the previous backup as it was.
bool backupDataBooks(const QString& programDir);

}  // namespace app
