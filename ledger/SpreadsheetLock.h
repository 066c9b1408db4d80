#pragma once

#include <QString>
#include <optional>

namespace ledger {

// Who holds a book open in a spreadsheet program, as its lock file records it.
struct SpreadsheetHolder {
    QString user;  // the user name the lock file records (the profile's name, else the system user)
    QString host;
};

// The holder recorded by the lock file ".~lock.NAME#" beside the book at `bookPath`, when that
// lock is live; nothing when there is no lock file, or when it is stale: written on this machine
// by a spreadsheet process that no longer runs.
std::optional<SpreadsheetHolder> spreadsheetHolder(const QString& bookPath);

}  // namespace ledger
