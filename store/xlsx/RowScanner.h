#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "SheetModel.h"
#include "SheetTags.h"

namespace store::xlsx {

// Rows of a worksheet's XML exactly as this engine writes them (see writeRows), read at
// close to the speed of a memory scan: the scanner looks for the row and cell tags and
// decodes only the cells of the columns asked for. Whatever else it meets is no row of
// ours, and stops it with NotOurRows; the caller then reads the sheet the general way.
class RowScanner {
public:
    class NotOurRows : public std::runtime_error {
    public:
        NotOurRows() : std::runtime_error("not rows of this engine") {}
    };
    // One cell of a wanted column as it stands in the text, decoded on demand: the views
    // live while the row is visited.
    struct Value {
        uint32_t col = 0;
        uint32_t style = 0;
        std::string_view type, raw;
    };
    using Visit = std::function<void(uint32_t row, const std::vector<Value>& cells)>;

    // `prefix`: the worksheet's namespace prefix; `columns`: the columns wanted, ascending;
    // `sharedStrings`: how many there are (an index must be below).
    RowScanner(const std::string& prefix, const std::vector<uint32_t>& columns,
               size_t sharedStrings);

    // Scans the text added to what is left from before; every complete row from
    // `firstRow` on is visited with its wanted cells that hold something, in column order.
    void feed(std::string_view text, uint32_t firstRow, const Visit& visit);
    // The text ended: throws NotOurRows when a row was cut off.
    void finish() const;

    // The cell a value holds, as the general reader would make it; `text` takes the text of
    // the kinds that have one. Throws NotOurRows on what this engine never writes.
    Cell decode(const Value& value, std::string& text) const;

private:
    size_t scan(std::string_view text, uint32_t firstRow, const Visit& visit);
    // Reads one cell from `p` (at its opening tag) and leaves `p` after it.
    void cell(const char*& p, const char* end, uint32_t row);

    SheetTags m_tags;
    std::vector<bool> m_wanted;  // by column
    size_t m_sharedStrings;
    std::string m_rest;  // an incomplete row from the last feed
    std::vector<Value> m_cells;
};

}  // namespace store::xlsx
