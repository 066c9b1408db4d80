#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace store {

// Decimal text as the shop keeper types it: optional blanks around, optional sign,
// digits with at most one ".", optional exponent. Anything else is not a number.
std::optional<double> parseDecimal(QStringView text);
std::optional<double> parseDecimal(std::string_view utf8);

// General format: shortest text with up to 15 significant digits, no trailing zeros,
// no thousands separator, "-0" shown as "0" (1001, 2.5, 1230.5, 0.3 for 0.1 + 0.2).
QString formatGeneral(double value);
// Whether formatGeneral's text reads back as exactly `value`, so that a total taken from
// the shown texts may take the value itself: all but the numbers rounded to 15 digits
// and those it writes with an exponent.
bool shownExactly(double value);

// "0.00": two decimals; halves of the value as written to 15 significant digits are
// rounded away from zero, so 1/8 shows 0.13 and 2.675 shows 2.68.
QString formatFixed2(double value);

// Money computed by the program is stored rounded: formatted "0.00" and read back.
double roundMoney(double value);
// Quantities and values a posting adds up are stored to six decimals, halves away from
// zero: no shop counts finer, and 0.1 + 0.2 is stored as 0.3, not 0.30000000000000004.
double roundMillionths(double value);

// Shortest text that reads back to exactly the same double, for storing numbers in a
// workbook (1230.5, 98.35; never 16 or 17 digits of binary noise).
void appendShortestExact(std::string& out, double value);

}  // namespace store
