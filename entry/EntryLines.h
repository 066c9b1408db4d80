#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "entry/EntryTable.h"
#include "store/CellValue.h"
#include "store/StoreError.h"

namespace ui {
class StringGrid;
}

namespace entry {

// Shown by "增加数据" and the postings when the last line fails the line check.
QString fillProperlyMessage();

// What a new line's cells start with besides the preview.
struct LineDefaults {
    QString today;  // "yyyy-mm-dd"
    QString walkInCustomer;
};

// The entry shape: the table's columns, widths and captions in row 0.
void setUpEntryGrid(ui::StringGrid& grid, const EntryTable& table);
// Fills grid row `row` from the preview as the table says.
void fillLineFromPreview(ui::StringGrid& grid, int row, const EntryTable& table,
                         const ui::StringGrid& preview, const LineDefaults& defaults);
// Grows the grid by one line, which starts with the table's defaults or empty.
void appendLine(ui::StringGrid& grid, const EntryTable& table, const LineDefaults& defaults);
// Removes the bottom line; the only line is emptied instead, so the grid keeps one.
void deleteLastLine(ui::StringGrid& grid);
// After a posting: the captions and one empty line.
void emptyLines(ui::StringGrid& grid);

// Whether a line holds nothing but what 增加数据 put into it: a line added once too often.
bool lineUntouched(const ui::StringGrid& grid, const EntryTable& table, int row,
                   const LineDefaults& defaults);

// The line check of the last line: true when it is not acceptable.
bool lastLineInvalid(const ui::StringGrid& grid, const EntryTable& table);
// The same check on every line, as a posting needs it (a line above the last may have
// been edited after it passed): the first line that fails, or 0.
int firstInvalidLine(const ui::StringGrid& grid, const EntryTable& table);

// "自动计算单价" and "自动计算金额": price from amount and quantity, or amount from price
// and quantity, "0.00", on every line where both are non-zero. A cell that is not a
// number stops the pass at its line (store::StoreError); lines before it keep their values.
// The amounts are marked computed when `markComputed`.
void computePrices(ui::StringGrid& grid);
void computeAmounts(ui::StringGrid& grid, bool markComputed);

// One entry line as a posting reads it: every number column already converted.
struct EntryLine {
    int row = 0;
    QStringList texts;
    QList<double> numbers;  // by column; 0 where the column is not a number column

    QString text(int col) const { return texts.value(col); }
    double number(int col) const { return numbers.value(col); }
};

// Every line of the grid, every number cell of every line converted, before a posting
// touches a book: the first cell that does not convert throws store::StoreError naming
// its line, caption and text, and nothing has been written.
QList<EntryLine> readBatch(const ui::StringGrid& grid, const EntryTable& table);

}  // namespace entry
