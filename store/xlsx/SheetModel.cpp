#include "SheetModel.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace store::xlsx {

SheetModel::SheetModel() {
    rowAttrs.emplace_back();
}

const Row* SheetModel::findRow(uint32_t row) const {
    // Reads come in row order most of the time: try where the last one was first.
    if (m_hint < rows.size()) {
        if (rows[m_hint].index == row)
            return &rows[m_hint];
        if (m_hint + 1 < rows.size() && rows[m_hint + 1].index == row) {
            return &rows[++m_hint];
        }
    }
    auto it = std::lower_bound(rows.begin(), rows.end(), row,
                               [](const Row& r, uint32_t v) { return r.index < v; });
    if (it == rows.end() || it->index != row)
        return nullptr;
    m_hint = size_t(it - rows.begin());
    return &*it;
}

const Cell* SheetModel::find(uint32_t row, uint32_t col) const {
    const Row* r = findRow(row);
    if (r == nullptr)
        return nullptr;
    const auto& cells = r->cells;
    if (col - 1 < cells.size() && cells[col - 1].col == col)
        return &cells[col - 1];
    auto it = std::lower_bound(cells.begin(), cells.end(), col,
                               [](const Cell& c, uint32_t v) { return c.col < v; });
    if (it == cells.end() || it->col != col)
        return nullptr;
    return &*it;
}

Cell& SheetModel::obtain(uint32_t row, uint32_t col) {
    auto rit = std::lower_bound(rows.begin(), rows.end(), row,
                                [](const Row& r, uint32_t v) { return r.index < v; });
    if (rit == rows.end() || rit->index != row) {
        rit = rows.insert(rit, Row{row, 0, {}});
    }
    auto& cells = rit->cells;
    auto cit = std::lower_bound(cells.begin(), cells.end(), col,
                                [](const Cell& c, uint32_t v) { return c.col < v; });
    if (cit == cells.end() || cit->col != col) {
        Cell c{};
        c.col = uint16_t(col);
        c.kind = CellKind::Blank;
        cit = cells.insert(cit, c);
    }
    return *cit;
}

void SheetModel::reserve(uint32_t row, size_t cells) {
    auto rit = std::lower_bound(rows.begin(), rows.end(), row,
                                [](const Row& r, uint32_t v) { return r.index < v; });
    if (rit == rows.end() || rit->index != row)
        rit = rows.insert(rit, Row{row, 0, {}});
    rit->cells.reserve(cells);
}

void SheetModel::erase(uint32_t row, uint32_t col) {
    auto rit = std::lower_bound(rows.begin(), rows.end(), row,
                                [](const Row& r, uint32_t v) { return r.index < v; });
    if (rit == rows.end() || rit->index != row)
        return;
    auto& cells = rit->cells;
    auto cit = std::lower_bound(cells.begin(), cells.end(), col,
                                [](const Cell& c, uint32_t v) { return c.col < v; });
    if (cit != cells.end() && cit->col == col)
        cells.erase(cit);
    formulas.erase(key(row, col));
}

uint32_t SheetModel::internRowAttrs(std::string_view raw) {
    if (raw.empty())
        return 0;
    auto [it, inserted] = m_rowAttrIndex.emplace(std::string(raw), uint32_t(rowAttrs.size()));
    if (inserted)
        rowAttrs.emplace_back(raw);
    return it->second;
}

uint32_t SheetModel::addText(std::string_view text) {
    if (pool.size() + text.size() > std::numeric_limits<uint32_t>::max()) {
        throw std::length_error("sheet text pool full");
    }
    const auto off = uint32_t(pool.size());
    pool.append(text);
    return off;
}

void SheetModel::normalize() {
    auto rowLess = [](const Row& a, const Row& b) { return a.index < b.index; };
    if (!std::is_sorted(rows.begin(), rows.end(), rowLess)) {
        std::stable_sort(rows.begin(), rows.end(), rowLess);
    }
    // Merge rows that appear twice, the later cells winning.
    std::vector<Row> merged;
    bool duplicates = false;
    for (size_t i = 1; i < rows.size() && !duplicates; ++i) {
        duplicates = rows[i].index == rows[i - 1].index;
    }
    if (duplicates) {
        merged.reserve(rows.size());
        for (Row& r : rows) {
            if (!merged.empty() && merged.back().index == r.index) {
                auto& cells = merged.back().cells;
                cells.insert(cells.end(), r.cells.begin(), r.cells.end());
                if (r.attrs)
                    merged.back().attrs = r.attrs;
            } else {
                merged.push_back(std::move(r));
            }
        }
        rows.swap(merged);
    }
    auto cellLess = [](const Cell& a, const Cell& b) { return a.col < b.col; };
    for (Row& r : rows) {
        auto& cells = r.cells;
        bool ordered = true;
        for (size_t i = 1; i < cells.size() && ordered; ++i)
            ordered = cells[i - 1].col < cells[i].col;
        if (ordered)
            continue;
        std::stable_sort(cells.begin(), cells.end(), cellLess);
        std::vector<Cell> unique;
        unique.reserve(cells.size());
        for (const Cell& c : cells) {
            if (!unique.empty() && unique.back().col == c.col) {
                unique.back() = c;
            } else {
                unique.push_back(c);
            }
        }
        cells.swap(unique);
    }
}

bool parseCellRef(std::string_view ref, uint32_t& col, uint32_t& row) {
    size_t i = 0;
    uint64_t c = 0;
    if (i < ref.size() && ref[i] == '$')
        ++i;
    const size_t letters = i;
    while (i < ref.size()) {
        char ch = ref[i];
        if (ch >= 'a' && ch <= 'z')
            ch = char(ch - 'a' + 'A');
        if (ch < 'A' || ch > 'Z')
            break;
        c = c * 26 + uint64_t(ch - 'A' + 1);
        if (c > 0xFFFFFFu)
            return false;
        ++i;
    }
    if (i == letters)
        return false;
    if (i < ref.size() && ref[i] == '$')
        ++i;
    const size_t digits = i;
    uint64_t r = 0;
    while (i < ref.size() && ref[i] >= '0' && ref[i] <= '9') {
        r = r * 10 + uint64_t(ref[i] - '0');
        if (r > 0xFFFFFFFFu)
            return false;
        ++i;
    }
    if (i == digits || i != ref.size())
        return false;
    col = uint32_t(c);
    row = uint32_t(r);
    return true;
}

void appendColumnName(std::string& out, uint32_t col) {
    char buf[8];
    int n = 0;
    while (col > 0) {
        const uint32_t rem = (col - 1) % 26;
        buf[n++] = char('A' + rem);
        col = (col - 1) / 26;
    }
    while (n > 0)
        out.push_back(buf[--n]);
}

void SheetModel::adoptRows(const SheetModel& from, uint32_t afterRow, uint32_t throughRow) {
    for (const Row& r : from.rows) {
        if (r.index <= afterRow || r.index > throughRow)
            continue;
        Row& row = rows.emplace_back();
        row.index = r.index;
        row.attrs = internRowAttrs(from.rowAttrs[r.attrs]);
        row.cells = r.cells;
        for (Cell& c : row.cells) {
            if (hasText(c))
                c.str.off = addText(from.text(c));
        }
    }
    for (const auto& [key, formula] : from.formulas) {
        if ((key >> 16) > afterRow && (key >> 16) <= throughRow)
            formulas[key] = formula;
    }
}

}  // namespace store::xlsx
