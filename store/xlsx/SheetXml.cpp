#include "SheetXml.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "../Numbers.h"
#include "SharedStrings.h"
#include "SheetTags.h"
#include "XmlPullParser.h"
#include "XmlText.h"

namespace store::xlsx {

namespace {

using Event = XmlPullParser::Event;

constexpr uint32_t kMaxRows = 1048576;
constexpr uint32_t kMaxColumns = 16384;

// Children of <worksheet> in the order the format requires.
const char* const kWorksheetOrder[] = {
    "sheetPr",
    "dimension",
    "sheetViews",
    "sheetFormatPr",
    "cols",
    "sheetData",
    "sheetCalcPr",
    "sheetProtection",
    "protectedRanges",
    "scenarios",
    "autoFilter",
    "sortState",
    "dataConsolidate",
    "customSheetViews",
    "mergeCells",
    "phoneticPr",
    "conditionalFormatting",
    "dataValidations",
    "hyperlinks",
    "printOptions",
    "pageMargins",
    "pageSetup",
    "headerFooter",
    "rowBreaks",
    "colBreaks",
    "customProperties",
    "cellWatches",
    "ignoredErrors",
    "smartTags",
    "drawing",
    "legacyDrawing",
    "legacyDrawingHF",
    "drawingHF",
    "picture",
    "oleObjects",
    "controls",
    "webPublishItems",
    "tableParts",
    "extLst",
};

int schemaRank(const std::string& local) {
    const auto* begin = std::begin(kWorksheetOrder);
    const auto* end = std::end(kWorksheetOrder);
    const auto* it = std::find_if(begin, end, [&](const char* n) { return local == n; });
    return it == end ? -1 : int(it - begin);
}

std::string cellName(uint32_t col, uint32_t row) {
    std::string s;
    appendColumnName(s, col);
    s += std::to_string(row);
    return s;
}

SheetError malformedText(uint32_t col, uint32_t row) {
    return SheetError("单元格 " + cellName(col, row) + " 的文字不是有效的 UTF-8 编码");
}

std::string_view trim(std::string_view s) {
    while (!s.empty() &&
           (s.front() == ' ' || s.front() == '\n' || s.front() == '\r' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\n' || s.back() == '\r' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

uint32_t parseIndex(std::string_view s, bool& ok) {
    s = trim(s);
    uint32_t v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    ok = ec == std::errc() && p == s.data() + s.size() && !s.empty();
    return v;
}

// Calls onChild with the parser on each child element of the element it stands on,
// and onText on each piece of text in it; onChild must read its child to the end.
template <class OnChild, class OnText>
void forEachNode(XmlPullParser& parser, OnChild onChild, OnText onText) {
    if (parser.isEmptyElement()) {
        parser.next();
        return;
    }
    const int depth = parser.depth();
    for (;;) {
        const Event ev = parser.next();
        if (ev == Event::EndElement && parser.depth() == depth)
            return;
        if (ev == Event::EndDocument)
            throw XmlError("unexpected end of document", parser.offset());
        if (ev == Event::StartElement) {
            onChild();
        } else if (ev == Event::Text) {
            onText();
        }
    }
}

template <class OnChild>
void forEachChild(XmlPullParser& parser, OnChild onChild) {
    forEachNode(parser, onChild, [] {});
}

// Copies an element the parser stands on, start tag to end tag, as written.
void captureElement(XmlPullParser& parser, std::string& out) {
    out.append(parser.raw());
    forEachNode(
        parser, [&] { captureElement(parser, out); }, [&] { out.append(parser.raw()); });
    out.append(parser.raw());  // the end tag; nothing for <a/>
}

void skipElement(XmlPullParser& parser) {
    forEachChild(parser, [&] { skipElement(parser); });
}

class SheetReader {
public:
    SheetReader(XmlPullParser& p, SheetModel& m, const SheetReadLimits& l)
        : parser(p), model(m), limits(l) {}

    void readSheetData() {
        uint32_t lastRow = 0;
        forEachChild(parser, [&] {
            if (parser.localName() == "row") {
                lastRow = readRow(lastRow);
            } else {
                skipElement(parser);
            }
        });
        model.normalize();
    }

private:
    uint32_t readRow(uint32_t lastRow) {
        uint32_t index = lastRow + 1;
        rowAttrs.clear();
        for (const auto& a : parser.attributes()) {
            const std::string_view name = a.name;
            if (name == "r") {
                bool ok;
                index = parseIndex(a.rawValue, ok);
                if (!ok)
                    throw SheetError("行号“" + std::string(a.rawValue) + "”无效");
            } else if (name != "spans") {
                rowAttrs += ' ';
                rowAttrs += name;
                rowAttrs += "=\"";
                for (char c : a.rawValue) {
                    if (c == '"') {
                        rowAttrs += "&quot;";
                    } else {
                        rowAttrs += c;
                    }
                }
                rowAttrs += '"';
            }
        }
        if (index == 0 || index > kMaxRows) {
            throw SheetError("行号 " + std::to_string(index) +
                             " 超出电子表格的范围（1 至 1048576）");
        }
        model.rows.push_back(Row{index, model.internRowAttrs(rowAttrs), {}});
        uint32_t lastCol = 0;
        forEachChild(parser, [&] {
            if (parser.localName() == "c") {
                lastCol = readCell(index, lastCol);
            } else {
                skipElement(parser);
            }
        });
        return index;
    }

    uint32_t readCell(uint32_t row, uint32_t lastCol) {
        uint32_t col = lastCol + 1;
        uint32_t style = 0;
        std::string_view type;
        for (const auto& a : parser.attributes()) {
            const std::string_view name = a.name;
            if (name == "r") {
                uint32_t refRow;
                if (!parseCellRef(a.rawValue, col, refRow)) {
                    throw SheetError("单元格引用“" + std::string(a.rawValue) + "”无效");
                }
            } else if (name == "s") {
                bool ok;
                style = parseIndex(a.rawValue, ok);
                if (!ok)
                    throw SheetError("单元格样式“" + std::string(a.rawValue) + "”无效");
            } else if (name == "t") {
                typeBuf.assign(a.rawValue);
                type = typeBuf;
            }
        }
        if (col == 0 || col > kMaxColumns) {
            throw SheetError("列号 " + std::to_string(col) + " 超出电子表格的范围（1 至 16384）");
        }
        value.clear();
        inlineText.clear();
        formula.clear();
        bool hasValue = false, hasInline = false;
        forEachChild(parser, [&] {
            const std::string_view name = parser.localName();
            if (name == "v") {
                hasValue = true;
                readText(value);
            } else if (name == "is") {
                hasInline = true;
                readStringItem(parser, inlineText);
            } else if (name == "f") {
                captureElement(parser, formula);
            } else {
                skipElement(parser);
            }
        });

        Cell c{};
        c.col = uint16_t(col);
        c.style = style;
        c.kind = CellKind::Blank;
        if (type.empty() || type == "n") {
            if (hasValue && !trim(value).empty()) {
                c.kind = CellKind::Number;
                c.num = parseNumber(value, col, row);
            }
        } else if (type == "s") {
            if (hasValue) {
                bool ok;
                c.index = parseIndex(value, ok);
                if (!ok || c.index >= limits.sharedStrings) {
                    throw SheetError("单元格 " + cellName(col, row) + " 引用了不存在的共享字符串");
                }
                if (limits.strings && !limits.strings->wellFormed(c.index))
                    throw malformedText(col, row);
                c.kind = CellKind::Shared;
            }
        } else if (type == "b") {
            if (hasValue) {
                const std::string_view v = trim(value);
                c.kind = CellKind::Bool;
                c.num = (v == "1" || v == "true") ? 1 : 0;
            }
        } else if (type == "e" || type == "d") {
            if (hasValue) {
                c.kind = type == "e" ? CellKind::Error : CellKind::IsoDate;
                unescapeOoxml(value);
                setText(c, value, row);
            }
        } else {
            // "inlineStr", "str" (a formula's text), and anything unknown read as text.
            if (hasInline || hasValue) {
                if (!hasInline)
                    unescapeOoxml(value);
                const std::string& text = hasInline ? inlineText : value;
                if (!text.empty() || !formula.empty()) {
                    c.kind = CellKind::Inline;
                    setText(c, text, row);
                }
            }
        }
        if (!formula.empty()) {
            c.hasFormula = 1;
            model.formulas[SheetModel::key(row, col)] = formula;
        }
        if (c.kind != CellKind::Blank || c.style != 0 || c.hasFormula) {
            model.rows.back().cells.push_back(c);
        }
        return col;
    }

    void readText(std::string& out) {
        forEachNode(
            parser, [&] { skipElement(parser); }, [&] { out.append(parser.text()); });
    }

    double parseNumber(std::string_view text, uint32_t col, uint32_t row) {
        std::string_view s = trim(text);
        if (!s.empty() && s.front() == '+')
            s.remove_prefix(1);
        double v = 0;
        auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
        if (ec != std::errc() || p != s.data() + s.size() || !std::isfinite(v)) {
            throw SheetError("单元格 " + cellName(col, row) + " 的数值“" + std::string(text) +
                             "”无效");
        }
        return v;
    }

    void setText(Cell& c, std::string_view text, uint32_t row) {
        // Carried into the next save, such bytes would make other programs refuse the book.
        if (!isValidUtf8(text))
            throw malformedText(c.col, row);
        c.str.off = model.addText(text);
        c.str.len = uint32_t(text.size());
    }

    XmlPullParser& parser;
    SheetModel& model;
    const SheetReadLimits& limits;
    std::string rowAttrs, value, inlineText, formula, typeBuf;
};

void appendUInt(std::string& out, uint32_t v) {
    char buf[12];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void writeCellValue(std::string& out, const SheetTags& tags, const SheetModel& model,
                    const Cell& c) {
    switch (c.kind) {
        case CellKind::Number:
            out += tags.openV;
            appendShortestExact(out, c.num);
            out += tags.closeV;
            break;
        case CellKind::Shared:
            out += tags.openV;
            appendUInt(out, c.index);
            out += tags.closeV;
            break;
        case CellKind::Bool:
            out += tags.openV;
            out += c.num != 0 ? '1' : '0';
            out += tags.closeV;
            break;
        case CellKind::Error:
        case CellKind::IsoDate:
            out += tags.openV;
            appendEscapedText(out, model.text(c));
            out += tags.closeV;
            break;
        case CellKind::Inline: {
            const std::string_view text = model.text(c);
            if (c.hasFormula) {
                out += tags.openV;
                appendEscapedText(out, text);
                out += tags.closeV;
                break;
            }
            const bool preserve = !text.empty() && (text.front() == ' ' || text.back() == ' ' ||
                                                    text.front() == '\t' || text.back() == '\t' ||
                                                    text.find('\n') != std::string_view::npos);
            out += preserve ? tags.openIsPreserve : tags.openIs;
            appendEscapedText(out, text);
            out += tags.closeIs;
            break;
        }
        case CellKind::Blank:
            break;
    }
}

const char* typeAttribute(const Cell& c) {
    switch (c.kind) {
        case CellKind::Shared:
            return " t=\"s\"";
        case CellKind::Bool:
            return " t=\"b\"";
        case CellKind::Error:
            return " t=\"e\"";
        case CellKind::IsoDate:
            return " t=\"d\"";
        case CellKind::Inline:
            return c.hasFormula ? " t=\"str\"" : " t=\"inlineStr\"";
        default:
            return "";
    }
}

}  // namespace

int SheetLayout::find(const std::string& local) const {
    for (size_t i = 0; i < elements.size(); ++i) {
        if (elements[i].local == local)
            return int(i);
    }
    return -1;
}

size_t SheetLayout::insertPosition(const std::string& local) const {
    const int rank = schemaRank(local);
    for (size_t i = 0; i < elements.size(); ++i) {
        if (schemaRank(elements[i].local) > rank)
            return i;
    }
    return elements.size();
}

std::string SheetLayout::qualified(const std::string& local) const {
    return prefix.empty() ? local : prefix + ":" + local;
}

SheetLayout SheetLayout::empty() {
    SheetLayout l;
    l.rootName = "worksheet";
    l.rootStart =
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">";
    l.elements.push_back({"dimension", ""});
    l.elements.push_back({"sheetData", ""});
    l.elements.push_back(
        {"pageMargins",
         "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
         "footer=\"0.3\"/>"});
    return l;
}

void readSheet(XmlPullParser& parser, SheetModel& model, SheetLayout& layout,
               const SheetReadLimits& limits) {
    Event ev;
    while ((ev = parser.next()) != Event::StartElement) {
    }
    if (parser.localName() != "worksheet") {
        throw SheetError("第一个工作表不是普通工作表（" + std::string(parser.qualifiedName()) +
                         "）");
    }
    layout.rootStart.assign(parser.raw());
    layout.rootName.assign(parser.qualifiedName());
    layout.prefix.assign(parser.prefix());
    if (parser.isEmptyElement()) {
        // <worksheet/>: reopen it so that children can go inside.
        layout.rootStart.resize(layout.rootStart.size() - 2);
        while (!layout.rootStart.empty() &&
               (layout.rootStart.back() == ' ' || layout.rootStart.back() == '/')) {
            layout.rootStart.pop_back();
        }
        layout.rootStart += '>';
        parser.next();
    } else {
        SheetReader reader(parser, model, limits);
        for (;;) {
            ev = parser.next();
            if (ev == Event::EndElement && parser.depth() == 1)
                break;
            if (ev != Event::StartElement)
                continue;
            SheetLayout::Element e;
            e.local.assign(parser.localName());
            if (e.local == "sheetData") {
                if (layout.find("sheetData") >= 0)
                    throw SheetError("工作表有两个 sheetData");
                reader.readSheetData();
            } else {
                captureElement(parser, e.raw);
            }
            layout.elements.push_back(std::move(e));
        }
    }
    while (parser.next() != Event::EndDocument) {
    }
    if (layout.find("sheetData") < 0) {
        layout.elements.insert(layout.elements.begin() + long(layout.insertPosition("sheetData")),
                               {"sheetData", ""});
    }
}

namespace {

void appendRow(std::string& out, const SheetTags& tags, const SheetModel& model, const Row& r,
               uint32_t cachedThrough) {
    out += tags.openRow;
    appendUInt(out, r.index);
    out += '"';
    out += model.rowAttrs[r.attrs];
    if (r.cells.empty()) {
        out += "/>";
        return;
    }
    out += '>';
    for (const Cell& c : r.cells) {
        out += tags.openC;
        appendColumnName(out, c.col);
        appendUInt(out, r.index);
        out += '"';
        if (c.style != 0) {
            out += " s=\"";
            appendUInt(out, c.style);
            out += '"';
        }
        const bool cached = !c.hasFormula || c.col <= cachedThrough;
        if (cached)
            out += typeAttribute(c);
        if (c.kind == CellKind::Blank && !c.hasFormula) {
            out += "/>";
            continue;
        }
        out += '>';
        if (c.hasFormula) {
            const auto it = model.formulas.find(SheetModel::key(r.index, c.col));
            if (it != model.formulas.end())
                out += it->second;
        }
        if (cached)
            writeCellValue(out, tags, model, c);
        out += tags.closeC;
    }
    out += tags.closeRow;
}

}  // namespace

CellBounds CellBounds::of(const SheetModel& model, uint32_t throughRow) {
    CellBounds b;
    for (const Row& r : model.rows) {
        if (r.index > throughRow)
            break;
        if (r.cells.empty())
            continue;
        b.add(r.index, r.cells.front().col, r.cells.back().col);
    }
    return b;
}

void CellBounds::add(uint32_t row, uint32_t firstCol, uint32_t lastCol) {
    if (minRow == 0 || row < minRow)
        minRow = row;
    maxRow = std::max(maxRow, row);
    if (minCol == 0 || firstCol < minCol)
        minCol = firstCol;
    maxCol = std::max(maxCol, lastCol);
}

void CellBounds::add(const CellBounds& other) {
    if (other.minRow != 0) {
        add(other.minRow, other.minCol, other.maxCol);
        add(other.maxRow, other.minCol, other.maxCol);
    }
}

std::string dimensionElement(const SheetLayout& layout, const CellBounds& bounds) {
    if (layout.find("dimension") < 0)
        return {};
    std::string out = SheetTags(layout.prefix).dimension;
    if (bounds.minRow == 0) {
        out += "A1";
    } else {
        out += cellName(bounds.minCol, bounds.minRow);
        if (bounds.minRow != bounds.maxRow || bounds.minCol != bounds.maxCol)
            out += ":" + cellName(bounds.maxCol, bounds.maxRow);
    }
    out += "\"/>";
    return out;
}

RowsText writeRows(const SheetModel& model, const SheetLayout& layout, uint32_t fromRow,
                   uint32_t cachedThrough, size_t openBytes) {
    const SheetTags tags(layout.prefix);
    RowsText t;
    size_t cells = 0;
    auto first = std::lower_bound(model.rows.begin(), model.rows.end(), fromRow,
                                  [](const Row& r, uint32_t row) { return r.index < row; });
    for (auto it = first; it != model.rows.end(); ++it)
        cells += it->cells.size();
    t.text.reserve(cells * 32 + (fromRow == 0 ? model.pool.size() : 0));
    // The open rows are those that fit in the last `openBytes`, and at least the last row.
    std::vector<std::pair<size_t, uint32_t>> starts;  // where each row starts, its index
    for (auto it = first; it != model.rows.end(); ++it) {
        if (it->cells.empty() && it->attrs == 0)
            continue;
        starts.emplace_back(t.text.size(), it->index);
        appendRow(t.text, tags, model, *it, cachedThrough);
    }
    size_t k = starts.size();
    while (k > 0 && t.text.size() - starts[k - 1].first <= openBytes)
        --k;
    if (k == starts.size() && k > 0)
        --k;
    t.openFrom = k < starts.size() ? starts[k].first : t.text.size();
    t.lastFrozenRow = k > 0 ? starts[k - 1].second : 0;
    return t;
}

SheetText writeSheetText(const SheetModel& model, const SheetLayout& layout, uint32_t cachedThrough,
                         size_t openBytes) {
    const SheetTags tags(layout.prefix);
    SheetText t;
    t.head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
    t.head += layout.rootStart;
    std::string* out = &t.head;
    for (const SheetLayout::Element& e : layout.elements) {
        if (e.local == "dimension") {
            t.dimension = dimensionElement(layout, CellBounds::of(model));
            out = &t.body;
            continue;
        }
        if (e.local != "sheetData") {
            *out += e.raw;
            continue;
        }
        if (out == &t.head)
            out = &t.body;
        *out += tags.openSheetData;
        t.rows = writeRows(model, layout, 0, cachedThrough, openBytes);
        t.tail = tags.closeSheetData;
        out = &t.tail;
    }
    t.tail += "</" + layout.rootName + ">";
    return t;
}

std::string writeSheet(const SheetModel& model, const SheetLayout& layout, uint32_t cachedThrough) {
    SheetText t = writeSheetText(model, layout, cachedThrough, 0);
    return t.head + t.dimension + t.body + t.rows.text + t.tail;
}

}  // namespace store::xlsx
