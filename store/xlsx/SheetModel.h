#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace store::xlsx {

enum class CellKind : uint8_t {
    Blank,    // a cell with a style and no value
    Number,   // num
    Shared,   // index into the shared strings
    Inline,   // str into the sheet's pool
    Bool,     // num is 0 or 1
    Error,    // str: "#N/A" and the like
    IsoDate,  // str: an ISO 8601 date cell (t="d")
};

// 16 bytes a cell: a journal of 100,000 ten-column records is 16 MB of cells.
struct Cell {
    uint16_t col;  // 1-based
    CellKind kind;
    uint8_t hasFormula;
    uint32_t style;
    union {
        double num;
        struct {
            uint32_t off, len;
        } str;
        uint32_t index;
    };
};
static_assert(sizeof(Cell) == 16);

struct Row {
    uint32_t index;           // 1-based
    uint32_t attrs;           // index into SheetModel::rowAttrs; 0 = none
    std::vector<Cell> cells;  // sorted by col
};

// The cells of one worksheet, kept compact; everything else of the sheet's XML is kept
// as raw text elsewhere.
class SheetModel {
public:
    SheetModel();

    std::vector<Row> rows;  // sorted by index
    std::string pool;       // texts of Inline, Error and IsoDate cells
    // Raw attribute text of <row> elements (' ht="20" customHeight="1"'), shared by
    // every row that has the same.
    std::vector<std::string> rowAttrs;
    // Raw <f> element of formula cells, by key(row, col).
    std::unordered_map<uint64_t, std::string> formulas;

    static uint64_t key(uint32_t row, uint32_t col) { return (uint64_t(row) << 16) | col; }

    const Row* findRow(uint32_t row) const;
    const Cell* find(uint32_t row, uint32_t col) const;
    // The cell, created blank (style 0) when missing.
    Cell& obtain(uint32_t row, uint32_t col);
    void erase(uint32_t row, uint32_t col);
    // Room for `cells` cells in the row, created when missing: a row written whole then
    // takes no more memory than one read from a file.
    void reserve(uint32_t row, size_t cells);

    uint32_t internRowAttrs(std::string_view raw);
    uint32_t addText(std::string_view text);  // returns the offset; length is text.size()
    std::string_view text(const Cell& c) const { return {pool.data() + c.str.off, c.str.len}; }
    // Whether the cell's value is a text of the pool.
    static bool hasText(const Cell& c) {
        return c.kind == CellKind::Inline || c.kind == CellKind::Error ||
               c.kind == CellKind::IsoDate;
    }
    // Its text, empty for the kinds without one.
    std::string_view textOf(const Cell& c) const {
        return hasText(c) ? text(c) : std::string_view();
    }

    // After reading: rows and cells in order, later duplicates winning.
    void normalize();

    // Appends the rows of `from` after row `afterRow` up to `throughRow`, with their texts
    // and formulas, to the rows here, which must all come before them.
    void adoptRows(const SheetModel& from, uint32_t afterRow, uint32_t throughRow = UINT32_MAX);

private:
    mutable size_t m_hint = 0;
    std::unordered_map<std::string, uint32_t> m_rowAttrIndex;
};

// "AB12" -> column 28, row 12. Returns false for anything else.
bool parseCellRef(std::string_view ref, uint32_t& col, uint32_t& row);
void appendColumnName(std::string& out, uint32_t col);

}  // namespace store::xlsx
