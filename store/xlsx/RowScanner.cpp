#include "RowScanner.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

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
void decodeInto(std::string_view raw, std::string& out) {
    out.clear();
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
}

}  // namespace

namespace {

// The text ended before the row did: the rest comes with the next feed.
struct Short {};

// Byte by byte: the tags are a few bytes long, shorter than a call to memcmp is worth.
bool same(const char* p, const char* tag, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (p[i] != tag[i])
            return false;
    }
    return true;
}

// Whether the text at `p` starts with `tag`; Short when what is left of it could.
bool startsWith(const char* p, const char* end, const std::string& tag) {
    const auto left = size_t(end - p);
    if (left >= tag.size())
        return same(p, tag.data(), tag.size());
    if (same(p, tag.data(), left))
        throw Short();
    return false;
}

void expect(const char*& p, const char* end, const std::string& tag) {
    if (!startsWith(p, end, tag))
        throw NotOurRows();
    p += tag.size();
}

uint32_t digits(const char*& p, const char* end) {
    uint32_t v = 0;
    const auto [q, ec] = std::from_chars(p, end, v);
    if (q == end)
        throw Short();
    if (ec != std::errc() || q == p)
        throw NotOurRows();
    p = q;
    return v;
}

const char* find(const char* p, const char* end, char c) {
    const auto* q = static_cast<const char*>(std::memchr(p, c, size_t(end - p)));
    if (q == nullptr)
        throw Short();
    return q;
}

}  // namespace

RowScanner::RowScanner(const std::string& prefix, const std::vector<uint32_t>& columns,
                       size_t sharedStrings)
    : m_tags(prefix), m_sharedStrings(sharedStrings) {
    for (const uint32_t col : columns) {
        if (col >= m_wanted.size())
            m_wanted.resize(col + 1);
        m_wanted[col] = true;
    }
}

void RowScanner::feed(std::string_view text, uint32_t firstRow, const Visit& visit) {
    if (!m_rest.empty()) {
        // The row cut at the end of the last text is completed from this one: only that
        // much is copied, and the rest is scanned where it lies.
        const size_t close = text.find(m_tags.closeRow);
        const size_t take =
            close == std::string_view::npos ? text.size() : close + m_tags.closeRow.size();
        m_rest.append(text.substr(0, take));
        text.remove_prefix(take);
        const size_t used = scan(m_rest, firstRow, visit);
        m_rest.erase(0, used);
        if (!m_rest.empty()) {
            m_rest.append(text);
            m_rest.erase(0, scan(m_rest, firstRow, visit));
            return;
        }
    }
    const size_t used = scan(text, firstRow, visit);
    m_rest.assign(text.substr(used));
}

void RowScanner::finish() const {
    if (m_rest.find_first_not_of(" \t\r\n") != std::string::npos)
        throw NotOurRows();
}

// The rows are read in the one order the writer puts their parts in, comparing tags where
// they must stand rather than searching for them; only a value's end is searched for.
size_t RowScanner::scan(std::string_view s, uint32_t firstRow, const Visit& visit) {
    const char* const begin = s.data();
    const char* const end = begin + s.size();
    const char* done = begin;
    try {
        for (;;) {
            const char* p = done;
            while (p < end && (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t'))
                ++p;
            if (p == end)
                return size_t(done - begin);
            expect(p, end, m_tags.openRow);
            const uint32_t row = digits(p, end);
            if (*p != '"')
                throw NotOurRows();
            p = find(p, end, '>');
            if (p[-1] == '/') {  // a row of attributes alone
                done = p + 1;
                continue;
            }
            ++p;
            m_cells.clear();
            while (!startsWith(p, end, m_tags.closeRow))
                cell(p, end, row);
            done = p + m_tags.closeRow.size();
            if (row >= firstRow)
                visit(row, m_cells);
        }
    } catch (const Short&) {
        return size_t(done - begin);
    }
}

void RowScanner::cell(const char*& p, const char* end, uint32_t row) {
    expect(p, end, m_tags.openC);
    Value v;
    for (; p < end && *p >= 'A' && *p <= 'Z'; ++p)
        v.col = v.col * 26 + uint32_t(*p - 'A' + 1);
    if (p == end)
        throw Short();
    if (v.col == 0 || digits(p, end) != row || *p != '"')
        throw NotOurRows();
    const char* const tagEnd = find(p, end, '>');
    const std::string_view attrs(p, size_t(tagEnd - p));
    p = tagEnd + 1;
    if (tagEnd[-1] == '/')  // a styled blank
        return;
    const std::string* close = &m_tags.closeV;
    if (startsWith(p, end, m_tags.openV)) {
        p += m_tags.openV.size();
    } else if (startsWith(p, end, m_tags.openIs)) {
        p += m_tags.openIs.size();
        close = &m_tags.closeIs;
    } else if (startsWith(p, end, m_tags.openIsPreserve)) {
        p += m_tags.openIsPreserve.size();
        close = &m_tags.closeIs;
    } else {
        // A formula, with its result or without: the cell ends at its closing tag, which
        // nothing escaped inside can look like.
        const char* q = p;
        while (!startsWith(q, end, m_tags.closeC))
            q = find(q + 1, end, '<');
        const std::string_view content(p, size_t(q - p));
        p = q + m_tags.closeC.size();
        const size_t vo = content.find(m_tags.openV);
        if (vo == std::string_view::npos)
            return;
        const size_t vc = content.find(m_tags.closeV, vo);
        if (vc == std::string_view::npos)
            throw NotOurRows();
        v.raw = content.substr(vo + m_tags.openV.size(), vc - vo - m_tags.openV.size());
        close = nullptr;
    }
    if (close != nullptr) {
        const char* valueEnd = find(p, end, '<');
        v.raw = std::string_view(p, size_t(valueEnd - p));
        p = valueEnd;
        expect(p, end, *close);
        expect(p, end, m_tags.closeC);
    }
    if (v.col >= m_wanted.size() || !m_wanted[v.col])
        return;
    if (const size_t st = attrs.find(" s=\""); st != std::string_view::npos) {
        size_t at = st + 4;
        v.style = digitsAt(attrs, at);
    }
    if (const size_t t = attrs.find(" t=\""); t != std::string_view::npos)
        v.type = attrs.substr(t + 4, attrs.find('"', t + 4) - t - 4);
    m_cells.push_back(v);
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
        decodeInto(raw, text);
        c.kind = v.type == "e"   ? CellKind::Error
                 : v.type == "d" ? CellKind::IsoDate
                                 : CellKind::Inline;
    }
    return c;
}

}  // namespace store::xlsx
