#include "Formulas.h"

#include <algorithm>
#include <vector>

#include "SheetModel.h"
#include "XmlPullParser.h"

namespace store::xlsx {

namespace {

using Event = XmlPullParser::Event;

constexpr uint32_t kMaxRows = 1048576;
constexpr uint32_t kMaxColumns = 16384;

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
// Characters of a name, a number or a reference in a formula.
bool isWordChar(char c) {
    return isAsciiLetter(c) || isDigit(c) || c == '_' || c == '.' || c == '$' || c == '\\' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// One end of a reference: a cell (A1), a whole column (A) or a whole row (1), each part
// absolute with "$".
struct RefEnd {
    enum Kind { Cell, Column, Row } kind;
    bool absCol = false, absRow = false;
    int64_t col = 0, row = 0;
};

// "$AB$12", "AB12", "$AB", "12": letters then digits, each run after an optional "$".
std::optional<RefEnd> parseRefEnd(std::string_view t) {
    RefEnd r{RefEnd::Cell};
    size_t i = 0;
    const bool dollarCol = i < t.size() && t[i] == '$';
    i += dollarCol;
    const size_t letters = i;
    while (i < t.size() && isAsciiLetter(t[i]) && i - letters < 4)
        r.col = r.col * 26 + ((t[i++] | 0x20) - 'a' + 1);
    const size_t nLetters = i - letters;
    const bool dollarRow = i < t.size() && t[i] == '$';
    i += dollarRow;
    const size_t digits = i;
    while (i < t.size() && isDigit(t[i]) && i - digits < 8)
        r.row = r.row * 10 + (t[i++] - '0');
    const size_t nDigits = i - digits;
    if (i != t.size() || (nLetters == 0 && nDigits == 0) || nLetters > 3)
        return std::nullopt;
    if (nLetters == 0) {
        if (dollarRow && dollarCol)
            return std::nullopt;
        r.kind = RefEnd::Row;
        r.absRow = dollarCol || dollarRow;
    } else if (nDigits == 0) {
        if (dollarRow)
            return std::nullopt;
        r.kind = RefEnd::Column;
        r.absCol = dollarCol;
    } else {
        r.absCol = dollarCol;
        r.absRow = dollarRow;
    }
    if ((r.kind != RefEnd::Row && (r.col < 1 || r.col > kMaxColumns)) ||
        (r.kind != RefEnd::Column && (r.row < 1 || r.row > kMaxRows)))
        return std::nullopt;
    return r;
}

// False when the end moves off the sheet.
bool shift(RefEnd& r, int dRow, int dCol) {
    if (r.kind != RefEnd::Row && !r.absCol)
        r.col += dCol;
    if (r.kind != RefEnd::Column && !r.absRow)
        r.row += dRow;
    return (r.kind == RefEnd::Row || (r.col >= 1 && r.col <= kMaxColumns)) &&
           (r.kind == RefEnd::Column || (r.row >= 1 && r.row <= kMaxRows));
}

void appendRefEnd(std::string& out, const RefEnd& r) {
    if (r.kind != RefEnd::Row) {
        if (r.absCol)
            out += '$';
        std::string name;
        for (int64_t c = r.col; c > 0; c = (c - 1) / 26)
            name.insert(name.begin(), char('A' + (c - 1) % 26));
        out += name;
    }
    if (r.kind != RefEnd::Column) {
        if (r.absRow)
            out += '$';
        out += std::to_string(r.row);
    }
}

// Copies a quoted run ('..' or "..", the quote doubled inside) starting at s[i].
size_t copyQuoted(std::string_view s, size_t i, std::string& out) {
    const char q = s[i];
    size_t j = i + 1;
    while (j < s.size()) {
        if (s[j] == q) {
            if (j + 1 < s.size() && s[j + 1] == q) {
                j += 2;
                continue;
            }
            ++j;
            break;
        }
        ++j;
    }
    out.append(s.substr(i, j - i));
    return j;
}

size_t wordEnd(std::string_view s, size_t i) {
    while (i < s.size() && isWordChar(s[i]))
        ++i;
    return i;
}

// A formula's <f> element, its attributes and text decoded.
struct FormulaElement {
    std::string name;  // qualified, as written
    bool shared = false;
    std::string si;
    std::string text;
};

FormulaElement parseFormula(std::string_view raw) {
    FormulaElement f;
    XmlPullParser p(raw);
    if (p.next() != Event::StartElement)
        return f;
    f.name.assign(p.qualifiedName());
    if (const auto* t = p.attribute("t"))
        f.shared = p.decodedValue(*t) == "shared";
    if (const auto* si = p.attribute("si"))
        f.si = p.decodedValue(*si);
    for (Event ev = p.next(); ev != Event::EndDocument && ev != Event::EndElement; ev = p.next()) {
        if (ev == Event::Text)
            f.text.append(p.text());
    }
    return f;
}

// Cuts and insertions at byte offsets of a document, applied in order.
struct Splice {
    size_t begin, end;
    std::string insert;
};

std::string applySplices(std::string_view doc, std::vector<Splice> splices) {
    std::sort(splices.begin(), splices.end(),
              [](const Splice& a, const Splice& b) { return a.begin < b.begin; });
    std::string out;
    out.reserve(doc.size());
    size_t at = 0;
    for (const Splice& s : splices) {
        out.append(doc.substr(at, s.begin - at));
        out += s.insert;
        at = s.end;
    }
    out.append(doc.substr(at));
    return out;
}

size_t offsetIn(std::string_view doc, std::string_view piece) {
    return size_t(piece.data() - doc.data());
}

// The bytes of an attribute in its start tag, with the blanks before it.
Splice cutAttribute(std::string_view doc, const XmlPullParser::Attribute& a) {
    size_t begin = offsetIn(doc, a.name);
    while (begin > 0 && (doc[begin - 1] == ' ' || doc[begin - 1] == '\t' ||
                         doc[begin - 1] == '\n' || doc[begin - 1] == '\r'))
        --begin;
    // The value is followed by its closing quote.
    return {begin, offsetIn(doc, a.rawValue) + a.rawValue.size() + 1, {}};
}

// Children of <workbook> in the order the format requires them around calcPr.
bool comesAfterCalcPr(std::string_view local) {
    static const char* const after[] = {"oleSize",        "customWorkbookViews", "pivotCaches",
                                        "smartTagPr",     "smartTagTypes",       "webPublishing",
                                        "fileRecoveryPr", "webPublishObjects",   "extLst"};
    return std::any_of(std::begin(after), std::end(after),
                       [&](const char* n) { return local == n; });
}

}  // namespace

std::string shiftFormula(std::string_view s, int dRow, int dCol) {
    std::string out;
    out.reserve(s.size() + 8);
    size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        if (c == '"' || c == '\'') {
            // A text, or a quoted sheet name: never a reference of its own.
            i = copyQuoted(s, i, out);
            continue;
        }
        if (c == '[') {
            // A structured reference or an external book's number.
            int depth = 0;
            const size_t start = i;
            do {
                depth += s[i] == '[' ? 1 : s[i] == ']' ? -1 : 0;
                ++i;
            } while (i < s.size() && depth > 0);
            out.append(s.substr(start, i - start));
            continue;
        }
        if (c == '#') {
            // An error value such as #REF! or #NAME?.
            const size_t start = i++;
            while (i < s.size() && (isAsciiLetter(s[i]) || isDigit(s[i]) || s[i] == '/'))
                ++i;
            if (i < s.size() && (s[i] == '!' || s[i] == '?'))
                ++i;
            out.append(s.substr(start, i - start));
            continue;
        }
        if (!isWordChar(c)) {
            out += c;
            ++i;
            continue;
        }
        const size_t end = wordEnd(s, i);
        const std::string_view word = s.substr(i, end - i);
        const char next = end < s.size() ? s[end] : '\0';
        // A function's name, or a sheet's: never a reference.
        std::optional<RefEnd> first = next == '(' || next == '!' ? std::nullopt : parseRefEnd(word);
        if (!first) {
            out.append(word);
            i = end;
            continue;
        }
        // A range: both ends of one kind. A lone column or row is a name or a number.
        std::optional<RefEnd> second;
        size_t stop = end;
        if (next == ':') {
            const size_t secondEnd = wordEnd(s, end + 1);
            second = parseRefEnd(s.substr(end + 1, secondEnd - end - 1));
            if (second && second->kind == first->kind)
                stop = secondEnd;
            else
                second.reset();
        }
        if (!second && first->kind != RefEnd::Cell) {
            out.append(word);
            i = end;
            continue;
        }
        const bool onSheet = shift(*first, dRow, dCol) && (!second || shift(*second, dRow, dCol));
        if (!onSheet) {
            out += "#REF!";
        } else {
            appendRefEnd(out, *first);
            if (second) {
                out += ':';
                appendRefEnd(out, *second);
            }
        }
        i = stop;
    }
    return out;
}

void keepSharedGroup(SheetModel& model, uint32_t row, uint32_t col) {
    const auto found = model.formulas.find(SheetModel::key(row, col));
    if (found == model.formulas.end() || found->second.find("shared") == std::string::npos)
        return;
    const FormulaElement master = parseFormula(found->second);
    if (!master.shared || master.text.empty())
        return;
    for (auto& [key, raw] : model.formulas) {
        if (key == found->first || raw.find("shared") == std::string::npos)
            continue;
        const FormulaElement member = parseFormula(raw);
        if (!member.shared || member.si != master.si || !member.text.empty())
            continue;
        const int dRow = int(key >> 16) - int(row);
        const int dCol = int(key & 0xFFFF) - int(col);
        raw = "<" + member.name + ">";
        for (const char ch : shiftFormula(master.text, dRow, dCol)) {
            if (ch == '&')
                raw += "&amp;";
            else if (ch == '<')
                raw += "&lt;";
            else if (ch == '>')
                raw += "&gt;";
            else
                raw += ch;
        }
        raw += "</" + member.name + ">";
    }
}

std::optional<std::string> withoutCachedResults(std::string_view doc) {
    std::vector<Splice> cuts;
    XmlPullParser p(doc);
    // The cell being read: its type attribute and its cached value, if any.
    bool inCell = false, hasFormula = false;
    std::optional<Splice> type, value;
    size_t valueBegin = 0;
    bool anyFormula = false;
    for (Event ev = p.next(); ev != Event::EndDocument; ev = p.next()) {
        if (ev == Event::StartElement) {
            const std::string_view local = p.localName();
            if (local == "c") {
                inCell = !p.isEmptyElement();
                hasFormula = false;
                type.reset();
                value.reset();
                if (const auto* t = p.attribute("t"))
                    type = cutAttribute(doc, *t);
            } else if (inCell && local == "f") {
                hasFormula = true;
            } else if (inCell && local == "v") {
                valueBegin = offsetIn(doc, p.raw());
                if (p.isEmptyElement())
                    value = Splice{valueBegin, valueBegin + p.raw().size(), {}};
            }
        } else if (ev == Event::EndElement && inCell) {
            const std::string_view local = p.localName();
            if (local == "v" && !p.raw().empty()) {
                value = Splice{valueBegin, offsetIn(doc, p.raw()) + p.raw().size(), {}};
            } else if (local == "c") {
                inCell = false;
                if (hasFormula) {
                    anyFormula = true;
                    if (type)
                        cuts.push_back(*type);
                    if (value)
                        cuts.push_back(*value);
                }
            }
        }
    }
    if (!anyFormula)
        return std::nullopt;
    return applySplices(doc, std::move(cuts));
}

std::string withFullCalcOnLoad(std::string_view doc) {
    XmlPullParser p(doc);
    std::string prefix;
    for (Event ev = p.next(); ev != Event::EndDocument; ev = p.next()) {
        if (ev == Event::StartElement && p.depth() == 1) {
            prefix.assign(p.prefix());
            continue;
        }
        if (ev == Event::StartElement && p.depth() == 2 && p.localName() == "calcPr") {
            if (const auto* full = p.attribute("fullCalcOnLoad")) {
                const size_t at = offsetIn(doc, full->rawValue);
                return applySplices(doc, {{at, at + full->rawValue.size(), "1"}});
            }
            const size_t at = offsetIn(doc, p.qualifiedName()) + p.qualifiedName().size();
            return applySplices(doc, {{at, at, " fullCalcOnLoad=\"1\""}});
        }
        const bool before =
            ev == Event::StartElement && p.depth() == 2 && comesAfterCalcPr(p.localName());
        const bool rootEnd = ev == Event::EndElement && p.depth() == 1 && !p.raw().empty();
        if (before || rootEnd) {
            const size_t at = offsetIn(doc, p.raw());
            const std::string name = prefix.empty() ? "calcPr" : prefix + ":calcPr";
            return applySplices(doc, {{at, at, "<" + name + " fullCalcOnLoad=\"1\"/>"}});
        }
    }
    return std::string(doc);
}

std::string withoutElements(std::string_view doc, std::string_view element,
                            std::string_view attribute, std::string_view valueSuffix) {
    std::vector<Splice> cuts;
    XmlPullParser p(doc);
    bool inside = false;
    size_t begin = 0;
    int depth = 0;
    for (Event ev = p.next(); ev != Event::EndDocument; ev = p.next()) {
        if (ev == Event::StartElement && !inside && p.localName() == element) {
            const auto* a = p.attribute(attribute);
            const std::string value = a ? p.decodedValue(*a) : std::string();
            if (a && value.size() >= valueSuffix.size() &&
                value.compare(value.size() - valueSuffix.size(), valueSuffix.size(), valueSuffix) ==
                    0) {
                inside = true;
                begin = offsetIn(doc, p.raw());
                depth = p.depth();
                if (p.isEmptyElement())
                    cuts.push_back({begin, begin + p.raw().size(), {}});
            }
        } else if (ev == Event::EndElement && inside && p.depth() == depth) {
            if (!p.raw().empty())
                cuts.push_back({begin, offsetIn(doc, p.raw()) + p.raw().size(), {}});
            inside = false;
        }
    }
    return applySplices(doc, std::move(cuts));
}

}  // namespace store::xlsx
