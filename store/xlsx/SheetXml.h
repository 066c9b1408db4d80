#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "SheetModel.h"

namespace store::xlsx {

class XmlPullParser;

// A cell or row the engine cannot accept, described for the error box.
class SheetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Everything of a worksheet's XML but its cells, kept as written so that a save changes
// only what the program changed.
struct SheetLayout {
    std::string rootStart;  // "<worksheet xmlns=...>" as written
    std::string rootName;   // qualified
    std::string prefix;     // namespace prefix of the root, usually empty
    struct Element {
        std::string local;  // local name
        std::string raw;    // exact XML; unused for sheetData, regenerated on save
    };
    std::vector<Element> elements;  // the root's children in document order

    // The element's index, or -1.
    int find(const std::string& local) const;
    // Where an element of this name goes so that the children stay in schema order.
    size_t insertPosition(const std::string& local) const;
    std::string qualified(const std::string& local) const;
    static SheetLayout empty();
};

class SharedStrings;

struct SheetReadLimits {
    size_t sharedStrings = 0;  // number of shared strings: a cell's index must be below
    const SharedStrings* strings = nullptr;  // the table itself, for the items' encoding
};

void readSheet(XmlPullParser& parser, SheetModel& model, SheetLayout& layout,
               const SheetReadLimits& limits);
// Formula cells right of column `cachedThrough` are written without their cached result,
// so that other programs compute them afresh; the program reads only the columns up to it.
std::string writeSheet(const SheetModel& model, const SheetLayout& layout,
                       uint32_t cachedThrough = UINT32_MAX);

// The rectangle of the cells that hold something, for the dimension element; rows 0 when
// there are none.
struct CellBounds {
    uint32_t minRow = 0, maxRow = 0, minCol = 0, maxCol = 0;
    // Of the rows up to `throughRow`.
    static CellBounds of(const SheetModel& model, uint32_t throughRow = UINT32_MAX);
    void add(uint32_t row, uint32_t firstCol, uint32_t lastCol);
    void add(const CellBounds& other);
};

// Rows as a save writes them. The rows from `openFrom` on are those that fit in the last
// `openBytes` of the text (at least the last row): the open segment, which a later append
// rewrites (see Segments.h).
struct RowsText {
    std::string text;
    size_t openFrom = 0;
    uint32_t lastFrozenRow = 0;  // the index of the last row before openFrom; 0 when none
};
// The rows from index `fromRow` on.
RowsText writeRows(const SheetModel& model, const SheetLayout& layout, uint32_t fromRow,
                   uint32_t cachedThrough, size_t openBytes);

// The sheet's XML in the pieces that a save writes, and an append replaces, one by one:
// what precedes the dimension element, the element itself, what follows it up to the
// opening sheetData tag, the rows, and the rest. Without a dimension element it is empty
// and the head runs up to sheetData.
struct SheetText {
    std::string head, dimension, body, tail;
    RowsText rows;
};
SheetText writeSheetText(const SheetModel& model, const SheetLayout& layout, uint32_t cachedThrough,
                         size_t openBytes);
// The dimension element for the bounds; empty when the layout has none.
std::string dimensionElement(const SheetLayout& layout, const CellBounds& bounds);

}  // namespace store::xlsx
