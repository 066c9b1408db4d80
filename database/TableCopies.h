#pragma once

#include <QString>
#include <optional>

#include "store/DataBooks.h"
#include "store/Workbook.h"

namespace database {

// Where a till's copy of a table stands against the server's: the rows up to `stamp` are
// in it, the last of them `lastSeq`, `rows` of them, of the table's `generation`.
struct CopyState {
    QString identity;  // the server, database and table it was read from
    long long stamp = 0, lastSeq = 0, generation = -1;
    int rows = 0;
};

// A till's copy of a journal or the documents as it last read them, kept beside the books
// ("tvchuku.server.xlsx", and "tvchuku.server.state" that places it), so that the first
// read after a start fetches only the rows that changed since. The copy is a workbook:
// opening one reads only its last rows, and a read of the rest scans them where they lie.
// A copy that does not match its state, from another server or another generation of the
// table, or that cannot be read, is no copy: the rows are fetched whole, as without one.
class TableCopies {
public:
    explicit TableCopies(QString dir) : m_dir(std::move(dir)) {}

    struct Copy {
        store::Workbook sheet;
        CopyState state;
    };
    std::optional<Copy> load(store::Book book, const QString& identity) const;
    // Writes the sheet's copy, then its state; a disk that will not take them costs only
    // the copy. The sheet is then the copy, its rows read as they are needed.
    void save(store::Book book, store::Workbook& sheet, const CopyState& state) const;

    QString copyPath(store::Book book) const;
    QString statePath(store::Book book) const;

private:
    QString m_dir;
};

}  // namespace database
