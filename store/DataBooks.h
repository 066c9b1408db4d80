#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

#include "BookLayout.h"
#include "CellValue.h"
#include "SpreadsheetServer.h"
#include "StoreError.h"
#include "ValueRules.h"

namespace store {

QString bookFileName(Book book);  // "tvkucun.dat", ...
QString bookTitle(Book book);     // "库存", "出库记录", ...
// The name of a data book's backup beside it: "tvkucun.bak", ...
QString backupFileName(Book book);
// The program directory joined with the book's file name.
QString bookPath(const QString& programDir, Book book);
// The paths of the books in the program directory that are in the older binary format.
QStringList oldFormatBooks(const QString& programDir);
// The name the original of a converted book is kept under, beside it: "tvkucun.dat.old.xls".
QString keptOldBookName(const QString& bookFileName);
// The caption row of a data book (empty for the report book).
QStringList bookCaptions(Book book);
// A column's caption; col from 1.
QString columnCaption(Book book, int col);

// Whether two codes, as typed, scanned or shown in a grid, name the same item: codes are
// numbers in the books, so two that read as the same number are one (a barcode scanned
// with its leading zeros finds the item it was received as); a code that is no number
// matches only itself. Every EAN-13 and UPC-A code is exact in a double.
bool sameItemCode(const QString& a, const QString& b);

class KeptBooks;
// A keeper of the three data books' cells in memory (the report book is read afresh: it is
// the canvas of every export and printout).
std::shared_ptr<KeptBooks> keptDataBooks();

// The fixed message when no spreadsheet server can be started.
QString installServerMessage();

// One pass of the spreadsheet server over one book: created, the book opened and sheet 1
// activated on construction; the workbook closed and the server quit whatever happens,
// when the pass goes out of scope. Nothing is saved unless save() is called.
//
// Construction throws ServerUnavailable when the server cannot be created, StoreError
// when the book cannot be opened. Reads that need a number throw StoreError naming the
// book, the row and the column.
class BookPass {
public:
    BookPass(const ServerFactory& factory, const QString& path);
    ~BookPass();
    BookPass(const BookPass&) = delete;
    BookPass& operator=(const BookPass&) = delete;

    SpreadsheetServer& server() { return *m_server; }
    SpreadsheetServer* operator->() { return m_server.get(); }
    QString bookName() const { return m_name; }

    int usedRowCount();
    CellValue value(int row, int col);
    // The values of `columns` of every data row (from row 2) that has cells, in order.
    void scanColumns(const QList<int>& columns, const SpreadsheetServer::RowValues& visit) {
        m_server->scanColumns(2, columns, visit);
    }
    // Calls `visit` with every data row that has cells, in order, while value() of that
    // row reads its cells of `columns` from the scan: a search over the whole book that
    // decodes only what it looks at.
    void scanRows(const QList<int>& columns, const std::function<void(int row)>& visit);
    // Read as a posting reads a quantity: empty gives 0.
    double number(int row, int col);
    // Must be a number (or a text that reads as one): empty is an error too.
    double requireNumber(int row, int col);

    // Whether the cell meets the condition against the typed text, and whether cell
    // (row, a) is below cell (row, b): a cell that cannot be compared does not (see
    // ValueRules.h).
    bool meets(int row, int col, Condition condition, const QString& text);
    bool less(int row, int a, int b);

    // The last data row whose column 1 equals code as a number (1001.0 finds 1001), or 0.
    int findItemByNumber(double code);
    // The last data row whose column 1 is the typed or scanned code, as sameItemCode
    // compares them (empty reads as 0), or 0. Against a code that is a number, a code cell
    // that is a text but no number is an error.
    int findItemByCode(const QString& code);

    void writeRow(int row, const QList<CellValue>& values);
    void save();

    // The error for a cell that cannot take part, naming book, row and column.
    StoreError cellError(int row, int col, const QString& detail) const;

private:
    QString m_name;
    std::unique_ptr<SpreadsheetServer> m_server;
    // The row being scanned, and its values.
    struct Scanning {
        int row = 0;
        const QList<int>* columns = nullptr;
        const ColumnValues* values = nullptr;
    } m_scanning;
};

class Workbook;
// A book of a new installation, in memory: the caption row and the column widths.
Workbook initialBook(Book book);

// Writes the books of a new installation into dir: the data books with their caption
// rows, the report book empty. A book that exists is never touched.
// Returns the file names written; throws StoreError.
QStringList writeInitialBooks(const QString& dir);

}  // namespace store
