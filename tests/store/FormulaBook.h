#pragma once

#include "TestBooks.h"

namespace store {
class Workbook;
}

// An inventory book as a shop keeper leaves it after a spreadsheet program: the stock
// value (F) filled down as a shared formula D*E, a column of their own (K) with D*E in
// every cell, a second sheet summing the quantities, and the calculation chain that names
// those cells. Items 1001 to 1004 in rows 2 to 5 hold 10, 20, 30 and 40 at 2.
namespace formulabook {

testbooks::Parts parts();
// The ten cells of `row` as a stock-in writes them, with this quantity and average cost.
void postRow(store::Workbook& book, int row, double qty, double cost);

}  // namespace formulabook
