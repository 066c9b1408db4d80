#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "CellValue.h"

namespace store {

namespace xlsx {
class WorkbookData;
}

// Page settings of sheet 1 that a printout honours; all set by whoever made the book.
struct PageSetup {
    bool landscape = false;
    int paperSize = 9;  // spreadsheet paper code: 9 = A4, 1 = Letter
    // Margins in inches, the spreadsheet defaults when the book sets none.
    double left = 0.7, right = 0.7, top = 0.75, bottom = 0.75, header = 0.3, footer = 0.3;
};

// The three sections of a page header or footer, as spreadsheet header codes ("&P", "&&").
struct HeaderFooterText {
    QString left, center, right;
};

// One Office Open XML workbook, of which the program uses sheet 1 only.
//
// Reading keeps everything it does not understand: a save regenerates the first
// worksheet's XML and copies every other part of the package byte for byte. Saves are
// atomic: a complete new file is written and flushed beside the target, then renamed
// over it, so a failure leaves the old file as it was.
//
// Every failure throws StoreError with a message that names the book (and the row and
// column where one is involved).
//
// Cells are shared between books read from the same unchanged file (see KeptBooks) and
// copied on the first change, so a change never shows through another book.
class Workbook {
public:
    static constexpr int kMaxRows = 1048576;
    static constexpr int kMaxColumns = 16384;

    // Opens a book file; the display name in messages is the file's name. A book in the
    // older binary format throws OldFormatBook.
    static Workbook open(const QString& path);
    // Whether the file is a book in the older binary format, told by its content (the
    // compound-file signature, or the first record of a bare workbook stream), whatever
    // its name.
    static bool isOldFormat(const QString& path);
    // The format of a workbook stream kept bare, without the compound file around it, as
    // Excel 2.x to 4.0 saved their books ("Excel 4.0 格式"), from the file's first 8 bytes;
    // empty for anything else.
    static QString bareStreamFormat(const QByteArray& head);
    // Opens a book held in memory (tests and the fuzzer).
    static Workbook openBytes(const QByteArray& bytes, const QString& displayName);
    // A new book with one empty worksheet.
    static Workbook createNew(const QString& displayName = QStringLiteral("新工作簿"));

    Workbook(Workbook&&) noexcept;
    Workbook& operator=(Workbook&&) noexcept;
    ~Workbook();

    // Another book on the same cells, named as this one, copied on its first change.
    Workbook share() const;
    // The same, under another name in messages, and belonging to no file: a copy that
    // stands for a book kept elsewhere.
    Workbook detached(const QString& displayName) const;

    QString displayName() const;
    QString path() const;  // empty for a book that was never saved
    // The file this book was last saved to now has another name (it was renamed there).
    void fileMovedTo(const QString& path);

    // Index of the last row of sheet 1 that holds a value; 1 when there is none.
    int usedRowCount() const;
    // Index of the last column of sheet 1 that holds a value; 1 when there is none.
    int usedColumnCount() const;

    // A number, a text or empty. A number whose cell style is a date reads as its day,
    // "yyyy-mm-dd". Booleans read as "TRUE"/"FALSE", error values as their text.
    CellValue cell(int row, int col) const;
    // Calls `visit` with the values of `columns` (in that order) of every row from
    // `firstRow` on that has cells, in row order: what cell() gives, without reading the
    // rest of each row, and for a book whose earlier rows were never read, without
    // reading them into memory either.
    void scanColumns(int firstRow, const QList<int>& columns,
                     const std::function<void(int row, const ColumnValues& values)>& visit) const;
    // Writes a number or a text (an empty value clears the cell); the cell keeps its style.
    void setCell(int row, int col, const CellValue& value);
    // Writes cells 1 … n of a row, as setCell does each; a book built row by row in memory
    // then stays as compact as one read from a file.
    void setRow(int row, const QList<CellValue>& values);
    // Empties the whole column: values, formulas and cell formats.
    void clearColumn(int col);

    // Width in characters, as spreadsheet programs count it; nullopt when not set.
    std::optional<double> columnWidth(int col) const;
    double defaultColumnWidth() const;
    void setColumnWidth(int col, double characters);
    // Default row height in points.
    double defaultRowHeight() const;

    HeaderFooterText header() const;
    HeaderFooterText footer() const;
    // Replace the centre section of the page header or footer with plain text.
    void setCenterHeader(const QString& text);
    void setCenterFooter(const QString& text);
    bool printGridLines() const;
    void setPrintGridLines(bool on);
    PageSetup pageSetup() const;

    bool isModified() const;

    // Writes the book back to the file it was opened from.
    void save();
    // Writes the book to another file, replacing that file only when complete. The book
    // then belongs to the new file.
    void saveAs(const QString& path);

    // The package as bytes (tests).
    QByteArray toBytes() const;

private:
    friend class KeptBooks;
    Workbook(std::shared_ptr<xlsx::WorkbookData> d, QString displayName, QString path);
    // Before any change: this book's own copy of the cells.
    xlsx::WorkbookData& own();
    // Before a read or write of `row`: the frozen rows read, when it is one of them.
    void needRow(int row) const;
    // Before a change that a save must write whole: this book's own copy, every row read.
    xlsx::WorkbookData& wholeSheet();

    std::shared_ptr<xlsx::WorkbookData> d;
    QString m_name;
    QString m_path;
};

}  // namespace store
