#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace store::xlsx {

class SheetModel;

// Formulas a shop keeper added in a spreadsheet program keep working after the program
// writes its own cells. The program never computes a formula; it keeps other programs
// from showing stale or broken results.

// The formula text as a spreadsheet program moves it by dRow rows and dCol columns: the
// relative parts of references move, "$" parts stay, texts, sheet names and function
// names are left alone. A reference moved off the sheet becomes #REF!.
std::string shiftFormula(std::string_view formula, int dRow, int dCol);

// Before the program overwrites or empties the formula cell (row, col): when it holds the
// text of a shared formula ("filled down"), the other cells of the group, which only
// refer to it, each get their own formula, moved to where they stand.
void keepSharedGroup(SheetModel& model, uint32_t row, uint32_t col);

// A worksheet's XML with the cached results of its formula cells taken out (the <v> and
// the t attribute), so that every spreadsheet program computes them afresh; nothing else
// changes, byte for byte. Nothing when the sheet holds no formula.
std::optional<std::string> withoutCachedResults(std::string_view sheetXml);

// workbook.xml asking for a full recalculation when it is opened (calcPr fullCalcOnLoad).
std::string withFullCalcOnLoad(std::string_view workbookXml);

// The XML without every element of this local name whose attribute `attribute` (local
// name) ends with `valueSuffix`: an Override of [Content_Types].xml, a Relationship.
std::string withoutElements(std::string_view xml, std::string_view element,
                            std::string_view attribute, std::string_view valueSuffix);

}  // namespace store::xlsx
