#pragma once

#include <QString>
#include <QStringList>

#include "database/Connection.h"
#include "store/DataBooks.h"

namespace store {
class Workbook;
}

namespace database {

// The data books as tables: one row a record, the book's columns in its order, typed as the
// book's layout says (numbers or texts; a date is a text, as the books read it). `seq` keeps
// the books' row order, so the bottom row is still the latest; `stamp` grows with every
// change, so a reader fetches only what changed since it last looked.
using Column = store::BookColumn;
using Table = store::BookLayout;

// The layout of a data book; the report book is never in the database.
const Table& tableOf(store::Book book);

// The journals' tables have one column more than their books: the number of the document
// that wrote the row, NULL for rows from before the documents. The books keep their ten
// columns; whoever reads the tables with SQL finds a row's document without counting rows.
inline constexpr const char* kDocumentField = "document";
constexpr bool isJournal(store::Book book) {
    return book == store::Book::StockIn || book == store::Book::StockOut;
}

// Creates what is missing: the sequences, the tables and the columns that later versions
// added. Several tills may start at once, so it runs under a lock of its own.
void ensureSchema(Connection& connection);

// Gives the existing role `role` what a till needs of the tables and no more, after taking
// back whatever else it held on them: it reads every table, changes the inventory, and
// only adds rows to the journals and the documents. Completes the schema first, so that a
// till never has anything to create. Run by the tables' owner; one line a grant, to print.
QStringList grantTill(Connection& connection, const QString& role);

// "item_code, item_name, …" in column order, for the statements.
QByteArray columnList(const Table& table);

Param paramOf(const store::CellValue& value, const Table& table, int col);
store::CellValue cellOf(const Result& rows, int row, int field, const Column& column);

// Puts the table's fields, from `first` on, of result row `r` into row `row` of the book.
void putRow(store::Workbook& book, int row, const Result& rows, int r, int first,
            const Table& table);

// The rows of the table in book order, below the caption row of `into` (rows 2 …).
void readRows(Connection& connection, const Table& table, store::Workbook& into);

// The cells of a book that a table cannot take: a text where the column holds numbers, a
// number where it holds texts, anything right of the tenth column. One line each.
QStringList misfits(store::Workbook& book, const Table& table);

// What an import or export checks on both sides: the number of records and the sums the
// shop keeper would notice first (stock quantity and value; a journal's amounts).
struct Totals {
    long long rows = 0;
    double first = 0, second = 0;

    bool matches(const Totals& other) const;
    QString describe(const Table& table) const;
};
Totals totalsOf(store::Workbook& book, const Table& table);
Totals totalsOf(Connection& connection, const Table& table);

// Appends the data rows of `book` (2 … used) to the table, telling `progress` the percent
// of them sent.
void insertRows(Connection& connection, const Table& table, store::Workbook& book,
                const std::function<void(int percent)>& progress = {});

}  // namespace database
