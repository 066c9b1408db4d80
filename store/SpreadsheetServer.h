#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <memory>

#include "CellValue.h"

namespace store {

class BookSource;
class SheetPrinter;

// The spreadsheet server as the program drives it: one workbook at a time, sheet 1,
// cells by row and column counted from 1. Every failure throws StoreError.
class SpreadsheetServer {
public:
    virtual ~SpreadsheetServer() = default;

    virtual void openWorkbook(const QString& fullPath) = 0;  // WorkBooks.Open
    virtual void activateSheet(int index) = 0;               // WorkSheets[1].Activate
    virtual int usedRowCount() = 0;                          // UsedRange.rows.count
    virtual CellValue cell(int row, int col) = 0;            // Cells[row, col].value
    virtual void setCell(int row, int col, const CellValue& value) = 0;
    // The values of `columns` of the rows from `firstRow` on, as cell() gives them, a row at
    // a time; a server may leave out rows without cells. Faster than cell() by cell where
    // the server can read a few columns without the rest.
    using RowValues = std::function<void(int row, const ColumnValues& values)>;
    virtual void scanColumns(int firstRow, const QList<int>& columns, const RowValues& visit) {
        struct ByCell : ColumnValues {
            SpreadsheetServer* server;
            const QList<int>* columns;
            int row = 0;
            CellValue at(qsizetype k) const override { return server->cell(row, (*columns)[k]); }
        } values;
        values.server = this;
        values.columns = &columns;
        for (int row = firstRow, used = usedRowCount(); row <= used; ++row) {
            values.row = row;
            visit(row, values);
        }
    }
    virtual void save() = 0;                           // ActiveWorkBook.Save
    virtual void saveAs(const QString& fullPath) = 0;  // ActiveWorkBook.Saveas
    virtual void clearColumn(int col) = 0;             // Columns[i].clear
    virtual void setColumnWidth(int col, double characters) = 0;
    virtual void setCenterHeader(const QString& text) = 0;  // PageSetup.CenterHeader
    virtual void setCenterFooter(const QString& text) = 0;  // PageSetup.CenterFooter
    virtual void setPrintGridLines(bool on) = 0;            // PageSetup.PrintGridLines
    virtual void setDisplayAlerts(bool on) = 0;             // DisplayAlerts
    virtual void printOut() = 0;                            // ActiveWorkBook.Printout
    virtual void closeWorkbooks() = 0;                      // WorkBooks.Close, no question
    virtual void quit() = 0;                                // Quit
    // The file the last saveAs wrote was renamed to fullPath (a commit put it in place of
    // the book): the book lives there now.
    virtual void savedCopyMovedTo(const QString& fullPath) { (void)fullPath; }
};

// Creates a server; throws ServerUnavailable when none can be started.
using ServerFactory = std::function<std::unique_ptr<SpreadsheetServer>()>;

// The in-process workbook engine as the server. Print-outs go to printer; without one,
// printOut() fails with a clear message. The books `kept` keeps are opened through it, and
// their saves refresh it.
ServerFactory workbookServerFactory(std::shared_ptr<SheetPrinter> printer = nullptr,
                                    std::shared_ptr<BookSource> kept = nullptr);

class Workbook;
// A server over a book the caller holds in memory: whatever path is opened, it is that book,
// and the changes stay in it until the caller does something with them.
ServerFactory serverOn(Workbook& book);

}  // namespace store
