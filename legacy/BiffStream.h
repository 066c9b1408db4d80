#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <stdexcept>
#include <vector>

#include "store/CellValue.h"

namespace legacy {

// A workbook stream whose records do not hold together: a damaged or forged file.
class BiffError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A formula cell of the first worksheet and the result the file stored for it; no value
// when the file keeps none (writers that never calculate store an empty text there).
struct FormulaResult {
    int row = 0, col = 0;  // counted from 0, as the file counts them
    std::optional<store::CellValue> value;
};

// What the cell reader does not tell about a book: whether it is encrypted, and the
// stored results of the formulas of its first worksheet.
struct BiffFacts {
    int version = 0;  // 5 or 8; 0 for the older kinds, which are not read further
    bool encrypted = false;
    int codePage = 0;
    std::vector<FormulaResult> formulas;
};

// Reads the records of a workbook stream ("Workbook" or "Book" in the compound file).
// Throws BiffError on a stream whose records do not hold together.
BiffFacts scanWorkbookStream(const QByteArray& stream);

// The workbook stream of a compound file held in memory; throws BiffError when the
// compound file is damaged or holds no workbook.
QByteArray workbookStream(const QByteArray& compoundFile);

}  // namespace legacy
