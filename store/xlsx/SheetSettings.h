#pragma once

#include <optional>
#include <string>

#include "SheetXml.h"

namespace store::xlsx {

// The page and column settings of a worksheet, read from and written into the raw
// elements of its layout (<cols>, <sheetFormatPr>, <printOptions>, <pageMargins>,
// <pageSetup>, <headerFooter>). Everything else in those elements is kept.
struct HeaderSections {
    std::string left, center, right;  // header codes, "&&" for a literal "&"
};

std::optional<double> columnWidth(const SheetLayout& layout, uint32_t col);
double defaultColumnWidth(const SheetLayout& layout);
double defaultRowHeight(const SheetLayout& layout);
void setColumnWidth(SheetLayout& layout, uint32_t col, double characters);

HeaderSections headerSections(const SheetLayout& layout, bool footer);
void setCenterSection(SheetLayout& layout, bool footer, const std::string& plainText);

bool printGridLines(const SheetLayout& layout);
void setPrintGridLines(SheetLayout& layout, bool on);

struct PageSettings {
    bool landscape = false;
    int paperSize = 9;
    double left = 0.7, right = 0.7, top = 0.75, bottom = 0.75, header = 0.3, footer = 0.3;
};
PageSettings pageSettings(const SheetLayout& layout);

// Header and footer codes: split into sections, and back.
HeaderSections splitHeaderCodes(const std::string& codes);
std::string joinHeaderCodes(const HeaderSections& s);

}  // namespace store::xlsx
