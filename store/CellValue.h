#pragma once

#include <QString>

namespace store {

// A cell as the program sees it: empty, a number, or a text. An empty text is an empty
// cell, so writing "" clears a cell and reading it back gives Empty.
struct CellValue {
    enum class Kind { Empty, Number, Text };

    Kind kind = Kind::Empty;
    double number = 0;
    QString text;

    CellValue() = default;
    static CellValue fromNumber(double value);
    static CellValue fromText(const QString& value);

    bool isEmpty() const { return kind == Kind::Empty; }
    bool isNumber() const { return kind == Kind::Number; }
    bool isText() const { return kind == Kind::Text; }

    // The text a grid shows: numbers in general format, texts unchanged, empty as "".
    QString displayText() const;

    // Same kind and same content; not the program's value equality (see ValueRules.h).
    bool identical(const CellValue& other) const;
};

// The values of one row of a scan (see SpreadsheetServer::scanColumns), each of the
// columns asked for, by its place among them: read when asked for.
class ColumnValues {
public:
    virtual ~ColumnValues() = default;
    virtual CellValue at(qsizetype k) const = 0;
};

}  // namespace store
