#include "RowScanner.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "SharedStrings.h"
#include "XmlText.h"

namespace store::xlsx {

namespace {

using NotOurRows = RowScanner::NotOurRows;

uint32_t digitsAt(std::string_view s, size_t& at) {
    uint32_t v = 0;
    const auto [p, ec] = std::from_chars(s.data() + at, s.data() + s.size(), v);
    if (ec != std::errc() || p == s.data() + at)
        throw NotOurRows();
    at = size_t(p - s.data());
    return v;
}

// The text of an element as written: the five entities and character references undone,
// then the format's _xHHHH_ escapes.
std::string decoded(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (size_t i = 0; i < raw.size();) {
        const size_t amp = raw.find('&', i);
        out.append(raw.substr(i, amp == std::string_view::npos ? raw.size() - i : amp - i));
        if (amp == std::string_view::npos)
            break;
        const size_t semi = raw.find(';', amp);
        if (semi == std::string_view::npos)
            throw NotOurRows();
        const std::string_view name = raw.substr(amp + 1, semi - amp - 1);
        if (name == "amp") {
            out += '&';
        } else if (name == "lt") {
            out += '<';
        } else if (name == "gt") {
            out += '>';
        } else if (name == "quot") {
            out += '"';
        } else if (name == "apos") {
            out += '\'';
        } else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x';
            unsigned cp = 0;
            const auto digits = name.substr(hex ? 2 : 1);
            const auto [p, ec] =
                std::from_chars(digits.data(), digits.data() + digits.size(), cp, hex ? 16 : 10);
            if (ec != std::errc() || p != digits.data() + digits.size())
                throw NotOurRows();
            appendUtf8(out, cp);
        } else {
            throw NotOurRows();
        }
        i = semi + 1;
    }
    unescapeOoxml(out);
    return out;
}

}  // namespace

RowScanner::RowScanner(const std::string& prefix, std::vector<uint32_t> columns,
                       size_t sharedStrings)
    : m_columns(std::move(columns)), m_sharedStrings(sharedStrings) {
    const std::string p = prefix.empty() ? std::string() : prefix + ":";
    m_rowOpen = "<" + p + "row r=\"";
    m_rowClose = "</" + p + "row>";
    m_cellOpen = "<" + p + "c r=\"";
    m_cellClose = "</" + p + "c>";
    m_vOpen = "<" + p + "v>";
    m_vClose = "</" + p + "v>";
    m_tOpen = "<" + p + "t";
    m_tClose = "</" + p + "t>";
}

bool RowScanner::wanted(uint32_t col) const {
    return std::binary_search(m_columns.begin(), m_columns.end(), col);
}

void RowScanner::feed(std::string_view text, uint32_t firstRow, const Visit& visit) {
    if (m_rest.empty()) {
        const size_t used = scan(text, firstRow, visit);
        m_rest.assign(text.substr(used));
        return;
    }
    m_rest.append(text);
    const size_t used = scan(m_rest, firstRow, visit);
    m_rest.erase(0, used);
}

void RowScanner::finish() const {
    if (m_rest.find_first_not_of(" \t\r\n") != std::string::npos)
        throw NotOurRows();
}

size_t RowScanner::scan(std::string_view s, uint32_t firstRow, const Visit& visit) {
    size_t done = 0;
    for (;;) {
        const size_t open = s.find(m_rowOpen, done);
        if (open == std::string_view::npos)
            return done;
        if (s.find_first_not_of(" \t\r\n", done) != open)
            throw NotOurRows();
        const size_t tagEnd = s.find('>', open);
        if (tagEnd == std::string_view::npos)
            return done;
        size_t at = open + m_rowOpen.size();
        const uint32_t row = digitsAt(s, at);
        if (s[tagEnd - 1] == '/') {  // a row of attributes alone
            done = tagEnd + 1;
            continue;
        }
        const size_t rowEnd = s.find(m_rowClose, tagEnd);
        if (rowEnd == std::string_view::npos)
            return done;
        done = rowEnd + m_rowClose.size();
        if (row < firstRow)
            continue;
        m_cells.clear();
        for (size_t c = s.find(m_cellOpen, tagEnd); c < rowEnd; c = s.find(m_cellOpen, c)) {
            at = c + m_cellOpen.size();
            uint32_t col = 0;
            while (at < rowEnd && s[at] >= 'A' && s[at] <= 'Z')
                col = col * 26 + uint32_t(s[at++] - 'A' + 1);
            if (col == 0 || digitsAt(s, at) != row || s[at] != '"')
                throw NotOurRows();
            const size_t cellTagEnd = s.find('>', at);
            if (cellTagEnd >= rowEnd)
                throw NotOurRows();
            const bool empty = s[cellTagEnd - 1] == '/';
            const size_t cellEnd = empty ? cellTagEnd + 1 : s.find(m_cellClose, cellTagEnd);
            if (cellEnd >= rowEnd + 1)
                throw NotOurRows();
            c = empty ? cellEnd : cellEnd + m_cellClose.size();
            if (empty || !wanted(col))
                continue;
            const std::string_view attrs = s.substr(at, cellTagEnd - at);
            Value v;
            v.col = col;
            if (const size_t st = attrs.find(" s=\""); st != std::string_view::npos) {
                size_t p = st + 4;
                v.style = digitsAt(attrs, p);
            }
            if (const size_t t = attrs.find(" t=\""); t != std::string_view::npos)
                v.type = attrs.substr(t + 4, attrs.find('"', t + 4) - t - 4);
            const std::string_view content = s.substr(cellTagEnd + 1, cellEnd - cellTagEnd - 1);
            if (const size_t vo = content.find(m_vOpen); vo != std::string_view::npos) {
                const size_t vc = content.find(m_vClose, vo);
                if (vc == std::string_view::npos)
                    throw NotOurRows();
                v.raw = content.substr(vo + m_vOpen.size(), vc - vo - m_vOpen.size());
            } else if (const size_t to = content.find(m_tOpen); to != std::string_view::npos) {
                const size_t gt = content.find('>', to);
                const size_t tc = content.find(m_tClose, to);
                if (gt == std::string_view::npos || tc == std::string_view::npos || tc < gt)
                    throw NotOurRows();
                v.raw = content.substr(gt + 1, tc - gt - 1);
            } else {
                continue;  // a formula without its result, or a styled blank
            }
            m_cells.push_back(v);
        }
        visit(row, m_cells);
    }
}

Cell RowScanner::decode(const Value& v, std::string& text) const {
    Cell c{};
    c.col = uint16_t(v.col);
    c.style = v.style;
    c.kind = CellKind::Blank;
    const std::string_view raw = v.raw;
    if (v.type.empty() || v.type == "n") {
        if (raw.empty())
            return c;
        const auto [p, ec] = std::from_chars(raw.data(), raw.data() + raw.size(), c.num);
        if (ec != std::errc() || p != raw.data() + raw.size() || !std::isfinite(c.num))
            throw NotOurRows();
        c.kind = CellKind::Number;
    } else if (v.type == "s") {
        size_t p = 0;
        c.index = digitsAt(raw, p);
        if (p != raw.size() || c.index >= m_sharedStrings)
            throw NotOurRows();
        c.kind = CellKind::Shared;
    } else if (v.type == "b") {
        c.kind = CellKind::Bool;
        c.num = raw == "1" ? 1 : 0;
    } else {
        text = decoded(raw);
        c.kind = v.type == "e"   ? CellKind::Error
                 : v.type == "d" ? CellKind::IsoDate
                                 : CellKind::Inline;
    }
    return c;
}

}  // namespace store::xlsx
