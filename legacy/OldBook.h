#pragma once

#include <functional>

#include <QString>
#include <QStringList>
#include <vector>

#include "store/CellValue.h"

namespace legacy {

// A cell that holds something, counted from 1 as the program counts rows and columns.
struct OldCell {
    int row = 0, col = 0;
    store::CellValue value;
};

// The first worksheet of a book in the older binary format, as the program will keep it:
// numbers, texts, and dates as the "yyyy-mm-dd" texts the program writes.
struct OldBook {
    int version = 0;             // 5: Excel 5.0/95, 8: Excel 97–2003
    int codePage = 0;            // as the file declares it; 1200 is UTF-16
    std::vector<OldCell> cells;  // row by row, left to right
    // The other worksheets that hold cells, which the program never reads: "Sheet2（12 个单元格）".
    QStringList otherSheets;

    // The format in the shop keeper's words: "Excel 97–2003 格式，文字为 UTF-16".
    QString description() const;
};

// Reads the first worksheet of the book at `path`; `name` is how messages name it.
// Throws store::StoreError for an encrypted, damaged or unsupported file, and for formula
// cells whose results the file does not keep (naming them). `rowsRead` hears the percent of
// the sheet's rows read.
OldBook readOldBook(const QString& path, const QString& name,
                    const std::function<void(int percent)>& rowsRead = {});

// Throws the store's error for a book that cannot be converted: "工作簿 NAME：WHY".
[[noreturn]] void refuseBook(const QString& name, const QString& why);

// "A1"-style name of a cell.
QString cellName(int row, int col);

}  // namespace legacy
