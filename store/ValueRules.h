#pragma once

#include <QDate>
#include <QStringList>
#include <optional>

#include "CellValue.h"

namespace store {

// The program's value rules for cells that take part in a comparison or a sum: two
// numbers compare and add as doubles, a text against a number is first read as a
// decimal number, two texts compare byte for byte. An empty cell, or a text that is
// not a number where one is needed, cannot take part: StoreError naming the text.
bool valueEquals(const CellValue& a, const CellValue& b);

// A value that must be a number in a comparison or a sum.
double requireNumber(const CellValue& v);

// A value read as a number, as a posting reads a quantity: empty gives 0, a text must
// read as a decimal number.
double readNumber(const CellValue& v);

// A figure a posting computed, as a book stores it: a sum or difference of quantities or
// values to six decimals, money to cents. A value that is no finite number (an overflow)
// throws StoreError instead: stored, it would break every later reading of the book.
double sumForBook(double value);
double moneyForBook(double value);

// The conditions of the query and search boxes, by the text the shop keeper picks or
// types: "等于" is the value equality above, the typed text taken as a text value;
// "包含" looks for the typed text inside the cell as the grid shows it (1001, 2.5).
// Any other text matches nothing.
enum class Condition { None, Equals, Contains };
Condition conditionNamed(const QString& text);
// The texts of the conditions, as the condition boxes offer them.
QStringList conditionNames();

// A listing never stops at a cell: one that cannot take part in the comparison (empty, or
// a text that is no number against a number) simply does not match, so one odd record
// cannot hide every record below it.
bool valueMeets(const CellValue& cell, Condition condition, const QString& text);
// Whether a is below b by the value rules; false when either cannot take part.
bool valueBelow(const CellValue& a, const CellValue& b);

// The day a date cell names, read from the cell as a listing shows it, the way shop
// keepers type days into a spreadsheet: "2011-05-03" as the program writes it (a date
// cell reads back that way too), one-digit months and days, "/" or "." between the parts,
// "2011年5月3日", "20110503"; blanks around it, and a time after a blank, are allowed.
// Nothing else is taken for a day: not a serial number, a two-digit year or a day that
// never was. The analysis, "只查当日记录" and the date searches all ask this one rule.
std::optional<QDate> dayOf(QStringView shown);

// "等于" on a date column: the text rule of valueMeets, and beside it the same day by
// dayOf, so that a day typed "2011/5/3" is found by 2011-05-03 and the other way round.
// "包含" stays the text rule alone.
bool dateMeets(const CellValue& cell, Condition condition, const QString& text);

// A search of a column that holds numbers by design with "等于" and a text that is no
// number can find nothing: the message that tells the shop keeper why, or an empty text
// when the search can run.
QString numberSearchRefusal(Condition condition, const QString& text, const QString& field);

}  // namespace store
