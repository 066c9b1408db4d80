#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "database/Tables.h"

namespace database {

// Moving a shop's books between the program folder and the server. Each direction is one
// transaction that checks what arrived against what was sent (records, stock quantity and
// value, the journals' amounts) and undoes everything on a difference.

// What was compared, one line a book: "tvkucun.dat：12 条记录，…".
using TransferReport = QStringList;

// How far a transfer has come: what it does with which book, and the percent done (-1
// where it cannot tell). A shop's books take seconds to move; the tool says so as it goes.
struct TransferStep {
    enum Stage { Reading, Sending, Checking, Numbering, Writing } stage;
    store::Book book;
    int percent = -1;
};
using TransferProgress = std::function<void(const TransferStep&)>;

// Loads the data books of `dir` into the server's tables, which must be empty, and marks
// each journal row with its document's number. A folder from before the documents has no
// documents book and its rows none. A book with cells the tables cannot take is refused
// with the list of those cells.
TransferReport importBooks(Connection& connection, const QString& dir,
                           const TransferProgress& progress = {});

// Writes the data books, the documents book among them, as workbooks to `paths` (by
// store::kDataBooks order), from one moment of the server's tables. A file is replaced only when
// complete.
TransferReport exportBooks(Connection& connection, const QStringList& paths,
                           const TransferProgress& progress = {});

}  // namespace database
