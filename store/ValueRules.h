#pragma once

#include "CellValue.h"

namespace store {

// The program's value rules for cells that take part in a comparison or a sum: two
// numbers compare and add as doubles, a text against a number is first read as a
// decimal number, two texts compare byte for byte. An empty cell, or a text that is
// not a number where one is needed, cannot take part: StoreError naming the text.
bool valueEquals(const CellValue& a, const CellValue& b);
double valueAdd(const CellValue& a, const CellValue& b);

// A value that must be a number in a comparison or a sum.
double requireNumber(const CellValue& v);

// A value read as a number, as a posting reads a quantity: empty gives 0, a text must
// read as a decimal number.
double readNumber(const CellValue& v);

}  // namespace store
